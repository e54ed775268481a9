// The bitmap trace scan: which pixels are dark, how columns are addressed, the
// line-width rule, the gauge's messages and the point log's life.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "spectrum/messages.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "spectrum/trace.h"
#include "test_support.h"

namespace {

using namespace bmptest;

// Points the temporary directory (and so the point log) at `dir` while it lives.
class TempDirectoryAt {
 public:
  explicit TempDirectoryAt(const std::string& dir) {
#ifdef _WIN32
    for (const char* name : {"TMP", "TEMP"}) {
      const char* old = std::getenv(name);
      saved_.push_back({name, old != nullptr ? old : ""});
      _putenv_s(name, dir.c_str());
    }
#else
    const char* old = std::getenv("TMPDIR");
    saved_.push_back({"TMPDIR", old != nullptr ? old : ""});
    setenv("TMPDIR", dir.c_str(), 1);
#endif
  }
  ~TempDirectoryAt() {
    for (const auto& s : saved_) {
#ifdef _WIN32
      _putenv_s(s.first.c_str(), s.second.c_str());
#else
      if (s.second.empty()) unsetenv(s.first.c_str());
      else setenv(s.first.c_str(), s.second.c_str(), 1);
#endif
    }
  }

 private:
  std::vector<std::pair<std::string, std::string>> saved_;
};

// A gauge that keeps its current percent as the utility library's does and
// records every call with what the scan had done by then.
class RecordingGauge : public ScanGauge {
 public:
  struct Call {
    std::string what;
    unsigned wParam;
    long lParam;
    std::int32_t pointsWritten;
    std::size_t logsInTemp;
    bool outputWritten;
  };

  RecordingGauge(std::string tempDir, std::string output) : tempDir_(std::move(tempDir)), output_(std::move(output)) {}

  bool Open(const char* title, const char* message) override {
    title_ = title;
    message_ = message;
    Note("open", 0, 0);
    return canOpen;
  }
  bool HasWindow() const override { return window; }
  void Send(unsigned wParam, long lParam) override {
    if (wParam == 100) current_ = static_cast<int>(lParam >> 16);
    Note("send", wParam, lParam);
  }
  int CurrentPercent() const override { return current_; }
  void Free() override { Note("free", 0, 0); }

  bool canOpen = true;
  bool window = true;
  std::vector<Call> calls;
  std::string title_, message_;

 private:
  void Note(const char* what, unsigned w, long l) {
    calls.push_back({what, w, l, PointCount, FilesWithPrefix(tempDir_, "tst").size(), FileExists(output_)});
  }
  std::string tempDir_, output_;
  int current_ = 0;
};

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    PointLogCopy[0] = '\0';
  }
  void TearDown() override {
    SetScanGauge(nullptr);
    PointLogCopy[0] = '\0';
    ResetProgram();
  }

  void Load(const BitmapFile& f) { ASSERT_EQ(OpenBytes(dir_, f.Build()), 1); }
  TraceOutcome Trace(std::int32_t lineWidth = 0) { return TraceLoaded(dir_, lineWidth); }

  // One column whose dark rows are `rows`, in a picture `height` high.
  TraceOutcome Column(const std::vector<int>& rows, std::int32_t lineWidth, int height = 256) {
    Load(Picture(1, height, 8, [&](int, int r) {
      for (int d : rows)
        if (d == r) return true;
      return false;
    }));
    return Trace(lineWidth);
  }

  TempDir dir_;
};

