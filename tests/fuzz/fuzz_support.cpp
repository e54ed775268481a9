#include "fuzz_support.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "shell/state.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"

namespace fuzz {

namespace {

std::string g_folder;
const char kPrefix[] = "quillon-fuzz-";

void RemoveFolder() {
  std::error_code ec;
  if (!g_folder.empty()) std::filesystem::remove_all(g_folder, ec);
}

// An interrupted run exits without its exit handlers: folders of ours
// (quillon-fuzz-PID-...) whose process is gone are removed by the next run.
void RemoveOrphans(const std::string& base) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, sizeof kPrefix - 1, kPrefix) != 0) continue;
    const long pid = std::strtol(name.c_str() + sizeof kPrefix - 1, nullptr, 10);
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      std::filesystem::remove_all(entry.path(), ec);
  }
}

}  // namespace

void UsePrivateTempFolder() {
  if (!g_folder.empty()) return;
  std::error_code ec;
  const bool shm = std::filesystem::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0;
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = shm ? "/dev/shm" : (tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp");
  RemoveOrphans(base);
  std::string pattern = base + "/" + kPrefix + std::to_string(getpid()) + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) Fail("no private temporary folder");
  g_folder = pattern;
  setenv("TMPDIR", g_folder.c_str(), 1);
  std::atexit(RemoveFolder);
}

std::string PrivatePath(const std::string& name) { return g_folder + "/" + name; }

void ResetForInput(std::size_t seed) {
  FreePicture();
  ResetSettings();
  ClientWidth = 640;
  ClientHeight = 480;
  OutputFormat = IntToOutfile(static_cast<int>(seed % OUTFILE_COUNT));
  // One name per format: a file format never replaces the folder of another.
  const std::string name = PrivatePath("out" + std::to_string(seed % OUTFILE_COUNT));
  std::snprintf(SpectrumSettings.Name, sizeof SpectrumSettings.Name, "%s", name.c_str());
  ReplaceExistingOutput = 1;
  // Powers of two (with the transform) and other sizes alike, kept small:
  // the writers' cost is no part of reading.
  SpectrumSettings.SI = static_cast<std::int32_t>(1 + seed % 256);
}

void Fail(const char* what) {
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

}  // namespace fuzz

// Every harness starts in a private folder of its own.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::UsePrivateTempFolder();
  return 0;
}
