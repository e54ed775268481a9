#include "shell/view.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "picture/canvas.h"
#include "spectrum/settings.h"

PictureView View;

namespace {

// The margin around a zoomed picture, as the first step leaves around a bitmap.
constexpr double kMargin = 14;
// How far from the client origin a zoomed drawing may reach: a line's end
// points are mapped to 16 bits, and what lies beyond wraps round.
constexpr double kDrawingReach = 32000;

std::int32_t Round(double v) { return static_cast<std::int32_t>(std::lround(v)); }

}  // namespace

void PictureView::Clear() { *this = PictureView{}; }

void PictureView::ShowBitmap(std::int32_t width, std::int32_t height) {
  const std::int32_t cw = clientWidth_, ch = clientHeight_;
  Clear();
  kind_ = ViewKind::Bitmap;
  width_ = width;
  height_ = height;
  clientWidth_ = cw;
  clientHeight_ = ch;
}

void PictureView::ShowDrawing(const WPGSTATE& state, const DISPLAYRECT& page, const ViewBox& extent) {
  const std::int32_t cw = clientWidth_, ch = clientHeight_;
  Clear();
  kind_ = ViewKind::Drawing;
  xScale_ = state.XScale;
  yScale_ = state.YScale;
  xOffset_ = state.XOffset;
  yOffset_ = state.YOffset;
  page_ = page;
  pageBox_ = {0, 0, static_cast<double>(state.PageWidth), static_cast<double>(state.PageHeight)};
  extent_ = extent;
  extent_.left = std::min(extent_.left, pageBox_.left);
  extent_.bottom = std::min(extent_.bottom, pageBox_.bottom);
  extent_.right = std::max(extent_.right, pageBox_.right);
  extent_.top = std::max(extent_.top, pageBox_.top);
  clientWidth_ = cw;
  clientHeight_ = ch;
}

void PictureView::SetClient(std::int32_t width, std::int32_t height) {
  clientWidth_ = width;
  clientHeight_ = height;
  Clamp();
}

void PictureView::Mapping(int step, double* xs, double* ys, double* xo, double* yo) const {
  const double z = static_cast<double>(1 << step);
  if (kind_ == ViewKind::Bitmap) {
    *xs = width_ > 0 ? z * (clientWidth_ - 28) / width_ : 0;
    *ys = height_ > 0 ? z * (clientHeight_ - 28) / height_ : 0;
    *xo = 15;
    *yo = 15;
  } else if (kind_ == ViewKind::Drawing) {
    // Zoomed about the page's top left corner; the offsets stay whole, as the
    // playback takes them.
    *xs = xScale_ * z;
    *ys = yScale_ * z;
    *xo = Round(page_.left + (xOffset_ - page_.left) * z);
    *yo = Round(page_.top + (yOffset_ - page_.top) * z);
  } else {
    *xs = *ys = 1;
    *xo = *yo = 0;
  }
}

PictureView::ClientBox PictureView::ContentBox(int step) const {
  double xs, ys, xo, yo;
  Mapping(step, &xs, &ys, &xo, &yo);
  ClientBox box = {0, 0, 0, 0};
  if (kind_ == ViewKind::Bitmap) {
    box = {0, 0, 2 * kMargin + width_ * xs, 2 * kMargin + height_ * ys};
  } else if (kind_ == ViewKind::Drawing) {
    const double x0 = extent_.left * xs + xo, x1 = extent_.right * xs + xo;
    const double y0 = extent_.top * ys + yo, y1 = extent_.bottom * ys + yo;
    box = {std::min({0.0, x0 - kMargin, x1 - kMargin}), std::min({0.0, y0 - kMargin, y1 - kMargin}),
           std::max(x0, x1) + kMargin, std::max(y0, y1) + kMargin};
  }
  return box;
}

int PictureView::MaxZoomStep() const {
  if (kind_ != ViewKind::Drawing) return kind_ == ViewKind::Bitmap ? kMaxZoomStep : 0;
  int step = 0;
  while (step < kMaxZoomStep) {
    const ClientBox box = ContentBox(step + 1);
    if (std::max({-box.left, -box.top, box.right, box.bottom}) > kDrawingReach) break;
    ++step;
  }
  return step;
}

