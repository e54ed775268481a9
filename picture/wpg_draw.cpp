// The record operations: attributes, lines, polylines, polygons, ellipses.
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

#include "picture/bytes.h"
#include "picture/wpg.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"

namespace {

std::uint16_t U16(const unsigned char* p) { return ReadLE16(p); }
std::int16_t I16(const unsigned char* p) { return static_cast<std::int16_t>(ReadLE16(p)); }
std::int32_t I32(const unsigned char* p) { return static_cast<std::int32_t>(ReadLE32(p)); }

// Truncation toward zero. Values no integer type can hold (only an absurd
// scale gives them) become 0 instead of undefined behaviour.
std::int64_t Trunc64(double d) {
  if (!(d > -9.2e18 && d < 9.2e18)) return 0;
  return static_cast<std::int64_t>(d);
}

std::uint16_t Low16(std::int64_t v) { return static_cast<std::uint16_t>(static_cast<std::uint64_t>(v) & 0xFFFF); }

bool Tracing() { return Recording != 0 && PointLogFile != qio::kInvalid; }

CanvasColor PaletteColor(std::uint8_t index) {
  if (index >= 16) return kColorBeyondPalette;
  return WpgState != nullptr ? WpgState->Palette[index] : kWpgPalette[index];
}

constexpr double kRadiansPerDegree = 0.01745329252;

}  // namespace

std::uint16_t MapWpgCoordinate(std::uint16_t v, double scale, std::int32_t offset) {
  return Low16(Trunc64(v * scale + offset));
}

std::int32_t MapWpgVertex(std::int32_t v, double scale, std::int32_t offset) {
  const double d = v * scale + offset;
  if (std::isnan(d)) return 0;
  if (d >= 2147483647.0) return INT32_MAX;
  if (d <= -2147483648.0) return INT32_MIN;
  return static_cast<std::int32_t>(d);
}

std::uint16_t MapWpgRadius(std::uint16_t r, double scale) { return Low16(Trunc64(r * std::fabs(scale) + 0.5)); }

int SetWpgFill(const unsigned char* data, std::size_t length, Canvas& dc) {
  if (length < 2) return 0;
  const std::uint8_t style = data[0];
  const std::uint8_t color = data[1];
  CanvasObject brush;
  if (style == 0) brush = dc.CreateHollowBrush();
  else if (style == 1) brush = dc.CreateSolidBrush(PaletteColor(color));
  else if (style == 255) brush = dc.CreateSolidBrush(PaletteColor(15));
  else brush = dc.CreateSolidBrush(0x00FFFFFF);  // hatches and patterns are not made
  // Without a new brush the current one stays: it is still selected and must
  // not be deleted.
  if (brush == nullptr) return 0;
  dc.SelectObject(brush);
  dc.DeleteObject(CurrentBrush);
  CurrentBrush = brush;
  return 1;
}

int SetWpgPen(const unsigned char* data, std::size_t length, Canvas& dc) {
  if (length < 2) return 0;
  const PenStyle style = data[0] == 0 ? PenStyle::Null : PenStyle::Solid;
  const CanvasObject pen = dc.CreatePen(style, 1, PaletteColor(data[1]));
  if (pen == nullptr) return 0;
  dc.SelectObject(pen);
  dc.DeleteObject(CurrentPen);
  CurrentPen = pen;
  return 1;
}

int DrawWpgLine(const unsigned char* data, std::size_t length, Canvas& dc, double xScale, double yScale,
                std::int32_t xOffset, std::int32_t yOffset) {
  if (length < 8) return 0;
  const std::uint16_t x1 = U16(data), y1 = U16(data + 2), x2 = U16(data + 4), y2 = U16(data + 6);
  if (Tracing()) {
    WritePoint(x1, y1);
    WritePoint(x2, y2);
  }
  dc.MoveToEx(MapWpgCoordinate(x1, xScale, xOffset), MapWpgCoordinate(y1, yScale, yOffset));
  dc.LineTo(MapWpgCoordinate(x2, xScale, xOffset), MapWpgCoordinate(y2, yScale, yOffset));
  return 1;
}

