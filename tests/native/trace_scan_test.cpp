// The bitmap trace scan: which pixels are dark (also where run-length data
// leaves pixels out), how columns are addressed, the line-width rule, the
// gauge's messages and the point log's life.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
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
      saved_.push_back({name, std::getenv(name) != nullptr ? std::getenv(name) : ""});
      _putenv_s(name, dir.c_str());
    }
#else
    saved_.push_back({"TMPDIR", std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : ""});
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
  RecordingGauge(std::string tempDir, std::string output) : tempDir_(std::move(tempDir)), output_(std::move(output)) {
    SetScanGauge(this);
  }
  ~RecordingGauge() override { SetScanGauge(nullptr); }
  bool Open(const char* title, const char* message) override {
    Note(std::string("open ") + title + " / " + message);
    return canOpen;
  }
  bool HasWindow() const override { return window; }
  void Send(unsigned wParam, long lParam) override {
    if (wParam == 100) current_ = static_cast<int>(lParam >> 16);
    Note(std::to_string(wParam) + " " + std::to_string(lParam));
  }
  int CurrentPercent() const override { return current_; }
  void Free() override { calls.push_back("free"); }

  bool canOpen = true, window = true;
  std::vector<std::string> calls;

 private:
  void Note(const std::string& what) {
    calls.push_back(what + ": " + std::to_string(PointCount) + " points, " +
                    std::to_string(FilesWithPrefix(tempDir_, "tst").size()) + " log" +
                    (FileExists(output_) ? ", written" : ""));
  }
  std::string tempDir_, output_;
  int current_ = 0;
};

// A bitmap of `bits` whose stored rows are `pixels` exactly as given: the
// scan's addressing is checked against the format, not against a packer.
BitmapFile Raw(int width, int height, std::uint16_t bits, std::vector<Rgb> palette, Bytes pixels) {
  BitmapFile f;
  f.width = width;
  f.height = height;
  f.bitCount = bits;
  f.palette = std::move(palette);
  f.colorsUsed = static_cast<std::uint32_t>(f.palette.size());
  f.pixels = std::move(pixels);
  return f;
}

class TraceTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { ResetProgram(); }
  void Load(const BitmapFile& f) { ASSERT_EQ(OpenBytes(dir_, f.Build()), 1); }
  TraceOutcome Trace(std::int32_t lineWidth = 0) { return TraceLoaded(dir_, lineWidth); }
  TempDir dir_;
};

TEST_F(TraceTest, LineWidthRuleThroughTheScan) {
  struct Case {
    std::vector<int> rows;  // the dark rows of one column, 256 high
    std::int32_t lineWidth;
    long y;
  };
  const std::vector<int> run = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  const Case cases[] = {{run, 0, 15},       {run, 3, 17},     {run, 10, 15},      {run, -5, 15},
                        {{10, 11}, 0, 10},  {{5, 200}, 0, 102}, {{5, 200}, 3, 197}, {{77}, 0, 77},
                        {{77}, 300, 77},    {{0, 255}, 0, 127}};  // the first and last rows are scanned too
  for (const Case& c : cases) {
    Load(Picture(1, 256, 8, [&](int, int r) { return std::find(c.rows.begin(), c.rows.end(), r) != c.rows.end(); }));
    EXPECT_EQ(Trace(c.lineWidth).points, (Points{{0, c.y}})) << c.rows.front() << ".." << c.rows.back() << " at "
                                                             << c.lineWidth;
  }
}

