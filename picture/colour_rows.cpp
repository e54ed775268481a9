#include "picture/colour_rows.h"

#include <algorithm>
#include <cstring>

#include "picture/bytes.h"

unsigned Luma(const unsigned char* rgb) { return (77u * rgb[0] + 150u * rgb[1] + 29u * rgb[2] + 128u) >> 8; }

ColourRows::Channel::Channel(std::uint32_t m) : mask(m) {
  if (mask == 0) return;
  while (((mask >> shift) & 1u) == 0) ++shift;
  top = mask >> shift;
}

unsigned ColourRows::Channel::Value(std::uint32_t pixel) const {
  if (top == 0) return 0;
  return static_cast<unsigned>((std::uint64_t{(pixel & mask) >> shift} * 255 + top / 2) / top);
}

bool ColourRows::Open(const DIBINFO& dib, std::string* reason) {
  const std::uint16_t bits = dib.BitCount;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    *reason = "its colour depth is not one the trace reads";
    return false;
  }
  if (dib.PixelWidth <= 0 || dib.PixelHeight <= 0) {
    *reason = "it holds no pixel rows";
    return false;
  }
  if (!rows_.Open(dib)) {
    *reason = "its pixel rows cannot be read (or there is not enough memory for them)";
    return false;
  }
  width_ = dib.PixelWidth;
  height_ = dib.PixelHeight;
  if (bits <= 8) {
    // Indices the table does not hold show black, as the display draws them.
    palette_.assign(std::size_t{3} << bits, 0);
    const std::int32_t entries = std::min<std::int32_t>(dib.PaletteEntries, std::int32_t{1} << bits);
    const unsigned char* table = dib.IsCore ? dib.CoreColors : dib.QuadColors;
    const std::size_t step = dib.IsCore ? 3 : 4;
    for (std::int32_t i = 0; table != nullptr && i < entries; ++i) {
      const unsigned char* e = table + step * static_cast<std::size_t>(i);
      palette_[3 * i] = e[2];
      palette_[3 * i + 1] = e[1];
      palette_[3 * i + 2] = e[0];
    }
  } else if (bits == 16 || bits == 32) {
    std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    if (dib.Compression == BITMAP_BITFIELDS || dib.Compression == BITMAP_ALPHABITFIELDS) {
      const std::uint32_t headerSize = ReadLE32(dib.Header);
      const std::size_t at = headerSize >= 52 ? 40 : headerSize;
      if (at + 12 > dib.HeaderLength) {
        *reason = "its colour masks are missing";
        return false;
      }
      for (int c = 0; c < 3; ++c) masks[c] = ReadLE32(dib.Header + at + 4 * c);
    }
    for (int c = 0; c < 3; ++c) channels_[c] = Channel(masks[c]);
    bgrx_ = bits == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF;
  }
  bits_ = bits;
  for (std::size_t i = 0; i < palette_.size() / 3; ++i) luminance_[i] = static_cast<unsigned char>(Luma(&palette_[3 * i]));
  return true;
}

void ColourRows::Luminance(std::int32_t r, unsigned char* out, int paper) const {
  const unsigned char* row = rows_.Row(r);
  const std::int32_t width = width_;
  if (bits_ == 24 || (bits_ == 32 && bgrx_)) {
    const int step = bits_ / 8;
    std::int32_t x = 0;
    // Blank paper, eight pixels at a time.
    // A byte below `paper` shows as a high bit of its complement plus this.
    const std::uint64_t ones = ~std::uint64_t{0} / 255;
    const std::uint64_t lift = ones * static_cast<std::uint64_t>(127 - (255 - std::max(paper, 128)));
    auto belowPaper = [&](std::uint64_t w) { return ((~w + lift) | ~w) & (ones * 128); };
    for (; bits_ == 24 && x + 8 <= width; x += 8, row += 24) {
      std::uint64_t w[3];
      std::memcpy(w, row, 24);
      if ((belowPaper(w[0]) | belowPaper(w[1]) | belowPaper(w[2])) == 0) {
        std::memset(out + x, 255, 8);
        continue;
      }
      for (int i = 0; i < 8; ++i)
        out[x + i] = static_cast<unsigned char>((29u * row[3 * i] + 150u * row[3 * i + 1] + 77u * row[3 * i + 2] + 128u) >> 8);
    }
    for (; x < width; ++x, row += step)
      out[x] = static_cast<unsigned char>((29u * row[0] + 150u * row[1] + 77u * row[2] + 128u) >> 8);
    return;
  }
  if (bits_ == 8) {
    for (std::int32_t x = 0; x < width; ++x) out[x] = luminance_[row[x]];
    return;
  }
  if (bits_ < 8) {
    const unsigned mask = (1u << bits_) - 1u;
    for (std::int32_t x = 0; x < width; ++x) {
      const std::size_t bit = static_cast<std::size_t>(x) * bits_;
      out[x] = luminance_[(row[bit >> 3] >> (8 - (bit & 7) - bits_)) & mask];
    }
    return;
  }
  rgb_.resize(static_cast<std::size_t>(width) * 3);
  Read(r, rgb_.data());
  for (std::int32_t x = 0; x < width; ++x) out[x] = static_cast<unsigned char>(Luma(&rgb_[3 * static_cast<std::size_t>(x)]));
}

void ColourRows::Read(std::int32_t r, unsigned char* rgb) const {
  const unsigned char* row = rows_.Row(r);
  const std::int32_t width = width_;
  switch (bits_) {
    case 24:
      for (std::int32_t x = 0; x < width; ++x, row += 3, rgb += 3) rgb[0] = row[2], rgb[1] = row[1], rgb[2] = row[0];
      return;
    case 16:
    case 32: {
      const int bytes = bits_ / 8;
      for (std::int32_t x = 0; x < width; ++x, row += bytes, rgb += 3) {
        const std::uint32_t pixel = bytes == 2 ? ReadLE16(row) : ReadLE32(row);
        for (int c = 0; c < 3; ++c) rgb[c] = static_cast<unsigned char>(channels_[c].Value(pixel));
      }
      return;
    }
    default: {
      // Pixels lie most significant bits first.
      const unsigned mask = (1u << bits_) - 1u;
      for (std::int32_t x = 0; x < width; ++x, rgb += 3) {
        const std::size_t bit = static_cast<std::size_t>(x) * bits_;
        const unsigned index = (row[bit >> 3] >> (8 - (bit & 7) - bits_)) & mask;
        std::memcpy(rgb, &palette_[3 * index], 3);
      }
      return;
    }
  }
}

bool BitmapPatch(const DIBINFO& dib, std::int32_t x, std::int32_t rowFromBottom, std::int32_t width,
                 std::int32_t height, std::uint32_t* rgb) {
  if (width <= 0 || height <= 0 || x < 0 || rowFromBottom < 0 || x > dib.PixelWidth - width ||
      rowFromBottom > dib.PixelHeight - height)
    return false;
  ColourRows rows;
  std::string reason;
  if (!rows.Open(dib, &reason)) return false;
  std::vector<unsigned char> row(3 * static_cast<std::size_t>(rows.Width()));
  for (std::int32_t r = 0; r < height; ++r) {
    rows.Read(rowFromBottom + r, row.data());
    for (std::int32_t c = 0; c < width; ++c) {
      const unsigned char* v = &row[3 * static_cast<std::size_t>(x + c)];
      *rgb++ = static_cast<std::uint32_t>(v[0]) << 16 | static_cast<std::uint32_t>(v[1]) << 8 | v[2];
    }
  }
  return true;
}
