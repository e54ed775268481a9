// Spectrum synthesis and the point log: read back, sort, resample, write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/fileio.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "spectrum/synth.h"
#include "test_support.h"

namespace {

class SynthTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    OutputFormat = OUTFILE_CSV;
    std::strcpy(SpectrumSettings.Name, out_.c_str());
  }
  void TearDown() override { ResetProgram(); }
  TempDir dir_;
  const std::string out_ = dir_.file("out.csv");
};

TEST_F(SynthTest, ResampledSamples) {
  struct Case {
    const char* what;
    std::int32_t mode, si;
    std::vector<std::pair<long, long>> points;
    std::vector<double> expected;
  };
  std::vector<double> ramp23;
  for (int k = 0; k < 23; ++k) ramp23.push_back(k);
  // More text than one block of the log's writes and reads, in reverse order.
  std::vector<std::pair<long, long>> diagonal;
  for (long i = 29999; i >= 0; --i) diagonal.emplace_back(i, i);
  const Case cases[] = {
      {"samples at equal steps from the first point", SOURCE_NONE, 4, {{0, 0}, {100, 50}}, {0, 12.5, 25, 37.5}},
      {"drawing points are sorted", SOURCE_WPG, 4, {{100, 50}, {0, 0}}, {0, 12.5, 25, 37.5}},
      // In log order the range is negative: no sample lies below the next x.
      {"bitmap points are not sorted", SOURCE_BITMAP, 4, {{100, 50}, {0, 0}}, {0, 0, 0, 0}},
      {"a vertical run keeps its first point", SOURCE_BITMAP, 4, {{0, 10}, {0, 90}, {4, 30}}, {10, 15, 20, 25}},
      // The exchange sort is not stable: (3, 2) comes first and (5, 3) before (5, 1).
      {"the sort's tie order decides", SOURCE_WPG, 2, {{5, 1}, {3, 2}, {5, 3}, {3, 4}}, {2, 2.5}},
      {"a single point", SOURCE_WPG, 8, {{7, 9}}, std::vector<double>(8, 0.0)},
      {"negative coordinates", SOURCE_WPG, 2, {{-200, -40}, {-100, -20}}, {-40, -30}},
      // 23 steps of 7/23 land just below 7: sampling reaches SI inside the
      // last segment and the spectrum is still written.
      {"sampling that reaches SI early", SOURCE_WPG, 23, {{0, 0}, {7, 23}}, ramp23},
      // 16777217 is no float: it rounds onto its neighbour, a vertical run.
      {"a long log", SOURCE_WPG, 4, diagonal, {0, 7499.75, 14999.5, 22499.25}},
      {"single precision", SOURCE_BITMAP, 2, {{16777216, 5}, {16777217, 9}, {16777220, 13}}, {5, 9}},
  };
  // One conversion after another in the same process, as the program runs
  // them: each must start from a fresh log.
  ReplaceExistingOutput = 1;
  for (const Case& c : cases) {
    SpectrumSettings.Mode = c.mode;
    SpectrumSettings.SI = c.si;
    ASSERT_NE(ConvertPoints(c.points), 0) << c.what;
    EXPECT_EQ(PointCount, static_cast<std::int32_t>(c.points.size())) << c.what;
    const std::vector<double> y = ReadCsvReal(out_);
    ASSERT_EQ(y.size(), c.expected.size()) << c.what;
    for (size_t k = 0; k < y.size(); ++k) EXPECT_NEAR(y[k], c.expected[k], 1e-4) << c.what << ", sample " << k;
  }
}

// The exchange sort, literally: for each position o, each later point j with
// a smaller x is swapped into o. Which point of a run of equal x it leaves
// first decides the resampling.
void ExchangeSortByX(std::vector<LogPoint>& p) {
  for (std::size_t o = 0; o + 1 < p.size(); ++o)
    for (std::size_t j = o + 1; j < p.size(); ++j)
      if (p[j].x < p[o].x) std::swap(p[o], p[j]);
}

// What resampling reads of sorted points: the first of each run of equal x.
std::vector<std::pair<int, int>> FirstOfEachX(const std::vector<LogPoint>& p) {
  std::vector<std::pair<int, int>> seen;
  for (std::size_t i = 0; i < p.size(); ++i)
    if (i == 0 || p[i].x != p[i - 1].x) seen.emplace_back(p[i].x, p[i].y);
  return seen;
}

std::vector<std::pair<int, int>> AsSet(std::vector<LogPoint> p) {
  std::vector<std::pair<int, int>> all;
  for (const LogPoint& q : p) all.emplace_back(q.x, q.y);
  std::sort(all.begin(), all.end());
  return all;
}

TEST(SortTest, SortByXKeepsWhatTheExchangeSortKeeps) {
  std::mt19937 rng(31337);
  enum Kind { kRandom, kSorted, kReversed, kAllEqual, kTies };
  int compared = 0;
  for (Kind kind : {kRandom, kSorted, kReversed, kAllEqual, kTies}) {
    for (int n : {0, 1, 2, 3, 5, 8, 13, 40, 200, 1000, 3000}) {
      for (int round = 0; round < (n < 100 ? 30 : 2); ++round) {
        std::vector<LogPoint> p(static_cast<std::size_t>(n));
        const int range = kind == kTies ? 1 + static_cast<int>(rng() % 12) : 1000000;
        for (int i = 0; i < n; ++i) {
          const int x = kind == kSorted     ? i / 3
                        : kind == kReversed ? (n - i) / 3
                        : kind == kAllEqual ? 7
                                            : static_cast<int>(rng() % static_cast<unsigned>(range)) - range / 2;
          p[static_cast<std::size_t>(i)] = {x, i};  // y tells the points apart
        }
        std::vector<LogPoint> expected = p, actual = p;
        ExchangeSortByX(expected);
        SortByX(actual.data(), n);
        EXPECT_EQ(FirstOfEachX(actual), FirstOfEachX(expected)) << kind << ", " << n;
        EXPECT_EQ(AsSet(actual), AsSet(p)) << kind << ", " << n;
        ++compared;
      }
    }
  }
  EXPECT_GT(compared, 1000);
}

TEST_F(SynthTest, WhatCannotBeConvertedWritesNothingAndSaysWhy) {
  MessageCapture messages;
  EXPECT_EQ(ConvertPoints({}), 0);
  for (int si : {0, -4}) {
    SpectrumSettings.SI = si;
    EXPECT_EQ(ConvertPoints({{0, 0}, {10, 10}}), 0);
  }
  // A line with one value in the log.
  SpectrumSettings.SI = 8;
  char name[qio::kPathSize];
  ASSERT_TRUE(BeginPointLog(name));
  qio::Write(PointLogFile, "0 0\n12\n", 7);
  PointCount = 2;
  Recording = 1;
  EXPECT_EQ(FinishPointLog(name), 0);
  EXPECT_EQ(Recording, 0);
  EXPECT_FALSE(FileExists(out_));
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_CURVE, IDS_BAD_SI, IDS_BAD_SI, IDS_LOG_UNREADABLE}));
}

TEST_F(SynthTest, PointLogLivesForOneConversion) {
  char dir[qio::kPathSize], name[qio::kPathSize];
  ASSERT_TRUE(qio::TempPath(dir));
  ASSERT_TRUE(BeginPointLog(name));
  EXPECT_EQ(std::string(name).substr(std::strlen(dir), 3), "tst") << name;
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

}  // namespace