TEST_F(TraceTest, DarkPixelsAndColumnAddressing) {
  struct Case {
    const char* what;
    BitmapFile f;
    int black;
    Points points;
  };
  BitmapFile whiteBlack = Picture(8, 4, 1, [](int x, int r) { return x == 2 && r == 1; });
  BitmapFile blackWhite = whiteBlack, core = whiteBlack, grey = whiteBlack, beyond, named;
  blackWhite.palette = {kBlack, kWhite};
  core.headerSize = 12;
  grey.palette = {kWhite, Rgb{1, 0, 0}};
  // Held as a byte, entry 300 of an 8-bit table would name index 44.
  beyond = Raw(4, 2, 8, std::vector<Rgb>(301, kWhite), PackRows(4, 2, 8, [](int x, int) { return x == 1 ? 44u : 0u; }));
  beyond.palette[300] = kBlack;
  named = beyond;
  named.palette[44] = kBlack;
  const Case cases[] = {
      {"one point per dark column in increasing x",
       Picture(6, 10, 24, [](int x, int r) { return x != 3 && (r == 9 - x || r == 8 - x); }), -1,
       {{0, 8}, {1, 7}, {2, 6}, {4, 4}, {5, 3}}},
      {"the first all-zero entry is black", whiteBlack, 1, {{2, 1}}},
      {"black first: every other pixel is dark", blackWhite, 0,
       {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
      {"a core header's index 0 is dark whatever its colour", core, 0,
       {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
      {"no all-zero entry, nothing dark", grey, -1, {}},
      {"an entry no pixel can name", beyond, -1, {}},
      {"the first that a pixel can name", named, 44, {{1, 0}}},
      {"1 bit: most significant bit first",
       Raw(16, 4, 1, {kWhite, kBlack}, {0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0x01, 0, 0, 0, 0x40, 0, 0}), 1,
       {{0, 1}, {9, 3}, {15, 2}}},
      {"4 bits: high nibble first, padding unread",
       Raw(5, 3, 4, {kWhite, kBlack}, {0, 0x10, 0, 0, 0, 0, 0x10, 0x11, 0, 0x01, 0, 0}), 1, {{2, 0}, {3, 2}, {4, 1}}},
      {"8 bits: whole bytes", Raw(3, 3, 8, {kWhite, kWhite, kWhite, kBlack}, {0, 3, 2, 0, 3, 1, 0, 3, 0, 0, 3, 0}), 3,
       {{0, 1}, {1, 0}, {2, 2}}},
      {"24 bits: all three bytes zero", Raw(4, 1, 24, {}, {0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 1, 0}), -1, {{2, 0}}},
  };
  for (const Case& c : cases) {
    Load(c.f);
    if (c.f.bitCount <= 8) {
      EXPECT_EQ(BlackIndex(*DibInfo), c.black) << c.what;
    }
    MessageCapture messages;
    const TraceOutcome o = Trace();
    EXPECT_EQ(o.points, c.points) << c.what;
    EXPECT_EQ(PointCount, static_cast<std::int32_t>(c.points.size())) << c.what;
    EXPECT_EQ(o.result != 0, !c.points.empty()) << c.what;
    EXPECT_EQ(messages.ids(), c.points.empty() ? std::vector<int>{IDS_NO_CURVE} : std::vector<int>{}) << c.what;
  }
  // The fourth byte of an entry is not looked at.
  Bytes b = whiteBlack.Build();
  b[14 + 40 + 4 + 3] = 0xFF;
  ASSERT_EQ(OpenBytes(dir_, b), 1);
  EXPECT_EQ(BlackIndex(*DibInfo), 1);
}

BitmapFile Compressed(std::uint16_t bits, int width, int height, std::vector<Rgb> palette, Bytes data) {
  BitmapFile f = Raw(width, height, bits, std::move(palette), std::move(data));
  f.compression = bits == 8 ? BITMAP_RLE8 : BITMAP_RLE4;
  f.imageSize = static_cast<std::uint32_t>(f.pixels.size());
  return f;
}

// Pixels the data skips are no colour at all; even when the dark index is 0
// they must not become dark.
TEST_F(TraceTest, SkippedRunLengthPixelsAreNeverDark) {
  for (std::uint16_t bits : {4, 8}) {
    // Row 0: two white, a delta of two right and two up, one black, the end.
    const unsigned char white = bits == 8 ? 1 : 0x11;
    Load(Compressed(bits, 6, 4, {kBlack, kWhite}, {2, white, 0, 2, 2, 2, 1, 0, 0, 1}));
    ASSERT_EQ(BlackIndex(*DibInfo), 0);
    EXPECT_EQ(Trace().points, (Points{{4, 2}})) << bits;
  }
}

// The runs are walked, not decoded into rows: what a few bytes claim costs
// what they hold, up to the pixel budget, beyond which nothing is done.
TEST_F(TraceTest, RunLengthClaimsCostWhatTheirBytesHoldWithinThePixelBudget) {
  MessageCapture messages;
  Load(Compressed(4, 16383, 65535, {kWhite, kBlack}, {3, 0x11, 0, 1}));
  EXPECT_EQ(Trace().points, (Points{{0, 0}, {1, 0}, {2, 0}}));
  EXPECT_TRUE(messages.ids().empty());
  EXPECT_EQ(OpenBytes(dir_, Compressed(8, 65535, 65535, {kWhite, kBlack}, {2, 1, 0, 1}).Build()), 0);
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_PIXEL_BUDGET}));
}

// The column rule, literally: every column looked at from its bottom row to
// its top row, each pixel by the addressing rule. Run-length rows are decoded
// first, the pixels the data leaves out taking an index that is not dark.
std::vector<ColumnRun> ColumnByColumn(const DIBINFO& dib) {
  ScanRows rows;
  PrepareScanRows(dib, &rows);
  Bytes decoded;
  if (rows.runs != nullptr) {
    decoded.assign(static_cast<std::size_t>(dib.RowBytes) * dib.PixelHeight, rows.black == 0 ? 0x11 : 0);
    DecodeRunLength(rows.runs, rows.runLength, rows.bitCount, rows.width, rows.height, dib.RowBytes, decoded.data());
    rows.bottom = decoded.data();
    rows.stride = dib.RowBytes;
  }
  std::vector<ColumnRun> runs(static_cast<std::size_t>(rows.width), ColumnRun{-1, -1});
  for (std::int32_t x = 0; x < rows.width && rows.bottom != nullptr; ++x) {
    for (std::int32_t r = 0; r < rows.height; ++r) {
      const unsigned char* row = rows.bottom + r * rows.stride;
      bool dark;
      if (rows.bitCount == 24) {
        dark = row[3 * x] == 0 && row[3 * x + 1] == 0 && row[3 * x + 2] == 0;
      } else {
        const int shift = 8 - ((rows.bitCount * x) & 7) - rows.bitCount;
        dark = rows.black >= 0 &&
               ((row[(rows.bitCount * x) >> 3] >> shift) & ((1 << rows.bitCount) - 1)) == rows.black;
      }
      if (!dark) continue;
      if (runs[x].first < 0) runs[x].first = r;
      runs[x].last = r;
    }
  }
  return runs;
}

// The loaded picture scanned in strips that start anywhere.
std::vector<ColumnRun> InStrips(const DIBINFO& dib, std::mt19937& rng) {
  ScanRows rows;
  PrepareScanRows(dib, &rows);
  std::vector<ColumnRun> runs(static_cast<std::size_t>(rows.width));
  for (std::int32_t x0 = 0; x0 < rows.width;) {
    const std::int32_t x1 = std::min<std::int32_t>(rows.width, x0 + 1 + static_cast<std::int32_t>(rng() % 150));
    ScanColumns(rows, x0, x1, runs.data() + x0);
    x0 = x1;
  }
  return runs;
}

Points Pairs(const std::vector<ColumnRun>& runs) {
  Points p;
  for (const ColumnRun& r : runs) p.emplace_back(r.first, r.last);
  return p;
}

TEST(ScanOrderTest, RowByRowFindsWhatColumnByColumnFinds) {
  ResetProgram();
  std::mt19937 rng(1977);
  int compared = 0;
  const auto compare = [&](const std::string& what) {
    ASSERT_NE(DibInfo, nullptr) << what;
    const std::vector<ColumnRun> expected = ColumnByColumn(*DibInfo);
    ScanRows rows;
    PrepareScanRows(*DibInfo, &rows);
    std::vector<ColumnRun> whole(expected.size());
    ScanColumns(rows, 0, rows.width, whole.data());
    EXPECT_EQ(Pairs(whole), Pairs(expected)) << what;
    EXPECT_EQ(Pairs(InStrips(*DibInfo, rng)), Pairs(expected)) << what;
    ++compared;
  };
  // Every picture of the bitmap suite that loads.
  for (const char* folder : {"g", "q", "b"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QUILLON_TEST_DATA) + "/bmpsuite/" + folder)) {
      std::snprintf(CurrentPath, sizeof CurrentPath, "%s", entry.path().generic_string().c_str());
      MessageCapture quiet;
      if (OpenBitmap() == 1 && IsTraceableBitCount(DibInfo->BitCount)) compare(CurrentPath);
    }
  }
  ASSERT_EQ(compared, 50);
  // Made pictures: noise, all white, all dark, a curve along the edges; widths
  // of no round size; bottom-up and top-down; random runs.
  enum Kind { kNoise, kBlank, kFull, kEdges };
  for (std::uint16_t bits : {1, 4, 8, 24}) {
    for (int width : {1, 7, 63, 64, 65, 129, 200, 333}) {
      for (Kind kind : {kNoise, kBlank, kFull, kEdges}) {
        const int height = 1 + static_cast<int>(rng() % 40);
        const std::uint32_t colours = bits == 24 ? 0x1000000u : 1u << bits;
        BitmapFile f = Raw(width, height, bits, {}, PackRows(width, height, bits, [&](int x, int r) -> std::uint32_t {
          const bool edge = x == 0 || x == width - 1 || r == 0 || r == height - 1 || r == x % height;
          const bool dark = kind == kFull || (kind == kEdges && edge) || (kind == kNoise && rng() % 5 == 0);
          if (bits == 24) return dark ? 0 : (kind == kNoise ? 1u << (8 * (rng() % 3)) : 0xFFFFFFu);
          return dark ? 1u : (kind == kNoise ? 2 + rng() % (colours - 1) : 0u) % colours;
        }));
        if (bits <= 8) f.palette = {kWhite, kBlack}, f.colorsUsed = 2;
        if (rng() % 2) {  // the same rows stored top-down
          f.height = -height;
          Bytes flipped;
          const std::size_t rowBytes = RowBytesOf(static_cast<std::uint32_t>(width), bits);
          for (int r = height - 1; r >= 0; --r)
            flipped.insert(flipped.end(), f.pixels.begin() + r * rowBytes, f.pixels.begin() + (r + 1) * rowBytes);
          f.pixels = flipped;
        }
        const Bytes b = f.Build();
        unsigned char* image = static_cast<unsigned char*>(std::malloc(b.size()));
        std::memcpy(image, b.data(), b.size());
        ASSERT_EQ(OpenBitmapImage(image, b.size()), 1);
        compare(std::to_string(bits) + " bits, " + std::to_string(width) + " wide, kind " + std::to_string(kind));
      }
    }
  }
  for (int i = 0; i < 200; ++i) {
    const std::uint16_t bits = i % 2 ? 4 : 8;
    Bytes data(4 + rng() % 120);
    for (unsigned char& b : data) b = static_cast<unsigned char>(rng() % 3 == 0 ? rng() % 4 : rng());
    BitmapFile f = Raw(1 + static_cast<int>(rng() % 90), 1 + static_cast<int>(rng() % 30), bits,
                       std::vector<Rgb>(4, kWhite), data);
    f.compression = bits == 8 ? BITMAP_RLE8 : BITMAP_RLE4;
    f.imageSize = static_cast<std::uint32_t>(data.size());
    f.palette[static_cast<std::size_t>(i % 3)] = kBlack;  // the black index is 0, 1 or 2
    const Bytes b = f.Build();
    unsigned char* image = static_cast<unsigned char*>(std::malloc(b.size()));
    std::memcpy(image, b.data(), b.size());
    ASSERT_EQ(OpenBitmapImage(image, b.size()), 1);
    compare("runs " + std::to_string(i));
  }
  ResetProgram();
}

