// A whole picture file image through the loader and, when it loads, through
// a trace (the classic scan or, for every other input, the automatic trace)
// and synthesis, as Retrieve and Create spectrum take it.
// QUILLON_FUZZ_LOADER names the loader (a function taking over a std::malloc
// block and its length, 1 when a bitmap is loaded) and
// QUILLON_FUZZ_LOADER_HEADER its header, so that every picture format shares
// this harness.
#include <cstdlib>
#include <cstring>

#include "fuzz_support.h"
#include "picture/bitmap.h"
#include "picture/formats.h"
#include "shell/state.h"
#include "spectrum/choices.h"
#include "spectrum/settings.h"
#include "spectrum/trace.h"
#include QUILLON_FUZZ_LOADER_HEADER

namespace {

// A scan visits every pixel and writes a line of the point log for every
// column, and each comparison is traced for the fuzzer: wider and larger
// pictures only make each run slower, never reach other code. (Run-length
// data can claim far more pixels than it holds; that cost is bounded by the
// loader, not here.)
constexpr std::int32_t kScanColumns = 64;
constexpr std::uint64_t kScanPixels = std::uint64_t{1} << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ResetForInput(size);
  // Decoding millions of pixels under the fuzzer's instrumentation takes
  // seconds and reaches no code a small picture does not.
  LimitPicturePixels(std::uint64_t{1} << 18);
  auto* image = static_cast<unsigned char*>(std::malloc(size > 0 ? size : 1));
  if (image == nullptr) return 0;
  if (size > 0) std::memcpy(image, data, size);
  if (QUILLON_FUZZ_LOADER(image, size) == 1) {
    if (DibInfo == nullptr) fuzz::Fail("loaded, but no bitmap");
    const std::uint64_t pixels = std::uint64_t(DibInfo->PixelWidth) * std::uint64_t(DibInfo->PixelHeight);
    if (DibInfo->PixelWidth <= kScanColumns && pixels <= kScanPixels) {
      SpectrumSettings.LineWidth = static_cast<std::int32_t>(size % 5);
      if (SpectrumSettings.SI > 256) SpectrumSettings.SI = 256;
      Choices.mode = size % 2 == 0 ? TRACE_CLASSIC : TRACE_AUTO;
      TraceBitmap();
    }
  }
  FreePicture();
  return 0;
}
