#include "shell/marks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "picture/bitmap.h"
#include "picture/colour_rows.h"

AxisMarks Marks;

int MarkAt(const PictureView& view, const AxisMarks& marks, ViewPoint at) {
  int found = -1;
  double nearest = kGrabDistance;
  for (int i = 0; i < marks.count && i < 2; ++i) {
    const ViewPoint c = view.ToClient(marks.at[i]);
    const double dx = std::fabs(c.x - at.x);
    if (dx <= nearest && std::fabs(c.y - at.y) <= kMarkReach) {
      found = i;
      nearest = dx;
    }
  }
  return found;
}

double TickNear(const DIBINFO& dib, ViewPoint p) {
  // A patch of 9 columns and 7 rows around the point.
  constexpr int kHalfWidth = 4, kHalfHeight = 3, kWidth = 2 * kHalfWidth + 1, kHeight = 2 * kHalfHeight + 1;
  const int c0 = static_cast<int>(std::floor(p.x)) - kHalfWidth;
  const int top = static_cast<int>(std::floor(p.y)) - kHalfHeight;
  std::uint32_t rgb[kWidth * kHeight];
  if (!BitmapPatch(dib, c0, dib.PixelHeight - top - kHeight, kWidth, kHeight, rgb)) return p.x;
  // Ink of each column: how much darker than the lightest pixel, summed over
  // the rows. A line across the patch (the axis) adds to every column alike,
  // so the lightest column's ink is the patch's floor.
  int paper = 0;
  std::vector<int> luma(kWidth * kHeight);
  for (int i = 0; i < kWidth * kHeight; ++i) {
    const unsigned char channels[3] = {static_cast<unsigned char>(rgb[i] >> 16), static_cast<unsigned char>(rgb[i] >> 8),
                                       static_cast<unsigned char>(rgb[i])};
    luma[i] = static_cast<int>(Luma(channels));
    paper = std::max(paper, luma[i]);
  }
  double ink[kWidth];
  for (int c = 0; c < kWidth; ++c) {
    ink[c] = 0;
    for (int r = 0; r < kHeight; ++r) ink[c] += paper - luma[r * kWidth + c];
  }
  const double floor = *std::min_element(ink, ink + kWidth);
  for (double& v : ink) v -= floor;
  const int peak = static_cast<int>(std::max_element(ink, ink + kWidth) - ink);
  // Dark through at least three rows of the patch: a line, not a speck.
  if (ink[peak] < 3 * 0.5 * paper) return p.x;
  int from = peak, to = peak;
  while (from > 0 && ink[from - 1] > 0.15 * ink[peak]) --from;
  while (to < kWidth - 1 && ink[to + 1] > 0.15 * ink[peak]) ++to;
  // What reaches the patch's side is wider than a tick: a label, a curve.
  if (from == 0 || to == kWidth - 1 || to - from > 3) return p.x;
  double sum = 0, moment = 0;
  for (int c = from; c <= to; ++c) {
    sum += ink[c];
    moment += ink[c] * (c0 + c + 0.5);
  }
  return moment / sum;
}

bool CalibrationOf(const PictureView& view, const AxisMarks& marks, double v1, double v2, bool hz,
                   AxisCalibration* out) {
  if (marks.count < 2 || !std::isfinite(v1) || !std::isfinite(v2) || v1 == v2) return false;
  const double c1 = view.TraceX(marks.at[0].x), c2 = view.TraceX(marks.at[1].x);
  if (!std::isfinite(c1) || !std::isfinite(c2) || c1 == c2) return false;
  *out = {true, c1, v1, c2, v2, hz};
  return true;
}

int BoxEdgesAt(const PictureView& view, const PictureBox& box, ViewPoint at) {
  if (box.Empty()) return 0;
  // The box's outline runs along the outer boundaries of its edge pixels.
  const ViewPoint a = view.ToClient({static_cast<double>(box.left), static_cast<double>(box.top)});
  const ViewPoint b = view.ToClient({box.right + 1.0, box.bottom + 1.0});
  const bool alongX = at.x >= a.x - kGrabDistance && at.x <= b.x + kGrabDistance;
  const bool alongY = at.y >= a.y - kGrabDistance && at.y <= b.y + kGrabDistance;
  int edges = 0;
  if (alongY && std::fabs(at.x - a.x) <= kGrabDistance) edges |= EDGE_LEFT;
  else if (alongY && std::fabs(at.x - b.x) <= kGrabDistance) edges |= EDGE_RIGHT;
  if (alongX && std::fabs(at.y - a.y) <= kGrabDistance) edges |= EDGE_TOP;
  else if (alongX && std::fabs(at.y - b.y) <= kGrabDistance) edges |= EDGE_BOTTOM;
  return edges;
}

void MoveBoxEdges(PictureBox* box, int edges, ViewPoint to, std::int32_t width, std::int32_t height) {
  const auto boundary = [](double v, std::int32_t lo, std::int32_t hi) {
    return std::clamp(static_cast<std::int32_t>(std::lround(v)), lo, hi);
  };
  // Boundaries run from 0 to the picture's size; the last pixel is one less.
  if (edges & EDGE_LEFT) box->left = boundary(to.x, 0, box->right - 1);
  if (edges & EDGE_RIGHT) box->right = boundary(to.x, box->left + 2, width) - 1;
  if (edges & EDGE_TOP) box->top = boundary(to.y, 0, box->bottom - 1);
  if (edges & EDGE_BOTTOM) box->bottom = boundary(to.y, box->top + 2, height) - 1;
}

std::string PointerReadout(const PictureView& view, ViewPoint p, const AxisCalibration& axis, double sf) {
  if (!view.OnPicture(p)) return "";
  char text[96];
  if (view.Kind() == ViewKind::Bitmap) {
    std::snprintf(text, sizeof text, "x %d, y %d", static_cast<int>(std::floor(p.x)),
                  static_cast<int>(std::floor(p.y)));
  } else {
    std::snprintf(text, sizeof text, "x %.0f, y %.0f", p.x, p.y);
  }
  std::string readout = text;
  if (axis.set && axis.c1 != axis.c2) {
    const double x = view.TraceX(p.x);
    const double v = axis.v1 + (x - axis.c1) * (axis.v2 - axis.v1) / (axis.c2 - axis.c1);
    if (axis.hz) {
      std::snprintf(text, sizeof text, ":  %.1f Hz", v);
    } else {
      std::snprintf(text, sizeof text, ":  %.3f ppm (%.1f Hz)", v, v * sf);
    }
    readout += text;
  }
  return readout;
}
