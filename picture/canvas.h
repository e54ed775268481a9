// The drawing seam. Every graphics operation of a drawing's playback, of its
// primitives and of the two decorations goes through a Canvas: the program
// draws on a device context (GdiCanvas), tests record the operations, and the
// converter traces on a canvas that draws nothing (NullCanvas).
//
// The operations and their arguments are those of the Windows graphics
// interface, so that GdiCanvas passes them through unchanged.
#ifndef QUILLON_PICTURE_CANVAS_H
#define QUILLON_PICTURE_CANVAS_H

#include <cstdint>

// A pen, brush, font or region as the canvas hands it out (an HGDIOBJ in the
// program). Null means none: a creation that failed.
typedef void* CanvasObject;

// A vertex in client pixels, laid out like the platform's POINT.
struct CanvasPoint {
  std::int32_t x;
  std::int32_t y;
};

// Colours are 0x00BBGGRR.
typedef std::uint32_t CanvasColor;

// The values are the platform's own (checked where <windows.h> is seen).
enum class PenStyle : int { Solid = 0, Dot = 2, Null = 5 };
enum class StockObject : int {
  WhiteBrush = 0,
  LtGrayBrush = 1,
  BlackBrush = 4,
  NullBrush = 5,
  BlackPen = 7,
  NullPen = 8,
  AnsiVarFont = 12,
};
enum class BkMode : int { Transparent = 1, Opaque = 2 };
enum class PolyFillMode : int { Alternate = 1, Winding = 2 };

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual CanvasObject CreatePen(PenStyle style, int width, CanvasColor color) = 0;
  virtual CanvasObject CreateSolidBrush(CanvasColor color) = 0;
  // A brush that fills nothing (a brush of the null style).
  virtual CanvasObject CreateHollowBrush() = 0;
  virtual CanvasObject GetStockObject(StockObject which) = 0;
  // Returns the object of the same kind that was selected before.
  virtual CanvasObject SelectObject(CanvasObject object) = 0;
  virtual bool DeleteObject(CanvasObject object) = 0;

  virtual void MoveToEx(int x, int y) = 0;
  // Leaves out the end point, as the platform does.
  virtual void LineTo(int x, int y) = 0;
  virtual void Polyline(const CanvasPoint* points, int count) = 0;
  virtual CanvasObject CreatePolygonRgn(const CanvasPoint* points, int count, PolyFillMode mode) = 0;
  // Fills the region with the selected brush.
  virtual void PaintRgn(CanvasObject region) = 0;
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  // Counter-clockwise from the ray through (x1, y1) to the ray through (x2, y2).
  virtual void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) = 0;
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void SetBkMode(BkMode mode) = 0;
  virtual void TextOutA(int x, int y, const char* text, int length) = 0;
};

// Draws nothing; hands out distinct non-null objects so that the playback's
// bookkeeping runs as on a device context. The converter traces on it.
class NullCanvas : public Canvas {
 public:
  CanvasObject CreatePen(PenStyle, int, CanvasColor) override { return Next(); }
  CanvasObject CreateSolidBrush(CanvasColor) override { return Next(); }
  CanvasObject CreateHollowBrush() override { return Next(); }
  CanvasObject GetStockObject(StockObject) override { return Next(); }
  CanvasObject SelectObject(CanvasObject) override { return Next(); }
  bool DeleteObject(CanvasObject object) override { return object != nullptr; }
  void MoveToEx(int, int) override {}
  void LineTo(int, int) override {}
  void Polyline(const CanvasPoint*, int) override {}
  CanvasObject CreatePolygonRgn(const CanvasPoint*, int, PolyFillMode) override { return Next(); }
  void PaintRgn(CanvasObject) override {}
  void Ellipse(int, int, int, int) override {}
  void Arc(int, int, int, int, int, int, int, int) override {}
  void Rectangle(int, int, int, int) override {}
  void SetBkMode(BkMode) override {}
  void TextOutA(int, int, const char*, int) override {}

 private:
  CanvasObject Next() { return reinterpret_cast<CanvasObject>(++serial_); }
  std::uintptr_t serial_ = 0;
};

#endif