TEST_F(TraceTest, LineWidthExamplesThroughTheScan) {
  std::vector<int> run;
  for (int r = 10; r <= 20; ++r) run.push_back(r);
  EXPECT_EQ(Column(run, 0).points, (Points{{0, 15}}));
  EXPECT_EQ(Column(run, 3).points, (Points{{0, 17}}));
  EXPECT_EQ(Column(run, 10).points, (Points{{0, 15}}));
  EXPECT_EQ(Column(run, -5).points, (Points{{0, 15}}));
  EXPECT_EQ(Column({10, 11}, 0).points, (Points{{0, 10}}));
  EXPECT_EQ(Column({5, 200}, 0).points, (Points{{0, 102}}));
  EXPECT_EQ(Column({5, 200}, 3).points, (Points{{0, 197}}));
  for (std::int32_t lw : {0, 1, 5, 300}) EXPECT_EQ(Column({77}, lw).points, (Points{{0, 77}})) << lw;
  // The first and the last row of the picture are scanned too.
  EXPECT_EQ(Column({0, 255}, 0).points, (Points{{0, 127}}));
}

TEST_F(TraceTest, OnePointPerDarkColumnInIncreasingX) {
  // A falling diagonal with gaps, and a blank column.
  Load(Picture(6, 10, 24, [](int x, int r) { return x != 3 && (r == 9 - x || r == 8 - x); }));
  const TraceOutcome o = Trace();
  EXPECT_EQ(o.points, (Points{{0, 8}, {1, 7}, {2, 6}, {4, 4}, {5, 3}}));
  EXPECT_EQ(PointCount, 5);
  EXPECT_NE(o.result, 0);
}

TEST_F(TraceTest, BlackIndexFollowsTheFirstAllZeroEntry) {
  BitmapFile whiteBlack = Picture(8, 4, 1, [](int x, int r) { return x == 2 && r == 1; });
  Load(whiteBlack);
  EXPECT_EQ(BlackIndex(*DibInfo), 1);
  EXPECT_EQ(Trace().points, (Points{{2, 1}}));

  // (black, white): the same pixels now hold the white index and every other
  // pixel is dark.
  BitmapFile blackWhite = whiteBlack;
  blackWhite.palette = {kBlack, kWhite};
  Load(blackWhite);
  EXPECT_EQ(BlackIndex(*DibInfo), 0);
  const Points points = Trace().points;
  ASSERT_EQ(points.size(), 8u);
  EXPECT_EQ(points[2], (std::pair<long, long>{2, 1}));  // rows 0, 2, 3 give 1
  EXPECT_EQ(points[0], (std::pair<long, long>{0, 1}));  // rows 0..3 give 1

  // The fourth byte of an entry is not looked at.
  Bytes b = whiteBlack.Build();
  b[14 + 40 + 4 + 3] = 0xFF;
  ASSERT_EQ(OpenBytes(dir_, b), 1);
  EXPECT_EQ(BlackIndex(*DibInfo), 1);
}

TEST_F(TraceTest, CoreHeaderTakesIndexZeroWhateverItsColour) {
  BitmapFile core = Picture(8, 3, 1, [](int x, int) { return x == 5; });
  core.headerSize = 12;
  core.colorsUsed = 0;
  Load(core);
  EXPECT_EQ(BlackIndex(*DibInfo), 0);
  // Entry 0 is white: the white pixels are the dark ones.
  const Points points = Trace().points;
  EXPECT_EQ(points, (Points{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {6, 1}, {7, 1}}));
}

TEST_F(TraceTest, NoAllZeroEntryMeansNothingIsDark) {
  BitmapFile grey = Picture(8, 3, 4, [](int x, int) { return x == 5; });
  grey.palette = {kWhite, Rgb{1, 0, 0}};
  Load(grey);
  EXPECT_EQ(BlackIndex(*DibInfo), -1);
  MessageCapture messages;
  const TraceOutcome o = Trace();
  EXPECT_TRUE(o.logged);
  EXPECT_TRUE(o.points.empty());
  EXPECT_EQ(PointCount, 0);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_CURVE}));
}

