#include "cli/terminal_gauge.h"

#include "tavutils.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

bool TerminalGauge::Open(const char*, const char* message) {
  message_ = message != nullptr ? message : "";
  percent_ = 0;
  shown_ = false;
  open_ = true;
  return true;
}

void TerminalGauge::Send(unsigned wParam, long lParam) {
  if (!open_) return;
  switch (wParam) {
    case CV_GAUGE_BEGIN:
      percent_ = 0;
      break;
    case CV_GAUGE_PERCENT:
      percent_ = static_cast<int>((static_cast<unsigned long>(lParam) >> 16) & 0xFFFF);
      Draw(percent_);
      break;
    case CV_GAUGE_CLOSE:
      // The scan never reports its last column; once closed the work is done.
      if (shown_) {
        Draw(100);
        BreakLine();
      }
      break;
    default:
      break;
  }
}

void TerminalGauge::BreakLine() {
  if (!shown_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  shown_ = false;
}

void TerminalGauge::Draw(int percent) {
  constexpr int kCells = 40;
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  const int full = percent * kCells / 100;
  std::string bar(static_cast<size_t>(full), '#');
  bar.append(static_cast<size_t>(kCells - full), '.');
  std::fprintf(out_, "\r%s [%s] %3d%%", message_.c_str(), bar.c_str(), percent);
  std::fflush(out_);
  shown_ = true;
}
