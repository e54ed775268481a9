// Run-length encoded bitmaps: the decoder on its own, bounded by its data and
// its rows, and compressed pictures traced exactly like their plain twins.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "spectrum/messages.h"
#include "spectrum/trace.h"
#include "test_support.h"

namespace {

using namespace bmptest;

// Decodes into rows of exactly the size needed, so that AddressSanitizer
// sees any write beyond them; returns the rows.
Bytes Decode(const Bytes& data, std::uint16_t bits, int width, int height, bool* complete = nullptr,
             unsigned char fill = 0xEE) {
  const int rowBytes = static_cast<int>(RowBytesOf(static_cast<std::uint32_t>(width), bits));
  const std::size_t size = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height);
  std::unique_ptr<unsigned char[]> rows(new unsigned char[size]);
  std::fill(rows.get(), rows.get() + size, fill);
  std::unique_ptr<unsigned char[]> input(new unsigned char[data.size()]);
  std::copy(data.begin(), data.end(), input.get());
  const bool ok = DecodeRunLength(input.get(), data.size(), bits, width, height, rowBytes, rows.get());
  if (complete != nullptr) *complete = ok;
  return Bytes(rows.get(), rows.get() + size);
}

TEST(RunLengthTest, EightBitRunsLiteralsEndOfLineAndDelta) {
  const Bytes data = {3, 5,           // three pixels of 5
                      0, 3, 7, 8, 9, 0,  // three literal pixels, padded
                      0, 0,           // end of line
                      0, 2, 2, 1,     // two right, one up: row 2, x 2
                      4, 6,           // four pixels of 6
                      0, 1};          // end of bitmap
  bool complete = false;
  const Bytes rows = Decode(data, 8, 6, 3, &complete);
  EXPECT_TRUE(complete);
  const unsigned char e = 0xEE;
  EXPECT_EQ(rows, (Bytes{5, 5, 5, 7, 8, 9, e, e,  //
                         e, e, e, e, e, e, e, e,  //
                         e, e, 6, 6, 6, 6, e, e}));
}

TEST(RunLengthTest, FourBitRunsAlternateNibblesAndLiteralsArePadded) {
  const Bytes data = {5, 0x12,                   // 1 2 1 2 1
                      0, 0,                      //
                      0, 5, 0x34, 0x56, 0x70, 0,  // five literal nibbles in three bytes, padded
                      0, 1};
  bool complete = false;
  const Bytes rows = Decode(data, 4, 5, 2, &complete, 0x00);
  EXPECT_TRUE(complete);
  EXPECT_EQ(rows, (Bytes{0x12, 0x12, 0x10, 0x00,  //
                         0x34, 0x56, 0x70, 0x00}));
}

TEST(RunLengthTest, LongRunsStopAtTheRowEnd) {
  // 200 pixels into a row of 3; the next run starts the next row only after
  // the end-of-line code.
  const Bytes data = {200, 1, 0, 0, 2, 9, 0, 1};
  const Bytes rows = Decode(data, 8, 3, 2, nullptr, 0);
  EXPECT_EQ(rows, (Bytes{1, 1, 1, 0, 9, 9, 0, 0}));
  const Bytes literal = {0, 6, 1, 2, 3, 4, 5, 6, 0, 1};
  EXPECT_EQ(Decode(literal, 8, 3, 1, nullptr, 0), (Bytes{1, 2, 3, 0}));
}

TEST(RunLengthTest, DataThatEndsEarlyKeepsWhatWasDecoded) {
  bool complete = true;
  // A literal of 9 bytes with only 2 there; before it, two good pixels.
  const Bytes cut = {2, 4, 0, 9, 1, 2};
  EXPECT_EQ(Decode(cut, 8, 4, 1, &complete, 0), (Bytes{4, 4, 0, 0}));
  EXPECT_FALSE(complete);
  // No end-of-bitmap code; a delta whose offsets are missing; an odd byte.
  for (const Bytes& data : {Bytes{2, 4}, Bytes{2, 4, 0, 2, 1}, Bytes{2, 4, 1}}) {
    EXPECT_EQ(Decode(data, 8, 4, 1, &complete, 0), (Bytes{4, 4, 0, 0}));
    EXPECT_FALSE(complete);
  }
  // A delta far beyond the picture ends it.
  EXPECT_EQ(Decode(Bytes{0, 2, 255, 255, 1, 7, 0, 1}, 8, 4, 2, &complete, 0), (Bytes(8, 0)));
  EXPECT_TRUE(complete);
}