// Held as a byte, entry 300 of an 8-bit table would name index 44.
TEST_F(TraceTest, AnEntryNoPixelCanNameIsNoBlackIndex) {
  BitmapFile f;
  f.width = 4;
  f.height = 2;
  f.bitCount = 8;
  f.palette.assign(301, kWhite);
  f.palette[300] = kBlack;
  f.colorsUsed = 301;
  f.pixels = PackRows(4, 2, 8, [](int x, int) { return x == 1 ? 44u : 0u; });
  Load(f);
  EXPECT_EQ(BlackIndex(*DibInfo), -1);
  EXPECT_TRUE(Trace().points.empty());

  f.palette[44] = kBlack;
  Load(f);
  EXPECT_EQ(BlackIndex(*DibInfo), 44);
  EXPECT_EQ(Trace().points, (Points{{1, 0}}));
}

// Raw bytes, not packed by the test's own helper: the scan's addressing is
// checked against the layout of the format itself.
TEST_F(TraceTest, OneBitColumnsLieMostSignificantBitFirst) {
  BitmapFile f;
  f.width = 16;
  f.height = 4;
  f.bitCount = 1;
  f.palette = {kWhite, kBlack};
  f.pixels.assign(16, 0);
  f.pixels[3 * 4 + 1] = 0x40;  // row 3, second byte, bit 6: column 9
  f.pixels[1 * 4 + 0] = 0x80;  // row 1, first byte, bit 7: column 0
  f.pixels[2 * 4 + 1] = 0x01;  // row 2, second byte, bit 0: column 15
  Load(f);
  EXPECT_EQ(Trace().points, (Points{{0, 1}, {9, 3}, {15, 2}}));
}

TEST_F(TraceTest, FourBitColumnsTakeTheHighNibbleFirst) {
  BitmapFile f;
  f.width = 5;
  f.height = 8;
  f.bitCount = 4;
  f.palette = {kWhite, kBlack};
  f.colorsUsed = 2;
  f.pixels.assign(32, 0);
  f.pixels[5 * 4 + 1] = 0x10;  // row 5: column 2 (high nibble of byte 1)
  f.pixels[7 * 4 + 1] = 0x01;  // row 7: column 3 (low nibble)
  f.pixels[6 * 4 + 2] = 0x10;  // row 6: column 4
  f.pixels[6 * 4 + 3] = 0x11;  // padding, beyond the width
  Load(f);
  EXPECT_EQ(Trace().points, (Points{{2, 5}, {3, 7}, {4, 6}}));
}

TEST_F(TraceTest, EightBitPixelsAreWholeBytes) {
  BitmapFile f;
  f.width = 3;
  f.height = 3;
  f.bitCount = 8;
  f.palette = {kWhite, kWhite, kWhite, kBlack};
  f.colorsUsed = 4;
  f.pixels = {0, 3, 2, 0, /**/ 3, 1, 0, 3, /**/ 0, 0, 3, 0};
  Load(f);
  EXPECT_EQ(Trace().points, (Points{{0, 1}, {1, 0}, {2, 2}}));
}

TEST_F(TraceTest, TwentyFourBitDarkIsAllThreeBytesZero) {
  BitmapFile f;
  f.width = 4;
  f.height = 1;
  f.bitCount = 24;
  f.pixels = {0, 0, 1, /**/ 1, 0, 0, /**/ 0, 0, 0, /**/ 0, 1, 0};
  Load(f);
  EXPECT_EQ(Trace().points, (Points{{2, 0}}));
}

TEST_F(TraceTest, TopDownRowsAreCountedFromTheBottomOfThePicture) {
  auto dark = [](int x, int r) { return r == (x * 7) % 13 || (x == 4 && r == 12); };
  for (std::uint16_t bits : {1, 4, 8, 24}) {
    Load(Picture(9, 13, bits, dark));
    const Points bottomUp = Trace().points;
    Load(Picture(9, 13, bits, dark, true));
    ASSERT_EQ(DibInfo->TopDown, 1);
    EXPECT_EQ(Trace().points, bottomUp) << bits;
    EXPECT_EQ(bottomUp.size(), 9u);
    EXPECT_EQ(bottomUp[4], (std::pair<long, long>{4, 7}));  // rows 2 and 12
  }
}

