#include <sys/stat.h>
#include <time.h>

#include "filestamp.h"

namespace tav {

bool ReadFileFacts(const char* path, FileFacts* facts) {
  struct stat st;
  if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const auto ns = [](const timespec& t) {
    return static_cast<std::uint64_t>(t.tv_sec) * 1000000000ULL + static_cast<std::uint64_t>(t.tv_nsec);
  };
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  facts->device = static_cast<std::uint64_t>(st.st_dev);
  facts->file = static_cast<std::uint64_t>(st.st_ino);
  facts->size = static_cast<std::uint64_t>(st.st_size);
  facts->written = ns(st.st_mtim);
  facts->changed = ns(st.st_ctim);
  facts->now = ns(now);
  // Some file systems keep whole or even two seconds.
  facts->tick = 3000000000ULL;
  return true;
}

}  // namespace tav
