#include <windows.h>

#include "picture/bitmap.h"
#include "picture/bitmap_win32.h"
#include "picture/gdi_canvas_win32.h"
#include "picture/wpg.h"
#include "shell/shell_win32.h"
#include "shell/state.h"

// A drawing is tested first: its hint strip and page frame, then its records.
void DrawPicture(HDC dc) {
  if (WpgState != nullptr) {
    GdiCanvas canvas(dc);
    DrawHintStrip(canvas);
    DrawPageFrame(DisplayRect, canvas);
    PlayWpg(canvas, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset);
  } else if (DibInfo != nullptr) {
    DrawBitmap(dc);
  }
}
