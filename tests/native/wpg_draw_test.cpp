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

void ExpectRect(const DISPLAYRECT& r, int left, int top, int right, int bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

class WpgLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { ResetProgram(); }
};

TEST_F(WpgLayoutTest, DefaultPageInAWideWindowIsLimitedByTheHeight) {
  LoadDrawing(FortyByteDrawing(), 1000, 500);
  ExpectRect(DisplayRect, 167, 10, 833, 490);
  EXPECT_EQ(WpgState->XOffset, 167);
  EXPECT_EQ(WpgState->YOffset, 490);
  EXPECT_EQ(WpgState->XScale, 666.0 / 10800);
  EXPECT_EQ(WpgState->YScale, -480.0 / 7800);
  const WPGSTATE& s = *WpgState;
  // WPG (0, 0), (10800, 7800) and (5400, 3900) in the window.
  EXPECT_EQ(MapWpgCoordinate(0, s.XScale, s.XOffset), 167);
  EXPECT_EQ(MapWpgCoordinate(0, s.YScale, s.YOffset), 490);
  EXPECT_EQ(MapWpgCoordinate(10800, s.XScale, s.XOffset), 833);
  EXPECT_EQ(MapWpgCoordinate(7800, s.YScale, s.YOffset), 10);
  EXPECT_EQ(MapWpgVertex(5400, s.XScale, s.XOffset), 500);
  EXPECT_EQ(MapWpgVertex(3900, s.YScale, s.YOffset), 250);
}

TEST_F(WpgLayoutTest, TallWindowIsLimitedByTheWidthAndEqualRatiosByTheHeight) {
  LoadDrawing(FortyByteDrawing(), 500, 1000);
  ExpectRect(DisplayRect, 10, 326, 490, 674);
  EXPECT_EQ(WpgState->XScale, 480.0 / 10800);
  EXPECT_EQ(WpgState->YScale, -348.0 / 7800);
  // 1080 x 780 has the page's own ratio: the height-limited formulas apply
  // (the width-limited ones would give 21, 15, 1058, 765).
  LoadDrawing(FortyByteDrawing(), 1080, 780);
  ExpectRect(DisplayRect, 21, 15, 1059, 764);
}

TEST_F(WpgLayoutTest, PageSizeComesFromALeadingStartRecordInEitherLayout) {
  WpgWriter ours;
  ours.Start32(21600, 7800).End();
  LoadDrawing(ours.bytes, 1000, 500);
  EXPECT_EQ(WpgState->PageWidth, 21600);
  EXPECT_EQ(WpgState->PageHeight, 7800);
  ExpectRect(DisplayRect, 20, 76, 980, 424);

  // Real drawings: a six-byte start record with 16-bit words at 20 and 22.
  WpgWriter real;
  real.Start16(12000, 6000).End();
  ASSERT_EQ(real.bytes[17], 6);
  LoadDrawing(real.bytes, 1000, 500);
  EXPECT_EQ(WpgState->PageWidth, 12000);
  EXPECT_EQ(WpgState->PageHeight, 6000);
  // A 16-bit page size is unsigned: 40000 units are a wide page, not a negative one.
  WpgWriter wide;
  wide.Start16(40000, 30000).End();
  LoadDrawing(wide.bytes);
  EXPECT_EQ(WpgState->PageWidth, 40000);
  EXPECT_EQ(WpgState->PageHeight, 30000);
}

TEST_F(WpgLayoutTest, UnusablePageSizesKeepTheDefaultPage) {
  std::vector<std::vector<unsigned char>> images;
  images.push_back(WpgWriter().Start32(0, 7800).End().bytes);
  images.push_back(WpgWriter().Start32(21600, -7800).End().bytes);
  images.push_back(WpgWriter().Start16(0, 100).End().bytes);
  images.push_back(WpgWriter().Record(15, {1, 0, 0x30, 0x2A}).End().bytes);  // too short for a size
  images.push_back(WpgWriter().Line(0, 0, 1, 1).Start32(21600, 7800).End().bytes);  // not the first record
  std::vector<unsigned char> cut = WpgWriter().Start32(21600, 7800).bytes;
  cut.pop_back();  // the record reaches past the end of the file
  images.push_back(cut);
  for (size_t i = 0; i < images.size(); ++i) {
    LoadDrawing(images[i], 1000, 500);
    EXPECT_EQ(WpgState->PageWidth, 10800) << i;
    EXPECT_EQ(WpgState->PageHeight, 7800) << i;
    ExpectRect(DisplayRect, 167, 10, 833, 490);
  }
}

