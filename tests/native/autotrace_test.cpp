// The automatic trace's pieces: pixels of every depth read as ink, the dark
// rules, the plot box, the curve's centre line, and the synthesis of traced
// points with a calibrated axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "spectrum/autotrace_parts.h"
#include "spectrum/choices.h"
#include "spectrum/settings.h"
#include "spectrum/synth.h"
#include "test_support.h"

namespace {

using namespace bmptest;
using Pixels = std::set<std::pair<int, int>>;

class AutoTraceTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override {
    FreeDibInfo();
    ResetProgram();
  }

  // The dark pixels (column, row from the bottom) of the loaded bitmap.
  Pixels DarkPixels(const AutoTraceOptions& options) {
    InkImage image;
    std::string reason;
    EXPECT_TRUE(MakeInkImage(*DibInfo, options, &image, &reason)) << reason;
    Pixels dark;
    for (int r = 0; r < image.height; ++r)
      for (int x = 0; x < image.width; ++x)
        if (image.Dark(x, r)) dark.insert({x, r});
    return dark;
  }
  TempDir dir_;
};

// 16- and 32-bit rows of 0xRRGGBB colours through the given masks.
Bytes PackDeep(int width, int height, int bits, const std::uint32_t (&masks)[3],
               const std::function<std::uint32_t(int, int)>& colour) {
  const std::uint32_t rowBytes = RowBytesOf(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(bits));
  Bytes out(rowBytes * static_cast<std::size_t>(height), 0);
  for (int r = 0; r < height; ++r)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = colour(x, r);
      std::uint32_t v = 0;
      for (int k = 0; k < 3; ++k) {
        const std::uint32_t m = masks[k];
        const unsigned shift = static_cast<unsigned>(__builtin_ctz(m));
        v |= (((c >> (16 - 8 * k)) & 0xFF) * (m >> shift) / 255) << shift;
      }
      Put(out, r * rowBytes + x * (bits / 8), v, bits / 8);
    }
  return out;
}

TEST_F(AutoTraceTest, EveryDepthReadsAsInk) {
  const Pixels mark = {{3, 1}, {4, 2}};
  auto dark = [&](int x, int r) { return mark.count({x, r}) > 0; };
  auto colour = [&](int x, int r) -> std::uint32_t { return dark(x, r) ? 0 : 0xFFFFFF; };
  struct Case {
    const char* what;
    BitmapFile file;
  };
  std::vector<Case> cases;
  for (std::uint16_t bits : {1, 4, 8, 24}) cases.push_back({"indexed or 24-bit", Picture(6, 4, bits, dark)});
  BitmapFile topDown = Picture(6, 4, 24, [&](int x, int r) { return dark(x, 3 - r); });
  topDown.height = -4;
  cases.push_back({"top-down", topDown});
  const std::uint32_t rgb555[3] = {0x7C00, 0x03E0, 0x001F}, rgb565[3] = {0xF800, 0x07E0, 0x001F},
                      bgrx[3] = {0xFF0000, 0xFF00, 0xFF}, xbgr[3] = {0xFF, 0xFF00, 0xFF0000};
  BitmapFile deep;
  deep.width = 6, deep.height = 4, deep.bitCount = 16, deep.pixels = PackDeep(6, 4, 16, rgb555, colour);
  cases.push_back({"16 bits, 5-5-5", deep});
  deep.compression = BITMAP_BITFIELDS, deep.masks.assign(12, 0), deep.pixels = PackDeep(6, 4, 16, rgb565, colour);
  for (int k = 0; k < 3; ++k) Put(deep.masks, 4 * k, rgb565[k]);
  cases.push_back({"16 bits, bit fields 5-6-5", deep});
  deep.bitCount = 32, deep.compression = 0, deep.masks.clear(), deep.pixels = PackDeep(6, 4, 32, bgrx, colour);
  cases.push_back({"32 bits", deep});
  deep.compression = BITMAP_BITFIELDS, deep.masks.assign(12, 0), deep.pixels = PackDeep(6, 4, 32, xbgr, colour);
  for (int k = 0; k < 3; ++k) Put(deep.masks, 4 * k, xbgr[k]);
  cases.push_back({"32 bits, bit fields in another order", deep});
  // RLE8: per row, literal runs of the indices (white 0, black 1).
  BitmapFile rle = Picture(6, 4, 8, dark);
  rle.compression = BITMAP_RLE8;
  rle.pixels.clear();
  for (int r = 0; r < 4; ++r) {
    rle.pixels.insert(rle.pixels.end(), {0, 6});
    for (int x = 0; x < 6; ++x) rle.pixels.push_back(dark(x, r) ? 1 : 0);
    rle.pixels.insert(rle.pixels.end(), {0, 0});
  }
  rle.pixels.insert(rle.pixels.end(), {0, 1});
  rle.imageSize = static_cast<std::uint32_t>(rle.pixels.size());
  cases.push_back({"run-length encoded", rle});

  for (const Case& c : cases) {
    ASSERT_EQ(OpenBytes(dir_, c.file.Build()), 1) << c.what;
    EXPECT_EQ(DarkPixels(AutoTraceOptions{}), mark) << c.what;
  }
}

