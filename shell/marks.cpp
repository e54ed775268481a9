#include "shell/marks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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
