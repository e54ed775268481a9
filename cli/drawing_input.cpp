// A WPG drawing traced by one recorded playback, as the program's Create
// spectrum does it, on a canvas that draws nothing.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/convert.h"
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

int ConvertDrawing(const ConvertOptions&, const std::vector<unsigned char>& image) {
  FreePicture();
  // The image becomes FileBuffer, as the Retrieve command keeps the file it read.
  FileBuffer = static_cast<unsigned char*>(std::malloc(image.size()));
  if (FileBuffer == nullptr) {
    ShowMessage(IDS_NO_MEMORY);
    return -1;
  }
  std::memcpy(FileBuffer, image.data(), image.size());
  FileBufferLength = image.size();
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