TEST_F(TraceTest, WhatIsNotScannedAndWhy) {
  TempDirectoryAt temp(dir_.path());
  for (auto size : {std::pair<int, int>{0, 5}, std::pair<int, int>{5, 0}}) {
    Load(Picture(size.first, size.second, 24, [](int, int) { return true; }));
    MessageCapture messages;
    const TraceOutcome o = Trace();
    EXPECT_TRUE(o.logged && o.points.empty());
    EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_CURVE}));
  }
  // Depths other than 1, 4, 8 and 24: no log, no gauge, and the user is told once.
  for (std::uint16_t bits : {2, 16, 32}) {
    Load(Raw(4, 2, bits, bits == 2 ? std::vector<Rgb>{kBlack, kWhite, kWhite, kWhite} : std::vector<Rgb>{},
             Bytes(static_cast<std::size_t>(RowBytesOf(4, bits)) * 2, 0)));
    RecordingGauge gauge(dir_.path(), dir_.file("none.dx"));
    MessageCapture messages;
    const TraceOutcome o = Trace();
    EXPECT_FALSE(o.logged || o.result) << bits;
    EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_UNTRACEABLE_DEPTH})) << bits;
    EXPECT_TRUE(gauge.calls.empty());
    EXPECT_TRUE(FilesWithPrefix(dir_.path(), "tst").empty());
  }
  // A record filled by other hands that claims more rows than its block holds
  // is not scanned past the block (AddressSanitizer watches the reads).
  Load(Picture(8, 4, 24, [](int, int) { return true; }));
  DibInfo->PixelHeight = 5000;
  EXPECT_TRUE(Trace().points.empty());
  DibInfo->PixelHeight = 4;
  DibInfo->Bits = DibInfo->Header + DibInfo->HeaderLength + 16;
  EXPECT_TRUE(Trace().points.empty());
  // Without a bitmap nothing happens: no log, no message.
  FreePicture();
  MessageCapture messages;
  EXPECT_EQ(TraceBitmap(), 0);
  EXPECT_TRUE(messages.ids().empty() && FilesWithPrefix(dir_.path(), "tst").empty());
}

