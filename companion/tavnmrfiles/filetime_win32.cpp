#include <windows.h>

#include "filestamp.h"
#include "tavnmrfiles.h"

std::int32_t GetTimeLastModified(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path == nullptr || !GetFileAttributesExA(path, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return -1;
  std::uint64_t sum = 0;
  if (!tav::ContentChecksum(path, sum)) return -1;
  const std::uint64_t t = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
  const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return tav::MixStamp(t, size, sum);
}
