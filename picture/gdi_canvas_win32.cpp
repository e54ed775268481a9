#include "picture/gdi_canvas_win32.h"

#include <cstddef>

static_assert(static_cast<int>(PenStyle::Solid) == PS_SOLID && static_cast<int>(PenStyle::Dot) == PS_DOT &&
                  static_cast<int>(PenStyle::Null) == PS_NULL,
              "pen styles");
static_assert(static_cast<int>(StockObject::WhiteBrush) == WHITE_BRUSH &&
                  static_cast<int>(StockObject::LtGrayBrush) == LTGRAY_BRUSH &&
                  static_cast<int>(StockObject::BlackBrush) == BLACK_BRUSH &&
                  static_cast<int>(StockObject::NullBrush) == NULL_BRUSH &&
                  static_cast<int>(StockObject::BlackPen) == BLACK_PEN &&
                  static_cast<int>(StockObject::NullPen) == NULL_PEN &&
                  static_cast<int>(StockObject::AnsiVarFont) == ANSI_VAR_FONT,
              "stock objects");
static_assert(static_cast<int>(BkMode::Transparent) == TRANSPARENT && static_cast<int>(BkMode::Opaque) == OPAQUE,
              "background modes");
static_assert(static_cast<int>(PolyFillMode::Alternate) == ALTERNATE &&
                  static_cast<int>(PolyFillMode::Winding) == WINDING,
              "fill modes");
// Vertex arrays go to GDI as they are.
static_assert(sizeof(CanvasPoint) == sizeof(POINT) && offsetof(CanvasPoint, x) == offsetof(POINT, x) &&
                  offsetof(CanvasPoint, y) == offsetof(POINT, y),
              "CanvasPoint is laid out like POINT");

namespace {
const POINT* AsPoints(const CanvasPoint* points) { return reinterpret_cast<const POINT*>(points); }
}  // namespace

GdiCanvas::GdiCanvas(HDC dc) : dc_(dc) {}

CanvasObject GdiCanvas::CreatePen(PenStyle style, int width, CanvasColor color) {
  return ::CreatePen(static_cast<int>(style), width, color);
}

CanvasObject GdiCanvas::CreateSolidBrush(CanvasColor color) { return ::CreateSolidBrush(color); }

CanvasObject GdiCanvas::CreateHollowBrush() {
  LOGBRUSH lb = {};
  lb.lbStyle = BS_NULL;
  return ::CreateBrushIndirect(&lb);
}

CanvasObject GdiCanvas::GetStockObject(StockObject which) { return ::GetStockObject(static_cast<int>(which)); }

CanvasObject GdiCanvas::SelectObject(CanvasObject object) {
  return ::SelectObject(dc_, static_cast<HGDIOBJ>(object));
}

bool GdiCanvas::DeleteObject(CanvasObject object) { return ::DeleteObject(static_cast<HGDIOBJ>(object)) != 0; }

void GdiCanvas::MoveToEx(int x, int y) { ::MoveToEx(dc_, x, y, nullptr); }

void GdiCanvas::LineTo(int x, int y) { ::LineTo(dc_, x, y); }

void GdiCanvas::Polyline(const CanvasPoint* points, int count) { ::Polyline(dc_, AsPoints(points), count); }

CanvasObject GdiCanvas::CreatePolygonRgn(const CanvasPoint* points, int count, PolyFillMode mode) {
  return ::CreatePolygonRgn(AsPoints(points), count, static_cast<int>(mode));
}

void GdiCanvas::PaintRgn(CanvasObject region) { ::PaintRgn(dc_, static_cast<HRGN>(region)); }

void GdiCanvas::Ellipse(int left, int top, int right, int bottom) { ::Ellipse(dc_, left, top, right, bottom); }

void GdiCanvas::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) {
  ::Arc(dc_, left, top, right, bottom, x1, y1, x2, y2);
}

void GdiCanvas::Rectangle(int left, int top, int right, int bottom) { ::Rectangle(dc_, left, top, right, bottom); }

void GdiCanvas::SetBkMode(BkMode mode) { ::SetBkMode(dc_, static_cast<int>(mode)); }

void GdiCanvas::TextOutA(int x, int y, const char* text, int length) { ::TextOutA(dc_, x, y, text, length); }
