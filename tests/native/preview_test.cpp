// The preview: the plot box, the baseline and the traced points land on the
// picture's own pixels, the spectrum panel lies beneath, and a drawing is
// shown by its traced points alone.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "picture/bitmap.h"
#include "picture/formats.h"
#include "spectrum/preview.h"
#include "test_support.h"

namespace {

bool Is(const PreviewImage& image, double x, double y, const unsigned char colour[3]) {
  const PreviewLayout& l = image.layout;
  const long X = std::lround(x), Y = std::lround(y);
  if (X < 0 || Y < 0 || X >= l.width || Y >= l.height) return false;
  const unsigned char* p = &image.rgb[3 * (static_cast<std::size_t>(Y) * l.width + X)];
  return p[0] == colour[0] && p[1] == colour[1] && p[2] == colour[2];
}

TraceRecord Traced(double first, double last) {
  TraceRecord t;
  t.valid = true;
  for (double x = first; x <= last; x += 1) t.points.push_back({x, 200 + 100 * std::sin(x / 40)});
  t.si = 256;
  t.sf = 400;
  t.f1 = 4000;
  t.f2 = 0;
  t.samples.assign(256, 1.0f);
  return t;
}

TEST(Preview, BoxBaselineAndTraceOverThePicture) {
  ResetProgram();
  std::vector<unsigned char> white(800 * 400, 255);
  DecodedPicture picture;
  picture.width = 800;
  picture.height = 400;
  picture.channels = 1;
  picture.pixels = white.data();
  std::size_t length = 0;
  unsigned char* bitmap = BuildBitmapImage(picture, &length);
  ASSERT_EQ(OpenBitmapImage(bitmap, length), 1);
  TraceRecord trace = Traced(120, 680);
  trace.mode = TRACE_AUTO;
  trace.hasBox = true;
  trace.box = {100, 50, 699, 349};
  trace.baseline = 60;

  PreviewImage image;
  ASSERT_TRUE(DrawPreview(DibInfo, trace, &image));
  const PreviewLayout& l = image.layout;
  // A picture of ordinary size keeps its own pixels.
  EXPECT_EQ(l.panelWidth, 800);
  EXPECT_EQ(l.pictureHeight, 400);
  for (int row : {50, 200, 349}) {
    EXPECT_TRUE(Is(image, l.left + 100, l.top + row, kPreviewBox)) << row;
    EXPECT_TRUE(Is(image, l.left + 699, l.top + row, kPreviewBox)) << row;
  }
  for (int column : {101, 300, 698}) {
    EXPECT_TRUE(Is(image, l.left + column, l.top + 50, kPreviewBox)) << column;
    EXPECT_TRUE(Is(image, l.left + column, l.top + 349, kPreviewBox)) << column;
  }
  EXPECT_FALSE(Is(image, l.left + 101, l.top + 200, kPreviewBox)) << "inside the box";
  EXPECT_TRUE(Is(image, l.left + 102, l.Y(60), kPreviewBaseline));
  for (const TracedPoint& p : {trace.points.front(), trace.points[200], trace.points.back()})
    EXPECT_TRUE(Is(image, l.X(p.x), l.Y(p.y), kPreviewTrace)) << p.x;
  EXPECT_GT(l.plotTop, l.top + l.pictureHeight);
  EXPECT_GE(l.height, l.plotTop + l.plotHeight);
  ResetProgram();
}

TEST(Preview, ADrawingShowsItsPointsAlone) {
  const TraceRecord trace = Traced(-5000, 3000);
  PreviewImage image;
  ASSERT_TRUE(DrawPreview(nullptr, trace, &image));
  const PreviewLayout& l = image.layout;
  EXPECT_TRUE(Is(image, l.X(-5000), l.Y(trace.points.front().y), kPreviewTrace));
  EXPECT_TRUE(Is(image, l.X(3000), l.Y(trace.points.back().y), kPreviewTrace));
  EXPECT_NEAR(l.X(3000) - l.X(-5000), l.panelWidth - 1, 1e-9);
  EXPECT_FALSE(DrawPreview(nullptr, TraceRecord{}, &image)) << "nothing to show";
}

}  // namespace
