// A WPG drawing traced by one recorded playback, as the program's Create
// spectrum does it, on a canvas that draws nothing.

#include "cli/convert.h"
#include "cli/input.h"
#include "picture/canvas.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"

namespace {

// The converter has no window; the layout only decides where the invisible
// drawing would land, never the traced points.
constexpr std::int32_t kClientWidth = 800;
constexpr std::int32_t kClientHeight = 600;

}  // namespace

int ConvertDrawing(const ConvertOptions&, InputImage&& image) {
  FreePicture();
  // The image becomes FileBuffer, as the Retrieve command keeps the file it read.
  FileBufferLength = image.length;
  FileBuffer = image.data.release();
  if (CreateWpgState() == nullptr) {
    ShowMessage(IDS_NO_MEMORY);
    FreePicture();
    return -1;
  }
  ClientWidth = kClientWidth;
  ClientHeight = kClientHeight;
  LayoutWpgPage(FileBuffer);
  SpectrumSettings.Mode = SOURCE_WPG;
  NullCanvas canvas;
  const int result = TraceWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset);
  FreePicture();
  return result;
}