TEST_F(AutoTraceTest, DarkRules) {
  // Black, mid grey, a blue curve colour, light grey (a grid) on white paper.
  const std::uint32_t row[] = {0x000000, 0x808080, 0x1F77B4, 0xC8C8C8};
  BitmapFile f;
  f.width = 10, f.height = 1;
  f.pixels = PackRows(10, 1, 24, [&](int x, int) { return x < 4 ? row[x] : 0xFFFFFFu; });
  ASSERT_EQ(OpenBytes(dir_, f.Build()), 1);
  struct Case {
    const char* what;
    AutoTraceOptions options;
    Pixels dark;
  };
  AutoTraceOptions threshold, colour;
  threshold.dark = DARK_THRESHOLD, threshold.threshold = 100;
  colour.dark = DARK_COLOUR, colour.colour = 0x1F77B4, colour.tolerance = 48;
  const Case cases[] = {
      {"automatic: well below the paper, not a light grid", AutoTraceOptions{}, {{0, 0}, {1, 0}, {2, 0}}},
      {"a threshold of luminance", threshold, {{0, 0}, {2, 0}}},
      {"a colour and its tolerance", colour, {{2, 0}}},
  };
  for (const Case& c : cases) EXPECT_EQ(DarkPixels(c.options), c.dark) << c.what;
}

InkImage Drawn(int width, int height, const std::function<bool(int, int)>& dark) {
  InkImage image;
  image.width = width, image.height = height;
  image.ink.assign(static_cast<std::size_t>(width) * height, 0);
  image.dark.assign(static_cast<std::size_t>(image.Words()) * height, 0);
  for (int r = 0; r < height; ++r) {
    for (int x = 0; x < width; ++x)
      if (dark(x, r)) image.Row(r)[x] = 255;
    image.MarkRow(r);
  }
  return image;
}

