#include <windows.h>

#include "tavnmrfiles.h"

std::int32_t GetTimeLastModified(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path == nullptr || !GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return -1;
  unsigned long long t = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                         data.ftLastWriteTime.dwLowDateTime;
  unsigned long long size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  t ^= size * 0x9E3779B97F4A7C15ULL;
  std::int32_t stamp = static_cast<std::int32_t>((t ^ (t >> 31)) & 0x7fffffff);
  return stamp > 0 ? stamp : 1;
}
