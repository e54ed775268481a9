// The main window's view of a picture: the classic placement at the first
// zoom step, zoom about a point, scrolling, the visible part of a bitmap, a
// drawing's extent and fitted layout; and what is placed on the picture
// through it: axis marks, plot box edges, the pointer readout.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/formats.h"
#include "picture/wpg.h"
#include "shell/marks.h"
#include "shell/view.h"
#include "wpg_test_support.h"

namespace {

PictureView BitmapView(int width, int height, int cw = 640, int ch = 480) {
  PictureView v;
  v.SetClient(cw, ch);
  v.ShowBitmap(width, height);
  return v;
}

// The 40-byte drawing laid out in 1000 x 500 as Retrieve lays it out.
PictureView DrawingView(const ViewBox& extent = {}) {
  LoadDrawing(FortyByteDrawing(), 1000, 500);
  PictureView v;
  v.SetClient(1000, 500);
  v.ShowDrawing(*WpgState, DisplayRect, extent);
  return v;
}

TEST(ViewTest, TheFirstStepPlacesPicturesAsTheClassicWindowDoes) {
  for (const auto& size : std::vector<std::pair<int, int>>{{300, 200}, {3, 7}, {2400, 1200}, {1, 1}}) {
    const PictureView v = BitmapView(size.first, size.second);
    BitmapBlit b;
    ASSERT_TRUE(v.BitmapPart(&b));
    EXPECT_EQ(std::vector<int>({b.destX, b.destY, b.destWidth, b.destHeight, b.srcX, b.srcTop, b.srcWidth,
                                b.srcHeight}),
              std::vector<int>({15, 15, 612, 452, 0, 0, size.first, size.second}));
    EXPECT_EQ(v.HorizontalRange().max, 0);
  }
  BitmapBlit none;
  EXPECT_FALSE(BitmapView(8, 8, 28, 480).BitmapPart(&none)) << "no room, as DrawBitmap draws nothing";

  const PictureView d = DrawingView();
  const DrawingMapping m = d.Drawing();
  EXPECT_EQ(std::vector<double>({m.xScale, m.yScale, double(m.xOffset), double(m.yOffset), double(m.originX)}),
            std::vector<double>({WpgState->XScale, WpgState->YScale, 167, 490, 0}));
  const DISPLAYRECT frame = d.PageFrame();
  EXPECT_EQ(std::vector<int>({frame.left, frame.top, frame.right, frame.bottom}), std::vector<int>({167, 10, 833, 490}));
  FreePicture();
}

TEST(ViewTest, ClientAndPictureCoordinatesAreOneMappingBothWays) {
  PictureView bitmap = BitmapView(800, 400), drawing = DrawingView();
  const ViewPoint points[] = {{0, 0}, {799.5, 0.25}, {400, 399}, {5400, 3900}};
  for (PictureView* v : {&bitmap, &drawing}) {
    for (int step = 0; step <= 3; ++step) {
      v->ZoomTo(step, {300, 200});
      v->ScrollTo(v->ScrollX() + 37, v->ScrollY() + 11);
      for (const ViewPoint& p : points) {
        const ViewPoint back = v->ToPicture(v->ToClient(p));
        EXPECT_NEAR(back.x, p.x, 1e-9) << step;
        EXPECT_NEAR(back.y, p.y, 1e-9) << step;
      }
    }
  }
  // A bitmap's pixel (c, r) is stretched from (15, 15) over (ClientWidth - 28) / width per column.
  const ViewPoint corner = BitmapView(800, 400).ToClient({800, 400});
  EXPECT_DOUBLE_EQ(corner.x, 15 + 612);
  EXPECT_DOUBLE_EQ(corner.y, 15 + 452);
  FreePicture();
}

TEST(ViewTest, ZoomKeepsThePointUnderThePointerWhereverTheScrollAllows) {
  const struct {
    ViewPoint at;
    int step;
  } cases[] = {{{320, 240}, 1}, {{100, 50}, 3}, {{600, 460}, 5}, {{15, 15}, 2}};
  for (const auto& c : cases) {
    PictureView v = BitmapView(800, 400);
    const ViewPoint picture = v.ToPicture(c.at);
    v.ZoomTo(c.step, c.at);
    EXPECT_EQ(v.ZoomStep(), c.step);
    const ViewPoint now = v.ToClient(picture);
    EXPECT_NEAR(now.x, c.at.x, 0.5) << c.at.x;
    EXPECT_NEAR(now.y, c.at.y, 0.5) << c.at.y;
  }
  // Near the edge the scroll stops at its range: the picture does not leave its margin.
  PictureView v = BitmapView(800, 400);
  v.ZoomTo(1, {2, 2});
  EXPECT_EQ(std::vector<int>({v.ScrollX(), v.ScrollY()}), std::vector<int>({0, 0}));
  v.ZoomTo(9, {320, 240});
  EXPECT_EQ(v.ZoomStep(), PictureView::kMaxZoomStep);
  v.ZoomTo(-1, {320, 240});
  EXPECT_EQ(v.ZoomStep(), 0);
  EXPECT_EQ(std::vector<int>({v.ScrollX(), v.ScrollY()}), std::vector<int>({0, 0}));
}

TEST(ViewTest, ZoomedTheScrollReachesEveryPartAboveTheStripAndOnlyThat) {
  PictureView v = BitmapView(800, 400);
  v.ZoomTo(2, {0, 0});
  const ScrollRange h = v.HorizontalRange(), vert = v.VerticalRange();
  EXPECT_EQ(std::vector<int>({h.min, h.max, h.page}), std::vector<int>({0, 612 * 3, 640}));
  EXPECT_EQ(std::vector<int>({vert.min, vert.max, vert.page}), std::vector<int>({0, 452 * 4 + 28 - 464, 464}));
  v.ScrollTo(1 << 20, -5);
  EXPECT_EQ(std::vector<int>({v.ScrollX(), v.ScrollY()}), std::vector<int>({h.max, 0}));
  // Scrolled to the end, the picture's last column ends its margin from the client's edge.
  EXPECT_DOUBLE_EQ(v.ToClient({800, 0}).x, 640 - 13);

  // Only the visible part of a bitmap is drawn, however large it is.
  PictureView big = BitmapView(20000, 20000);
  big.ZoomTo(5, {320, 240});
  BitmapBlit b;
  ASSERT_TRUE(big.BitmapPart(&b));
  EXPECT_LE(b.srcWidth, 20000 * 640 / (612 * 32) + 2);
  EXPECT_LE(b.srcHeight, 20000 * 464 / (452 * 32) + 2);
  EXPECT_NEAR(b.destX, big.ToClient({double(b.srcX), 0}).x, 0.5);
}

TEST(ViewTest, ADrawingScrollsOverWhatItDrawsBeyondItsPageAndZoomsWhileItsLinesStayIn16Bits) {
  // A drawing reaching 3900 units below its page, as a DEPT drawing's negative lines do.
  PictureView v = DrawingView({0, -3900, 10800, 7800});
  v.ZoomTo(1, {167, 10});
  const ViewPoint below = v.ToClient({5400, -3900});
  EXPECT_GT(below.y, v.ViewHeight());
  EXPECT_GE(v.VerticalRange().max, below.y - v.ViewHeight());
  const ViewPoint corner = v.ToClient({0, 7800});
  EXPECT_NEAR(corner.x, 167, 0.5) << "zoomed about the page's top left corner";
  EXPECT_NEAR(corner.y, 10, 0.5);
  // The device origin takes the scroll; the offsets stay those of the zoomed page.
  v.ScrollTo(100, 40);
  const DrawingMapping m = v.Drawing();
  EXPECT_EQ(std::vector<int>({m.originX, m.originY}), std::vector<int>({-100, -40}));
  EXPECT_NEAR(5400 * m.xScale + m.xOffset + m.originX, v.ToClient({5400, 0}).x, 1e-9);

  PictureView wide = DrawingView({0, 0, 10800 * 20, 7800});
  EXPECT_LT(wide.MaxZoomStep(), PictureView::kMaxZoomStep);
  wide.ZoomTo(PictureView::kMaxZoomStep, {0, 0});
  EXPECT_LE(wide.ToClient({10800 * 20, 0}).x + wide.ScrollX(), 32768);
  FreePicture();
}

TEST(ViewTest, ADrawingsExtentIsWhatItsRecordsDrawAndFitsTheAreaWhenLaidOut) {
  WpgWriter w;
  w.Poly32(6, {{-500, -2000}, {3000, 100}, {11500, 9000}}).End();
  LoadDrawing(w.bytes, 1000, 500);
  const ViewBox e = DrawingExtent();
  EXPECT_EQ(std::vector<double>({e.left, e.bottom, e.right, e.top}), std::vector<double>({-500, -2000, 11500, 9000}));
  DISPLAYRECT page;
  LayoutDrawingToFit(e, 1000, 484, WpgState, &page);
  PictureView v;
  v.SetClient(1000, 500);
  v.ShowDrawing(*WpgState, page, e);
  const ViewPoint low = v.ToClient({-500, -2000}), high = v.ToClient({11500, 9000});
  EXPECT_NEAR(high.y - 0, 484 - low.y, 1) << "centred";
  EXPECT_GE(low.x, 0);
  EXPECT_LE(low.y, 484);
  EXPECT_NEAR(low.y - high.y, 0.96 * 484, 1) << "the limiting side fills 96 %";
  FreePicture();
}

TEST(ViewTest, TraceCoordinatesAreColumnCentresAndRowsFromTheBottom) {
  const PictureView v = BitmapView(800, 400);
  EXPECT_EQ(v.TraceX(123.5), 123);
  EXPECT_EQ(v.PictureX(123), 123.5);
  const ViewPoint p = v.FromTrace(10, 0);
  EXPECT_EQ(std::vector<double>({p.x, p.y}), std::vector<double>({10.5, 399.5}));
  const PictureView d = DrawingView();
  EXPECT_EQ(d.TraceX(5400), 5400);
  FreePicture();
}

TEST(MarksTest, AMarkIsCaughtAlongItsStrokeAndTheNearerOfTwo) {
  const PictureView v = BitmapView(612, 452);  // one client pixel per picture pixel
  AxisMarks marks;
  marks.count = 2;
  marks.at[0] = {100, 200};
  marks.at[1] = {106, 200};
  const struct {
    ViewPoint at;
    int mark;
  } cases[] = {{{115, 215}, 0}, {{111.5, 203}, 0}, {{118.5, 215}, 1}, {{115, 215 + kMarkReach + 1}, -1},
               {{125, 215}, 1}, {{126, 215}, -1}};
  for (const auto& c : cases) EXPECT_EQ(MarkAt(v, marks, c.at), c.mark) << c.at.x << "," << c.at.y;
  marks.count = 1;
  EXPECT_EQ(MarkAt(v, marks, {121, 215}), -1) << "only placed marks count";
}

// A grey picture: paper, an axis along row 19 from the top, a tick below it
// whose centre lies at x 10.3 (columns 9 and 10 partly inked), and a label's
// block of ink 12 pixels wide.
void LoadTickPicture() {
  DecodedPicture picture;
  picture.width = 60;
  picture.height = 40;
  picture.channels = 1;
  picture.pixels = static_cast<unsigned char*>(std::malloc(60 * 40));
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) {
      int ink = y == 19 ? 255 : 0;
      if (y >= 20 && y <= 25) ink = x == 9 ? 51 : x == 10 ? 204 : 0;
      if (y >= 28 && y <= 36 && x >= 30 && x < 42) ink = 255;
      picture.pixels[y * 60 + x] = static_cast<unsigned char>(255 - ink);
    }
  }
  std::size_t length = 0;
  unsigned char* image = BuildBitmapImage(picture, &length);
  std::free(picture.pixels);
  ASSERT_EQ(OpenBitmapImage(image, length), 1);
}

