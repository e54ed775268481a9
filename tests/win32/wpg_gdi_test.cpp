// Drawings on a real device context, read back pixel by pixel, for what GDI
// itself must get right: every created pen, brush and region deleted, the
// stock objects selected at the end, fills, outlines and arcs as recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "native/wpg_test_support.h"
#include "picture/gdi_canvas_win32.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "shell_test_support.h"

#ifndef QUILLON_TEST_DATA
#define QUILLON_TEST_DATA "."
#endif

using namespace shelltest;

namespace {

constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kGrey = 0xC0C0C0,
                        kBackground = 0x336699;

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

void ExpectNothingLeft(const TrackingCanvas& c, HDC dc, size_t atLeast) {
  EXPECT_GE(c.created.size(), atLeast);
  for (CanvasObject o : c.created) {
    EXPECT_NE(o, nullptr);
    // GDI hands out its stock null pen and null brush for a pen of the null
    // style and a hollow brush; deleting them does nothing.
    if (o == GetStockObject(NULL_PEN) || o == GetStockObject(NULL_BRUSH)) continue;
    EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(o)), 0u) << "object " << o << " was not deleted";
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
}

class WpgGdiTest : public ::testing::Test {
 protected:
  void SetUp() override { FreePicture(); }
  void TearDown() override { FreePicture(); }
};

TEST_F(WpgGdiTest, FillStylesPolygonsAndArcsLookAsTheRecordsSay) {
  // A pentagram around WPG (250, 250): with the alternate rule its centre stays empty.
  std::vector<std::pair<int, int>> star;
  for (int k = 0; k < 5; ++k) {
    const double a = (90 + 144 * k) * 3.14159265358979 / 180;
    star.push_back({static_cast<int>(std::lround(250 + 200 * std::cos(a))),
                    static_cast<int>(std::lround(250 + 200 * std::sin(a)))});
  }
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
  // Two objects of the set-up, one for each of nine attribute records, two regions.
  ExpectNothingLeft(c, s.dc(), 13);

  EXPECT_EQ(s.At(100, 250), kRed);
  EXPECT_EQ(s.At(50, 250), kBlack);
  EXPECT_EQ(s.At(300, 250), kBackground);
  EXPECT_EQ(s.At(250, 250), kBlack);
  EXPECT_EQ(s.At(500, 250), kWhite);
  EXPECT_EQ(s.At(700, 250), kWhite);
  EXPECT_EQ(s.At(900, 250), kRed);
  EXPECT_EQ(s.At(852, 250), kRed);
  EXPECT_FALSE(s.Near(851, 250, kBlack));

  EXPECT_EQ(s.At(250, 750), kBackground);  // the centre pentagon
  EXPECT_EQ(s.At(250, 600), kRed);         // inside the top spike
  // The outline is closed: the edge from the first vertex to the second is drawn.
  EXPECT_TRUE(s.Near((star[0].first + star[1].first) / 2, 1000 - (star[0].second + star[1].second) / 2, kBlack));
  // The arc from 45 to 135 degrees: the top of the circle only, its inside unfilled.
  EXPECT_TRUE(s.Near(700, 651, kBlack));
  for (const auto& p : {std::pair<int, int>{800, 750}, {600, 750}, {700, 849}, {700, 700}})
    EXPECT_EQ(s.At(p.first, p.second), kBackground) << p.first << "," << p.second;
}

TEST_F(WpgGdiTest, RealDrawingFillsItsPolygonsBlack) {
  const std::string file = ReadText(QUILLON_TEST_DATA "/wpg/exiftool_WPG.wpg");
  ASSERT_EQ(file.size(), 159u);
  LoadDrawing(std::vector<unsigned char>(file.begin(), file.end()), 1000, 500);
  Surface s(1000, 500, kBackground);
  TrackingCanvas c(s.dc());
  PlayLoaded(c);
  ExpectNothingLeft(c, s.dc(), 9);
  const WPGSTATE& st = *WpgState;
  auto at = [&](int x, int y) {
    return s.At(MapWpgVertex(x, st.XScale, st.XOffset), MapWpgVertex(y, st.YScale, st.YOffset));
  };
  // Inside the last polygon, (312, 312) .. (10304, 2532) along the bottom of
  // the page; then outside every polygon.
  EXPECT_EQ(at(5000, 1400), kBlack);
  EXPECT_EQ(at(10000, 4000), kBackground);
}

}  // namespace
