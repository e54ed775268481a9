// Drawing the loaded bitmap in the main window (Windows only).
#ifndef QUILLON_PICTURE_BITMAP_WIN32_H
#define QUILLON_PICTURE_BITMAP_WIN32_H

#include <windows.h>

#include "shell/view.h"

// Stretches the whole bitmap, as stored, to DisplayRect: at (left + 1, top + 1),
// right wide and bottom high. Draws nothing while no bitmap is loaded or the
// area has no width or height.
void DrawBitmap(HDC dc);

// Stretches a part of the bitmap (rows counted from its top) onto a client
// rectangle: the visible part of a zoomed picture.
void DrawBitmapPart(HDC dc, const BitmapBlit& part);

#endif
