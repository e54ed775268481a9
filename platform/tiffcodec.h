// TIFF pictures, decoded by the platform's own codec: libtiff natively, the
// Windows Imaging Component in Windows. Only the first page is read, as 8-bit
// RGBA with the alpha premultiplied, whatever the file's own layout.
#ifndef QUILLON_PLATFORM_TIFFCODEC_H
#define QUILLON_PLATFORM_TIFFCODEC_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace qtiff {

enum Result {
  DECODED,
  REFUSED,    // `accept` said no to the size; nothing was allocated for pixels
  FAILED,     // not a TIFF the codec can read; `reason` says why
  NO_MEMORY,
};

// Reads the first page of the TIFF file image `data`. The page's size goes to
// `width` and `height` as soon as it is known, and `accept` decides on it
// before any pixel memory is allocated. On DECODED `rgba` receives a
// std::malloc block of width * height * 4 bytes, top row first.
Result Decode(const unsigned char* data, std::size_t length, bool (*accept)(std::uint32_t, std::uint32_t),
              std::uint32_t* width, std::uint32_t* height, unsigned char** rgba, std::string* reason);

}  // namespace qtiff

#endif