int PictureView::ViewHeight() const {
  return step_ > 0 ? std::max(0, clientHeight_ - kStripHeight) : clientHeight_;
}

ScrollRange PictureView::HorizontalRange() const {
  if (step_ == 0) return {0, 0, clientWidth_};
  const ClientBox box = ContentBox(step_);
  const int min = static_cast<int>(std::floor(box.left));
  return {min, std::max(min, static_cast<int>(std::ceil(box.right)) - clientWidth_), clientWidth_};
}

ScrollRange PictureView::VerticalRange() const {
  if (step_ == 0) return {0, 0, clientHeight_};
  const ClientBox box = ContentBox(step_);
  const int min = static_cast<int>(std::floor(box.top));
  return {min, std::max(min, static_cast<int>(std::ceil(box.bottom)) - ViewHeight()), ViewHeight()};
}

void PictureView::Clamp() {
  const ScrollRange h = HorizontalRange(), v = VerticalRange();
  scrollX_ = std::clamp(scrollX_, h.min, h.max);
  scrollY_ = std::clamp(scrollY_, v.min, v.max);
}

void PictureView::ScrollTo(int x, int y) {
  scrollX_ = x;
  scrollY_ = y;
  Clamp();
}

void PictureView::ZoomTo(int step, ViewPoint at) {
  const ViewPoint picture = ToPicture(at);
  step_ = std::clamp(step, 0, MaxZoomStep());
  Anchor(picture, at);
}

void PictureView::Anchor(ViewPoint picture, ViewPoint at) {
  double xs, ys, xo, yo;
  Mapping(step_, &xs, &ys, &xo, &yo);
  ScrollTo(static_cast<int>(std::lround(picture.x * xs + xo - at.x)),
           static_cast<int>(std::lround(picture.y * ys + yo - at.y)));
}

ViewPoint PictureView::ToClient(ViewPoint p) const {
  double xs, ys, xo, yo;
  Mapping(step_, &xs, &ys, &xo, &yo);
  return {p.x * xs + xo - scrollX_, p.y * ys + yo - scrollY_};
}

ViewPoint PictureView::ToPicture(ViewPoint c) const {
  double xs, ys, xo, yo;
  Mapping(step_, &xs, &ys, &xo, &yo);
  return {xs != 0 ? (c.x + scrollX_ - xo) / xs : 0, ys != 0 ? (c.y + scrollY_ - yo) / ys : 0};
}

bool PictureView::OnPicture(ViewPoint p) const {
  if (kind_ == ViewKind::Bitmap) return p.x >= 0 && p.x < width_ && p.y >= 0 && p.y < height_;
  if (kind_ == ViewKind::Drawing)
    return p.x >= pageBox_.left && p.x <= pageBox_.right && p.y >= pageBox_.bottom && p.y <= pageBox_.top;
  return false;
}

bool PictureView::BitmapPart(BitmapBlit* blit) const {
  if (kind_ != ViewKind::Bitmap || width_ <= 0 || height_ <= 0 || clientWidth_ <= 28 || clientHeight_ <= 28)
    return false;
  // Whole pixels that the visible client area shows at least in part.
  const ViewPoint first = ToPicture({0, 0});
  const ViewPoint last = ToPicture({static_cast<double>(clientWidth_), static_cast<double>(ViewHeight())});
  const int c0 = std::clamp(static_cast<int>(std::floor(first.x)), 0, width_);
  const int c1 = std::clamp(static_cast<int>(std::ceil(last.x)), 0, width_);
  const int r0 = std::clamp(static_cast<int>(std::floor(first.y)), 0, height_);
  const int r1 = std::clamp(static_cast<int>(std::ceil(last.y)), 0, height_);
  if (c1 <= c0 || r1 <= r0) return false;
  const ViewPoint from = ToClient({static_cast<double>(c0), static_cast<double>(r0)});
  const ViewPoint to = ToClient({static_cast<double>(c1), static_cast<double>(r1)});
  blit->destX = Round(from.x);
  blit->destY = Round(from.y);
  blit->destWidth = Round(to.x) - blit->destX;
  blit->destHeight = Round(to.y) - blit->destY;
  blit->srcX = c0;
  blit->srcTop = r0;
  blit->srcWidth = c1 - c0;
  blit->srcHeight = r1 - r0;
  return blit->destWidth > 0 && blit->destHeight > 0;
}

