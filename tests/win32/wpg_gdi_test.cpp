// Drawings on a real device context: a memory DC with a 32-bit DIB section,
// read back pixel by pixel. What GDI itself must get right: every created pen,
// brush and region deleted, the stock objects selected at the end, and the
// shapes where the records put them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "native/wpg_test_support.h"
#include "picture/gdi_canvas_win32.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"

#ifndef QUILLON_TEST_DATA
#define QUILLON_TEST_DATA "."
#endif

namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kGrey = 0xC0C0C0,
                        kBackground = 0x336699;

// A top-down 32-bit surface; pixels read back as 0x00RRGGBB.
class Surface {
 public:
  Surface(int width, int height) : width_(width), height_(height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH b = CreateSolidBrush(RGB(0x33, 0x66, 0x99));
    RECT all = {0, 0, width, height};
    FillRect(dc_, &all, b);
    DeleteObject(b);
  }
  ~Surface() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  bool ok() const { return bits_ != nullptr; }
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * width_ + x] & 0xFFFFFF;
  }
  // Whether `color` is within a pixel of (x, y): for points on a drawn line.
  bool Near(int x, int y, std::uint32_t color) const {
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (At(x + dx, y + dy) == color) return true;
    return false;
  }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

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

bool IsStockNull(CanvasObject o) { return o == GetStockObject(NULL_PEN) || o == GetStockObject(NULL_BRUSH); }

class WpgGdiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreePicture();
    ResetSettings();
  }
  void TearDown() override { FreePicture(); }

  void ExpectNothingLeft(const TrackingCanvas& c, HDC dc, size_t atLeast) {
    EXPECT_GE(c.created.size(), atLeast);
    for (CanvasObject o : c.created) {
      EXPECT_NE(o, nullptr);
      // GDI hands out its stock null pen and null brush for a pen of the null
      // style and a hollow brush; deleting them does nothing.
      if (IsStockNull(o)) continue;
      EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(o)), 0u) << "object " << o << " was not deleted";
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  }
};

TEST_F(WpgGdiTest, NoCreatedPenBrushOrRegionOutlivesThePlayback) {
  WpgWriter w;
  w.Fill(1, 12)
      .Pen(1, 9)
      .Poly16(8, {{1000, 1000}, {5000, 1000}, {3000, 5000}})
      .Ellipse(5400, 3900, 1000, 800, 0, 0, 360)
      .Fill(0, 0)
      .Pen(0, 3)
      .Poly32(8, {{6000, 1000}, {9000, 1000}, {7000, 6000}})
      .Fill(255, 0)
      .Pen(1, 200)
      .Line(0, 0, 10800, 7800)
      .End();
  LoadDrawing(w.bytes, 1000, 500);
  Surface s(1000, 500);
  ASSERT_TRUE(s.ok());
  TrackingCanvas c(s.dc());
  PlayLoaded(c);
  // Two objects of the set-up, six attribute records, two regions.
  ExpectNothingLeft(c, s.dc(), 10);
}

TEST_F(WpgGdiTest, FortyByteLineRunsAlongTheDiagonalOfTheDisplayRect) {
  LoadDrawing(FortyByteDrawing(), 1000, 500);
  ASSERT_EQ(DisplayRect.left, 167);
  ASSERT_EQ(DisplayRect.bottom, 490);
  Surface s(1000, 500);
  TrackingCanvas c(s.dc());
  PlayLoaded(c);
  // From the bottom left corner (drawn) to the top right one (left out, as
  // LineTo does), one pixel per column within a pixel of the diagonal.
  EXPECT_EQ(s.At(167, 490), kBlack);
  EXPECT_NE(s.At(833, 10), kBlack);
  for (int x = 167; x < 833; ++x) {
    const double ideal = 490.0 - (x - 167) * 480.0 / 666.0;
    int dark = 0;
    for (int y = 0; y < 500; ++y) {
      if (s.At(x, y) != kBlack) continue;
      ++dark;
      EXPECT_LE(std::fabs(y - ideal), 1.0) << x << "," << y;
    }
    EXPECT_GE(dark, 1) << "column " << x;
  }
  ExpectNothingLeft(c, s.dc(), 2);
}

// Plays `w` with WPG (x, y) on client (x, 500 - y).
void PlayFlipped(Surface& s, WpgWriter& w) {
  LoadDrawing(w.End().bytes, 1000, 500);
  TrackingCanvas c(s.dc());
  PlayWpg(c, 1.0, -1.0, 0, 500);
  for (CanvasObject o : c.created) {
    if (!IsStockNull(o)) {
      EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(o)), 0u);
    }
  }
}

TEST_F(WpgGdiTest, FillStylesFillOrLeaveTheInsideAndLineStyleZeroHidesTheOutline) {
  Surface s(1000, 500);
  WpgWriter w;
  w.Fill(1, 12).Ellipse(100, 250, 50, 50, 0, 0, 360);   // red inside, black outline
  w.Fill(0, 12).Ellipse(300, 250, 50, 50, 0, 0, 360);   // hollow
  w.Fill(255, 12).Ellipse(500, 250, 50, 50, 0, 0, 360); // white whatever the colour
  w.Fill(2, 12).Ellipse(700, 250, 50, 50, 0, 0, 360);   // hatches are white
  w.Pen(0, 0).Fill(1, 12).Ellipse(900, 250, 50, 50, 0, 0, 360);  // no outline
  PlayFlipped(s, w);
  EXPECT_EQ(s.At(100, 250), kRed);
  EXPECT_EQ(s.At(50, 250), kBlack);
  EXPECT_EQ(s.At(300, 250), kBackground);
  EXPECT_EQ(s.At(250, 250), kBlack);
  EXPECT_EQ(s.At(500, 250), kWhite);
  EXPECT_EQ(s.At(700, 250), kWhite);
  EXPECT_EQ(s.At(900, 250), kRed);
  EXPECT_EQ(s.At(852, 250), kRed);
  EXPECT_FALSE(s.Near(851, 250, kBlack));
}

