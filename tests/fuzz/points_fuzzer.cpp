// Text of "x y" points, as the converter takes it, through a point log and
// synthesis.
#include "cli/convert.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ResetForInput(size);
  if (LooksLikePointText(data, size)) ConvertPointText(ConvertOptions{}, data, size);
  return 0;
}