TEST_F(TraceTest, EmptyPicturesWriteNoPoint) {
  for (auto size : {std::pair<int, int>{0, 5}, std::pair<int, int>{5, 0}}) {
    BitmapFile f = Picture(size.first, size.second, 24, [](int, int) { return true; });
    Load(f);
    MessageCapture messages;
    const TraceOutcome o = Trace();
    EXPECT_TRUE(o.logged);
    EXPECT_TRUE(o.points.empty());
    EXPECT_EQ(PointCount, 0);
    EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_CURVE}));
  }
}

TEST_F(TraceTest, OtherDepthsAreNotTracedAndTheUserIsToldOnce) {
  TempDirectoryAt temp(dir_.path());
  for (std::uint16_t bits : {2, 16, 32}) {
    BitmapFile f;
    f.width = 4;
    f.height = 2;
    f.bitCount = bits;
    if (bits == 2) f.palette = {kBlack, kWhite, kWhite, kWhite};
    f.pixels.assign(static_cast<std::size_t>(RowBytesOf(4, bits)) * 2, 0);  // all black
    Load(f);
    RecordingGauge gauge(dir_.path(), dir_.file("none.dx"));
    SetScanGauge(&gauge);
    MessageCapture messages;
    const TraceOutcome o = Trace();
    EXPECT_EQ(o.result, 0);
    EXPECT_FALSE(o.logged) << bits;
    EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_UNTRACEABLE_DEPTH})) << bits;
    EXPECT_TRUE(gauge.calls.empty());
    EXPECT_TRUE(FilesWithPrefix(dir_.path(), "tst").empty());
  }
}

TEST_F(TraceTest, NothingHappensWithoutABitmap) {
  PointLogFile = 12345;  // not a real handle: it must not even be looked at
  PointCount = 7;
  MessageCapture messages;
  EXPECT_EQ(TraceBitmap(), 0);
  EXPECT_EQ(PointLogFile, 12345);
  EXPECT_EQ(PointCount, 7);
  EXPECT_TRUE(messages.ids().empty());
  PointLogFile = qio::kInvalid;
}

// 200 columns, each with a dark pixel: after the opening messages the gauge
// hears 1 to 99 once each, at columns 2, 4, ..., 198, each before that
// column's point; the closing message comes after the spectrum is written and
// while the log still exists; the record is freed last.
TEST_F(TraceTest, GaugeHearsEachPercentOnceInOrder) {
  TempDirectoryAt temp(dir_.path());
  Load(Picture(200, 3, 1, [](int x, int r) { return r == x % 3; }));
  const std::string output = dir_.file("gauge.dx");
  RecordingGauge gauge(dir_.path(), output);
  SetScanGauge(&gauge);
  std::strcpy(SpectrumSettings.Name, output.c_str());
  SpectrumSettings.LineWidth = 0;
  const int result = TraceBitmap();
  EXPECT_NE(result, 0);
  EXPECT_EQ(gauge.title_, "Bitmap Conversion");
  EXPECT_EQ(gauge.message_, "Scanning bitmap...");

  const auto& c = gauge.calls;
  ASSERT_EQ(c.size(), 1u + 2u + 99u + 1u + 1u);
  EXPECT_EQ(c[0].what, "open");
  EXPECT_EQ(c[1].what + std::to_string(c[1].wParam), "send888");
  EXPECT_EQ(c[1].lParam, 0);
  EXPECT_EQ(c[2].what + std::to_string(c[2].wParam), "send100");
  EXPECT_EQ(c[2].lParam, 0);
  EXPECT_EQ(c[2].pointsWritten, 0);
  EXPECT_EQ(c[0].logsInTemp, 1u);  // the log exists before the gauge opens
  for (int p = 1; p <= 99; ++p) {
    const auto& call = c[static_cast<std::size_t>(2 + p)];
    EXPECT_EQ(call.wParam, 100u);
    EXPECT_EQ(call.lParam, static_cast<long>(p) << 16) << p;
    EXPECT_EQ(call.pointsWritten, 2 * p) << "percent " << p << " after column " << 2 * p;
    EXPECT_FALSE(call.outputWritten);
  }
  const auto& close = c[102];
  EXPECT_EQ(close.what + std::to_string(close.wParam), "send2");
  EXPECT_EQ(close.lParam, 0);
  EXPECT_EQ(close.pointsWritten, 200);
  EXPECT_TRUE(close.outputWritten);
  EXPECT_EQ(close.logsInTemp, 1u);
  EXPECT_EQ(c[103].what, "free");
  // Deleted before TraceBitmap returned.
  EXPECT_TRUE(FilesWithPrefix(dir_.path(), "tst").empty());
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  EXPECT_EQ(PointCount, 200);
}

