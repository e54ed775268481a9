// Run-length encoded rows (RLE8 at 8 bits, RLE4 at 4 bits), walked pixel by
// pixel. The decoder writes the pixels into rows; the trace scan looks at them
// as they come, so a few bytes that claim a huge picture cost only what they
// hold.
#ifndef QUILLON_PICTURE_BITMAP_RLE_H
#define QUILLON_PICTURE_BITMAP_RLE_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

// Hands every pixel the data sets to `put(x, y, value)` (y counted in stored
// order), in the order the data sets them: y never decreases and x grows
// within a row, so no pixel is set twice. Pixels beyond `width` or `height`
// are dropped. Reads only `length` bytes of `data`. False when the data ends
// before its end-of-bitmap code or breaks the encoding.
template <typename Put>
bool WalkRunLength(const unsigned char* data, std::size_t length, bool four, std::int32_t width,
                   std::int32_t height, Put&& put) {
  std::int32_t x = 0, y = 0;
  // x stops growing at the width, so that no run of runs can overflow it.
  const auto set = [&](unsigned value) {
    if (x < width && y < height) put(x, y, value);
    if (x < width) ++x;
  };
  const auto nextRows = [&](unsigned n) { y = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{y} + n, height)); };
  std::size_t p = 0;
  while (y < height) {
    if (length - p < 2) return false;
    const unsigned count = data[p];
    const unsigned code = data[p + 1];
    p += 2;
    if (count > 0) {
      // An encoded run; at 4 bits the two nibbles of the code alternate.
      for (unsigned i = 0; i < count && x < width; ++i) set(four ? ((i & 1) ? code & 0x0F : code >> 4) : code);
      continue;
    }
    switch (code) {
      case 0:  // end of line
        x = 0;
        nextRows(1);
        break;
      case 1:  // end of bitmap
        return true;
      case 2:  // delta: right, then up
        if (length - p < 2) return false;
        x = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{x} + data[p], width));
        nextRows(data[p + 1]);
        p += 2;
        break;
      default: {
        // Literal pixels, padded to a 16-bit boundary.
        const std::size_t bytes = four ? (code + 1) / 2 : code;
        if (length - p < bytes) return false;
        for (unsigned i = 0; i < code && x < width; ++i)
          set(four ? ((i & 1) ? data[p + i / 2] & 0x0F : data[p + i / 2] >> 4) : data[p + i]);
        p += bytes + (bytes & 1);
        if (p > length) p = length;
        break;
      }
    }
  }
  return true;
}

#endif
