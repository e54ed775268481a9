#include <windows.h>

#include "picture/bitmap.h"
#include "picture/bitmap_win32.h"
#include "picture/gdi_canvas_win32.h"
#include "picture/wpg.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view.h"
#include "shell/view_win32.h"

namespace {

// The drawing through the view's mapping. Zoomed, the device's origin takes
// the scroll, so that a line's 16-bit end points stay where they can reach.
void PlayDrawing(HDC dc, GdiCanvas& canvas) {
  const DrawingMapping m = View.Drawing();
  POINT origin;
  SetViewportOrgEx(dc, m.originX, m.originY, &origin);
  PlayWpg(canvas, m.xScale, m.yScale, m.xOffset, m.yOffset);
  SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

}  // namespace

// A drawing is tested first. Until the user asks for the pointer readout or a
// zoom, a drawing's strip, frame and records come in the classic order and a
// bitmap has no strip; afterwards the strip is drawn last, over the picture.
void DrawPicture(HDC dc) {
  FollowPicture();
  if (WpgState != nullptr) {
    GdiCanvas canvas(dc);
    const bool stripLast = StripOnTop();
    if (!stripLast) DrawHintStrip(canvas);
    DrawPageFrame(View.PageFrame(), canvas);
    PlayDrawing(dc, canvas);
    DrawOverlays(dc);
    if (stripLast) DrawStrip(dc);
  } else if (DibInfo != nullptr) {
    BitmapBlit part;
    if (View.BitmapPart(&part)) DrawBitmapPart(dc, part);
    DrawOverlays(dc);
    if (BitmapStripShown()) DrawStrip(dc);
  }
}