TEST_F(WpgLayoutTest, NothingHappensWithoutAStateAndNothingBreaksWithoutAWindow) {
  DisplayRect = {1, 2, 3, 4};
  const std::vector<unsigned char> image = FortyByteDrawing();
  LayoutWpgPage(image.data(), image.size());
  ExpectRect(DisplayRect, 1, 2, 3, 4);
  LoadDrawing(image, 0, 0);
  ExpectRect(DisplayRect, 0, 0, 0, 0);
  EXPECT_EQ(WpgState->XScale, 0.0);
}

TEST(WpgMappingTest, EachVariantTruncatesAndWrapsItsOwnWay) {
  // A line end point or centre left of the window wraps to a large value...
  EXPECT_EQ(MapWpgCoordinate(0, 1.0, -1), 65535);
  EXPECT_EQ(MapWpgCoordinate(5, 1.0, -10), 65531);
  EXPECT_EQ(MapWpgCoordinate(70000 - 65536, 1.0, 65536), 4464);
  // ...truncated toward zero: -0.5 is 0, not -1.
  EXPECT_EQ(MapWpgCoordinate(1, 0.5, -1), 0);
  // ...while a vertex keeps its sign.
  EXPECT_EQ(MapWpgVertex(5, 1.0, -10), -5);
  EXPECT_EQ(MapWpgVertex(-3, 0.5, 0), -1);
  EXPECT_EQ(MapWpgVertex(2000000000, 4.0, 0), INT_MAX);
  EXPECT_EQ(MapWpgVertex(-2000000000, 4.0, 0), INT_MIN);
  // Radii are rounded and take the size of the scale.
  EXPECT_EQ(MapWpgRadius(1000, 666.0 / 10800), 62);
  EXPECT_EQ(MapWpgRadius(1000, -480.0 / 7800), 62);
  EXPECT_EQ(MapWpgRadius(3, 0.5), 2);
  EXPECT_EQ(MapWpgRadius(2, 0.2), 0);
}

class WpgPrimitiveTest : public WpgLayoutTest {
 protected:
  // Plays `w` with the 1000 x 500 layout and returns what it drew between
  // the playback's own set-up and clean-up.
  Ops Drawn(WpgWriter& w) {
    LoadDrawing(w.End().bytes, 1000, 500);
    RecordingCanvas c;
    PlayLoaded(c);
    EXPECT_EQ(c.errors, Ops{});
    EXPECT_EQ(c.Live(), Ops{});
    return Ops(c.ops.begin() + 4, c.ops.end() - 4);
  }
  // Carries out a single record at scale 1 and the given offsets.
  Ops One(WpgWriter& w, int xOffset = 0, int yOffset = 0) {
    RecordingCanvas c;
    WPGCURSOR cursor = {w.bytes.data(), w.bytes.size(), kWpgStreamStart};
    ReadWpgRecord(c, cursor, 1.0, 1.0, xOffset, yOffset);
    EXPECT_EQ(cursor.Position, w.bytes.size());
    return c.ops;
  }
};

