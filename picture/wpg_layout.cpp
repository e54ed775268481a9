// Where a drawing's page lies in the window, and the two decorations around it.
#include <cstdint>
#include <cstring>

#include "picture/bytes.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/messages.h"

namespace {

std::int32_t Trunc32(double d) {
  if (!(d > -2147483648.0 && d < 2147483648.0)) return 0;
  return static_cast<std::int32_t>(d);
}

// The page size of a start record at the head of the stream, read from the
// record's data in whichever length form it comes. Our own format holds it as
// two int32 (a record of 10 bytes or more), real drawings as two 16-bit words;
// a size of 0 or less keeps the page as it is.
void ReadPageSize(const unsigned char* image, std::size_t length, WPGSTATE& state) {
  const std::size_t at = kWpgStreamStart;
  std::size_t data = 0, size = 0;
  if (image == nullptr || length <= at || image[at] != 15 || !LocateWpgRecord(image, length, at, &data, &size))
    return;
  std::int32_t width, height;
  if (size >= 10) {
    width = static_cast<std::int32_t>(ReadLE32(image + data + 2));
    height = static_cast<std::int32_t>(ReadLE32(image + data + 6));
  } else if (size >= 6) {
    width = ReadLE16(image + data + 2);
    height = ReadLE16(image + data + 4);
  } else {
    return;
  }
  if (width <= 0 || height <= 0) return;
  state.PageWidth = width;
  state.PageHeight = height;
}

}  // namespace

void LayoutWpgPage(const unsigned char* fileImage) { LayoutWpgPage(fileImage, FileBufferLength); }

void LayoutWpgPage(const unsigned char* fileImage, std::size_t length) {
  if (WpgState == nullptr) return;
  WPGSTATE& s = *WpgState;
  ReadPageSize(fileImage, length, s);
  const double cw = ClientWidth, ch = ClientHeight;
  const double pw = s.PageWidth, ph = s.PageHeight;
  std::int32_t left, top, right, bottom;
  if (ch / ph > cw / pw) {
    // Limited by the window's width; equal ratios take the other branch.
    left = Trunc32(0.02 * cw);
    top = Trunc32((ch - ph * (cw / pw * 0.96)) * 0.5);
    right = Trunc32(0.98 * cw);
    bottom = ClientHeight - top;
  } else {
    left = Trunc32((cw - pw * (ch / ph * 0.96)) * 0.5);
    top = Trunc32(0.02 * ch);
    bottom = Trunc32(0.98 * ch);
    right = ClientWidth - left;
  }
  DisplayRect = {left, top, right, bottom};
  s.XOffset = left;
  s.YOffset = bottom;
  s.XScale = static_cast<double>(right - left) / pw;
  s.YScale = static_cast<double>(top - bottom) / ph;
}

void DrawPageFrame(const DISPLAYRECT& rect, Canvas& dc) {
  const int l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
  const CanvasObject dotted = dc.CreatePen(PenStyle::Dot, 1, 0);
  const CanvasObject previousPen = dc.SelectObject(dotted);
  dc.MoveToEx(l, t);
  dc.LineTo(r, t);
  dc.LineTo(r, b);
  dc.LineTo(l, b);
  dc.LineTo(l, t);
  dc.SelectObject(previousPen);
  dc.DeleteObject(dotted);

  const int cx = static_cast<int>((static_cast<std::int64_t>(r) + l) / 2);
  const int cy = static_cast<int>((static_cast<std::int64_t>(b) + t) / 2);
  const CanvasObject previousBrush = dc.SelectObject(dc.GetStockObject(StockObject::BlackBrush));
  dc.Rectangle(l - 6, t - 6, l, t);
  dc.Rectangle(cx - 2, t - 6, cx + 3, t);
  dc.Rectangle(r + 1, t - 6, r + 7, t);
  dc.Rectangle(r + 1, cy - 2, r + 7, cy + 3);
  dc.Rectangle(r + 1, b + 1, r + 7, b + 7);
  dc.Rectangle(cx - 2, b + 1, cx + 3, b + 7);
  dc.Rectangle(l - 6, b + 1, l, b + 7);
  dc.Rectangle(l - 6, cy - 2, l, cy + 3);
  dc.SelectObject(previousBrush);
}

void DrawHintStrip(Canvas& dc) {
  char hint[50] = "";
  if (const char* text = MessageText(IDS_HINT)) {
    std::strncpy(hint, text, sizeof hint - 1);
  }
  DrawHintStrip(dc, hint);
}

void DrawHintStrip(Canvas& dc, const char* text) {
  const int cw = ClientWidth, ch = ClientHeight;
  dc.SelectObject(dc.GetStockObject(StockObject::NullPen));
  dc.SelectObject(dc.GetStockObject(StockObject::LtGrayBrush));
  dc.Rectangle(0, ch - 14, cw + 1, ch + 1);
  dc.SelectObject(dc.GetStockObject(StockObject::BlackPen));
  dc.MoveToEx(0, ch - 16);
  dc.LineTo(cw, ch - 16);
  dc.SelectObject(dc.GetStockObject(StockObject::AnsiVarFont));
  dc.SetBkMode(BkMode::Transparent);
  dc.TextOutA(4, ch - 14, text, static_cast<int>(std::strlen(text)));
}