TEST(RunLengthTest, ArbitraryDataNeverWritesOutsideTheRows) {
  std::mt19937 rng(20240611);
  for (int i = 0; i < 3000; ++i) {
    Bytes data(static_cast<std::size_t>(rng() % 64));
    for (unsigned char& b : data) b = static_cast<unsigned char>(rng() % 4 == 0 ? rng() % 3 : rng());
    const std::uint16_t bits = (i & 1) ? 4 : 8;
    const int width = static_cast<int>(rng() % 9);
    const int height = 1 + static_cast<int>(rng() % 5);
    const Bytes rows = Decode(data, bits, width, height);
    ASSERT_EQ(rows.size(), RowBytesOf(static_cast<std::uint32_t>(width), bits) * static_cast<std::size_t>(height));
  }
}

TEST(RunLengthTest, RefusesRowsTooShortForTheWidth) {
  unsigned char rows[4] = {};
  const unsigned char data[] = {8, 1, 0, 1};
  EXPECT_FALSE(DecodeRunLength(data, sizeof data, 8, 8, 1, 4, rows));
  EXPECT_FALSE(DecodeRunLength(data, sizeof data, 24, 1, 1, 4, rows));
  EXPECT_EQ(rows[0], 0);
}

class RunLengthTraceTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { ResetProgram(); }
  TempDir dir_;
};

// A curve drawn with runs, literals and a delta traces exactly like the same
// picture stored plainly.
TEST_F(RunLengthTraceTest, CompressedPicturesTraceLikeTheirPlainTwins) {
  auto dark = [](int x, int r) { return r == x / 2 || (x >= 6 && r == 7); };
  const int width = 10, height = 8;
  for (std::uint16_t bits : {4, 8}) {
    BitmapFile plain = Picture(width, height, bits, dark);
    ASSERT_EQ(OpenBytes(dir_, plain.Build()), 1);
    const Points expected = TraceLoaded(dir_).points;
    ASSERT_EQ(expected.size(), 10u);

    // Even rows as runs, odd rows as one literal each.
    Bytes data;
    for (int r = 0; r < height; ++r) {
      auto px = [&](int x) { return static_cast<unsigned char>(dark(x, r) ? 1 : 0); };
      if (r % 2 == 0) {
        for (int x = 0; x < width; x += 2) {
          if (bits == 8) data.insert(data.end(), {1, px(x), 1, px(x + 1)});
          else data.insert(data.end(), {2, static_cast<unsigned char>(px(x) << 4 | px(x + 1))});
        }
      } else {
        data.insert(data.end(), {0, static_cast<unsigned char>(width)});
        const std::size_t start = data.size();
        for (int x = 0; x < width; ++x) {
          if (bits == 8) data.push_back(px(x));
          else if (x % 2 == 0) data.push_back(static_cast<unsigned char>(px(x) << 4));
          else data.back() = static_cast<unsigned char>(data.back() | px(x));
        }
        if ((data.size() - start) % 2 != 0) data.push_back(0);
      }
      data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    BitmapFile packed = plain;
    packed.compression = bits == 8 ? BITMAP_RLE8 : BITMAP_RLE4;
    packed.pixels = data;
    packed.imageSize = static_cast<std::uint32_t>(data.size());
    ASSERT_EQ(OpenBytes(dir_, packed.Build()), 1);
    EXPECT_EQ(TraceLoaded(dir_).points, expected) << bits;
  }
}

// Pixels the data skips are no colour at all; even when the dark index is 0
// they must not become dark.
TEST_F(RunLengthTraceTest, SkippedPixelsAreNeverDark) {
  for (std::uint16_t bits : {4, 8}) {
    BitmapFile f;
    f.width = 6;
    f.height = 4;
    f.bitCount = bits;
    f.palette = {kBlack, kWhite};
    f.colorsUsed = 2;
    f.compression = bits == 8 ? BITMAP_RLE8 : BITMAP_RLE4;
    // Row 0: two white, a delta of two right and two up, one black; then
    // the end of the bitmap leaves everything else undefined.
    f.pixels = {2, static_cast<unsigned char>(bits == 8 ? 1 : 0x11), 0, 2, 2, 2, 1, 0, 0, 1};
    f.imageSize = static_cast<std::uint32_t>(f.pixels.size());
    ASSERT_EQ(OpenBytes(dir_, f.Build()), 1);
    ASSERT_EQ(BlackIndex(*DibInfo), 0);
    EXPECT_EQ(TraceLoaded(dir_).points, (Points{{4, 2}})) << bits;
  }
}

TEST_F(RunLengthTraceTest, AHugeClaimInAFewBytesIsRefusedForWantOfMemory) {
  BitmapFile f;
  f.width = 65535;
  f.height = 65535;
  f.bitCount = 8;
  f.palette = {kWhite, kBlack};
  f.colorsUsed = 2;
  f.compression = BITMAP_RLE8;
  f.pixels = {2, 1, 0, 1};
  f.imageSize = 4;
  ASSERT_EQ(OpenBytes(dir_, f.Build()), 1);
  MessageCapture messages;
  const TraceOutcome o = TraceLoaded(dir_);
  EXPECT_EQ(o.result, 0);
  EXPECT_FALSE(o.logged);
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_MEMORY}));
}

}  // namespace
