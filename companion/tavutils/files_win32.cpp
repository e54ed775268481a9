#include <windows.h>

#include <cstring>

#include "tavutils.h"

static HANDLE AsHandle(TAVFILE file) { return reinterpret_cast<HANDLE>(file); }

std::int32_t CVFileLength(TAVFILE file) {
  LARGE_INTEGER size;
  if (file == -1 || !GetFileSizeEx(AsHandle(file), &size)) return -1;
  if (size.QuadPart > 0x7fffffff) return 0x7fffffff;
  return static_cast<std::int32_t>(size.QuadPart);
}

// Reads one line (newline kept, like fgets): one read of up to size-1 bytes,
// then the file position is put back behind the line.
char* CVlgets(char* buffer, int size, TAVFILE file) {
  if (buffer == nullptr || size < 2 || file == -1) return nullptr;
  DWORD got = 0;
  if (!ReadFile(AsHandle(file), buffer, static_cast<DWORD>(size - 1), &got, nullptr) || got == 0) {
    buffer[0] = '\0';
    return nullptr;
  }
  DWORD used = got;
  if (const void* nl = std::memchr(buffer, '\n', got)) {
    used = static_cast<DWORD>(static_cast<const char*>(nl) - buffer + 1);
  }
  if (used < got) {
    LARGE_INTEGER back;
    back.QuadPart = -static_cast<LONGLONG>(got - used);
    SetFilePointerEx(AsHandle(file), back, nullptr, FILE_CURRENT);
  }
  buffer[used] = '\0';
  return buffer;
}
