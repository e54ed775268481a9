// The ink image: every depth the loader accepts read as colours, then turned
// into how much ink each pixel holds by the dark rule.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "picture/bitmap.h"
#include "picture/bytes.h"
#include "spectrum/autotrace_parts.h"

namespace {

unsigned Luma(const unsigned char* rgb) { return (77u * rgb[0] + 150u * rgb[1] + 29u * rgb[2] + 128u) >> 8; }

// One colour channel of a bit-field pixel, scaled to 0-255.
struct Channel {
  std::uint32_t mask = 0;
  unsigned shift = 0;
  std::uint32_t top = 0;  // the largest value after the shift

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (mask == 0) return;
    while (((mask >> shift) & 1u) == 0) ++shift;
    top = mask >> shift;
  }
  unsigned Value(std::uint32_t pixel) const {
    if (top == 0) return 0;
    return static_cast<unsigned>((std::uint64_t{(pixel & mask) >> shift} * 255 + top / 2) / top);
  }
};

// Reads the rows of a bitmap as 8-bit RGB triples, bottom row first.
class ColourRows {
 public:
  bool Open(const DIBINFO& dib, std::string* reason) {
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

  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  // Row r (0 the bottom) as luminance, for every depth at once: indexed
  // pixels through a table, deeper ones from their channels. At 24 bits,
  // eight pixels whose channels are all `paper` or lighter (at least 128)
  // are written as 255 at once: whatever their exact shade, they are paper.
  void Luminance(std::int32_t r, unsigned char* out, int paper = 255) const {
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

  // Row r (0 the bottom) as width RGB triples.
  void Read(std::int32_t r, unsigned char* rgb) const {
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

 private:
  PixelRows rows_;
  std::int32_t width_ = 0, height_ = 0;
  std::uint16_t bits_ = 0;
  std::vector<unsigned char> palette_;
  unsigned char luminance_[256] = {};
  Channel channels_[3];
  bool bgrx_ = false;
  mutable std::vector<unsigned char> rgb_;
};

// Paper is the commonest luminance; ink the dark end of what is clearly not
// paper. Percentiles, not extremes: JPEG noise reaches pure black and white.
void PaperAndInk(const std::uint64_t (&histogram)[256], int* paper, int* ink) {
  *paper = static_cast<int>(std::max_element(histogram, histogram + 256) - histogram);
  const int clearlyDark = *paper - std::max(40, *paper / 4);
  std::uint64_t dark = 0;
  for (int v = 0; v <= clearlyDark; ++v) dark += histogram[v];
  *ink = std::max(0, clearlyDark);
  std::uint64_t seen = 0;
  for (int v = 0; v <= clearlyDark; ++v) {
    seen += histogram[v];
    if (seen * 20 >= dark) {
      *ink = v;
      break;
    }
  }
}

}  // namespace

bool MakeInkImage(const DIBINFO& dib, const AutoTraceOptions& options, InkImage* image, std::string* reason) {
  ColourRows rows;
  if (!rows.Open(dib, reason)) return false;
  const std::int32_t width = rows.Width(), height = rows.Height();
  try {
    image->width = width;
    image->height = height;
    image->ink.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    image->dark.assign(static_cast<std::size_t>(image->Words()) * static_cast<std::size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    *reason = "there is not enough memory to trace it";
    return false;
  }
  std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * 3);
  const unsigned char T = image->threshold;

  if (options.dark == DARK_COLOUR) {
    // Ink is the share of the curve's colour in a blend with white paper;
    // only pixels within the tolerance of the colour are dark.
    const int want[3] = {static_cast<int>(options.colour >> 16 & 0xFF), static_cast<int>(options.colour >> 8 & 0xFF),
                         static_cast<int>(options.colour & 0xFF)};
    const int tolerance = std::clamp(options.tolerance, 0, 255);
    int span[3], span2 = 0;
    for (int c = 0; c < 3; ++c) span[c] = 255 - want[c], span2 += span[c] * span[c];
    for (std::int32_t r = 0; r < height; ++r) {
      rows.Read(r, rgb.data());
      unsigned char* out = image->Row(r);
      for (std::int32_t x = 0; x < width; ++x) {
        const unsigned char* p = &rgb[3 * static_cast<std::size_t>(x)];
        int far = 0, along = 0;
        for (int c = 0; c < 3; ++c) {
          far = std::max(far, std::abs(p[c] - want[c]));
          along += (255 - p[c]) * span[c];
        }
        int a = span2 > 0 ? std::clamp(along * 255 / span2, 0, 255) : 255;
        // A blend must also lie near the line from white to the colour.
        bool nearBlend = true;
        for (int c = 0; c < 3 && nearBlend; ++c)
          nearBlend = std::abs(255 - (a * span[c] + 127) / 255 - p[c]) <= std::max(tolerance, 24);
        if (!nearBlend) a = 0;
        out[x] = static_cast<unsigned char>(far <= tolerance ? std::max<int>(a, T) : std::min<int>(a, T - 1));
      }
      image->MarkRow(r);
    }
    return true;
  }

  // Paper and ink from a sample of the rows (every row of a small picture);
  // then every row's ink by a table of luminance.
  std::uint64_t histogram[256] = {};
  std::vector<unsigned char> luminance(static_cast<std::size_t>(width));
  const std::int32_t every = std::max<std::int32_t>(1, height / 256);
  for (std::int32_t r = 0; r < height; r += every) {
    rows.Luminance(r, luminance.data());
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
      std::uint64_t w;
      std::memcpy(&w, &luminance[static_cast<std::size_t>(x)], 8);
      if (w == ~std::uint64_t{0}) {
        histogram[255] += 8;  // paper, counted at once
        continue;
      }
      for (int i = 0; i < 8; ++i) ++histogram[luminance[static_cast<std::size_t>(x + i)]];
    }
    for (; x < width; ++x) ++histogram[luminance[static_cast<std::size_t>(x)]];
  }
  int paper = 255, ink = 0;
  PaperAndInk(histogram, &paper, &ink);
  if (paper - ink < 32 && options.dark == DARK_AUTO) {
    *reason = "it has no marks darker than its background";
    return false;
  }
  unsigned char table[256];
  const int range = std::max(1, paper - ink);
  for (int v = 0; v < 256; ++v) {
    // The faint noise of JPEG paper is no ink.
    int a = std::clamp((paper - v) * 255 / range, 0, 255);
    if (a < 13) a = 0;
    if (options.dark == DARK_THRESHOLD) {
      table[v] = static_cast<unsigned char>(v <= options.threshold ? std::max<int>(a, T) : std::min<int>(a, T - 1));
    } else {
      table[v] = static_cast<unsigned char>(a);
    }
  }
  // The darkest luminance from which on every shade is paper.
  int paperFrom = 256;
  while (paperFrom > 0 && table[paperFrom - 1] == 0) --paperFrom;
  for (std::int32_t r = 0; r < height; ++r) {
    unsigned char* out = image->Row(r);
    rows.Luminance(r, out, std::max(paperFrom, 128));
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
      std::uint64_t w;
      std::memcpy(&w, out + x, 8);
      if (w == ~std::uint64_t{0}) {
        std::memset(out + x, table[255], 8);
        continue;
      }
      for (int i = 0; i < 8; ++i) out[x + i] = table[out[x + i]];
    }
    for (; x < width; ++x) out[x] = table[out[x]];
    image->MarkRow(r);
  }
  return true;
}

void InkImage::MarkRow(std::int32_t r) {
  const unsigned char* row = Row(r);
  std::uint64_t* bits = dark.data() + static_cast<std::size_t>(r) * Words();
  for (std::int32_t k = 0; k < Words(); ++k) {
    const std::int32_t from = k << 6, to = std::min(width, from + 64);
    std::uint64_t w = 0;
    for (std::int32_t x = from; x < to; x += 8) {
      std::uint64_t eight = 0;
      if (x + 8 <= to) std::memcpy(&eight, row + x, 8);
      if (x + 8 <= to && eight == 0) continue;  // paper
      for (std::int32_t i = x; i < std::min(to, x + 8); ++i) w |= std::uint64_t{row[i] >= threshold} << (i - from);
    }
    bits[k] = w;
  }
}

void InkImage::Erase(std::int32_t x, std::int32_t r) {
  Row(r)[x] = 0;
  dark[static_cast<std::size_t>(r) * Words() + (x >> 6)] &= ~(std::uint64_t{1} << (x & 63));
}
