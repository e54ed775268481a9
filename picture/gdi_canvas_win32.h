// The drawing seam on a device context: each operation is the GDI call of the
// same name.
#ifndef QUILLON_PICTURE_GDI_CANVAS_WIN32_H
#define QUILLON_PICTURE_GDI_CANVAS_WIN32_H

#include <windows.h>

#include "picture/canvas.h"

class GdiCanvas : public Canvas {
 public:
  explicit GdiCanvas(HDC dc);

  CanvasObject CreatePen(PenStyle style, int width, CanvasColor color) override;
  CanvasObject CreateSolidBrush(CanvasColor color) override;
  CanvasObject CreateHollowBrush() override;
  CanvasObject GetStockObject(StockObject which) override;
  CanvasObject SelectObject(CanvasObject object) override;
  bool DeleteObject(CanvasObject object) override;
  void MoveToEx(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(const CanvasPoint* points, int count) override;
  CanvasObject CreatePolygonRgn(const CanvasPoint* points, int count, PolyFillMode mode) override;
  void PaintRgn(CanvasObject region) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void SetBkMode(BkMode mode) override;
  void TextOutA(int x, int y, const char* text, int length) override;

  HDC dc() const { return dc_; }

 private:
  HDC dc_;
};

#endif
