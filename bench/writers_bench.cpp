// Writing a large spectrum in each format, and the transform that gives it
// its imaginary part.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "tavspectrum.h"

namespace {

void Fill(Spectrum& s, long si, bool complex) {
  s.Init(0, si, 400.13f, 6000, -2000);
  for (long k = 0; k < si; ++k) {
    const double d = (k - si * 0.4) / 12.0;
    s.SetRealInt(k, static_cast<float>(1e6 / (1 + d * d) + (k % 17)));
  }
  s.SetSpecFlag(1, 1);
  s.SetSpecFlag(2, 1);
  if (complex) s.Transform(8);
}

void BM_Transform(benchmark::State& state) {
  Spectrum s;
  Fill(s, state.range(0), false);
  for (auto _ : state) benchmark::DoNotOptimize(s.Transform(8));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Transform)->RangeMultiplier(4)->Range(4096, 1 << 20)->Complexity()->Unit(benchmark::kMillisecond);

// Args: format index, complex (1) or real only (0). SI 65536.
void BM_Write(benchmark::State& state) {
  const outfile format = IntToOutfile(static_cast<int>(state.range(0)));
  Spectrum s;
  Fill(s, 65536, state.range(1) != 0);
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "quillon-writers-bench";
  fs::remove_all(dir);
  fs::create_directory(dir);
  TAVHELPINFO info;
  std::memset(&info, 0, sizeof info);
  info.Flags = TAV_REPLACE_EXISTING;
  const std::string name = (dir / "out").string();
  for (auto _ : state) {
    if (!s.WriteNMRSpectrum(nullptr, name.c_str(), format, &info)) state.SkipWithError("write failed");
  }
  state.SetLabel(OutfileCommandName(static_cast<int>(state.range(0))));
  fs::remove_all(dir);
}
BENCHMARK(BM_Write)->ArgsProduct({{0, 1, 2, 3, 4}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace
