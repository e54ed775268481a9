// The converter's progress display: a bar on a terminal, driven by the scan
// exactly as the program's gauge window is.
#ifndef QUILLON_CLI_TERMINAL_GAUGE_H
#define QUILLON_CLI_TERMINAL_GAUGE_H

#include <cstdio>
#include <string>

#include "spectrum/progress.h"

class TerminalGauge : public ScanGauge {
 public:
  explicit TerminalGauge(std::FILE* out) : out_(out) {}
  bool Open(const char* title, const char* message) override;
  bool HasWindow() const override { return open_; }
  void Send(unsigned wParam, long lParam) override;
  int CurrentPercent() const override { return percent_; }
  void Free() override { open_ = false; }
  // Ends the bar's line so that a message can be read on a line of its own.
  void BreakLine();

 private:
  void Draw(int percent);

  std::FILE* out_;
  std::string message_;
  bool open_ = false;
  bool shown_ = false;
  int percent_ = 0;
};

// True when `stream` is a terminal.
bool IsTerminal(std::FILE* stream);

#endif
