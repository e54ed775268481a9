// Pictures drawn on a memory device context and read back pixel by pixel:
// every kind of stored bitmap lands stretched, the right way up, exactly on
// the display rectangle; a drawing's fills, outlines and arcs come out as
// recorded, with every created pen, brush and region deleted afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "native/wpg_test_support.h"
#include "picture/bitmap.h"
#include "picture/bitmap_win32.h"
#include "picture/gdi_canvas_win32.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "shell/view.h"
#include "shell_test_support.h"

using namespace shelltest;

namespace {

using Bytes = std::vector<unsigned char>;

// A memory DC holding a top-down 32-bit DIB section; pixels read as 0xRRGGBB.
class Surface {
 public:
  Surface(int width, int height, std::uint32_t fill) : width_(width), height_(height) {
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    std::fill(bits_, bits_ + width * height, fill);
  }
  ~Surface() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFF;
  }
  int Count(std::uint32_t colour) const {
    GdiFlush();
    const auto same = [&](std::uint32_t p) { return (p & 0xFFFFFF) == colour; };
    return static_cast<int>(std::count_if(bits_, bits_ + width_ * height_, same));
  }
  // Whether `colour` lies within a pixel of (x, y): for points on a drawn line.
  bool Near(int x, int y, std::uint32_t colour) const {
    for (int d = 0; d < 9; ++d)
      if (At(x + d % 3 - 1, y + d / 3 - 1) == colour) return true;
    return false;
  }

 private:
  int width_, height_;
  HDC dc_ = CreateCompatibleDC(nullptr);
  HBITMAP bitmap_;
  HGDIOBJ previous_;
  std::uint32_t* bits_ = nullptr;
};

void Put(Bytes& b, std::size_t at, std::int32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

// A 2 x 2 bitmap file (a 12-byte core header when `core`) with a table of
// `colours` entries: red, green, blue, black, then white.
Bytes BitmapFile(int height, int bits, int colours, const Bytes& pixels, int compression = BI_RGB, bool core = false) {
  const int field = core ? 2 : 4;
  Bytes b(core ? 26 : 54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put(b, 14, core ? 12 : 40, 4);
  Put(b, 18, 2, field);
  Put(b, 18 + field, height, field);
  Put(b, 18 + 2 * field, 1, 2);
  Put(b, 20 + 2 * field, bits, 2);
  if (!core) {
    Put(b, 30, compression, 4);
    Put(b, 34, static_cast<std::int32_t>(pixels.size()), 4);
    Put(b, 46, colours, 4);
  }
  const unsigned char table[5][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 0, 0}, {255, 255, 255}};  // B, G, R
  for (int i = 0; i < colours; ++i) {
    b.insert(b.end(), table[i < 4 ? i : 4], table[i < 4 ? i : 4] + 3);
    if (!core) b.push_back(0);
  }
  Put(b, 10, static_cast<std::int32_t>(b.size()), 4);
  for (unsigned char p : pixels) b.push_back(p);
  return b;
}

TEST(DrawBitmapTest, EachKindIsStretchedWholeIntoTheDisplayRectangle) {
  const Bytes bottomUp = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0};  // red green / blue black
  const Bytes topDown = {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
  const Bytes indexed = {0, 1, 0, 0, 2, 3, 0, 0};
  const struct {
    const char* kind;
    Bytes file;
    int clientWidth, clientHeight;
  } cases[] = {{"24-bit", BitmapFile(2, 24, 0, bottomUp), 640, 480},
               {"top-down", BitmapFile(-2, 24, 0, topDown), 640, 480},
               {"8-bit", BitmapFile(2, 8, 4, indexed), 640, 480},
               // A core header counts no colours: all 256 entries are stored.
               {"core", BitmapFile(2, 8, 256, indexed, BI_RGB, true), 640, 480},
               // Runs of one pixel, end of line, end of bitmap: drawn from the stored data.
               {"RLE8", BitmapFile(2, 8, 4, {1, 0, 1, 1, 0, 0, 1, 2, 1, 3, 0, 1}, BI_RLE8), 640, 480},
               {"small client", BitmapFile(2, 24, 0, bottomUp), 100, 60},
               {"no width", BitmapFile(2, 24, 0, bottomUp), 28, 480},
               {"no height", BitmapFile(2, 24, 0, bottomUp), 640, 20}};
  FreePicture();
  Surface none(640, 480, 0xFFFFFF);
  DrawBitmap(none.dc());
  EXPECT_EQ(none.Count(0xFFFFFF), 640 * 480) << "nothing drawn without a bitmap";
  TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    ASSERT_TRUE(WriteBytes(folder.File("draw.bmp"), c.file));
    std::strcpy(CurrentPath, folder.File("draw.bmp").c_str());
    ClientWidth = c.clientWidth;
    ClientHeight = c.clientHeight;
    ASSERT_EQ(OpenBitmap(), 1);
    const int w = c.clientWidth - 28, h = c.clientHeight - 28;
    EXPECT_EQ(std::vector<int>({DisplayRect.left, DisplayRect.top, DisplayRect.right, DisplayRect.bottom}),
              std::vector<int>({14, 14, w, h}));
    Surface s(640, 480, 0xFFFFFF);
    DrawBitmap(s.dc());
    if (w <= 0 || h <= 0) {
      EXPECT_EQ(s.Count(0xFFFFFF), 640 * 480) << "nothing drawn without room";
      continue;
    }
    // The picture's corners on those of the area from (15, 15); nothing outside it.
    EXPECT_EQ(s.Count(0xFFFFFF), 640 * 480 - w * h);
    EXPECT_EQ(s.At(15, 15), 0x0000FFu);
    EXPECT_EQ(s.At(15 + w - 1, 15), 0x000000u);
    EXPECT_EQ(s.At(15, 15 + h - 1), 0xFF0000u);
    EXPECT_EQ(s.At(15 + w - 1, 15 + h - 1), 0x00FF00u);
    EXPECT_EQ(s.At(15 + w / 2 - 2, 15 + h / 2 - 2), 0x0000FFu);
    EXPECT_EQ(s.At(15 + w / 2 + 2, 15 + h / 2 + 2), 0x00FF00u);
  }
  FreePicture();
}

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kBackground = 0x336699;

