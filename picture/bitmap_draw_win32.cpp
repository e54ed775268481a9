#include "picture/bitmap.h"
#include "picture/bitmap_win32.h"
#include "shell/state.h"

void DrawBitmap(HDC dc) {
  if (DibInfo == nullptr) return;
  // A client area of 28 pixels or less leaves no room; a negative size would
  // mirror the picture into the margin.
  if (DisplayRect.right <= 0 || DisplayRect.bottom <= 0) return;
  DrawBitmapPart(dc, {DisplayRect.left + 1, DisplayRect.top + 1, DisplayRect.right, DisplayRect.bottom, 0, 0,
                      DibInfo->PixelWidth, DibInfo->PixelHeight});
}

void DrawBitmapPart(HDC dc, const BitmapBlit& part) {
  if (DibInfo == nullptr || part.destWidth <= 0 || part.destHeight <= 0) return;
  // The source's y counts rows from the picture's bottom, for top-down
  // bitmaps as well. Only the part asked for is read; nothing is copied.
  const int srcY = DibInfo->PixelHeight - part.srcTop - part.srcHeight;
  StretchDIBits(dc, part.destX, part.destY, part.destWidth, part.destHeight, part.srcX, srcY, part.srcWidth,
                part.srcHeight, DibInfo->Bits, reinterpret_cast<const BITMAPINFO*>(DibInfo->Header), DIB_RGB_COLORS,
                SRCCOPY);
}
