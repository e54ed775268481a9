#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "tavutils.h"

std::int32_t CVFileLength(TAVFILE file) {
  struct stat st;
  if (file < 0 || fstat(static_cast<int>(file), &st) != 0) return -1;
  if (st.st_size > 0x7fffffff) return 0x7fffffff;
  return static_cast<std::int32_t>(st.st_size);
}

// Reads one line (newline kept, like fgets) without a stdio buffer: one read of
// up to size-1 bytes, then the position is put back behind the line.
char* CVlgets(char* buffer, int size, TAVFILE file) {
  if (buffer == nullptr || size < 2 || file < 0) return nullptr;
  const int fd = static_cast<int>(file);
  ssize_t got = read(fd, buffer, static_cast<size_t>(size - 1));
  if (got <= 0) {
    buffer[0] = '\0';
    return nullptr;
  }
  ssize_t used = got;
  if (const void* nl = std::memchr(buffer, '\n', static_cast<size_t>(got))) {
    used = static_cast<const char*>(nl) - buffer + 1;
  }
  if (used < got) lseek(fd, used - got, SEEK_CUR);
  buffer[used] = '\0';
  return buffer;
}
