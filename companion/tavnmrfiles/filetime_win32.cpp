#include <windows.h>

#include "filestamp.h"

namespace tav {

bool ReadFileFacts(const char* path, FileFacts* facts) {
  // Attributes only: no share mode of another program stands in the way.
  HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  FILE_BASIC_INFO basic;
  const bool ok = GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  const bool hasChange = ok && GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic);
  CloseHandle(h);
  if (!ok) return false;
  const auto join = [](DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; };
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  facts->device = info.dwVolumeSerialNumber;
  facts->file = join(info.nFileIndexHigh, info.nFileIndexLow);
  facts->size = join(info.nFileSizeHigh, info.nFileSizeLow);
  facts->written = join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
  facts->changed = hasChange ? static_cast<std::uint64_t>(basic.ChangeTime.QuadPart) : 0;
  facts->now = join(now.dwHighDateTime, now.dwLowDateTime);
  // FAT keeps two seconds; 100-ns units.
  facts->tick = 30000000ULL;
  return true;
}

}  // namespace tav
