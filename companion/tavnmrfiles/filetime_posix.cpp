#include <sys/stat.h>

#include "tavnmrfiles.h"

std::int32_t GetTimeLastModified(const char* path) {
  struct stat st;
  if (path == nullptr || stat(path, &st) != 0) return -1;
  unsigned long long t = static_cast<unsigned long long>(st.st_mtim.tv_sec) * 1000000000ULL +
                         static_cast<unsigned long long>(st.st_mtim.tv_nsec);
  t ^= static_cast<unsigned long long>(st.st_size) * 0x9E3779B97F4A7C15ULL;
  std::int32_t stamp = static_cast<std::int32_t>((t ^ (t >> 31)) & 0x7fffffff);
  return stamp > 0 ? stamp : 1;
}