// A 6 x 4 picture, each pixel its own colour: (40 c, 60 r, 200) at column c
// and row r from the top; 24-bit rows bottom-up or top-down, or 8-bit with one
// table entry a pixel, stored plainly or as runs of one pixel.
Bytes PixelGrid(const char* kind) {
  const int w = 6, h = 4;
  const bool indexed = kind[0] != '2', topDown = std::strcmp(kind, "top-down") == 0;
  const bool rle = std::strcmp(kind, "RLE8") == 0;
  Bytes rows;
  for (int stored = 0; stored < h; ++stored) {
    const int r = topDown ? stored : h - 1 - stored;
    for (int c = 0; c < w; ++c) {
      if (rle) rows.push_back(1);
      if (indexed) rows.push_back(static_cast<unsigned char>(r * w + c));
      else rows.insert(rows.end(), {200, static_cast<unsigned char>(60 * r), static_cast<unsigned char>(40 * c)});
    }
    if (rle) rows.insert(rows.end(), {0, 0});
    else rows.resize((rows.size() + 3) / 4 * 4, 0);
  }
  if (rle) rows.insert(rows.end(), {0, 1});
  Bytes b(54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put(b, 14, 40, 4);
  Put(b, 18, w, 4);
  Put(b, 22, topDown ? -h : h, 4);
  Put(b, 26, 1, 2);
  Put(b, 28, indexed ? 8 : 24, 2);
  Put(b, 30, rle ? BI_RLE8 : BI_RGB, 4);
  Put(b, 34, static_cast<std::int32_t>(rows.size()), 4);
  Put(b, 46, indexed ? w * h : 0, 4);
  for (int i = 0; indexed && i < w * h; ++i) b.insert(b.end(), {200, static_cast<unsigned char>(60 * (i / w)),
                                                                 static_cast<unsigned char>(40 * (i % w)), 0});
  Put(b, 10, static_cast<std::int32_t>(b.size()), 4);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

// Zoomed in, only the visible part is drawn, and every pixel lands where the
// view maps it: the source rows of bottom-up, top-down and run-length
// pictures are counted as the platform counts them.
TEST(DrawBitmapTest, AZoomedPartLandsWhereTheViewMapsEachPixel) {
  TempFolder folder;
  for (const char* kind : {"24-bit", "top-down", "8-bit", "RLE8"}) {
    SCOPED_TRACE(kind);
    ASSERT_TRUE(WriteBytes(folder.File("grid.bmp"), PixelGrid(kind)));
    std::strcpy(CurrentPath, folder.File("grid.bmp").c_str());
    ClientWidth = 328;
    ClientHeight = 228;
    ASSERT_EQ(OpenBitmap(), 1);
    PictureView view;
    view.SetClient(ClientWidth, ClientHeight);
    view.ShowBitmap(6, 4);
    view.ZoomTo(1, view.ToClient({4.5, 2.5}));  // columns 2 to 5 and rows 1 to 3 stay in sight
    BitmapBlit part;
    ASSERT_TRUE(view.BitmapPart(&part));
    EXPECT_LT(part.srcWidth, 6);
    Surface s(ClientWidth, ClientHeight, kBackground);
    DrawBitmapPart(s.dc(), part);
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 6; ++c) {
        const ViewPoint at = view.ToClient({c + 0.5, r + 0.5});
        if (at.x < 0 || at.y < 0 || at.x >= ClientWidth || at.y >= view.ViewHeight()) continue;
        EXPECT_EQ(s.At(static_cast<int>(at.x), static_cast<int>(at.y)), std::uint32_t(40 * c) << 16 | (60 * r) << 8 | 200)
            << c << "," << r;
      }
    }
  }
  FreePicture();
}


