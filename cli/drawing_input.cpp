// A WPG drawing traced by one recorded playback, as the program's Create
// spectrum does it, on a canvas that draws nothing.
#include <cstdlib>

#include "cli/convert.h"
#include "picture/canvas.h"
#include "picture/wpg.h"
#include "platform/fileio.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"

namespace {

// The converter has no window; the layout only decides where the invisible
// drawing would land, never the traced points.
constexpr std::int32_t kClientWidth = 800;
constexpr std::int32_t kClientHeight = 600;

// Reads the whole file into FileBuffer, as the Retrieve command does.
bool LoadFileBuffer(const char* path) {
  const qio::File f = qio::OpenForRead(path);
  if (f == qio::kInvalid) {
    ShowMessage(IDS_CANNOT_OPEN);
    return false;
  }
  std::size_t size = 0, capacity = 1 << 16;
  unsigned char* data = static_cast<unsigned char*>(std::malloc(capacity));
  bool ok = data != nullptr;
  while (ok) {
    if (size == capacity) {
      unsigned char* grown = static_cast<unsigned char*>(std::realloc(data, capacity * 2));
      if (grown == nullptr) {
        ok = false;
        break;
      }
      data = grown;
      capacity *= 2;
    }
    const long n = qio::Read(f, data + size, capacity - size);
    if (n < 0) ok = false;
    if (n <= 0) break;
    size += static_cast<std::size_t>(n);
  }
  qio::Close(f);
  if (!ok) {
    ShowMessage(data == nullptr ? IDS_NO_MEMORY : IDS_CANNOT_READ);
    std::free(data);
    return false;
  }
  FileBuffer = data;
  FileBufferLength = size;
  return true;
}

}  // namespace

int ConvertDrawing(const ConvertOptions& options) {
  FreePicture();
  if (!LoadFileBuffer(options.input.c_str())) return -1;
  if (!IsWpgFile()) {
    ShowMessage(IDS_FORMAT_UNKNOWN);
    FreePicture();
    return -1;
  }
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