TEST_F(WpgGdiTest, PolygonFillsAlternateAndArcDrawsOnlyItsQuarter) {
  Surface s(1000, 500);
  // A pentagram: with the alternate rule its centre stays empty.
  std::vector<std::pair<int, int>> star;
  for (int k = 0; k < 5; ++k) {
    const double a = (90 + 144 * k) * 3.14159265358979 / 180;
    star.push_back({static_cast<int>(std::lround(250 + 200 * std::cos(a))),
                    static_cast<int>(std::lround(250 + 200 * std::sin(a)))});
  }
  WpgWriter w;
  w.Fill(1, 12).Poly16(8, star);
  w.Ellipse(700, 250, 100, 100, 0, 45, 135);
  PlayFlipped(s, w);
  EXPECT_EQ(s.At(250, 250), kBackground);  // the centre pentagon
  EXPECT_EQ(s.At(250, 500 - 400), kRed);   // inside the top spike
  // The outline is closed: the first edge, from the top tip towards the
  // lower left one, is drawn.
  const int x0 = star[0].first, y0 = 500 - star[0].second, x1 = star[1].first, y1 = 500 - star[1].second;
  EXPECT_TRUE(s.Near((x0 + x1) / 2, (y0 + y1) / 2, kBlack));
  // The arc from 45 to 135 degrees: the top of the circle, nothing at its
  // sides or bottom, its inside unfilled.
  EXPECT_TRUE(s.Near(700, 151, kBlack));
  EXPECT_EQ(s.At(800, 250), kBackground);
  EXPECT_EQ(s.At(600, 250), kBackground);
  EXPECT_EQ(s.At(700, 349), kBackground);
  EXPECT_EQ(s.At(700, 200), kBackground);
}

TEST_F(WpgGdiTest, HintStripAndPageFrameAroundADrawing) {
  LoadDrawing(FortyByteDrawing(), 1000, 500);
  Surface s(1000, 500);
  TrackingCanvas c(s.dc());
  DrawHintStrip(c);
  DrawPageFrame(DisplayRect, c);
  PlayLoaded(c);
  // Light grey rows 486 to 499 right across; a black line on row 484 with a
  // row of background between.
  for (int x : {0, 500, 999}) {
    EXPECT_EQ(s.At(x, 499), kGrey) << x;
    EXPECT_EQ(s.At(x, 485), kBackground) << x;
  }
  EXPECT_EQ(s.At(999, 486), kGrey);
  for (int x = 0; x < 1000; ++x) ASSERT_EQ(s.At(x, 484), kBlack) << x;
  EXPECT_EQ(s.At(999, 483), kBackground);
  // The hint is written in the strip, starting near its left end.
  int text = 0;
  for (int y = 486; y < 500; ++y)
    for (int x = 0; x < 300; ++x) text += s.At(x, y) != kGrey;
  EXPECT_GT(text, 20);
  // Handles: corners 6 pixels, middles 5, just outside the frame.
  EXPECT_EQ(s.At(161, 4), kBlack);
  EXPECT_EQ(s.At(166, 9), kBlack);
  EXPECT_EQ(s.At(498, 4), kBlack);
  EXPECT_EQ(s.At(502, 9), kBlack);
  EXPECT_EQ(s.At(503, 9), kBackground);
  EXPECT_EQ(s.At(839, 252), kBlack);
  EXPECT_EQ(s.At(834, 496), kBlack);
  EXPECT_EQ(s.At(161, 248), kBlack);
  EXPECT_EQ(s.At(160, 248), kBackground);
  // The frame's corner is on the dotted line.
  EXPECT_EQ(s.At(167, 10), kBlack);
  ExpectNothingLeft(c, s.dc(), 3);
}

TEST_F(WpgGdiTest, RealDrawingFillsItsPolygonsBlack) {
  std::FILE* f = std::fopen(QUILLON_TEST_DATA "/wpg/exiftool_WPG.wpg", "rb");
  ASSERT_NE(f, nullptr);
  std::vector<unsigned char> image(4096);
  image.resize(std::fread(image.data(), 1, image.size(), f));
  std::fclose(f);
  ASSERT_EQ(image.size(), 159u);
  LoadDrawing(image, 1000, 500);
  Surface s(1000, 500);
  TrackingCanvas c(s.dc());
  PlayLoaded(c);
  const WPGSTATE& st = *WpgState;
  // The inside of the last polygon, the wide one along the bottom of the page:
  // (312, 312) .. (10304, 2532) in WPG units.
  const int x = MapWpgVertex(5000, st.XScale, st.XOffset), y = MapWpgVertex(1400, st.YScale, st.YOffset);
  EXPECT_EQ(s.At(x, y), kBlack);
  // Outside every polygon, on the page: the background.
  const int ox = MapWpgVertex(10000, st.XScale, st.XOffset), oy = MapWpgVertex(4000, st.YScale, st.YOffset);
  EXPECT_EQ(s.At(ox, oy), kBackground);
  ExpectNothingLeft(c, s.dc(), 9);
}

}  // namespace
