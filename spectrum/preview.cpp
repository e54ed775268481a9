#include "spectrum/preview.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "picture/bitmap.h"
#include "picture/bytes.h"
#include "spectrum/messages.h"
#include "tavspectrum.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

#include <stb/stb_easy_font.h>

namespace {

constexpr std::int32_t kMargin = 20;
constexpr std::int32_t kGap = 16;
constexpr std::int32_t kPlotHeight = 240;
constexpr std::int32_t kAxisHeight = 64;  // ticks, their labels and the unit
constexpr std::int32_t kTick = 6;
constexpr int kTextScale = 2;
// Panels stay wide enough for the axis labels and small enough to look at.
constexpr std::int32_t kNarrowest = 600, kWidest = 2400, kLowest = 150, kTallest = 1600;
constexpr std::int32_t kDrawingWidth = 1200, kDrawingHeight = 400;

const unsigned char kWhite[3] = {255, 255, 255};
const unsigned char kFrame[3] = {170, 170, 170};
const unsigned char kZero[3] = {210, 210, 210};
const unsigned char kSpectrum[3] = {0, 0, 150};
const unsigned char kInk[3] = {0, 0, 0};

struct Canvas {
  std::int32_t width, height;
  std::vector<unsigned char>& rgb;

  void Set(std::int32_t x, std::int32_t y, const unsigned char c[3]) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    unsigned char* p = &rgb[3 * (static_cast<std::size_t>(y) * width + x)];
    p[0] = c[0], p[1] = c[1], p[2] = c[2];
  }
  void Fill(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const unsigned char c[3]) {
    for (std::int32_t y = y0; y <= y1; ++y)
      for (std::int32_t x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void Frame(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const unsigned char c[3]) {
    Fill(x0, y0, x1, y0, c);
    Fill(x0, y1, x1, y1, c);
    Fill(x0, y0, x0, y1, c);
    Fill(x1, y0, x1, y1, c);
  }
  // Every `dash`-th pair of pixels left out when dash > 0.
  void Line(double x0, double y0, double x1, double y1, const unsigned char c[3], int dash = 0) {
    const double steps = std::ceil(std::max(std::fabs(x1 - x0), std::fabs(y1 - y0)));
    if (!(steps < 1e7)) return;  // not finite, or absurdly long
    for (long i = 0; i <= static_cast<long>(steps); ++i) {
      if (dash > 0 && (i / dash) % 2 == 1) continue;
      const double t = steps > 0 ? i / steps : 0;
      Set(static_cast<std::int32_t>(std::lround(x0 + t * (x1 - x0))),
          static_cast<std::int32_t>(std::lround(y0 + t * (y1 - y0))), c);
    }
  }
  std::int32_t TextWidth(const std::string& text) {
    std::string t = text;
    return stb_easy_font_width(&t[0]) * kTextScale;
  }
  // stb_easy_font lays text out as rectangles; they are filled at twice the size.
  void Text(double x, double y, const std::string& text, const unsigned char c[3]) {
    std::string t = text;
    std::vector<float> quads(16 * 16 * (t.size() + 1));
    unsigned char colour[4] = {c[0], c[1], c[2], 255};
    const int count = stb_easy_font_print(0, 0, &t[0], colour, quads.data(), static_cast<int>(quads.size() * 4));
    for (int q = 0; q < count; ++q) {
      const float* v = quads.data() + 16 * q;  // four vertices of x, y, z and a colour word
      const auto at = [&](float p, double o) { return static_cast<std::int32_t>(std::lround(o + p * kTextScale)); };
      Fill(at(v[0], x), at(v[1], y), at(v[8], x) - 1, at(v[9], y) - 1, c);
    }
  }
};

// The colour of any pixel of a loaded bitmap, whatever its depth and row order.
class PixelSource {
 public:
  bool Open(const DIBINFO& dib) {
    dib_ = &dib;
    const std::uint16_t bits = dib.BitCount;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (!rows_.Open(dib)) return false;
    if (bits == 16 || bits == 32) {
      std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
      if (bits == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
      if (dib.Compression == BITMAP_BITFIELDS || dib.Compression == BITMAP_ALPHABITFIELDS) {
        // Behind a header too short to hold them, or inside a longer one.
        const std::uint32_t headerSize = ReadLE32(dib.Header);
        const unsigned char* at = dib.Header + (headerSize < 52 ? headerSize : 40);
        for (int c = 0; c < 3; ++c) masks[c] = ReadLE32(at + 4 * c);
      }
      for (int c = 0; c < 3; ++c) {
        mask_[c] = masks[c];
        shift_[c] = 0;
        while (masks[c] != 0 && ((masks[c] >> shift_[c]) & 1) == 0) ++shift_[c];
        top_[c] = masks[c] >> shift_[c];
      }
    }
    return true;
  }

  void Rgb(std::int32_t x, std::int32_t rowFromBottom, unsigned char out[3]) const {
    const unsigned char* row = rows_.Row(rowFromBottom);
    const std::uint16_t bits = dib_->BitCount;
    if (bits <= 8) {
      const std::size_t position = static_cast<std::size_t>(x) * bits;
      const unsigned index = (row[position / 8] >> (8 - bits - position % 8)) & ((1u << bits) - 1);
      out[0] = out[1] = out[2] = 0;
      if (static_cast<std::int32_t>(index) >= dib_->PaletteEntries) return;
      const unsigned char* e = dib_->IsCore ? dib_->CoreColors + 3 * index : dib_->QuadColors + 4 * index;
      out[0] = e[2], out[1] = e[1], out[2] = e[0];
    } else if (bits == 24) {
      const unsigned char* p = row + 3 * static_cast<std::size_t>(x);
      out[0] = p[2], out[1] = p[1], out[2] = p[0];
    } else {
      const std::uint32_t v = bits == 16 ? ReadLE16(row + 2 * static_cast<std::size_t>(x))
                                         : ReadLE32(row + 4 * static_cast<std::size_t>(x));
      for (int c = 0; c < 3; ++c)
        out[c] = top_[c] == 0 ? 0 : static_cast<unsigned char>(((v & mask_[c]) >> shift_[c]) * 255u / top_[c]);
    }
  }

 private:
  const DIBINFO* dib_ = nullptr;
  PixelRows rows_;
  std::uint32_t mask_[3] = {}, top_[3] = {};
  int shift_[3] = {};
};

}  // namespace

bool BitmapPatch(const DIBINFO& dib, std::int32_t x, std::int32_t rowFromBottom, std::int32_t width,
                 std::int32_t height, std::uint32_t* rgb) {
  if (width <= 0 || height <= 0 || x < 0 || rowFromBottom < 0 || x > dib.PixelWidth - width ||
      rowFromBottom > dib.PixelHeight - height)
    return false;
  PixelSource source;
  if (!source.Open(dib)) return false;
  for (std::int32_t r = 0; r < height; ++r) {
    for (std::int32_t c = 0; c < width; ++c) {
      unsigned char v[3];
      source.Rgb(x + c, rowFromBottom + r, v);
      *rgb++ = static_cast<std::uint32_t>(v[0]) << 16 | static_cast<std::uint32_t>(v[1]) << 8 | v[2];
    }
  }
  return true;
}

namespace {

PreviewLayout Lay(const DIBINFO* picture, const TraceRecord& trace) {
  PreviewLayout l;
  l.left = kMargin;
  l.top = kMargin;
  if (picture != nullptr) {
    const double w = picture->PixelWidth, h = picture->PixelHeight;
    l.panelWidth = std::clamp<std::int32_t>(picture->PixelWidth, kNarrowest, kWidest);
    l.xScale = l.panelWidth / w;
    l.pictureHeight = std::clamp<std::int32_t>(static_cast<std::int32_t>(std::lround(h * l.xScale)), kLowest, kTallest);
    l.yScale = l.pictureHeight / h;
    // The centre of column c, and of row r counted from the bottom.
    l.xOrigin = l.left + 0.5 * l.xScale;
    l.yOrigin = l.top + l.pictureHeight - 0.5 * l.yScale;
  } else {
    double x0 = 0, x1 = 1, y0 = 0, y1 = 1;
    if (!trace.points.empty()) {
      const auto [xl, xh] = std::minmax_element(trace.points.begin(), trace.points.end(),
                                                [](const TracedPoint& a, const TracedPoint& b) { return a.x < b.x; });
      const auto [yl, yh] = std::minmax_element(trace.points.begin(), trace.points.end(),
                                                [](const TracedPoint& a, const TracedPoint& b) { return a.y < b.y; });
      x0 = xl->x, x1 = std::max(xh->x, x0 + 1), y0 = yl->y, y1 = std::max(yh->y, y0 + 1);
    }
    l.panelWidth = kDrawingWidth;
    l.pictureHeight = kDrawingHeight;
    l.xScale = (l.panelWidth - 1) / (x1 - x0);
    l.xOrigin = l.left - x0 * l.xScale;
    l.yScale = (l.pictureHeight - 1) / (y1 - y0);
    l.yOrigin = l.top + (l.pictureHeight - 1) + y0 * l.yScale;
  }
  l.width = l.left + l.panelWidth + kMargin;
  l.plotTop = l.top + l.pictureHeight + kGap;
  l.plotHeight = trace.samples.empty() ? 0 : kPlotHeight;
  l.height = l.plotHeight == 0 ? l.plotTop - kGap + kMargin : l.plotTop + l.plotHeight + kAxisHeight;
  return l;
}

// The picture, lightened so the trace stands out on it. Reduced pictures keep
// the darkest pixel of each block, so thin lines stay visible.
void DrawPicture(Canvas& canvas, const PreviewLayout& l, const PixelSource& source, const DIBINFO& dib) {
  const std::int32_t w = dib.PixelWidth, h = dib.PixelHeight;
  unsigned char rgb[3], darkest[3];
  for (std::int32_t Y = 0; Y < l.pictureHeight; ++Y) {
    const std::int32_t r0 = std::min(h - 1, static_cast<std::int32_t>(Y / l.yScale));
    const std::int32_t r1 = std::max(r0 + 1, std::min(h, static_cast<std::int32_t>((Y + 1) / l.yScale)));
    for (std::int32_t X = 0; X < l.panelWidth; ++X) {
      const std::int32_t c0 = std::min(w - 1, static_cast<std::int32_t>(X / l.xScale));
      const std::int32_t c1 = std::max(c0 + 1, std::min(w, static_cast<std::int32_t>((X + 1) / l.xScale)));
      darkest[0] = darkest[1] = darkest[2] = 255;
      for (std::int32_t r = r0; r < r1; ++r)
        for (std::int32_t c = c0; c < c1; ++c) {
          source.Rgb(c, h - 1 - r, rgb);
          for (int k = 0; k < 3; ++k) darkest[k] = std::min(darkest[k], rgb[k]);
        }
      for (unsigned char& v : darkest) v = static_cast<unsigned char>((v + 2 * 255) / 3);
      canvas.Set(l.left + X, l.top + Y, darkest);
    }
  }
}

void DrawOverlay(Canvas& canvas, const PreviewLayout& l, const DIBINFO* picture, const TraceRecord& trace) {
  double boxLeft = l.left, boxRight = l.left + l.panelWidth - 1;
  if (trace.hasBox && !trace.box.Empty() && picture != nullptr) {
    // The box's edge pixels, row 0 at the top as a viewer shows them.
    const PictureBox& b = trace.box;
    boxLeft = std::floor(l.left + b.left * l.xScale);
    boxRight = std::ceil(l.left + (b.right + 1) * l.xScale) - 1;
    canvas.Frame(static_cast<std::int32_t>(boxLeft), static_cast<std::int32_t>(std::floor(l.top + b.top * l.yScale)),
                 static_cast<std::int32_t>(boxRight),
                 static_cast<std::int32_t>(std::ceil(l.top + (b.bottom + 1) * l.yScale)) - 1, kPreviewBox);
  }
  if (trace.mode == TRACE_AUTO) canvas.Line(boxLeft, l.Y(trace.baseline), boxRight, l.Y(trace.baseline), kPreviewBaseline, 4);
  const std::vector<TracedPoint>& p = trace.points;
  for (std::size_t i = 0; i < p.size(); ++i) {
    const std::size_t j = i + 1 < p.size() ? i + 1 : i;
    canvas.Line(l.X(p[i].x), l.Y(p[i].y), l.X(p[j].x), l.Y(p[j].y), kPreviewTrace);
  }
}

double NiceStep(double span, double count) {
  const double raw = span / count;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0})
    if (m * power >= raw) return m * power;
  return 10 * power;
}

// The samples under the picture's columns, and the ppm axis beneath them.
void DrawSpectrum(Canvas& canvas, const PreviewLayout& l, const TraceRecord& trace) {
  const std::vector<float>& s = trace.samples;
  const std::int32_t bottom = l.plotTop + l.plotHeight - 1;
  canvas.Frame(l.left, l.plotTop, l.left + l.panelWidth - 1, bottom, kFrame);
  if (trace.points.empty() || trace.si < 1) return;
  const double x0 = trace.points.front().x, xLast = trace.points.back().x;
  const auto [lo, hi] = std::minmax_element(s.begin(), s.end());
  double vLow = std::min(0.0, double(*lo)), vHigh = std::max(0.0, double(*hi));
  if (vHigh <= vLow) vHigh = vLow + 1;
  const double pad = 0.05 * (vHigh - vLow);
  const auto rowOf = [&](double v) { return bottom - (v - vLow + pad) / (vHigh - vLow + 2 * pad) * (l.plotHeight - 1); };
  canvas.Line(l.left, rowOf(0), l.left + l.panelWidth - 1, rowOf(0), kZero);
  // Sample k lies at x0 + k (xLast - x0) / SI, as the resampling put it.
  const auto xOf = [&](double k) { return l.X(x0 + k * (xLast - x0) / trace.si); };
  for (std::size_t k = 0; k + 1 < s.size(); ++k) canvas.Line(xOf(k), rowOf(s[k]), xOf(k + 1.0), rowOf(s[k + 1]), kSpectrum);
  if (s.size() == 1) canvas.Set(static_cast<std::int32_t>(xOf(0)), static_cast<std::int32_t>(rowOf(s[0])), kSpectrum);

  // The axis runs from F1 at sample 0 to F2 at sample SI.
  if (!(xLast > x0) || !(trace.sf > 0) || trace.f1 == trace.f2) return;
  const double p1 = trace.f1 / trace.sf, p2 = trace.f2 / trace.sf;
  const double step = NiceStep(std::fabs(p2 - p1), std::max(2, l.panelWidth / 120));
  if (!(step > 0) || !std::isfinite(step)) return;
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  const double first = std::ceil(std::min(p1, p2) / step - 1e-9), last = std::floor(std::max(p1, p2) / step + 1e-9);
  for (double n = first; n <= last; ++n) {
    const double ppm = n * step;
    const double x = xOf((ppm - p1) / (p2 - p1) * trace.si);
    const std::int32_t X = static_cast<std::int32_t>(std::lround(x));
    canvas.Fill(X, bottom + 1, X, bottom + kTick, kInk);
    char label[32];
    std::snprintf(label, sizeof label, "%.*f", decimals, std::fabs(ppm) < step * 1e-6 ? 0.0 : ppm);
    canvas.Text(X - canvas.TextWidth(label) / 2.0, bottom + kTick + 4, label, kInk);
  }
  const std::string unit = "ppm";
  canvas.Text(l.left + (l.panelWidth - canvas.TextWidth(unit)) / 2.0, bottom + kAxisHeight - 24, unit, kInk);
}

void CollectBytes(void* context, void* data, int size) {
  auto* bytes = static_cast<std::vector<unsigned char>*>(context);
  const auto* p = static_cast<const unsigned char*>(data);
  bytes->insert(bytes->end(), p, p + size);
}

}  // namespace

