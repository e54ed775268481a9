// Decoding a 2400 x 1200 picture of a spectrum, the yardstick the automatic
// trace is measured against: the decoder alone, and the whole load (decoding,
// the bitmap built from it, the loader taking it over).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/formats.h"

namespace {

std::vector<unsigned char> Picture(const char* extension) {
  const std::string path = std::string(QUILLON_TEST_DATA) + "/pictures/c13_2400x1200_lw1_noaa_4bit." + extension;
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

void BM_Decode(benchmark::State& state, const char* extension) {
  const std::vector<unsigned char> file = Picture(extension);
  for (auto _ : state) {
    DecodedPicture picture;
    if (DecodePicture(PictureKindOf(file.data(), file.size()), file.data(), file.size(), &picture) != DECODED)
      state.SkipWithError("not decoded");
    std::free(picture.pixels);
  }
  state.SetItemsProcessed(state.iterations() * 2400 * 1200);
}

void BM_Load(benchmark::State& state, const char* extension) {
  const std::vector<unsigned char> file = Picture(extension);
  for (auto _ : state) {
    auto* copy = static_cast<unsigned char*>(std::malloc(file.size()));
    std::memcpy(copy, file.data(), file.size());
    if (OpenPictureImage(copy, file.size()) != 1) state.SkipWithError("not loaded");
    FreeDibInfo();
  }
  state.SetItemsProcessed(state.iterations() * 2400 * 1200);
}

BENCHMARK_CAPTURE(BM_Decode, png, "png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Decode, jpeg, "jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, png, "png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Load, jpeg, "jpg")->Unit(benchmark::kMillisecond);

}  // namespace
