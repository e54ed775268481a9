// Speed of spectrum synthesis on large point sets.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <random>
#include <vector>

#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "spectrum/synth.h"
#include "tavspectrum.h"

namespace {

std::vector<LogPoint> RandomPoints(int n) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> x(0, 100000), y(0, 5000);
  std::vector<LogPoint> p(static_cast<size_t>(n));
  for (LogPoint& q : p) q = {x(rng), y(rng)};
  return p;
}

// The sort of a drawing's vertices by x: about 20 vertices share each x, in
// runs spread over the whole log, as in a curve drawn over many times.
void BM_SortByX(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<LogPoint> source = RandomPoints(n);
  for (LogPoint& q : source) q.x %= std::max(1, n / 20);
  for (auto _ : state) {
    std::vector<LogPoint> p = source;
    SortByX(p.data(), static_cast<std::int32_t>(p.size()));
    benchmark::DoNotOptimize(p.data());
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_SortByX)->RangeMultiplier(8)->Range(4096, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);

// A million vertices through the point log into a spectrum, as a drawing's
// trace ends: the log written and read back, sorted, resampled, written.
void BM_SynthesizeDrawing(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<LogPoint> source = RandomPoints(n);
  for (LogPoint& q : source) q.x %= std::max(1, n / 20);
  ResetSettings();
  SpectrumSettings.Mode = SOURCE_WPG;
  SpectrumSettings.SI = 16384;
  ReplaceExistingOutput = 1;
  const std::string out = (std::filesystem::temp_directory_path() / "quillon-synth-bench.dx").string();
  std::snprintf(SpectrumSettings.Name, sizeof SpectrumSettings.Name, "%s", out.c_str());
  for (auto _ : state) {
    char name[qio::kPathSize];
    if (!BeginPointLog(name)) {
      state.SkipWithError("no point log");
      break;
    }
    for (const LogPoint& q : source) WritePoint(q.x, q.y);
    if (FinishPointLog(name) == 0) state.SkipWithError("no spectrum written");
  }
  std::filesystem::remove(out);
  ResetSettings();
}
BENCHMARK(BM_SynthesizeDrawing)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_Resample(benchmark::State& state) {
  std::vector<LogPoint> p(8000);
  for (int i = 0; i < 8000; ++i) p[static_cast<size_t>(i)] = {i, (i * 37) % 300};
  Spectrum s;
  const int si = static_cast<int>(state.range(0));
  s.Init(0, si, 400.13f, 1720, 240);
  for (auto _ : state) ResamplePoints(p.data(), 8000, si, s);
}
BENCHMARK(BM_Resample)->Arg(8192)->Arg(65536);

}  // namespace

BENCHMARK_MAIN();