bool DrawPreview(const DIBINFO* picture, const TraceRecord& trace, PreviewImage* out) {
  if (picture != nullptr && (picture->PixelWidth <= 0 || picture->PixelHeight <= 0)) picture = nullptr;
  if (picture == nullptr && (!trace.valid || trace.points.empty())) return false;
  const PreviewLayout l = Lay(picture, trace);
  out->layout = l;
  out->rgb.assign(3 * static_cast<std::size_t>(l.width) * l.height, 255);
  Canvas canvas{l.width, l.height, out->rgb};
  PixelSource source;
  if (picture != nullptr && source.Open(*picture)) {
    DrawPicture(canvas, l, source, *picture);
  } else {
    canvas.Fill(l.left, l.top, l.left + l.panelWidth - 1, l.top + l.pictureHeight - 1, kWhite);
    canvas.Frame(l.left - 1, l.top - 1, l.left + l.panelWidth, l.top + l.pictureHeight, kFrame);
  }
  if (trace.valid) DrawOverlay(canvas, l, picture, trace);
  if (l.plotHeight > 0) DrawSpectrum(canvas, l, trace);
  return true;
}

int WritePreview(const char* path, bool replace) {
  PreviewImage image;
  if (!DrawPreview(DibInfo, LastTrace, &image)) {
    ShowMessageF(IDS_PREVIEW_NOT_WRITTEN, path, "there is no picture and nothing was traced");
    return 0;
  }
  std::vector<unsigned char> png;
  const PreviewLayout& l = image.layout;
  if (!stbi_write_png_to_func(CollectBytes, &png, l.width, l.height, 3, image.rgb.data(), 3 * l.width)) {
    ShowMessage(IDS_NO_MEMORY);
    return 0;
  }
  std::string error;
  if (!WriteFileSafely(path, png.data(), png.size(), replace, &error)) {
    ShowMessageF(IDS_PREVIEW_NOT_WRITTEN, path, error.c_str());
    return 0;
  }
  return 1;
}
