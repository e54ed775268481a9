// Speed of the automatic trace: against decoding the same picture from the
// PNG and JPEG files a plotting program writes (stb's decoders, as decoding
// costs at the least), and how it grows with the pixel count.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#include <stb/stb_image.h>

#include "picture/bitmap.h"
#include "spectrum/autotrace.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A plot as users have them, top row first in RGB: a frame with ticks and a
// spectrum-like curve two pixels thick inside it.
Bytes PlotPixels(int width, int height) {
  Bytes rgb(static_cast<std::size_t>(width) * height * 3, 255);
  auto ink = [&](int x, int yFromTop) {
    if (x >= 0 && x < width && yFromTop >= 0 && yFromTop < height)
      std::memset(&rgb[(static_cast<std::size_t>(yFromTop) * width + x) * 3], 0, 3);
  };
  const int left = width / 10, right = width - width / 20, top = height / 10, bottom = height - height / 8;
  for (int x = left; x <= right; ++x) ink(x, top), ink(x, bottom);
  for (int y = top; y <= bottom; ++y) ink(left, y), ink(right, y);
  for (int x = left; x <= right; x += width / 20)
    for (int k = 1; k <= height / 80 + 2; ++k) ink(x, bottom + k);
  int previous = -1;
  for (int x = left + 1; x < right; ++x) {
    double v = 0.02;
    for (double centre : {0.2, 0.45, 0.55, 0.56, 0.8}) {
      const double d = (x - centre * width) / (0.002 * width);
      v += 0.8 / (1 + d * d);
    }
    const int y = bottom - 4 - static_cast<int>(v * (bottom - top - 10));
    const int from = previous < 0 ? y : std::min(previous, y), to = previous < 0 ? y : std::max(previous, y);
    for (int r = from; r <= to + 1; ++r) ink(x, r);
    previous = y;
  }
  return rgb;
}

// The same pixels as a 24-bit bitmap file image, bottom row first.
unsigned char* BitmapImage(const Bytes& rgb, int width, int height, std::size_t* length) {
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  *length = 54 + rowBytes * height;
  unsigned char* file = static_cast<unsigned char*>(std::calloc(*length, 1));
  auto put = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  file[0] = 'B', file[1] = 'M';
  put(2, static_cast<std::uint32_t>(*length));
  put(10, 54), put(14, 40), put(18, static_cast<std::uint32_t>(width)), put(22, static_cast<std::uint32_t>(height));
  file[26] = 1, file[28] = 24;
  for (int r = 0; r < height; ++r)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        file[54 + rowBytes * r + 3 * x + c] = rgb[(static_cast<std::size_t>(height - 1 - r) * width + x) * 3 + 2 - c];
  return file;
}

// Loads a 24-bit picture of `rgb` and traces it automatically, timed; false
// when it did not load. The caller frees it.
bool TraceTimed(benchmark::State& state, const Bytes& rgb, int width, int height) {
  std::size_t length = 0;
  unsigned char* image = BitmapImage(rgb, width, height, &length);
  if (OpenBitmapImage(image, length) != 1) {
    state.SkipWithError("the picture did not load");
    return false;
  }
  for (auto _ : state) {
    const AutoTraceResult result = AutoTrace(*DibInfo, AutoTraceOptions{});
    if (!result.found) state.SkipWithError("nothing traced");
    benchmark::DoNotOptimize(result.points.data());
  }
  return true;
}

void BM_AutoTrace(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  if (!TraceTimed(state, PlotPixels(width, height), width, height)) return;
  state.counters["pixels"] = static_cast<double>(width) * height;
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(width) * height);
  FreeDibInfo();
}
BENCHMARK(BM_AutoTrace)->Args({1200, 600})->Args({2400, 1200})->Args({4800, 2400})->Unit(benchmark::kMillisecond);

// A plot as a plotting program writes it (matplotlib, 2400 x 1200, and the
// same as a JPEG of quality 90): decoding the file, and tracing the decoded
// picture.
Bytes ReadFile(const char* name) {
  Bytes bytes;
  if (std::FILE* f = std::fopen((std::string(QUILLON_TEST_DATA) + "/autotrace/" + name).c_str(), "rb")) {
    unsigned char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
  }
  return bytes;
}
const char* const kPlotFiles[] = {"ethanol_2400x1200_matplotlib.png", "ethanol_2400x1200_matplotlib_q90.jpg"};

void BM_DecodeFile(benchmark::State& state) {
  const Bytes file = ReadFile(kPlotFiles[state.range(0)]);
  for (auto _ : state) {
    int w = 0, h = 0, n = 0;
    unsigned char* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &n, 3);
    if (pixels == nullptr) state.SkipWithError("the picture did not decode");
    benchmark::DoNotOptimize(pixels);
    stbi_image_free(pixels);
  }
  state.SetLabel(kPlotFiles[state.range(0)]);
}
BENCHMARK(BM_DecodeFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_AutoTraceFile(benchmark::State& state) {
  const Bytes file = ReadFile(kPlotFiles[state.range(0)]);
  int width = 0, height = 0, n = 0;
  unsigned char* pixels = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &n, 3);
  if (pixels == nullptr) {
    state.SkipWithError("the picture did not decode");
    return;
  }
  const Bytes rgb(pixels, pixels + static_cast<std::size_t>(width) * height * 3);
  stbi_image_free(pixels);
  if (!TraceTimed(state, rgb, width, height)) return;
  state.SetLabel(kPlotFiles[state.range(0)]);
  FreeDibInfo();
}
BENCHMARK(BM_AutoTraceFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
