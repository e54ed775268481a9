// The pieces of the automatic trace, each usable (and testable) alone: the
// ink image of a picture, the plot box, and the curve's centre line.
#ifndef QUILLON_SPECTRUM_AUTOTRACE_PARTS_H
#define QUILLON_SPECTRUM_AUTOTRACE_PARTS_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/choices.h"

struct DIBINFO;

// How much of each pixel is ink: 0 paper, 255 ink. Rows are counted from the
// bottom row, as the point log counts them. A pixel is dark (part of a mark)
// at or above `threshold`; lighter ink still weighs in the centre line. The
// dark pixels are also kept as bits, 64 to a word, so that the search for
// lines and marks skips blank paper a word at a time.
struct InkImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<unsigned char> ink;
  std::vector<std::uint64_t> dark;
  unsigned char threshold = 102;

  std::int32_t Words() const { return (width + 63) / 64; }
  const unsigned char* Row(std::int32_t r) const { return ink.data() + static_cast<std::size_t>(r) * width; }
  unsigned char* Row(std::int32_t r) { return ink.data() + static_cast<std::size_t>(r) * width; }
  const std::uint64_t* DarkRow(std::int32_t r) const { return dark.data() + static_cast<std::size_t>(r) * Words(); }
  bool Dark(std::int32_t x, std::int32_t r) const { return (DarkRow(r)[x >> 6] >> (x & 63)) & 1u; }
  // Sets the dark bits of row r from its ink.
  void MarkRow(std::int32_t r);
  // Makes a pixel paper.
  void Erase(std::int32_t x, std::int32_t r);
};

// Calls f(first, last) for every run of dark pixels of row r within columns
// x0-x1, left to right.
template <typename F>
void ForEachDarkRun(const InkImage& image, std::int32_t r, std::int32_t x0, std::int32_t x1, F f) {
  const std::uint64_t* row = image.DarkRow(r);
  std::int32_t x = x0;
  while (x <= x1) {
    // The next dark pixel at or after x, skipping blank words.
    std::int32_t k = x >> 6;
    std::uint64_t w = row[k] & (~std::uint64_t{0} << (x & 63));
    while (w == 0 && ++k <= (x1 >> 6)) w = row[k];
    if (w == 0) return;
    const std::int32_t start = (k << 6) + __builtin_ctzll(w);
    if (start > x1) return;
    // The next paper pixel after it.
    std::uint64_t v = ~row[k] & (~std::uint64_t{0} << (start & 63));
    while (v == 0 && ++k < image.Words()) v = ~row[k];
    const std::int32_t end = v == 0 ? image.width : (k << 6) + __builtin_ctzll(v);
    f(start, std::min(end, x1 + 1) - 1);
    x = end + 1;
  }
}

// Fills `image` from the picture by the dark rule of `options`. False with
// `reason` set when the picture cannot be read that way.
bool MakeInkImage(const DIBINFO& dib, const AutoTraceOptions& options, InkImage* image, std::string* reason);

// A rectangle of pixels counted from the bottom row, edges inclusive.
struct PixelRect {
  std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
  bool Empty() const { return x1 < x0 || y1 < y0; }
};

// The inside of the plot within `region`: frame and axis lines (long straight
// lines that close a frame or carry regularly spaced ticks) are found and
// left out, and their ticks are erased from `image` so that they cannot touch
// the curve. Without any such line the whole region is the plot. `floor`,
// when given, receives the bottom axis line (empty without one).
PixelRect FindPlotBox(InkImage* image, const PixelRect& region, PixelRect* floor = nullptr);

// The curve inside `box`, one point per column that holds it.
struct CurveTrace {
  std::vector<TracedPoint> points;
  double stroke = 0;
  std::int32_t severalRuns = 0;  // columns whose curve pixels form separate runs
  std::int32_t longestGap = 0;   // columns
  std::int32_t alongEdge = 0;    // columns whose curve lies on the box's edge
};

// Tells the curve from specks, labels, legends and ticks (the pieces that
// span the box along x, joined across short gaps) and follows its centre line.
// Empty points when nothing in the box looks like a curve. Rows up to
// `floorTop` are an axis line the curve lies on where nothing else is.
CurveTrace FollowCurve(const InkImage& image, const PixelRect& box, std::int32_t floorTop = -1);

#endif
