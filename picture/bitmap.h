// The bitmap loader: a Windows bitmap file read into a block of its own and
// described in DibInfo.
#ifndef QUILLON_PICTURE_BITMAP_H
#define QUILLON_PICTURE_BITMAP_H

#include <cstddef>
#include <cstdint>

struct DIBINFO {
  std::int32_t IsCore;          // 1 for a 12-byte core header
  std::uint16_t BitCount;       // bits per pixel
  std::int32_t ColorsUsed;
  std::int32_t PixelWidth;      // 0..65535
  std::int32_t PixelHeight;     // 0..65535
  std::int32_t RowBytes;        // bytes per stored row, a multiple of 4
  std::int32_t PaletteEntries;  // colour-table entries
  unsigned char* Header;        // the file from its bitmap header on; owned
  unsigned char* Bits;          // first stored pixel row, inside Header
  unsigned char* CoreColors;    // 3-byte colour entries (core header) or null
  unsigned char* QuadColors;    // 4-byte colour entries (longer header) or null
  std::size_t HeaderLength;     // bytes in the Header block
};

extern DIBINFO* DibInfo;  // the loaded bitmap, or null

// Frees DibInfo with its block; DibInfo becomes null.
void FreeDibInfo();

#endif
