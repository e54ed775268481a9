#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/fileio.h"

namespace qio {

bool TempPath(char (&dir)[kPathSize]) {
  const char* t = std::getenv("TMPDIR");
  if (t == nullptr || t[0] == '\0') t = "/tmp";
  const size_t n = std::strlen(t);
  if (n + 2 > static_cast<size_t>(kPathSize)) return false;
  std::memcpy(dir, t, n);
  size_t end = n;
  if (dir[end - 1] != '/') dir[end++] = '/';
  dir[end] = '\0';
  return true;
}

bool TempFileName(const char* dir, const char* prefix, char (&path)[kPathSize]) {
  const int n = std::snprintf(path, kPathSize, "%s%sXXXXXX", dir, prefix);
  if (n < 0 || n >= kPathSize) {
    path[0] = '\0';
    return false;
  }
  const int fd = mkstemp(path);
  if (fd < 0) {
    path[0] = '\0';
    return false;
  }
  ::close(fd);
  return true;
}

File CreateForWrite(const char* path) {
  const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  return fd < 0 ? kInvalid : fd;
}

File OpenForRead(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  return fd < 0 ? kInvalid : fd;
}

void Close(File f) {
  if (f != kInvalid) ::close(static_cast<int>(f));
}

bool Write(File f, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(f), p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

long Read(File f, void* data, std::size_t size) {
  ssize_t n;
  do {
    n = ::read(static_cast<int>(f), data, size);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

bool Rewind(File f) { return ::lseek(static_cast<int>(f), 0, SEEK_SET) == 0; }

bool Size(File f, std::uint64_t* size) {
  struct stat st;
  if (::fstat(static_cast<int>(f), &st) != 0 || st.st_size < 0) return false;
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool Delete(const char* path) { return ::unlink(path) == 0; }

bool Exists(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0;
}

}  // namespace qio
