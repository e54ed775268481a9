// A WPG file image played back as a paint and once more as the trace of
// Create spectrum, on the recording canvas of the drawing tests, which also
// holds the playback to its rules about the objects it creates.
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "native/wpg_test_support.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/settings.h"

namespace {

void Check(const RecordingCanvas& canvas) {
  if (!canvas.errors.empty()) fuzz::Fail(canvas.errors.front().c_str());
  if (!canvas.Live().empty()) fuzz::Fail("a playback left an object it created");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ResetForInput(size);
  if (!IsWpgImage(data, size)) return 0;
  FileBuffer = static_cast<unsigned char*>(std::malloc(size));
  if (FileBuffer == nullptr) return 0;
  std::memcpy(FileBuffer, data, size);
  FileBufferLength = size;
  if (CreateWpgState() != nullptr) {
    LayoutWpgPage(FileBuffer);
    const WPGSTATE& s = *WpgState;
    RecordingCanvas paint, trace;
    PlayWpg(paint, s.XScale, s.YScale, s.XOffset, s.YOffset);
    Check(paint);
    TraceWpg(trace, s.XScale, s.YScale, s.XOffset, s.YOffset);
    Check(trace);
    if (Recording != 0) fuzz::Fail("Recording still set after a trace");
  }
  FreePicture();
  return 0;
}
