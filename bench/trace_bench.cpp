// Speed of the bitmap trace on large pictures: the scan alone beside the
// floor of reading its bytes once, the whole conversion (log, synthesis,
// file), and run-length decoding.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "platform/fileio.h"
#include "shell/state.h"
#include "spectrum/settings.h"
#include "spectrum/trace.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// Row (from the bottom) of a spectrum-like curve at column x: a baseline and
// three sharp lines, drawn 2 rows thick.
int CurveRow(int x, int width, int height) {
  double v = 0.05;
  for (double centre : {0.2, 0.55, 0.56}) {
    const double d = (x - centre * width) / (0.002 * width);
    v += 0.9 / (1 + d * d);
  }
  return static_cast<int>(v * (height - 4));
}

// A bitmap file of the curve, black on white (index 1 of (white, black)).
Bytes CurveBitmap(int width, int height, std::uint16_t bits, bool rle = false) {
  const std::uint32_t rowBytes = ((static_cast<std::uint32_t>(width) * bits + 31) / 32) * 4;
  std::vector<int> rowAt(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) rowAt[static_cast<std::size_t>(x)] = CurveRow(x, width, height);
  auto dark = [&](int x, int r) {
    const int a = rowAt[static_cast<std::size_t>(x)];
    const int b = x + 1 < width ? rowAt[static_cast<std::size_t>(x + 1)] : a;
    return r >= std::min(a, b) && r <= std::max(a, b) + 1;
  };
  Bytes pixels;
  if (rle) {
    for (int r = 0; r < height; ++r) {
      int x = 0;
      while (x < width) {
        const bool d = dark(x, r);
        int n = 1;
        while (x + n < width && n < 255 && dark(x + n, r) == d) ++n;
        pixels.push_back(static_cast<unsigned char>(n));
        pixels.push_back(d ? 1 : 0);
        x += n;
      }
      pixels.push_back(0);
      pixels.push_back(0);
    }
    pixels.push_back(0);
    pixels.push_back(1);
  } else {
    pixels.assign(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height), bits == 24 ? 0xFF : 0);
    for (int r = 0; r < height; ++r) {
      unsigned char* row = pixels.data() + static_cast<std::size_t>(r) * rowBytes;
      for (int x = 0; x < width; ++x) {
        if (!dark(x, r)) continue;
        if (bits == 24) {
          row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 0;
        } else {
          const int bit = x * bits;
          row[bit >> 3] = static_cast<unsigned char>(row[bit >> 3] | 1 << (8 - (bit & 7) - bits));
        }
      }
    }
  }
  Bytes file(14 + 40, 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 14, 40);
  Put32(file, 18, static_cast<std::uint32_t>(width));
  Put32(file, 22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = static_cast<unsigned char>(bits);
  Put32(file, 30, rle ? BITMAP_RLE8 : BITMAP_RGB);
  Put32(file, 34, static_cast<std::uint32_t>(pixels.size()));
  if (bits <= 8) {
    Put32(file, 46, 2);
    const unsigned char table[8] = {255, 255, 255, 0, 0, 0, 0, 0};
    file.insert(file.end(), table, table + 8);
  }
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

std::string TempName(const char* stem) {
  char dir[qio::kPathSize];
  if (!qio::TempPath(dir)) return stem;
  return std::string(dir) + stem;
}

// Loads the picture through the loader, as the program does.
bool LoadCurve(int width, int height, std::uint16_t bits, bool rle) {
  const std::string path = TempName("quillon-bench.bmp");
  const Bytes bytes = CurveBitmap(width, height, bits, rle);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  std::snprintf(CurrentPath, sizeof CurrentPath, "%s", path.c_str());
  const bool ok = OpenBitmap() == 1;
  qio::Delete(path.c_str());
  return ok;
}

// Loads a picture of the curve straight from memory, with no file between.
bool LoadCurveImage(int width, int height, std::uint16_t bits) {
  const Bytes bytes = CurveBitmap(width, height, bits);
  unsigned char* image = static_cast<unsigned char*>(std::malloc(bytes.size()));
  if (image == nullptr) return false;
  std::memcpy(image, bytes.data(), bytes.size());
  return OpenBitmapImage(image, bytes.size()) == 1;
}

// What reading every byte of the rows once costs: the floor of any scan.
std::uint64_t ByteSum(const unsigned char* p, std::size_t n) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += p[i];
  return sum;
}

