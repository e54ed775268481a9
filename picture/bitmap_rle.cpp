// Run-length encoded rows decoded into plain rows. The display keeps the
// stored data, and the trace scan walks the runs itself.
#include "picture/bitmap_rle.h"

#include "picture/bitmap.h"

bool DecodeRunLength(const unsigned char* data, std::size_t length, std::uint16_t bitCount,
                     std::int32_t width, std::int32_t height, std::int32_t rowBytes,
                     unsigned char* rows) {
  if ((bitCount != 4 && bitCount != 8) || width < 0 || height < 0 || rowBytes < 0) return false;
  if (rowBytes < ((static_cast<std::int64_t>(width) * bitCount + 7) >> 3)) return false;
  const bool four = bitCount == 4;
  return WalkRunLength(data, length, four, width, height, [&](std::int32_t x, std::int32_t y, unsigned value) {
    unsigned char* row = rows + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes);
    if (four) {
      unsigned char& b = row[x >> 1];
      b = (x & 1) ? static_cast<unsigned char>((b & 0xF0) | (value & 0x0F))
                  : static_cast<unsigned char>((b & 0x0F) | (value & 0x0F) << 4);
    } else {
      row[x] = static_cast<unsigned char>(value);
    }
  });
}