TEST_F(WpgPrimitiveTest, EllipseArcAndRotatedEllipse) {
  WpgWriter full;
  full.Ellipse(5400, 3900, 1000, 1000, 0, 0, 360);
  EXPECT_EQ(Drawn(full), Ops{"Ellipse(438,188,562,312)"});
  // 45 to 135 degrees: the rays point up-right and up-left from (500, 250),
  // 10000 pixels out, so that the upper quarter is drawn.
  WpgWriter arc;
  arc.Ellipse(5400, 3900, 1000, 1000, 0, 45, 135);
  EXPECT_EQ(Drawn(arc), Ops{"Arc(438,188,562,312,7571,-6821,-6571,-6821)"});
  WpgWriter rotated;
  rotated.Ellipse(5400, 3900, 1000, 1000, 1, 0, 360);
  EXPECT_EQ(Drawn(rotated), Ops{});
  // Only 0 to 360 is a full ellipse; an end angle beyond 360 wraps as a 16-bit value.
  WpgWriter reversed;
  reversed.Ellipse(100, 200, 10, 20, 0, 360, 0).Ellipse(100, 200, 10, 20, 0, 0, 450);
  LoadDrawing(reversed.End().bytes);
  RecordingCanvas c;
  WPGCURSOR cursor = {FileBuffer, FileBufferLength, kWpgStreamStart};
  ReadWpgRecord(c, cursor, 1.0, 1.0, 0, 0);
  ReadWpgRecord(c, cursor, 1.0, 1.0, 0, 0);
  EXPECT_EQ(c.ops, (Ops{"Arc(90,180,110,220,10100,200,10100,200)", "Arc(90,180,110,220,10100,200,2856,-9412)"}));
}

TEST_F(WpgPrimitiveTest, PolygonIsFilledThenOutlinedWithAClosingSegment) {
  WpgWriter polygon;
  polygon.Poly16(8, {{10, 20}, {30, -40}, {50, 60}});
  EXPECT_EQ(One(polygon), (Ops{"CreatePolygonRgn(10,20 30,-40 50,60;ALTERNATE)=rgn1", "PaintRgn(rgn1)",
                               "DeleteObject(rgn1)", "Polyline(10,20 30,-40 50,60)", "MoveToEx(50,60)",
                               "LineTo(10,20)"}));
  WpgWriter polyline;
  polyline.Poly32(6, {{10, 20}, {-30, 40}});
  EXPECT_EQ(One(polyline, 5, 7), Ops{"Polyline(15,27 -25,47)"});
}

TEST_F(WpgPrimitiveTest, LineEndsWrapWhileVerticesKeepTheirSign) {
  WpgWriter line;
  line.Line(5, 5, 20, 20);
  EXPECT_EQ(One(line, -10, -10), (Ops{"MoveToEx(65531,65531)", "LineTo(10,10)"}));
  WpgWriter polyline;
  polyline.Poly16(6, {{5, 5}, {20, 20}});
  EXPECT_EQ(One(polyline, -10, -10), Ops{"Polyline(-5,-5 10,10)"});
}

TEST_F(WpgPrimitiveTest, ShortRecordsAreSkippedWithoutDrawing) {
  WpgWriter w;
  w.Record(5, {1, 0, 2, 0, 3, 0, 4}).Record(9, std::vector<unsigned char>(13, 1)).Record(1, {1}).Record(2, {1});
  w.Line(0, 0, 10800, 7800);
  EXPECT_EQ(Drawn(w), (Ops{"MoveToEx(167,490)", "LineTo(833,10)"}));
}

TEST_F(WpgPrimitiveTest, PageFrameAndItsEightHandles) {
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

TEST_F(WpgPrimitiveTest, HintStripAlongTheBottomOfTheWindow) {
  ClientWidth = 1000;
  ClientHeight = 500;
  RecordingCanvas c;
  DrawHintStrip(c);
  EXPECT_EQ(c.ops, (Ops{"SelectObject(NULL_PEN)", "SelectObject(LTGRAY_BRUSH)", "Rectangle(0,486,1001,501)",
                        "SelectObject(BLACK_PEN)", "MoveToEx(0,484)", "LineTo(1000,484)", "SelectObject(ANSI_VAR_FONT)",
                        "SetBkMode(TRANSPARENT)", "TextOutA(4,486,Double-click to zoom in and out.)"}));
  // It leaves the black pen and the grey brush selected for what follows.
  EXPECT_EQ(c.SelectedPen(), "BLACK_PEN");
  EXPECT_EQ(c.SelectedBrush(), "LTGRAY_BRUSH");
  EXPECT_EQ(c.SelectedFont(), "ANSI_VAR_FONT");
}

}  // namespace
