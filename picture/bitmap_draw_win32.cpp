#include "picture/bitmap.h"
#include "picture/bitmap_win32.h"
#include "shell/state.h"

void DrawBitmap(HDC dc) {
  if (DibInfo == nullptr) return;
  // A client area of 28 pixels or less leaves no room; a negative size would
  // mirror the picture into the margin.
  if (DisplayRect.right <= 0 || DisplayRect.bottom <= 0) return;
  StretchDIBits(dc, DisplayRect.left + 1, DisplayRect.top + 1, DisplayRect.right, DisplayRect.bottom, 0, 0,
                DibInfo->PixelWidth, DibInfo->PixelHeight, DibInfo->Bits,
                reinterpret_cast<const BITMAPINFO*>(DibInfo->Header), DIB_RGB_COLORS, SRCCOPY);
}