DrawingMapping PictureView::Drawing() const {
  double xs, ys, xo, yo;
  Mapping(step_, &xs, &ys, &xo, &yo);
  return {xs, ys, Round(xo), Round(yo), -scrollX_, -scrollY_};
}

DISPLAYRECT PictureView::PageFrame() const {
  const double z = Zoom();
  const auto x = [&](std::int32_t v) { return Round(page_.left + (v - page_.left) * z) - scrollX_; };
  const auto y = [&](std::int32_t v) { return Round(page_.top + (v - page_.top) * z) - scrollY_; };
  return {x(page_.left), y(page_.top), x(page_.right), y(page_.bottom)};
}

double PictureView::TraceX(double pictureX) const { return kind_ == ViewKind::Bitmap ? pictureX - 0.5 : pictureX; }

double PictureView::PictureX(double traceX) const { return kind_ == ViewKind::Bitmap ? traceX + 0.5 : traceX; }

ViewPoint PictureView::FromTrace(double x, double y) const {
  if (kind_ == ViewKind::Bitmap) return {x + 0.5, height_ - (y + 0.5)};
  return {x, y};
}

namespace {

// Draws nothing and keeps the bounds of what would be drawn.
class BoundsCanvas : public NullCanvas {
 public:
  void MoveToEx(int x, int y) override { Add(x, y); }
  void LineTo(int x, int y) override { Add(x, y); }
  void Polyline(const CanvasPoint* points, int count) override {
    for (int i = 0; i < count; ++i) Add(points[i].x, points[i].y);
  }
  void Ellipse(int left, int top, int right, int bottom) override {
    Add(left, top);
    Add(right, bottom);
  }
  void Arc(int left, int top, int right, int bottom, int, int, int, int) override {
    Add(left, top);
    Add(right, bottom);
  }
  ViewBox box{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
              std::numeric_limits<double>::lowest(), std::numeric_limits<double>::lowest()};

 private:
  void Add(double x, double y) {
    box.left = std::min(box.left, x);
    box.right = std::max(box.right, x);
    box.bottom = std::min(box.bottom, y);
    box.top = std::max(box.top, y);
  }
};

}  // namespace

ViewBox DrawingExtent() {
  if (WpgState == nullptr) return {};
  ViewBox extent{0, 0, static_cast<double>(WpgState->PageWidth), static_cast<double>(WpgState->PageHeight)};
  // Played with the identity mapping, the canvas sees the drawing's own units;
  // this playback never traces.
  BoundsCanvas canvas;
  const std::int32_t recording = Recording;
  Recording = 0;
  PlayWpg(canvas, 1.0, 1.0, 0, 0);
  Recording = recording;
  if (canvas.box.left <= canvas.box.right) {
    extent.left = std::min(extent.left, canvas.box.left);
    extent.right = std::max(extent.right, canvas.box.right);
    extent.bottom = std::min(extent.bottom, canvas.box.bottom);
    extent.top = std::max(extent.top, canvas.box.top);
  }
  return extent;
}

void LayoutDrawingToFit(const ViewBox& extent, std::int32_t width, std::int32_t height, WPGSTATE* state,
                        DISPLAYRECT* page) {
  const double ew = std::max(extent.right - extent.left, 1.0), eh = std::max(extent.top - extent.bottom, 1.0);
  const double scale = 0.96 * std::min(width / ew, height / eh);
  // The extent's centre on the area's centre; WPG y grows upwards.
  const double xo = width / 2.0 - (extent.left + extent.right) / 2 * scale;
  const double yo = height / 2.0 + (extent.bottom + extent.top) / 2 * scale;
  state->XScale = scale;
  state->YScale = -scale;
  state->XOffset = Round(xo);
  state->YOffset = Round(yo);
  *page = {state->XOffset, Round(state->YOffset - state->PageHeight * scale),
           Round(state->XOffset + state->PageWidth * scale), state->YOffset};
}
