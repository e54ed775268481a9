// The main window's view of the loaded picture: where a point of the picture
// lies in the client area for the current zoom and scroll, and back. Painting,
// the marks and edges the user drags, the pointer readout and the traced points
// all go through the one view, so they cannot disagree.
//
// Picture coordinates: a bitmap's as an image viewer gives them, x from its
// left edge and y from its top edge, pixel (c, r) covering c <= x < c + 1 and
// r <= y < r + 1; a drawing's own units, y upwards.
//
// At the first zoom step nothing is scrolled and the placement is the one the
// program always had: a bitmap stretched into DisplayRect from (15, 15), a
// drawing by the mapping its page layout made.
#ifndef QUILLON_SHELL_VIEW_H
#define QUILLON_SHELL_VIEW_H

#include <cstdint>

#include "picture/wpg.h"
#include "shell/state.h"

struct ViewPoint {
  double x = 0, y = 0;
};

// A rectangle of picture coordinates (for a drawing: its units, y upwards).
struct ViewBox {
  double left = 0, bottom = 0, right = 0, top = 0;
};

enum class ViewKind { Empty, Bitmap, Drawing };

// The part of a bitmap to draw, and where: source pixels (rows counted from the
// picture's top) onto a client rectangle.
struct BitmapBlit {
  int destX, destY, destWidth, destHeight;
  int srcX, srcTop, srcWidth, srcHeight;
};

// A drawing's playback mapping: client = value * scale + offset, drawn with the
// device's origin moved to (originX, originY), so that the offsets stay where
// a 16-bit line end point can reach them whatever the scroll.
struct DrawingMapping {
  double xScale, yScale;
  std::int32_t xOffset, yOffset;
  std::int32_t originX, originY;
};

// One scroll bar: the first and last position and the visible length.
struct ScrollRange {
  int min = 0, max = 0, page = 0;
};

class PictureView {
 public:
  // Zoom is 2^step, from 1 up to 32 (less for a drawing so large that its
  // client coordinates would leave the 16 bits a line end point has).
  static constexpr int kMaxZoomStep = 5;
  // Rows at the bottom of the client area that the hint strip covers.
  static constexpr int kStripHeight = 16;

  void Clear();
  void ShowBitmap(std::int32_t width, std::int32_t height);
  // A drawing as laid out: its mapping and page size, the page's client
  // rectangle, and what it draws (in its own units), which bounds the scroll.
  void ShowDrawing(const WPGSTATE& state, const DISPLAYRECT& page, const ViewBox& extent);
  // The client area's size; the scroll is kept within its new range.
  void SetClient(std::int32_t width, std::int32_t height);

  ViewKind Kind() const { return kind_; }
  std::int32_t BitmapWidth() const { return width_; }
  std::int32_t BitmapHeight() const { return height_; }
  int ZoomStep() const { return step_; }
  double Zoom() const { return static_cast<double>(1 << step_); }
  int MaxZoomStep() const;
  // Zooms to `step` (kept within 0 to MaxZoomStep) so that the picture point
  // under client point `at` stays there, as far as the scroll allows.
  void ZoomTo(int step, ViewPoint at);
  // Scrolls so that picture point `picture` lies at client point `at`, as far
  // as the scroll range allows.
  void Anchor(ViewPoint picture, ViewPoint at);

  // The client height the picture is seen in: above the hint strip once zoomed.
  int ViewHeight() const;

  int ScrollX() const { return scrollX_; }
  int ScrollY() const { return scrollY_; }
  ScrollRange HorizontalRange() const;
  ScrollRange VerticalRange() const;
  void ScrollTo(int x, int y);

  ViewPoint ToClient(ViewPoint picture) const;
  ViewPoint ToPicture(ViewPoint client) const;
  // Whether a picture point lies on the picture (a drawing: on its page).
  bool OnPicture(ViewPoint picture) const;

  // The visible part of a bitmap; false when nothing of it is visible.
  bool BitmapPart(BitmapBlit* blit) const;
  DrawingMapping Drawing() const;
  // The drawing's page frame in client pixels (DisplayRect at the first step).
  DISPLAYRECT PageFrame() const;

  // Trace coordinates (a bitmap's column, centre of column c at c, and row
  // from the bottom; a drawing's units) and picture coordinates.
  double TraceX(double pictureX) const;
  double PictureX(double traceX) const;
  ViewPoint FromTrace(double x, double y) const;

 private:
  struct ClientBox {
    double left, top, right, bottom;
  };
  // Client = picture * scale + offset at a zoom step, before the scroll.
  void Mapping(int step, double* xScale, double* yScale, double* xOffset, double* yOffset) const;
  // What may be scrolled to at a zoom step, in client pixels before the scroll.
  ClientBox ContentBox(int step) const;
  void Clamp();

  ViewKind kind_ = ViewKind::Empty;
  std::int32_t width_ = 0, height_ = 0;        // bitmap pixels
  double xScale_ = 1, yScale_ = -1;            // drawing, as laid out
  std::int32_t xOffset_ = 0, yOffset_ = 0;
  DISPLAYRECT page_ = {0, 0, 0, 0};
  ViewBox pageBox_, extent_;
  std::int32_t clientWidth_ = 0, clientHeight_ = 0;
  int step_ = 0;
  int scrollX_ = 0, scrollY_ = 0;
};

// The main window's view.
extern PictureView View;

// What the loaded drawing draws, in its own units: the bounds of every line,
// polyline, polygon and ellipse of one playback, and its page.
ViewBox DrawingExtent();

// Lays the drawing out so that `extent` fits a client area of `width` x
// `height` as a page is fitted (96 % of the limiting side, centred): sets the
// mapping fields of `state` and the page's client rectangle.
void LayoutDrawingToFit(const ViewBox& extent, std::int32_t width, std::int32_t height, WPGSTATE* state,
                        DISPLAYRECT* page);

#endif
