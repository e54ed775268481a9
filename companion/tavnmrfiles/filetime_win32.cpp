#include <windows.h>

#include "filestamp.h"

namespace tav {

bool ReadFileFacts(const char* path, FileFacts* facts) {
  // Attributes only: no share mode of another program stands in the way.
  HANDLE h = CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // The basic and standard records only: the volume's serial number, and so
  // the file number that comes with it, can take milliseconds to ask for. A
  // file put in the place of another shows in its change time.
  FILE_BASIC_INFO basic;
  FILE_STANDARD_INFO standard;
  const bool ok = GetFileInformationByHandleEx(h, FileBasicInfo, &basic, sizeof basic) &&
                  GetFileInformationByHandleEx(h, FileStandardInfo, &standard, sizeof standard) &&
                  !standard.Directory && !(basic.FileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  CloseHandle(h);
  if (!ok) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  facts->device = 0;
  facts->file = 0;
  facts->size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
  facts->written = static_cast<std::uint64_t>(basic.LastWriteTime.QuadPart);
  facts->changed = static_cast<std::uint64_t>(basic.ChangeTime.QuadPart);
  facts->now = (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  // FAT keeps two seconds; 100-ns units.
  facts->tick = 30000000ULL;
  return true;
}

}  // namespace tav
