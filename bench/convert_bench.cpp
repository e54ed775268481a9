// The converter end to end, as a process from its start to the file written,
// beside the floor each must be measured against in the same run: for a large
// bitmap, reading its file and touching every byte once; for a large drawing,
// GNU sort ordering the same points written as text. Also the check the
// program makes whenever its window gets the focus back.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "tavnmrfiles.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string Scratch(const char* name) { return (fs::temp_directory_path() / name).string(); }

void Put16(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

// An 8-bit picture of a spectrum-like curve, black on white, written row by
// row so that it never lies in memory whole.
void WriteCurveBitmap(const std::string& path, int width, int height) {
  const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) + 3) & ~3u;
  std::vector<unsigned char> head(54 + 8, 0);
  head[0] = 'B';
  head[1] = 'M';
  Put32(head, 2, static_cast<std::uint32_t>(head.size() + std::uint64_t{rowBytes} * height));
  Put32(head, 10, static_cast<std::uint32_t>(head.size()));
  Put32(head, 14, 40);
  Put32(head, 18, static_cast<std::uint32_t>(width));
  Put32(head, 22, static_cast<std::uint32_t>(height));
  Put16(head, 26, 1);
  Put16(head, 28, 8);
  Put32(head, 46, 2);
  head[54] = head[55] = head[56] = 255;  // white, then black
  std::vector<int> rowAt(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    double v = 0.05;
    for (double centre : {0.2, 0.55, 0.56}) v += 0.9 / (1 + std::pow((x - centre * width) / (0.002 * width), 2));
    rowAt[static_cast<std::size_t>(x)] = static_cast<int>(v * (height - 4));
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
  std::vector<unsigned char> row(rowBytes);
  for (int r = 0; r < height; ++r) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < width; ++x) {
      const int a = rowAt[static_cast<std::size_t>(x)], b = x + 1 < width ? rowAt[static_cast<std::size_t>(x + 1)] : a;
      if (r >= std::min(a, b) && r <= std::max(a, b) + 1) row[static_cast<std::size_t>(x)] = 1;
    }
    out.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
  }
}

// A drawing of `vertices` polyline vertices, about 20 for each x: the curve
// drawn over 20 times, every other time from right to left, with a little
// noise, in 32-bit pairs. Its points also as the text GNU sort is given.
void WriteDrawing(const std::string& path, const std::string& text, int vertices) {
  const int passes = 20, distinct = vertices / passes, perRecord = 1000;
  std::vector<unsigned char> b = {0xFF, 0x57, 0x50, 0x43, 16, 0, 0, 0, 1, 0x16, 1, 0, 0, 0, 0, 0};
  const auto record = [&b](std::uint8_t type, const std::vector<unsigned char>& d) {
    b.push_back(type);
    const std::size_t n = d.size();
    if (n < 255) {
      b.push_back(static_cast<unsigned char>(n));
    } else {  // records here stay below 32 KiB
      b.insert(b.end(), {255, static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8)});
    }
    b.insert(b.end(), d.begin(), d.end());
  };
  const auto add32 = [](std::vector<unsigned char>& d, std::int32_t v) {
    for (int i = 0; i < 4; ++i) d.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i)));
  };
  record(15, {1, 0, 0x30, 0x75, 0x78, 0x1E});
  std::ofstream points(text);
  std::uint32_t noise = 7;
  for (int p = 0; p < passes; ++p) {
    for (int first = 0; first < distinct; first += perRecord) {
      const int n = std::min(perRecord, distinct - first);
      std::vector<unsigned char> d = {static_cast<unsigned char>(n), static_cast<unsigned char>(n >> 8)};
      for (int i = first; i < first + n; ++i) {
        const int x = p % 2 ? distinct - 1 - i : i;
        noise = noise * 1103515245u + 12345u;
        const int y = 400 + static_cast<int>(6000 / (1 + std::pow((x % 3000 - 1500) / 40.0, 2))) + (noise >> 16) % 50;
        add32(d, x);
        add32(d, y);
        points << x << ' ' << y << '\n';
      }
      record(6, d);
    }
  }
  record(16, {});
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                              static_cast<std::streamsize>(b.size()));
}

struct Run {
  double seconds = 0;
  long maxKilobytes = 0;
  int status = -1;
};

// One process from its start to its end, with its peak memory.
Run Spawn(std::vector<std::string> args, const char* output = nullptr) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  if (output != nullptr) posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  Run run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    struct rusage usage;
    wait4(pid, &run.status, 0, &usage);
    run.maxKilobytes = usage.ru_maxrss;
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

// The floor of a bitmap conversion: its file read into one block of its size
// and every byte touched once.
double ReadAndTouch(const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  const std::uintmax_t size = fs::file_size(path);
  unsigned char* block = static_cast<unsigned char*>(std::malloc(size));
  std::FILE* f = std::fopen(path.c_str(), "rb");
  const std::size_t got = std::fread(block, 1, size, f);
  std::fclose(f);
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < got; ++i) sum += block[i];
  benchmark::DoNotOptimize(sum);
  std::free(block);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// "floors": the conversion's best time in floors (the best of each in the
