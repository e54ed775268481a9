#include <sys/stat.h>

#include "filestamp.h"
#include "tavnmrfiles.h"

std::int32_t GetTimeLastModified(const char* path) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  std::uint64_t sum = 0;
  if (!tav::ContentChecksum(path, sum)) return -1;
  const std::uint64_t t = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000ULL +
                          static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
  return tav::MixStamp(t, static_cast<std::uint64_t>(st.st_size), sum);
}
