#include "cli/input.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "picture/formats.h"
#include "picture/wpg.h"

namespace {

constexpr std::size_t kFirstChunk = 64 * 1024;

// What the first bytes can still become: a drawing, a picture (a bitmap or
// one to decode), point text. Anything else is refused before the rest is
// read, so /dev/zero or a stray binary costs one chunk.
bool MayBeInput(const unsigned char* data, std::size_t length) {
  if (IsWpgImage(data, length)) return true;
  if (PictureKindOf(data, length) != PICTURE_UNKNOWN) return true;
  return length > 0 && std::memchr(data, '\0', length) == nullptr;
}

}  // namespace

InputStatus ReadInput(const std::string& path, InputImage* image) {
  image->data.reset();
  image->length = 0;
  std::error_code ec;
  // A folder opens on some systems and fails only at the first read.
  if (std::filesystem::is_directory(path, ec)) return INPUT_CANNOT_OPEN;
  // Regular files announce their size: one block of exactly that size.
  std::size_t hint = 0;
  if (std::filesystem::is_regular_file(path, ec)) {
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec) {
      if (size > kMaxInputBytes) return INPUT_TOO_LARGE;
      hint = static_cast<std::size_t>(size);
    }
  }
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return INPUT_CANNOT_OPEN;

  std::size_t capacity = hint + 1;  // one byte more tells the end was reached
  unsigned char* data = static_cast<unsigned char*>(std::malloc(capacity));
  InputStatus status = INPUT_OK;
  std::size_t length = 0;
  bool checked = false;
  while (data != nullptr) {
    if (length == capacity) {
      if (capacity > kMaxInputBytes) {
        status = INPUT_TOO_LARGE;
        break;
      }
      const std::size_t grown = capacity < kFirstChunk ? kFirstChunk : capacity * 2;
      unsigned char* bigger = static_cast<unsigned char*>(std::realloc(data, grown));
      if (bigger == nullptr) {
        status = INPUT_NO_MEMORY;
        break;
      }
      data = bigger;
      capacity = grown;
    }
    const std::size_t got = std::fread(data + length, 1, capacity - length, in);
    length += got;
    if (got == 0) {
      if (std::ferror(in)) status = errno == EISDIR ? INPUT_CANNOT_OPEN : INPUT_CANNOT_READ;
      break;
    }
    if (!checked && (length >= kFirstChunk || std::feof(in))) {
      checked = true;
      if (!MayBeInput(data, length)) {
        status = INPUT_NOT_RECOGNISED;
        break;
      }
    }
  }
  std::fclose(in);
  if (data == nullptr) return INPUT_NO_MEMORY;
  if (status == INPUT_OK && length > kMaxInputBytes) status = INPUT_TOO_LARGE;
  if (status != INPUT_OK) {
    std::free(data);
    return status;
  }
  image->data.reset(data);
  image->length = length;
  return INPUT_OK;
}
