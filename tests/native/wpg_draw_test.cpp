// Page layout, coordinate mapping, the drawing primitives and the decorations,
// as the operations they send to the canvas.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "picture/wpg.h"
#include "shell/state.h"
#include "test_support.h"
#include "wpg_test_support.h"

namespace {

using Ops = std::vector<std::string>;
using Rect = std::vector<int>;

Rect Displayed() { return {DisplayRect.left, DisplayRect.top, DisplayRect.right, DisplayRect.bottom}; }

class WpgDrawTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { ResetProgram(); }
  // Carries out the records of `w` at scale 1 and the given offsets.
  Ops Direct(WpgWriter& w, int xOffset = 0, int yOffset = 0) {
    RecordingCanvas c;
    WPGCURSOR cursor = {w.bytes.data(), w.bytes.size(), kWpgStreamStart};
    while (!cursor.AtEnd()) ReadWpgRecord(c, cursor, 1.0, 1.0, xOffset, yOffset);
    EXPECT_EQ(c.errors, Ops{});
    return c.ops;
  }
};

TEST_F(WpgDrawTest, PageLayoutTruncatesAsWritten) {
  LoadDrawing(FortyByteDrawing(), 1000, 500);  // limited by the height
  EXPECT_EQ(Displayed(), (Rect{167, 10, 833, 490}));
  const WPGSTATE& s = *WpgState;
  EXPECT_EQ(s.XScale, 666.0 / 10800);
  EXPECT_EQ(s.YScale, -480.0 / 7800);
  EXPECT_EQ(std::vector<int>({MapWpgCoordinate(0, s.XScale, s.XOffset), MapWpgCoordinate(0, s.YScale, s.YOffset),
                              MapWpgCoordinate(10800, s.XScale, s.XOffset), MapWpgCoordinate(7800, s.YScale, s.YOffset),
                              MapWpgVertex(5400, s.XScale, s.XOffset), MapWpgVertex(3900, s.YScale, s.YOffset)}),
            std::vector<int>({167, 490, 833, 10, 500, 250}));
  LoadDrawing(FortyByteDrawing(), 500, 1000);  // limited by the width
  EXPECT_EQ(Displayed(), (Rect{10, 326, 490, 674}));
  EXPECT_EQ(WpgState->XScale, 480.0 / 10800);
  EXPECT_EQ(WpgState->YScale, -348.0 / 7800);
  // The page's own ratio takes the height-limited formulas (the width-limited
  // ones would give 21, 15, 1058, 765).
  LoadDrawing(FortyByteDrawing(), 1080, 780);
  EXPECT_EQ(Displayed(), (Rect{21, 15, 1059, 764}));
  // Nothing breaks without a window, and nothing happens without a state.
  LoadDrawing(FortyByteDrawing(), 0, 0);
  EXPECT_EQ(Displayed(), (Rect{0, 0, 0, 0}));
  ResetProgram();
  DisplayRect = {1, 2, 3, 4};
  const std::vector<unsigned char> image = FortyByteDrawing();
  LayoutWpgPage(image.data(), image.size());
  EXPECT_EQ(Displayed(), (Rect{1, 2, 3, 4}));
}

TEST_F(WpgDrawTest, PageSizeComesFromALeadingStartRecordInEitherLayout) {
  struct Case {
    const char* what;
    std::vector<unsigned char> image;
    std::int32_t width, height;
  };
  std::vector<unsigned char> cut = WpgWriter().Start32(21600, 7800).bytes;
  cut.pop_back();
  const Case cases[] = {
      {"int32 pair", WpgWriter().Start32(21600, 7800).End().bytes, 21600, 7800},
      {"16-bit pair of a six-byte record", WpgWriter().Start16(12000, 6000).End().bytes, 12000, 6000},
      {"16-bit sizes are unsigned", WpgWriter().Start16(40000, 30000).End().bytes, 40000, 30000},
      {"zero width", WpgWriter().Start32(0, 7800).End().bytes, 10800, 7800},
      {"negative height", WpgWriter().Start32(21600, -7800).End().bytes, 10800, 7800},
      {"16-bit zero width", WpgWriter().Start16(0, 100).End().bytes, 10800, 7800},
      {"too short for a size", WpgWriter().Record(15, {1, 0, 0x30, 0x2A}).End().bytes, 10800, 7800},
      {"not the first record", WpgWriter().Line(0, 0, 1, 1).Start32(21600, 7800).End().bytes, 10800, 7800},
      {"reaching past the end of the file", cut, 10800, 7800},
  };
  for (const Case& c : cases) {
    LoadDrawing(c.image, 1000, 500);
    EXPECT_EQ(WpgState->PageWidth, c.width) << c.what;
    EXPECT_EQ(WpgState->PageHeight, c.height) << c.what;
    if (c.width == 10800) {
      EXPECT_EQ(Displayed(), (Rect{167, 10, 833, 490})) << c.what;
    }
  }
  LoadDrawing(cases[0].image, 1000, 500);
  EXPECT_EQ(Displayed(), (Rect{20, 76, 980, 424}));
}

