// Little-endian fields of a file image, whatever the machine's byte order.
#ifndef QUILLON_PICTURE_BYTES_H
#define QUILLON_PICTURE_BYTES_H

#include <cstdint>

inline std::uint16_t ReadLE16(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t ReadLE32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

#endif
