// Spectrum synthesis and the point log: read back, sort, resample, write.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fileio.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "spectrum/synth.h"
#include "tavspectrum.h"
#include "test_support.h"

namespace {

class SynthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    out_ = dir_.file("out.dx");
    std::strcpy(SpectrumSettings.Name, out_.c_str());
  }
  void TearDown() override { ResetProgram(); }

  // Samples as written, read back from the file.
  std::vector<double> Written() { return ReadJcampAffn(out_).y; }

  TempDir dir_;
  std::string out_;
};

TEST(SettingsTest, InitialValuesAndFieldOrder) {
  ResetProgram();
  const SPECTRUMSETTINGS& s = SpectrumSettings;
  EXPECT_EQ(s.Mode, 0);
  EXPECT_EQ(s.LineWidth, 0);
  EXPECT_EQ(s.Height, 0);
  EXPECT_EQ(s.Width, 0);
  EXPECT_EQ(s.SI, 1024);
  EXPECT_EQ(s.FileTime, -1);
  EXPECT_FLOAT_EQ(s.SF, 100.0f);
  EXPECT_FLOAT_EQ(s.F1, 25000.0f);
  EXPECT_FLOAT_EQ(s.F2, -25000.0f);
  EXPECT_STREQ(s.Name, "001001.1r");
  EXPECT_EQ(Decimals, 3);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  EXPECT_EQ(PointCount, 0);
  EXPECT_EQ(Recording, 0);
  // The record is copied whole by the settings dialog; its fields keep the
  // documented order and widths.
  EXPECT_EQ(offsetof(SPECTRUMSETTINGS, Mode), 0u);
  EXPECT_EQ(offsetof(SPECTRUMSETTINGS, SI), 16u);
  EXPECT_EQ(offsetof(SPECTRUMSETTINGS, SF), 24u);
  EXPECT_EQ(offsetof(SPECTRUMSETTINGS, Name), 36u);
}

TEST_F(SynthTest, SamplesSitAtEqualStepsFromTheFirstPoint) {
  SpectrumSettings.SI = 4;
  ASSERT_NE(ConvertPoints({{0, 0}, {100, 50}}), 0);
  const JcampData d = ReadJcampAffn(out_);
  ASSERT_EQ(d.y.size(), 4u);
  EXPECT_DOUBLE_EQ(d.y[0], 0.0);
  EXPECT_NEAR(d.y[1], 12.5, 1e-6);
  EXPECT_NEAR(d.y[2], 25.0, 1e-6);
  EXPECT_NEAR(d.y[3], 37.5, 1e-6);
  // Sample k lies at F1 + k (F2 - F1) / SI: 25000, 12500, 0, -12500 Hz.
  EXPECT_DOUBLE_EQ(d.x[0], 25000.0);
  EXPECT_DOUBLE_EQ(d.x[1], 12500.0);
  EXPECT_DOUBLE_EQ(d.x[2], 0.0);
  EXPECT_DOUBLE_EQ(d.x[3], -12500.0);
}

TEST_F(SynthTest, DrawingPointsAreSortedButBitmapPointsAreNot) {
  SpectrumSettings.SI = 4;
  SpectrumSettings.Mode = SOURCE_WPG;
  ASSERT_NE(ConvertPoints({{100, 50}, {0, 0}}), 0);
  std::vector<double> sorted = Written();
  ASSERT_EQ(sorted.size(), 4u);
  EXPECT_NEAR(sorted[1], 12.5, 1e-6);

  // In log order the first point is x 100 and the range is negative: no
  // sample position lies below the next x, so nothing is sampled.
  ReplaceExistingOutput = 1;
  SpectrumSettings.Mode = SOURCE_BITMAP;
  ASSERT_NE(ConvertPoints({{100, 50}, {0, 0}}), 0);
  EXPECT_EQ(Written(), std::vector<double>(4, 0.0));
}

TEST_F(SynthTest, VerticalRunKeepsItsFirstPoint) {
  SpectrumSettings.SI = 4;
  SpectrumSettings.Mode = SOURCE_BITMAP;
  // x 0 holds 10, then 90 (ignored); the segment runs from (0, 10) to (4, 30).
  ASSERT_NE(ConvertPoints({{0, 10}, {0, 90}, {4, 30}}), 0);
  const std::vector<double> y = Written();
  ASSERT_EQ(y.size(), 4u);
  EXPECT_NEAR(y[0], 10.0, 1e-6);
  EXPECT_NEAR(y[1], 15.0, 1e-6);
  EXPECT_NEAR(y[3], 25.0, 1e-6);
}