TEST_F(TraceTest, NoTemporaryFileMeansNoScanAndAMessage) {
  TempDirectoryAt temp(dir_.file("missing-folder"));
  Load(Picture(5, 3, 8, [](int, int r) { return r == 1; }));
  RecordingGauge gauge(dir_.path(), dir_.file("x.dx"));
  MessageCapture messages;
  EXPECT_EQ(TraceBitmap(), 0);
  EXPECT_EQ(PointLogFile, qio::kInvalid);
  EXPECT_TRUE(gauge.calls.empty());
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_TEMP_FILE}));
}

// 200 columns, each with a dark pixel: after the opening messages the gauge
// hears 1 to 99 once each, at columns 2, 4, ..., 198, each before that
// column's point; the closing message comes after the spectrum is written and
// while the log still exists; the record is freed last, and the log is
// deleted before TraceBitmap returns.
TEST_F(TraceTest, GaugeHearsEachPercentOnceInOrder) {
  TempDirectoryAt temp(dir_.path());
  Load(Picture(200, 3, 1, [](int x, int r) { return r == x % 3; }));
  const std::string output = dir_.file("gauge.dx");
  RecordingGauge gauge(dir_.path(), output);
  std::strcpy(SpectrumSettings.Name, output.c_str());
  EXPECT_NE(TraceBitmap(), 0);
  std::vector<std::string> expected = {"open Bitmap Conversion / Scanning bitmap...: 0 points, 1 log",
                                       "888 0: 0 points, 1 log", "100 0: 0 points, 1 log"};
  for (int p = 1; p <= 99; ++p)
    expected.push_back("100 " + std::to_string(p << 16) + ": " + std::to_string(2 * p) + " points, 1 log");
  expected.insert(expected.end(), {"2 0: 200 points, 1 log, written", "free"});
  EXPECT_EQ(gauge.calls, expected);
  EXPECT_TRUE(FilesWithPrefix(dir_.path(), "tst").empty());
  EXPECT_EQ(PointLogFile, qio::kInvalid);
}

TEST_F(TraceTest, WithoutAWindowOrARecordTheScanStillRuns) {
  Load(Picture(50, 3, 8, [](int, int r) { return r == 1; }));
  RecordingGauge gauge(dir_.path(), dir_.file("x.dx"));
  gauge.window = false;
  EXPECT_EQ(Trace().points.size(), 50u);
  ASSERT_EQ(gauge.calls.size(), 4u);
  EXPECT_EQ(gauge.calls[1].substr(0, 6) + gauge.calls[2].substr(0, 6) + gauge.calls[3], "888 0:100 0:free");
  gauge.calls.clear();
  gauge.canOpen = false;
  const TraceOutcome o = Trace();
  EXPECT_EQ(o.points.size(), 50u);
  EXPECT_NE(o.result, 0);
  EXPECT_EQ(gauge.calls.size(), 1u) << "the attempt to open, nothing after";
}

}  // namespace
