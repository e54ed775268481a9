// The few file operations the portable core needs, over the platform's own
// calls: Win32 files in the Windows build, POSIX descriptors natively. A handle
// is the same TAVFILE value the utility library reads from (-1: none).
#ifndef QUILLON_PLATFORM_FILEIO_H
#define QUILLON_PLATFORM_FILEIO_H

#include <cstddef>
#include <cstdint>

namespace qio {

using File = std::intptr_t;
constexpr File kInvalid = -1;
constexpr int kPathSize = 260;

// The temporary directory, with its trailing separator; false when unknown.
bool TempPath(char (&dir)[kPathSize]);
// A unique, newly created empty file in `dir` whose name starts with `prefix`.
bool TempFileName(const char* dir, const char* prefix, char (&path)[kPathSize]);
// Create or truncate for writing, shared with nobody but a deleter.
File CreateForWrite(const char* path);
// Open an existing file for reading, others may read too.
File OpenForRead(const char* path);
void Close(File f);
// Writes all bytes; false on failure.
bool Write(File f, const void* data, std::size_t size);
// Reads up to size bytes; the count read, or -1 on failure.
long Read(File f, void* data, std::size_t size);
bool Rewind(File f);
// The size of an open file, as 64 bits whatever the platform's long.
bool Size(File f, std::uint64_t* size);
bool Delete(const char* path);
bool Exists(const char* path);

}  // namespace qio

#endif