// same run); "memory": its peak memory in file sizes.
void BM_ConvertBitmap(benchmark::State& state) {
  const int side = static_cast<int>(state.range(0));
  const std::string input = Scratch("quillon-bench-convert.bmp"), output = Scratch("quillon-bench-convert.dx");
  WriteCurveBitmap(input, side, side);
  const double size = static_cast<double>(fs::file_size(input));
  double best = 1e9, floor = 1e9;
  long peak = 0;
  for (auto _ : state) {
    floor = std::min(floor, ReadAndTouch(input));
    const Run run = Spawn({QUILLON_CONVERT, input, "-o", output, "--force"});
    if (run.status != 0) state.SkipWithError("the conversion failed");
    best = std::min(best, run.seconds);
    peak = std::max(peak, run.maxKilobytes);
  }
  state.counters["floors"] = best / floor;
  state.counters["memory"] = 1024.0 * static_cast<double>(peak) / size;
  fs::remove(input);
  fs::remove(output);
}
BENCHMARK(BM_ConvertBitmap)->Arg(20000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// "sorts": the conversion's best time in GNU sort's best.
void BM_ConvertDrawing(benchmark::State& state) {
  const std::string input = Scratch("quillon-bench-convert.wpg"), text = Scratch("quillon-bench-points.txt"),
                    output = Scratch("quillon-bench-convert-wpg.dx");
  WriteDrawing(input, text, static_cast<int>(state.range(0)));
  double best = 1e9, sort = 1e9;
  for (auto _ : state) {
    sort = std::min(sort, Spawn({"/usr/bin/sort", "-n", "-s", "-k1,1", text}, "/dev/null").seconds);
    const Run run = Spawn({QUILLON_CONVERT, input, "-o", output, "--force"});
    if (run.status != 0) state.SkipWithError("the conversion failed");
    best = std::min(best, run.seconds);
  }
  state.counters["sorts"] = best / sort;
  fs::remove(input);
  fs::remove(text);
  fs::remove(output);
}
BENCHMARK(BM_ConvertDrawing)->Arg(1000000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// The focus check of a large bitmap that has not changed since it was
// stamped: the file system is asked, the file is not read.
void BM_FocusCheck(benchmark::State& state) {
  const std::string path = Scratch("quillon-bench-focus.bmp");
  WriteCurveBitmap(path, 20000, 20000);
  // Stamped again once it has stood still for longer than any file system's tick.
  GetTimeLastModified(path.c_str());
  std::this_thread::sleep_for(std::chrono::milliseconds(3100));
  const std::int32_t stamp = GetTimeLastModified(path.c_str());
  for (auto _ : state) {
    if (CompareTimeLastModified(path.c_str(), stamp) != TAV_STAMP_SAME) state.SkipWithError("not vouched for");
  }
  fs::remove(path);
}
BENCHMARK(BM_FocusCheck)->Unit(benchmark::kMicrosecond);

// Several pictures in one run: copies of the test pictures, -j 1 and -j 2
// in turn, so that both meet the same load from whatever else runs.
// "speedup": -j 2's pictures per second over -j 1's, each at its best.
void BM_BatchJobs(benchmark::State& state) {
  const fs::path folder = Scratch("quillon-bench-batch"), out = Scratch("quillon-bench-batch-out");
  fs::remove_all(folder);
  fs::create_directories(folder);
  int pictures = 0;
  for (const char* sub : {"spectra", "pictures"}) {
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(QUILLON_TEST_DATA) / sub)) {
      const std::string ext = e.path().extension().string();
      if (ext != ".bmp" && ext != ".png" && ext != ".jpg" && ext != ".gif" && ext != ".tif" && ext != ".wpg") continue;
      for (int copy = 0; copy < static_cast<int>(state.range(0)); ++copy, ++pictures)
        fs::copy_file(e.path(), folder / (e.path().stem().string() + ext + std::to_string(copy) + ext));
    }
  }
  double best[3] = {1e9, 1e9, 1e9};
  for (auto _ : state) {
    for (int jobs : {1, 2}) {
      const Run run = Spawn({QUILLON_CONVERT, folder.string(), "-o", out.string() + "/", "--force", "-j", std::to_string(jobs)});
      if (run.status != 0) state.SkipWithError("the batch failed");
      best[jobs] = std::min(best[jobs], run.seconds);
    }
  }
  state.counters["j1_per_s"] = pictures / best[1];
  state.counters["j2_per_s"] = pictures / best[2];
  state.counters["speedup"] = best[1] / best[2];
  fs::remove_all(folder);
  fs::remove_all(out);
}
BENCHMARK(BM_BatchJobs)->Arg(6)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