TEST_F(TraceTest, WithoutAWindowOnlyTheOpeningMessagesAreSent) {
  TempDirectoryAt temp(dir_.path());
  Load(Picture(50, 3, 8, [](int, int r) { return r == 1; }));
  RecordingGauge gauge(dir_.path(), dir_.file("x.dx"));
  gauge.window = false;
  SetScanGauge(&gauge);
  EXPECT_EQ(Trace().points.size(), 50u);
  ASSERT_EQ(gauge.calls.size(), 4u);
  EXPECT_EQ(gauge.calls[1].wParam, 888u);
  EXPECT_EQ(gauge.calls[2].wParam, 100u);
  EXPECT_EQ(gauge.calls[2].lParam, 0);
  EXPECT_EQ(gauge.calls[3].what, "free");
}

TEST_F(TraceTest, WithoutAGaugeRecordTheScanStillRuns) {
  Load(Picture(50, 3, 8, [](int, int r) { return r == 1; }));
  RecordingGauge gauge(dir_.path(), dir_.file("x.dx"));
  gauge.canOpen = false;
  SetScanGauge(&gauge);
  const TraceOutcome o = Trace();
  EXPECT_EQ(o.points.size(), 50u);
  EXPECT_NE(o.result, 0);
  ASSERT_EQ(gauge.calls.size(), 1u);  // the attempt to open, nothing after
}

TEST_F(TraceTest, NoTemporaryFileMeansNoScanAndAMessage) {
  TempDirectoryAt temp(dir_.file("missing-folder"));
  Load(Picture(5, 3, 8, [](int, int r) { return r == 1; }));
  RecordingGauge gauge(dir_.path(), dir_.file("x.dx"));
  SetScanGauge(&gauge);
  MessageCapture messages;
  EXPECT_EQ(TraceBitmap(), 0);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  EXPECT_TRUE(gauge.calls.empty());
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_TEMP_FILE}));
}

TEST_F(TraceTest, EachConversionStartsAFreshLog) {
  Load(Picture(30, 4, 24, [](int, int r) { return r == 2; }));
  EXPECT_EQ(Trace().points.size(), 30u);
  Load(Picture(7, 4, 24, [](int x, int r) { return x < 3 && r == 0; }));
  EXPECT_EQ(Trace().points, (Points{{0, 0}, {1, 0}, {2, 0}}));
  EXPECT_EQ(PointCount, 3);
}

// A record filled by other hands that claims more rows than its block holds
// is not scanned past the block (AddressSanitizer watches the reads).
TEST_F(TraceTest, ARecordClaimingMoreRowsThanItsBlockIsNotReadPastIt) {
  Load(Picture(8, 4, 24, [](int, int) { return true; }));
  DibInfo->PixelHeight = 5000;
  const TraceOutcome o = Trace();
  EXPECT_TRUE(o.points.empty());
  DibInfo->PixelHeight = 4;
  DibInfo->Bits = DibInfo->Header + DibInfo->HeaderLength + 16;
  EXPECT_TRUE(Trace().points.empty());
}

}  // namespace
