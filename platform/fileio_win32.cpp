#include <windows.h>

#include "platform/fileio.h"

namespace qio {

static HANDLE H(File f) { return reinterpret_cast<HANDLE>(f); }

bool TempPath(char (&dir)[kPathSize]) {
  const DWORD n = GetTempPathA(kPathSize, dir);
  return n > 0 && n < static_cast<DWORD>(kPathSize);
}

// GetTempFileNameA keeps only three letters of the prefix; the whole prefix
// says whose the file is, so the name is made here, created exclusively.
bool TempFileName(const char* dir, const char* prefix, char (&path)[kPathSize]) {
  static volatile LONG serial = 0;
  const DWORD start = GetTickCount();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned long n = (start + static_cast<unsigned long>(InterlockedIncrement(&serial))) & 0xffffffUL;
    const int len = wsprintfA(path, "%s%s%lx.tmp", dir, prefix, n);
    if (len <= 0 || len >= kPathSize) break;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      CloseHandle(h);
      return true;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  path[0] = '\0';
  return false;
}

File CreateForWrite(const char* path) {
  // Shared for deletion only: an interrupt may remove the file while it is open.
  HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? kInvalid : reinterpret_cast<File>(h);
}

File OpenForRead(const char* path) {
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? kInvalid : reinterpret_cast<File>(h);
}

void Close(File f) {
  if (f != kInvalid) CloseHandle(H(f));
}

bool Write(File f, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(H(f), p, chunk, &written, nullptr) || written == 0) return false;
    p += written;
    size -= written;
  }
  return true;
}

long Read(File f, void* data, std::size_t size) {
  DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(H(f), data, chunk, &got, nullptr)) return -1;
  return static_cast<long>(got);
}

bool Rewind(File f) { return SetFilePointer(H(f), 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER; }

bool Size(File f, std::uint64_t* size) {
  LARGE_INTEGER n;
  if (!GetFileSizeEx(H(f), &n) || n.QuadPart < 0) return false;
  *size = static_cast<std::uint64_t>(n.QuadPart);
  return true;
}

bool Delete(const char* path) { return DeleteFileA(path) != 0; }

bool Exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace qio
