// The converter's input, read once: a regular file into one block of its own
// size, anything else (a pipe, a terminal, a device) in growing chunks, both
// bounded. The block is handed on without a copy.
#ifndef QUILLON_CLI_INPUT_H
#define QUILLON_CLI_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

// The largest input read: a 32-bit bitmap of the pixel budget and its headers.
constexpr std::uint64_t kMaxInputBytes = (std::uint64_t{1} << 32) + (std::uint64_t{1} << 20);

struct FreeBlock {
  void operator()(unsigned char* p) const { std::free(p); }
};

struct InputImage {
  std::unique_ptr<unsigned char, FreeBlock> data;  // std::malloc block
  std::size_t length = 0;
};

enum InputStatus {
  INPUT_OK,
  INPUT_CANNOT_OPEN,      // missing, a folder, no permission
  INPUT_CANNOT_READ,      // a read error
  INPUT_NO_MEMORY,
  INPUT_TOO_LARGE,        // beyond kMaxInputBytes
  INPUT_NOT_RECOGNISED,   // its first bytes are no input the converter knows
};

InputStatus ReadInput(const std::string& path, InputImage* image);

#endif