TEST_F(WpgDrawTest, EachMappingVariantTruncatesAndWrapsItsOwnWay) {
  // A line end or centre left of the window wraps to a large value,
  // truncated toward zero (-0.5 is 0, not -1); a vertex keeps its sign.
  EXPECT_EQ(MapWpgCoordinate(0, 1.0, -1), 65535);
  EXPECT_EQ(MapWpgCoordinate(5, 1.0, -10), 65531);
  EXPECT_EQ(MapWpgCoordinate(70000 - 65536, 1.0, 65536), 4464);
  EXPECT_EQ(MapWpgCoordinate(1, 0.5, -1), 0);
  EXPECT_EQ(MapWpgVertex(5, 1.0, -10), -5);
  EXPECT_EQ(MapWpgVertex(-3, 0.5, 0), -1);
  EXPECT_EQ(MapWpgVertex(2000000000, 4.0, 0), INT_MAX);
  EXPECT_EQ(MapWpgVertex(-2000000000, 4.0, 0), INT_MIN);
  // Radii are rounded and take the size of the scale.
  EXPECT_EQ(MapWpgRadius(1000, 666.0 / 10800), 62);
  EXPECT_EQ(MapWpgRadius(1000, -480.0 / 7800), 62);
  EXPECT_EQ(MapWpgRadius(3, 0.5), 2);
  EXPECT_EQ(MapWpgRadius(2, 0.2), 0);
  WpgWriter w;
  w.Line(5, 5, 20, 20).Poly16(6, {{5, 5}, {20, 20}});
  EXPECT_EQ(Direct(w, -10, -10), (Ops{"MoveToEx(65531,65531)", "LineTo(10,10)", "Polyline(-5,-5 10,10)"}));
}

TEST_F(WpgDrawTest, Primitives) {
  LoadDrawing(WpgWriter().Ellipse(5400, 3900, 1000, 1000, 0, 0, 360).Ellipse(5400, 3900, 1000, 1000, 0, 45, 135)
                  .Ellipse(5400, 3900, 1000, 1000, 1, 0, 360).End().bytes, 1000, 500);
  RecordingCanvas c;
  PlayLoaded(c);
  // The full ellipse; the arc from 45 to 135 degrees with its rays 10000
  // pixels out from (500, 250); nothing for a rotated one.
  EXPECT_EQ(Ops(c.ops.begin() + 4, c.ops.end() - 4),
            (Ops{"Ellipse(438,188,562,312)", "Arc(438,188,562,312,7571,-6821,-6571,-6821)"}));
  WpgWriter w;
  // Only 0 to 360 is a full ellipse; an end angle beyond 360 wraps as a 16-bit value.
  w.Ellipse(100, 200, 10, 20, 0, 360, 0).Ellipse(100, 200, 10, 20, 0, 0, 450);
  // A polygon is filled, then outlined with a closing segment.
  w.Poly16(8, {{10, 20}, {30, -40}, {50, 60}}).Poly32(6, {{10, 20}, {-30, 40}});
  // Records too short for their fields are skipped without drawing.
  w.Record(5, {1, 0, 2, 0, 3, 0, 4}).Record(9, std::vector<unsigned char>(13, 1)).Record(1, {1}).Record(2, {1});
  EXPECT_EQ(Direct(w, 5, 7), (Ops{"Arc(95,187,115,227,10105,207,10105,207)",
                                  "Arc(95,187,115,227,10105,207,2861,-9405)",
                                  "CreatePolygonRgn(15,27 35,-33 55,67;ALTERNATE)=rgn1", "PaintRgn(rgn1)",
                                  "DeleteObject(rgn1)", "Polyline(15,27 35,-33 55,67)", "MoveToEx(55,67)",
                                  "LineTo(15,27)", "Polyline(15,27 -25,47)"}));
}

TEST_F(WpgDrawTest, PageFrameAndItsEightHandles) {
  RecordingCanvas c;
  DrawPageFrame(DISPLAYRECT{167, 10, 833, 490}, c);
  EXPECT_EQ(c.ops, (Ops{"CreatePen(DOT,1,000000)=pen1", "SelectObject(pen1)", "MoveToEx(167,10)", "LineTo(833,10)",
                        "LineTo(833,490)", "LineTo(167,490)", "LineTo(167,10)", "SelectObject(BLACK_PEN)",
                        "DeleteObject(pen1)", "SelectObject(BLACK_BRUSH)", "Rectangle(161,4,167,10)",
                        "Rectangle(498,4,503,10)", "Rectangle(834,4,840,10)", "Rectangle(834,248,840,253)",
                        "Rectangle(834,491,840,497)", "Rectangle(498,491,503,497)", "Rectangle(161,491,167,497)",
                        "Rectangle(161,248,167,253)", "SelectObject(WHITE_BRUSH)"}));
  EXPECT_EQ(c.errors, Ops{});
  EXPECT_EQ(c.Live(), Ops{});
  // The centre handles truncate toward zero, also left of the window.
  RecordingCanvas n;
  DrawPageFrame(DISPLAYRECT{-7, -3, 0, 0}, n);
  EXPECT_EQ(n.OpsStartingWith("Rectangle")[1], "Rectangle(-5,-9,0,-3)");
  EXPECT_EQ(n.OpsStartingWith("Rectangle")[3], "Rectangle(1,-3,7,2)");
}

TEST_F(WpgDrawTest, HintStripAlongTheBottomOfTheWindow) {
  ClientWidth = 1000;
  ClientHeight = 500;
  RecordingCanvas c;
  DrawHintStrip(c);
  EXPECT_EQ(c.ops, (Ops{"SelectObject(NULL_PEN)", "SelectObject(LTGRAY_BRUSH)", "Rectangle(0,486,1001,501)",
                        "SelectObject(BLACK_PEN)", "MoveToEx(0,484)", "LineTo(1000,484)", "SelectObject(ANSI_VAR_FONT)",
                        "SetBkMode(TRANSPARENT)", "TextOutA(4,486,Double-click to zoom in and out.)"}));
  // It leaves the black pen, the grey brush and the font selected.
  EXPECT_EQ(c.Selected('p') + " " + c.Selected('b') + " " + c.Selected('f'), "BLACK_PEN LTGRAY_BRUSH ANSI_VAR_FONT");
}

}  // namespace