TEST_F(AutoTraceTest, PlotBox) {
  auto baseline = [](int x, int r) { return r == 20 && x >= 12 && x <= 87; };
  auto curve = [&](int x, int r) { return baseline(x, r) || ((x == 40 || x == 70) && r >= 20 && r <= 45); };
  auto ticksBelow = [](int x, int r, int row) { return x % 10 == 0 && x >= 10 && x <= 90 && r < row && r >= row - 3; };
  struct Case {
    const char* what;
    std::function<bool(int, int)> dark;
    PixelRect box;
  };
  const Case cases[] = {
      {"a frame", [&](int x, int r) {
         return curve(x, r) || ((r == 10 || r == 50) && x >= 10 && x <= 90) || ((x == 10 || x == 90) && r >= 10 && r <= 50);
       }, {11, 11, 89, 49}},
      {"an axis with ticks, no frame", [&](int x, int r) {
         return curve(x, r) || (r == 10 && x >= 10 && x <= 90) || ticksBelow(x, r, 10);
       }, {10, 11, 90, 59}},
      {"peaks on a baseline are no frame", curve, {0, 0, 99, 59}},
  };
  for (const Case& c : cases) {
    InkImage image = Drawn(100, 60, c.dark);
    const PixelRect box = FindPlotBox(&image, PixelRect{0, 0, 99, 59});
    EXPECT_EQ(std::vector<int>({box.x0, box.y0, box.x1, box.y1}), std::vector<int>({c.box.x0, c.box.y0, c.box.x1, c.box.y1}))
        << c.what;
  }
}

TEST_F(AutoTraceTest, CentreLine) {
  // A baseline at row 10 with a peak up at column 30, one down at column 60,
  // a gap at columns 80-82, and a label and a speck that are not the curve.
  const InkImage image = Drawn(100, 50, [](int x, int r) {
    if (x >= 80 && x <= 82) return false;
    return r == 10 || (x == 30 && r >= 10 && r <= 40) || (x == 60 && r >= 2 && r <= 10) ||
           (x >= 44 && x <= 46 && r >= 30 && r <= 32) || (x == 90 && r == 45);
  });
  const CurveTrace trace = FollowCurve(image, PixelRect{0, 0, 99, 49});
  ASSERT_FALSE(trace.points.empty());
  auto at = [&](double x) {
    for (const TracedPoint& p : trace.points)
      if (p.x == x) return p.y;
    return -1.0;
  };
  const auto [low, high] = std::minmax_element(trace.points.begin(), trace.points.end(),
                                               [](const TracedPoint& a, const TracedPoint& b) { return a.y < b.y; });
  EXPECT_DOUBLE_EQ(high->y, 40) << "the tip up, less half the stroke";
  EXPECT_NEAR(high->x, 30, 0.5);
  EXPECT_DOUBLE_EQ(low->y, 2) << "the tip down";
  EXPECT_DOUBLE_EQ(at(45), 10) << "the label is not the curve";
  EXPECT_DOUBLE_EQ(at(90), 10) << "nor the speck";
  EXPECT_EQ(at(81), -1.0) << "the gap is left to the resampling";
  EXPECT_EQ(trace.longestGap, 3);
  EXPECT_DOUBLE_EQ(trace.stroke, 1);
}

TEST_F(AutoTraceTest, TracedPointsWithACalibratedAxis) {
  OutputFormat = OUTFILE_CSV;
  std::strcpy(SpectrumSettings.Name, dir_.file("out.csv").c_str());
  SpectrumSettings.SI = 4;
  SpectrumSettings.SF = 100;
  SpectrumSettings.Mode = SOURCE_BITMAP;
  SpectrumSettings.Width = 5;
  Choices.calibration = AxisCalibration{true, 0, 10, 4, 2, false};
  const TracedPoint points[] = {{0, 10}, {4, 30.5}};
  ASSERT_NE(BuildSpectrumFromPoints(points, 2, 10), 0);
  EXPECT_EQ(ReadCsvReal(dir_.file("out.csv")), (std::vector<double>{0, 5.125, 10.25, 15.375}));
  EXPECT_FLOAT_EQ(LastTrace.f1, 1000);
  EXPECT_FLOAT_EQ(LastTrace.f2, 200);
  EXPECT_TRUE(LastTrace.warnings.empty());

  Choices.calibration.c2 = 40;  // beyond the picture's last column
  ReplaceExistingOutput = 1;
  ASSERT_NE(BuildSpectrumFromPoints(points, 2, 10), 0);
  EXPECT_EQ(LastTrace.warnings.size(), 1u);
}

}  // namespace