int DrawWpgPolyline(Canvas& dc, const unsigned char* data, std::size_t length, double xScale, double yScale,
                    std::int32_t xOffset, std::int32_t yOffset, std::uint8_t type) {
  if (length < 2) return 0;
  const std::size_t n = U16(data);
  // The record's own length tells the vertex layout: real drawings store
  // 16-bit pairs, our own format 32-bit pairs. Any other length would read
  // vertices from outside the record.
  std::size_t stride;
  if (length == 2 + 4 * n) stride = 4;
  else if (length == 2 + 8 * n) stride = 8;
  else return 0;
  if (n == 0) return 1;

  std::unique_ptr<CanvasPoint[]> points(new (std::nothrow) CanvasPoint[n]());
  if (!points) return 0;
  const bool tracing = Tracing();
  const unsigned char* v = data + 2;
  for (std::size_t i = 0; i < n; ++i, v += stride) {
    const std::int32_t x = stride == 4 ? I16(v) : I32(v);
    const std::int32_t y = stride == 4 ? I16(v + 2) : I32(v + 4);
    points[i].x = MapWpgVertex(x, xScale, xOffset);
    points[i].y = MapWpgVertex(y, yScale, yOffset);
    if (tracing) WritePoint(x, y);
  }
  const int count = static_cast<int>(n);
  const bool polygon = type == 8;
  if (polygon) {
    const CanvasObject region = dc.CreatePolygonRgn(points.get(), count, PolyFillMode::Alternate);
    if (region != nullptr) {
      dc.PaintRgn(region);
      dc.DeleteObject(region);
    }
  }
  // The outline is drawn after the fill, as a polyline plus the closing segment.
  dc.Polyline(points.get(), count);
  if (polygon) {
    dc.MoveToEx(points[n - 1].x, points[n - 1].y);
    dc.LineTo(points[0].x, points[0].y);
  }
  return 1;
}

int DrawWpgEllipse(const unsigned char* data, std::size_t length, Canvas& dc, double xScale, double yScale,
                   std::int32_t xOffset, std::int32_t yOffset) {
  if (length < 14) return 0;
  const std::uint16_t cx = U16(data), cy = U16(data + 2), rx = U16(data + 4), ry = U16(data + 6);
  const std::uint16_t rotation = U16(data + 8), start = U16(data + 10), end = U16(data + 12);
  if (rotation != 0) return 1;  // rotated ellipses are not drawn
  const std::int32_t x = MapWpgCoordinate(cx, xScale, xOffset);
  const std::int32_t y = MapWpgCoordinate(cy, yScale, yOffset);
  const std::int32_t rX = MapWpgRadius(rx, xScale);
  const std::int32_t rY = MapWpgRadius(ry, yScale);
  const int left = x - rX, top = y - rY, right = x + rX, bottom = y + rY;
  if (start == 0 && end == 360) {
    dc.Ellipse(left, top, right, bottom);
    return 1;
  }
  // With the client y axis pointing down, 360 - a turns a WPG angle into the
  // counter-clockwise direction on the screen. The ray points only fix directions.
  const double thetaStart = static_cast<std::uint16_t>(360 - start) * kRadiansPerDegree;
  const double thetaEnd = static_cast<std::uint16_t>(360 - end) * kRadiansPerDegree;
  dc.Arc(left, top, right, bottom, static_cast<int>(Trunc64(x + 10000 * std::cos(thetaStart))),
         static_cast<int>(Trunc64(y + 10000 * std::sin(thetaStart))),
         static_cast<int>(Trunc64(x + 10000 * std::cos(thetaEnd))),
         static_cast<int>(Trunc64(y + 10000 * std::sin(thetaEnd))));
  return 1;
}
