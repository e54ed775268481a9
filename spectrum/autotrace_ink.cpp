// The ink image: every depth the loader accepts read as colours, then turned
// into how much ink each pixel holds by the dark rule.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "picture/bitmap.h"
#include "picture/colour_rows.h"
#include "spectrum/autotrace_parts.h"

namespace {

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
