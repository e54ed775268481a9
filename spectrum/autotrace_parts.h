// The pieces of the automatic trace, each usable (and testable) alone: the
// ink image of a picture, the plot box, and the curve's centre line.
#ifndef QUILLON_SPECTRUM_AUTOTRACE_PARTS_H
#define QUILLON_SPECTRUM_AUTOTRACE_PARTS_H

#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/choices.h"

struct DIBINFO;

// How much of each pixel is ink: 0 paper, 255 ink. Rows are counted from the
// bottom row, as the point log counts them. A pixel is dark (part of a mark)
// at or above `threshold`; lighter ink still weighs in the centre line.
struct InkImage {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<unsigned char> ink;
  unsigned char threshold = 102;

  const unsigned char* Row(std::int32_t r) const { return ink.data() + static_cast<std::size_t>(r) * width; }
  unsigned char* Row(std::int32_t r) { return ink.data() + static_cast<std::size_t>(r) * width; }
  bool Dark(std::int32_t x, std::int32_t r) const { return Row(r)[x] >= threshold; }
};

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