// Keeps every object it creates, to ask GDI afterwards whether it still exists.
class TrackingCanvas : public GdiCanvas {
 public:
  using GdiCanvas::GdiCanvas;
  std::vector<CanvasObject> created;
  CanvasObject CreatePen(PenStyle s, int w, CanvasColor c) override { return Keep(GdiCanvas::CreatePen(s, w, c)); }
  CanvasObject CreateSolidBrush(CanvasColor c) override { return Keep(GdiCanvas::CreateSolidBrush(c)); }
  CanvasObject CreateHollowBrush() override { return Keep(GdiCanvas::CreateHollowBrush()); }
  CanvasObject CreatePolygonRgn(const CanvasPoint* p, int n, PolyFillMode m) override {
    return Keep(GdiCanvas::CreatePolygonRgn(p, n, m));
  }

 private:
  CanvasObject Keep(CanvasObject o) {
    created.push_back(o);
    return o;
  }
};

TEST(WpgGdiTest, FillsOutlinesAndArcsAreDrawnAsRecordedAndNoCreatedObjectOutlivesThePlayback) {
  // A pentagram around WPG (250, 250): with the alternate rule its centre stays empty.
  std::vector<std::pair<int, int>> star;
  for (int k = 0; k < 5; ++k) {
    const double a = (90 + 144 * k) * 3.14159265358979 / 180;
    star.push_back({static_cast<int>(std::lround(250 + 200 * std::cos(a))),
                    static_cast<int>(std::lround(250 + 200 * std::sin(a)))});
  }
  FreePicture();
  WpgWriter w;
  w.Fill(1, 12).Poly16(8, star).Ellipse(700, 250, 100, 100, 0, 45, 135);
  w.Poly32(8, {{20, 20}, {60, 20}, {40, 60}}).Pen(1, 200).Line(20, 480, 980, 480).Pen(1, 0);
  w.Fill(1, 12).Ellipse(100, 750, 50, 50, 0, 0, 360);    // red inside, black outline
  w.Fill(0, 12).Ellipse(300, 750, 50, 50, 0, 0, 360);    // hollow
  w.Fill(255, 12).Ellipse(500, 750, 50, 50, 0, 0, 360);  // white whatever the colour
  w.Fill(2, 12).Ellipse(700, 750, 50, 50, 0, 0, 360);    // hatches are white
  w.Pen(0, 0).Fill(1, 12).Ellipse(900, 750, 50, 50, 0, 0, 360).End();  // no outline
  LoadDrawing(w.bytes, 1000, 1000);
  Surface s(1000, 1000, kBackground);
  TrackingCanvas c(s.dc());
  PlayWpg(c, 1.0, -1.0, 0, 1000);  // WPG (x, y) on client (x, 1000 - y)
  FreePicture();
  // Two objects of the set-up, one for each of nine attribute records, two regions.
  EXPECT_GE(c.created.size(), 13u);
  for (CanvasObject o : c.created) {
    // GDI hands out its stock null pen and null brush for a pen of the null
    // style and a hollow brush; deleting them does nothing.
    if (o == GetStockObject(NULL_PEN) || o == GetStockObject(NULL_BRUSH)) continue;
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(o)), 0u) << "object " << o << " was not deleted";
  }
  EXPECT_EQ(GetCurrentObject(s.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(s.dc(), OBJ_BRUSH), GetStockObject(WHITE_BRUSH));

  // The ellipses; the pentagram's centre and a spike; the arc's sides, bottom and inside.
  const struct {
    int x, y;
    std::uint32_t colour;
  } pixels[] = {{100, 250, kRed},        {50, 250, kBlack},       {300, 250, kBackground}, {250, 250, kBlack},
                {500, 250, kWhite},      {700, 250, kWhite},      {900, 250, kRed},        {852, 250, kRed},
                {250, 750, kBackground}, {250, 600, kRed},        {800, 750, kBackground}, {600, 750, kBackground},
                {700, 849, kBackground}, {700, 700, kBackground}};
  for (const auto& p : pixels) EXPECT_EQ(s.At(p.x, p.y), p.colour) << p.x << "," << p.y;
  EXPECT_FALSE(s.Near(851, 250, kBlack)) << "no outline";
  // The outline is closed: the edge from the first vertex to the second is drawn.
  EXPECT_TRUE(s.Near((star[0].first + star[1].first) / 2, 1000 - (star[0].second + star[1].second) / 2, kBlack));
  EXPECT_TRUE(s.Near(700, 651, kBlack)) << "the arc from 45 to 135 degrees";
}

}  // namespace
