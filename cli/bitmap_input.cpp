#include <cstdio>
#include <cstring>

#include "cli/convert.h"
#include "cli/input.h"
#include "cli/terminal_gauge.h"
#include "picture/bitmap.h"
#include "picture/formats.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "spectrum/trace.h"

namespace {

// Messages shown while the bar is on screen start on a line of their own.
TerminalGauge* g_bar = nullptr;
MessageSink g_next = nullptr;

void ShowBelowBar(int id, int secondId, int style, const char* text) {
  if (g_bar != nullptr) g_bar->BreakLine();
  if (g_next != nullptr) g_next(id, secondId, style, text);
}

}  // namespace

// Loads the picture read as the program's Retrieve does (a PNG, JPEG, TIFF or
// GIF decoded into a bitmap) and traces it as its Create spectrum does; the
// bar on stderr stands in for the gauge window. The bitmap stays loaded for
// the preview.
int ConvertBitmap(const ConvertOptions& options, InputImage&& image) {
  const std::int32_t chosenSI = SpectrumSettings.SI;
  if (OpenPictureImage(image.data.release(), image.length) == 0) return -1;
  if (options.siGiven) SpectrumSettings.SI = chosenSI;

  TerminalGauge bar(stderr);
  const bool showBar = IsTerminal(stderr);
  ScanGauge* previous = SetScanGauge(showBar ? &bar : nullptr);
  g_bar = &bar;
  g_next = SetMessageSink(ShowBelowBar);
  const int result = TraceBitmap();
  SetMessageSink(g_next);
  g_bar = nullptr;
  SetScanGauge(previous);
  return result;
}