TEST(MarksTest, AMarkDroppedNearATickGoesToItsCentreAndElsewhereStaysPut) {
  LoadTickPicture();
  const struct {
    ViewPoint dropped;
    double x;
  } cases[] = {{{11.7, 22.5}, 10.3}, {{7.2, 19.5}, 10.3}, {{25.5, 22.5}, 25.5}, {{36.5, 30.5}, 36.5},
               {{1.5, 22.5}, 1.5}};  // the patch would leave the picture
  for (const auto& c : cases) EXPECT_NEAR(TickNear(*DibInfo, c.dropped), c.x, 1e-9) << c.dropped.x;
  FreePicture();
}

TEST(MarksTest, TwoMarksCalibrateAtTheirTraceXAndNothingLessDoes) {
  const PictureView v = BitmapView(800, 400);
  AxisMarks marks;
  marks.count = 2;
  marks.at[0] = {100.5, 390};
  marks.at[1] = {700.5, 390};
  AxisCalibration axis;
  ASSERT_TRUE(CalibrationOf(v, marks, 4.0, 1.0, false, &axis));
  EXPECT_EQ(std::vector<double>({axis.c1, axis.v1, axis.c2, axis.v2}), std::vector<double>({100, 4, 700, 1}));
  EXPECT_DOUBLE_EQ(axis.HzAt(400, 400), 2.5 * 400);
  EXPECT_FALSE(CalibrationOf(v, marks, 2.0, 2.0, false, &axis)) << "equal values";
  EXPECT_FALSE(CalibrationOf(v, marks, NAN, 2.0, false, &axis));
  marks.at[1].x = 100.5;
  EXPECT_FALSE(CalibrationOf(v, marks, 4.0, 1.0, false, &axis)) << "one x";
  marks.count = 1;
  EXPECT_FALSE(CalibrationOf(v, marks, 4.0, 1.0, false, &axis));
}