TEST_F(SynthTest, ExchangeSortDecidesWhichEqualXCounts) {
  // The literal exchange procedure: positions swap only when strictly
  // smaller; with ties it is not a stable sort.
  LogPoint p[] = {{5, 1}, {3, 2}, {5, 3}, {3, 4}};
  ExchangeSortByX(p, 4);
  const LogPoint expected[] = {{3, 2}, {3, 4}, {5, 3}, {5, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(p[i].x, expected[i].x) << i;
    EXPECT_EQ(p[i].y, expected[i].y) << i;
  }
  // Through the whole road the first of the sorted equal-x points counts.
  SpectrumSettings.SI = 2;
  SpectrumSettings.Mode = SOURCE_WPG;
  ASSERT_NE(ConvertPoints({{5, 1}, {3, 2}, {5, 3}, {3, 4}}), 0);
  const std::vector<double> y = Written();
  ASSERT_EQ(y.size(), 2u);
  EXPECT_NEAR(y[0], 2.0, 1e-6);   // (3, 2) starts the curve
  EXPECT_NEAR(y[1], 2.5, 1e-6);   // halfway to (5, 3)
}

TEST_F(SynthTest, SinglePointWritesAnEmptySpectrum) {
  SpectrumSettings.SI = 8;
  ASSERT_NE(ConvertPoints({{7, 9}}), 0);
  EXPECT_EQ(Written(), std::vector<double>(8, 0.0));
}

TEST_F(SynthTest, NegativeCoordinatesSurviveTheLog) {
  SpectrumSettings.SI = 2;
  ASSERT_NE(ConvertPoints({{-200, -40}, {-100, -20}}), 0);
  const std::vector<double> y = Written();
  ASSERT_EQ(y.size(), 2u);
  EXPECT_NEAR(y[0], -40.0, 1e-6);
  EXPECT_NEAR(y[1], -30.0, 1e-6);
}

TEST_F(SynthTest, NothingTracedWritesNothingAndSaysSo) {
  MessageCapture messages;
  EXPECT_EQ(ConvertPoints({}), 0);
  EXPECT_FALSE(FileExists(out_));
  EXPECT_EQ(messages.ids(), std::vector<int>{IDS_NO_CURVE});
}

TEST_F(SynthTest, NonPositiveSiWritesNothingAndSaysSo) {
  MessageCapture messages;
  for (int si : {0, -4}) {
    SpectrumSettings.SI = si;
    EXPECT_EQ(ConvertPoints({{0, 0}, {10, 10}}), 0);
  }
  EXPECT_FALSE(FileExists(out_));
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_BAD_SI, IDS_BAD_SI}));
}

TEST_F(SynthTest, OneValueLineEndsWithoutAFile) {
  MessageCapture messages;
  char name[qio::kPathSize];
  ASSERT_TRUE(BeginPointLog(name));
  qio::Write(PointLogFile, "0 0\n12\n", 7);
  PointCount = 2;
  Recording = 1;
  EXPECT_EQ(FinishPointLog(name), 0);
  EXPECT_FALSE(FileExists(out_));
  EXPECT_EQ(Recording, 0);
  EXPECT_EQ(messages.ids(), std::vector<int>{IDS_LOG_UNREADABLE});
}

TEST_F(SynthTest, SamplingThatReachesSiEarlyStillWrites) {
  // With SI 23 over a range of 7 the step is inexact: 23 * step lands just
  // below 7, so one more position falls inside the last segment.
  Spectrum s;
  s.Init(0, 23, 100, 1, 0);
  const LogPoint p[] = {{0, 0}, {7, 23}};
  const float step = 7.0f / 23.0f;
  ASSERT_LT(0.0f + 23.0f * step, 7.0f) << "the rounding this test relies on";
  EXPECT_FALSE(ResamplePoints(p, 2, 23, s));
  EXPECT_NEAR(s.Real()[22], 22.0, 1e-4);

  SpectrumSettings.SI = 23;
  EXPECT_NE(ConvertPoints({{0, 0}, {7, 23}}), 0);
  const std::vector<double> y = Written();
  ASSERT_EQ(y.size(), 23u);
  EXPECT_NEAR(y[22], 22.0, 1e-4);
}

TEST_F(SynthTest, SamplesUseSinglePrecision) {
  // 16777217 is not a float: x0 rounds to 16777216 and so does the next
  // x, which makes the pair a vertical run.
  Spectrum s;
  s.Init(0, 2, 100, 1, 0);
  const LogPoint p[] = {{16777216, 5}, {16777217, 9}, {16777220, 13}};
  EXPECT_TRUE(ResamplePoints(p, 3, 2, s));
  EXPECT_FLOAT_EQ(s.Real()[0], 5.0f);
  EXPECT_FLOAT_EQ(s.Real()[1], 9.0f);
}

TEST_F(SynthTest, PointLogLivesForOneConversion) {
  char dir[qio::kPathSize];
  ASSERT_TRUE(qio::TempPath(dir));
  char name[qio::kPathSize];
  ASSERT_TRUE(BeginPointLog(name));
  const std::string base = std::string(name).substr(std::strlen(dir));
  EXPECT_EQ(base.compare(0, 3, "tst"), 0) << name;
  EXPECT_EQ(PointCount, 0);
  WritePoint(-3, 12);
  WritePoint(4, -5);
  EXPECT_EQ(PointCount, 2);
  ASSERT_TRUE(ReopenPointLog(name));
  char text[32] = {};
  EXPECT_EQ(qio::Read(PointLogFile, text, sizeof text - 1), 11);
  EXPECT_STREQ(text, "-3 12\n4 -5\n");
  DiscardPointLog(name);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  EXPECT_FALSE(FileExists(name));
}

TEST_F(SynthTest, TwoConversionsInARowStartFresh) {
  SpectrumSettings.SI = 2;
  ASSERT_NE(ConvertPoints({{0, 100}, {10, 100}}), 0);
  EXPECT_EQ(PointCount, 2);
  ReplaceExistingOutput = 1;
  ASSERT_NE(ConvertPoints({{0, 1}, {10, 3}}), 0);
  EXPECT_EQ(PointCount, 2);
  const std::vector<double> y = Written();
  ASSERT_EQ(y.size(), 2u);
  EXPECT_NEAR(y[0], 1.0, 1e-6);
  EXPECT_NEAR(y[1], 2.0, 1e-6);
}

}  // namespace