double FloorSeconds(const unsigned char* p, std::size_t n) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(ByteSum(p, n));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

// The scan of the curve's rows in the strips TraceBitmap takes, next to the
// byte-sum floor over the same bytes; "floors" is the scan's best time in
// floors (the best of each, so that other work on the machine counts less).
void BM_ScanColumns(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto bits = static_cast<std::uint16_t>(state.range(2));
  if (!LoadCurveImage(width, height, bits)) {
    state.SkipWithError("the picture did not load");
    return;
  }
  ScanRows rows;
  PrepareScanRows(*DibInfo, &rows);
  const std::size_t bytes = static_cast<std::size_t>(DibInfo->RowBytes) * static_cast<std::size_t>(height);
  const double floor = FloorSeconds(DibInfo->Bits, bytes);
  const std::int32_t strip = ScanStripColumns(rows);
  std::vector<ColumnRun> runs(static_cast<std::size_t>(width));
  double best = 1e9;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (std::int32_t x0 = 0; x0 < width; x0 += strip)
      ScanColumns(rows, x0, std::min(width, x0 + strip), runs.data() + x0);
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    benchmark::DoNotOptimize(runs.data());
  }
  state.counters["floors"] = best / floor;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
  FreeDibInfo();
}
BENCHMARK(BM_ScanColumns)
    ->ArgNames({"w", "h", "bits"})
    ->Args({20000, 20000, 8})
    ->Args({8000, 4000, 24})
    ->Args({8000, 4000, 1})
    ->Args({2400, 1200, 4})
    ->Unit(benchmark::kMillisecond);

void BM_ByteSumFloor(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto bits = static_cast<std::uint16_t>(state.range(2));
  if (!LoadCurveImage(width, height, bits)) {
    state.SkipWithError("the picture did not load");
    return;
  }
  const std::size_t bytes = static_cast<std::size_t>(DibInfo->RowBytes) * static_cast<std::size_t>(height);
  for (auto _ : state) benchmark::DoNotOptimize(ByteSum(DibInfo->Bits, bytes));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
  FreeDibInfo();
}
BENCHMARK(BM_ByteSumFloor)
    ->ArgNames({"w", "h", "bits"})
    ->Args({20000, 20000, 8})
    ->Args({8000, 4000, 24})
    ->Args({8000, 4000, 1})
    ->Unit(benchmark::kMillisecond);

// The whole conversion: scan, point log, synthesis at the default SI, JCAMP-DX file.
void BM_TraceBitmap(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const auto bits = static_cast<std::uint16_t>(state.range(2));
  const bool rle = state.range(3) != 0;
  ResetSettings();
  if (!LoadCurve(width, height, bits, rle)) {
    state.SkipWithError("the picture did not load");
    return;
  }
  const std::string out = TempName("quillon-bench.dx");
  std::snprintf(SpectrumSettings.Name, sizeof SpectrumSettings.Name, "%s", out.c_str());
  ReplaceExistingOutput = 1;
  SpectrumSettings.LineWidth = 2;
  for (auto _ : state) {
    if (TraceBitmap() == 0) {
      state.SkipWithError("no spectrum was written");
      break;
    }
  }
  qio::Delete(out.c_str());
  FreeDibInfo();
  ResetSettings();
}
BENCHMARK(BM_TraceBitmap)
    ->ArgNames({"w", "h", "bits", "rle"})
    ->Args({8000, 300, 1, 0})
    ->Args({2400, 1200, 4, 0})
    ->Args({2400, 1200, 24, 0})
    ->Args({2400, 1200, 8, 1})
    ->Unit(benchmark::kMillisecond);

void BM_DecodeRunLength(benchmark::State& state) {
  const int width = 2400, height = 1200;
  const Bytes file = CurveBitmap(width, height, 8, true);
  const unsigned char* data = file.data() + 14 + 40 + 8;
  const std::size_t length = file.size() - (14 + 40 + 8);
  const std::int32_t rowBytes = width;
  std::vector<unsigned char> rows(static_cast<std::size_t>(rowBytes) * height);
  for (auto _ : state) {
    std::memset(rows.data(), 0, rows.size());
    benchmark::DoNotOptimize(DecodeRunLength(data, length, 8, width, height, rowBytes, rows.data()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(length));
}
BENCHMARK(BM_DecodeRunLength)->Unit(benchmark::kMillisecond);

}  // namespace