TEST(MarksTest, BoxEdgesAreCaughtNearTheOutlineAndDraggedToPixelBoundaries) {
  const PictureView v = BitmapView(612, 452);  // client = picture + 15
  const PictureBox box = {100, 50, 299, 149};  // outline from (115, 65) to (315, 165)
  const struct {
    ViewPoint at;
    int edges;
  } hits[] = {{{115, 100}, EDGE_LEFT}, {{318, 100}, EDGE_RIGHT}, {{200, 62}, EDGE_TOP}, {{200, 165}, EDGE_BOTTOM},
              {{116, 66}, EDGE_LEFT | EDGE_TOP}, {{200, 100}, 0}, {{115, 200}, 0}};
  for (const auto& h : hits) EXPECT_EQ(BoxEdgesAt(v, box, h.at), h.edges) << h.at.x << "," << h.at.y;

  const struct {
    int edges;
    ViewPoint to;
    PictureBox moved;
  } drags[] = {{EDGE_LEFT, {80.4, 0}, {80, 50, 299, 149}},
               {EDGE_RIGHT | EDGE_BOTTOM, {400.6, 200.2}, {100, 50, 400, 199}},
               {EDGE_LEFT, {500, 0}, {298, 50, 299, 149}},  // two pixels at least
               {EDGE_TOP, {0, -30}, {100, 0, 299, 149}},
               {EDGE_RIGHT, {9999, 0}, {100, 50, 611, 149}}};  // within the picture
  for (const auto& d : drags) {
    PictureBox b = box;
    MoveBoxEdges(&b, d.edges, d.to, 612, 452);
    EXPECT_EQ(std::vector<int>({b.left, b.top, b.right, b.bottom}),
              std::vector<int>({d.moved.left, d.moved.top, d.moved.right, d.moved.bottom}));
  }
}

TEST(MarksTest, TheReadoutNamesThePixelAndOnceCalibratedTheAxisValue) {
  const PictureView v = BitmapView(800, 400);
  AxisCalibration none;
  const AxisCalibration ppm = {true, 100, 4, 700, 1, false}, hz = {true, 100, 1600, 700, 400, true};
  EXPECT_EQ(PointerReadout(v, {123.7, 45.2}, none, 400), "x 123, y 45");
  EXPECT_EQ(PointerReadout(v, {400.5, 10}, ppm, 400), "x 400, y 10:  2.500 ppm (1000.0 Hz)");
  EXPECT_EQ(PointerReadout(v, {400.5, 10}, hz, 400), "x 400, y 10:  1000.0 Hz");
  EXPECT_EQ(PointerReadout(v, {-0.5, 10}, ppm, 400), "") << "off the picture";
  EXPECT_EQ(PointerReadout(DrawingView(), {5400.4, 3900}, none, 400), "x 5400, y 3900");
  FreePicture();
}

}  // namespace
