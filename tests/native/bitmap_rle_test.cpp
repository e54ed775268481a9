// Run-length encoded bitmaps: the decoder bounded by its data and its rows,
// and what the scan makes of pixels the data leaves out.
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
// sees any access beyond them or beyond the data.
Bytes Decode(const Bytes& data, std::uint16_t bits, int width, int height, unsigned char fill, bool* complete) {
  const int rowBytes = static_cast<int>(RowBytesOf(static_cast<std::uint32_t>(width), bits));
  const std::size_t size = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height);
  std::unique_ptr<unsigned char[]> rows(new unsigned char[size]), input(new unsigned char[data.size()]);
  std::fill(rows.get(), rows.get() + size, fill);
  std::copy(data.begin(), data.end(), input.get());
  *complete = DecodeRunLength(input.get(), data.size(), bits, width, height, rowBytes, rows.get());
  return Bytes(rows.get(), rows.get() + size);
}

TEST(RunLengthTest, DecodesRunsLiteralsEndsAndDeltasWithinItsBounds) {
  const unsigned char e = 0xEE;
  struct Case {
    const char* what;
    Bytes data;
    std::uint16_t bits;
    int width, height;
    Bytes rows;
    bool complete;
  };
  const Case cases[] = {
      {"8 bits: run, padded literal, end of line, delta two right one up, run, end",
       {3, 5, 0, 3, 7, 8, 9, 0, 0, 0, 0, 2, 2, 1, 4, 6, 0, 1}, 8, 6, 3,
       {5, 5, 5, 7, 8, 9, e, e, e, e, e, e, e, e, e, e, e, e, 6, 6, 6, 6, e, e}, true},
      {"4 bits: runs alternate nibbles, literals are padded", {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1}, 4, 5, 2,
       {0x12, 0x12, 0x1E, e, 0x34, 0x56, 0x7E, e}, true},
      {"a long run stops at the row's end", {200, 1, 0, 0, 2, 9, 0, 1}, 8, 3, 2, {1, 1, 1, e, 9, 9, e, e}, true},
      {"so does a long literal", {0, 6, 1, 2, 3, 4, 5, 6, 0, 1}, 8, 3, 1, {1, 2, 3, e}, true},
      {"a literal cut short keeps what came before", {2, 4, 0, 9, 1, 2}, 8, 4, 1, {4, 4, e, e}, false},
      {"no end-of-bitmap code", {2, 4}, 8, 4, 1, {4, 4, e, e}, false},
      {"a delta without its offsets", {2, 4, 0, 2, 1}, 8, 4, 1, {4, 4, e, e}, false},
      {"an odd byte", {2, 4, 1}, 8, 4, 1, {4, 4, e, e}, false},
      {"a delta far beyond the picture ends it", {0, 2, 255, 255, 1, 7, 0, 1}, 8, 4, 2, Bytes(8, e), true},
  };
  for (const Case& c : cases) {
    bool complete = !c.complete;
    EXPECT_EQ(Decode(c.data, c.bits, c.width, c.height, e, &complete), c.rows) << c.what;
    EXPECT_EQ(complete, c.complete) << c.what;
  }
  // Rows too short for the width, or a depth that is not run-length encoded.
  unsigned char rows[4] = {};
  const unsigned char data[] = {8, 1, 0, 1};
  EXPECT_FALSE(DecodeRunLength(data, sizeof data, 8, 8, 1, 4, rows));
  EXPECT_FALSE(DecodeRunLength(data, sizeof data, 24, 1, 1, 4, rows));
  EXPECT_EQ(rows[0], 0);
  // Arbitrary data never leads outside the rows or the data.
  std::mt19937 rng(20240611);
  for (int i = 0; i < 3000; ++i) {
    Bytes random(static_cast<std::size_t>(rng() % 64));
    for (unsigned char& b : random) b = static_cast<unsigned char>(rng() % 4 == 0 ? rng() % 3 : rng());
    bool ignored;
    Decode(random, (i & 1) ? 4 : 8, static_cast<int>(rng() % 9), 1 + static_cast<int>(rng() % 5), 0, &ignored);
  }
}

class RunLengthTraceTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { ResetProgram(); }
  BitmapFile Compressed(std::uint16_t bits, int width, int height, std::vector<Rgb> palette, Bytes data) {
    BitmapFile f;
    f.width = width;
    f.height = height;
    f.bitCount = bits;
    f.palette = std::move(palette);
    f.colorsUsed = static_cast<std::uint32_t>(f.palette.size());
    f.compression = bits == 8 ? BITMAP_RLE8 : BITMAP_RLE4;
    f.pixels = std::move(data);
    f.imageSize = static_cast<std::uint32_t>(f.pixels.size());
    return f;
  }
  TempDir dir_;
};

// Pixels the data skips are no colour at all; even when the dark index is 0
// they must not become dark.
TEST_F(RunLengthTraceTest, SkippedPixelsAreNeverDark) {
  for (std::uint16_t bits : {4, 8}) {
    // Row 0: two white, a delta of two right and two up, one black, the end.
    const unsigned char white = bits == 8 ? 1 : 0x11;
    ASSERT_EQ(OpenBytes(dir_, Compressed(bits, 6, 4, {kBlack, kWhite}, {2, white, 0, 2, 2, 2, 1, 0, 0, 1}).Build()), 1);
    ASSERT_EQ(BlackIndex(*DibInfo), 0);
    EXPECT_EQ(TraceLoaded(dir_).points, (Points{{4, 2}})) << bits;
  }
}

TEST_F(RunLengthTraceTest, AHugeClaimInAFewBytesIsRefusedForWantOfMemory) {
  ASSERT_EQ(OpenBytes(dir_, Compressed(8, 65535, 65535, {kWhite, kBlack}, {2, 1, 0, 1}).Build()), 1);
  MessageCapture messages;
  const TraceOutcome o = TraceLoaded(dir_);
  EXPECT_EQ(o.result, 0);
  EXPECT_FALSE(o.logged);
  EXPECT_EQ(messages.ids(), (std::vector<int>{IDS_NO_MEMORY}));
}

}  // namespace
