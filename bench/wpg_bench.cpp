// Speed of drawings: one paint of a large drawing (the whole record stream
// played on a canvas that draws nothing), and one trace (the same playback
// writing its vertices to the point log, then the spectrum made from them).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/canvas.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/settings.h"

namespace {

void Put16(std::vector<unsigned char>& b, std::uint32_t v) {
  b.push_back(static_cast<unsigned char>(v & 0xFF));
  b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& b, std::int32_t v) {
  Put16(b, static_cast<std::uint32_t>(v) & 0xFFFF);
  Put16(b, static_cast<std::uint32_t>(v) >> 16);
}

void Record(std::vector<unsigned char>& b, std::uint8_t type, const std::vector<unsigned char>& data) {
  b.push_back(type);
  const std::size_t n = data.size();
  if (n < 255) {
    b.push_back(static_cast<unsigned char>(n));
  } else if (n < 0x8000) {
    b.push_back(255);
    Put16(b, static_cast<std::uint32_t>(n));
  } else {
    b.push_back(255);
    Put16(b, 0x8000 | static_cast<std::uint32_t>(n >> 16));
    Put16(b, static_cast<std::uint32_t>(n & 0xFFFF));
  }
  b.insert(b.end(), data.begin(), data.end());
}

// A spectrum-like curve of `vertices` points in polyline records of `perRecord`
// vertices each, 16-bit (real drawings) or 32-bit pairs, plus the attribute,
// line and ellipse records a real drawing has around it.
std::vector<unsigned char> Drawing(int vertices, int perRecord, bool wide) {
  std::vector<unsigned char> b = {0xFF, 0x57, 0x50, 0x43, 16, 0, 0, 0, 1, 0x16, 1, 0, 0, 0, 0, 0};
  std::vector<unsigned char> d = {1, 0};
  Put16(d, 30000);
  Put16(d, 7800);
  Record(b, 15, d);
  Record(b, 1, {1, 7});
  Record(b, 2, {1, 0, 1, 0});
  for (int first = 0; first < vertices; first += perRecord) {
    const int n = std::min(perRecord, vertices - first);
    d.clear();
    Put16(d, static_cast<std::uint32_t>(n));
    for (int i = first; i < first + n; ++i) {
      const int y = 400 + static_cast<int>(6000 / (1 + std::pow((i % 3000 - 1500) / 40.0, 2)));
      if (wide) {
        Put32(d, i);
        Put32(d, y);
      } else {
        Put16(d, static_cast<std::uint32_t>(i));
        Put16(d, static_cast<std::uint32_t>(y));
      }
    }
    Record(b, 6, d);
    if (first % (perRecord * 16) == 0) {
      d.clear();
      for (int v : {first, 300, first, 7500}) Put16(d, static_cast<std::uint32_t>(v));
      Record(b, 5, d);
      d.clear();
      for (int v : {first, 3900, 200, 200, 0, 0, 360, 0}) Put16(d, static_cast<std::uint32_t>(v));
      Record(b, 9, d);
    }
  }
  Record(b, 16, {});
  return b;
}

void Load(const std::vector<unsigned char>& image) {
  FreePicture();
  FileBuffer = static_cast<unsigned char*>(std::malloc(image.size()));
  std::memcpy(FileBuffer, image.data(), image.size());
  FileBufferLength = image.size();
  CreateWpgState();
  ClientWidth = 1280;
  ClientHeight = 900;
  LayoutWpgPage(FileBuffer);
}

// One paint of the drawing. Arguments: vertices, vertices per record, 32-bit pairs.
void BM_PlayWpg(benchmark::State& state) {
  Load(Drawing(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0));
  NullCanvas canvas;
  for (auto _ : state) {
    PlayWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(FileBufferLength));
  state.SetItemsProcessed(state.iterations() * state.range(0));
  FreePicture();
}
BENCHMARK(BM_PlayWpg)
    ->Args({30000, 30, 0})
    ->Args({30000, 30, 1})
    ->Args({30000, 16000, 0})
    ->Args({30000, 16000, 1})
    ->Unit(benchmark::kMicrosecond);

// One conversion: the recorded playback, the point log and the spectrum. The
// synthesis sorts the vertices with its quadratic exchange sort, which
// dominates as the drawing grows.
void BM_TraceWpg(benchmark::State& state) {
  Load(Drawing(static_cast<int>(state.range(0)), 30, false));
  const std::string out = (std::filesystem::temp_directory_path() / "quillon-wpg-bench.dx").string();
  std::strcpy(SpectrumSettings.Name, out.c_str());
  SpectrumSettings.SI = 16384;
  SpectrumSettings.Mode = SOURCE_WPG;
  ReplaceExistingOutput = 1;
  NullCanvas canvas;
  for (auto _ : state) {
    const int written = TraceWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset);
    if (written == 0) state.SkipWithError("no spectrum written");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(out);
  FreePicture();
  ResetSettings();
}
BENCHMARK(BM_TraceWpg)->Arg(3000)->Arg(12000)->Unit(benchmark::kMillisecond);

}  // namespace
