// Any bitmap the loader accepts read as colours, a row at a time: indexed
// pixels through their colour table, 16 and 32 bits through their masks,
// 24 bits as stored, run-length and top-down rows alike (PixelRows). For the
// readers of colours: the automatic trace and the preview.
#ifndef QUILLON_PICTURE_COLOUR_ROWS_H
#define QUILLON_PICTURE_COLOUR_ROWS_H

#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"

// Luminance of an RGB triple, 0-255.
unsigned Luma(const unsigned char* rgb);

class ColourRows {
 public:
  // False, with the reason, when the bitmap has no rows this can read.
  bool Open(const DIBINFO& dib, std::string* reason);
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  // Row r (0 the bottom) as luminance. At 24 bits, eight pixels whose
  // channels are all `paper` or lighter (at least 128) are written as 255 at
  // once: whatever their exact shade, they are paper.
  void Luminance(std::int32_t r, unsigned char* out, int paper = 255) const;
  // Row r (0 the bottom) as width RGB triples.
  void Read(std::int32_t r, unsigned char* rgb) const;

 private:
  // One colour channel of a bit-field pixel, scaled to 0-255.
  struct Channel {
    std::uint32_t mask = 0;
    unsigned shift = 0;
    std::uint32_t top = 0;  // the largest value after the shift
    explicit Channel(std::uint32_t m = 0);
    unsigned Value(std::uint32_t pixel) const;
  };

  PixelRows rows_;
  std::int32_t width_ = 0, height_ = 0;
  std::uint16_t bits_ = 0;
  std::vector<unsigned char> palette_;
  unsigned char luminance_[256] = {};
  Channel channels_[3];
  bool bgrx_ = false;
  mutable std::vector<unsigned char> rgb_;
};

// The colours of a `width` x `height` patch of a bitmap whose bottom left pixel
// is (x, row from the bottom), as 0xRRGGBB, bottom row first. False when the
// patch leaves the picture or the rows cannot be read.
bool BitmapPatch(const DIBINFO& dib, std::int32_t x, std::int32_t rowFromBottom, std::int32_t width,
                 std::int32_t height, std::uint32_t* rgb);

#endif
