// The bitmap loader: header kinds, colour tables, where the rows begin, what
// is refused, and what opening a bitmap does to the settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"
#include "tavutils.h"
#include "test_support.h"

namespace {

using namespace bmptest;

// Every message with its second id and style.
std::vector<std::tuple<int, int, int>> g_shown;
void Record(int id, int secondId, int style) { g_shown.emplace_back(id, secondId, style); }

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    g_shown.clear();
    previous_ = SetMessageSink(Record);
  }
  void TearDown() override {
    SetMessageSink(previous_);
    ResetProgram();
  }

  int Load(const Bytes& bytes) { return OpenBytes(dir_, bytes); }
  int Load(const BitmapFile& f) { return Load(f.Build()); }

  // Refused: no bitmap, and exactly the load-failure message.
  void ExpectRefused(const Bytes& bytes) {
    g_shown.clear();
    EXPECT_EQ(Load(bytes), 0);
    EXPECT_EQ(DibInfo, nullptr);
    ASSERT_EQ(g_shown.size(), 1u);
    EXPECT_EQ(g_shown[0], std::make_tuple(1, 2, 6));
  }
  void ExpectRefused(const BitmapFile& f) { ExpectRefused(f.Build()); }

  std::ptrdiff_t BitsOffset() const { return DibInfo->Bits - DibInfo->Header; }

  TempDir dir_;
  MessageSink previous_ = nullptr;
};

BitmapFile Indexed(std::uint32_t headerSize, std::int32_t width, std::int32_t height, std::uint16_t bits,
                   std::size_t entries) {
  BitmapFile f;
  f.headerSize = headerSize;
  f.width = width;
  f.height = height;
  f.bitCount = bits;
  f.palette.assign(entries, kWhite);
  f.pixels.assign(static_cast<std::size_t>(RowBytesOf(width, bits)) * height, 0);
  return f;
}

TEST_F(LoaderTest, RowBytesPadsEveryRowToFourBytes) {
  struct Case {
    std::int32_t width;
    std::uint16_t bits;
    std::int32_t rowBytes;
  };
  for (const Case c : {Case{100, 1, 16}, Case{100, 24, 300}, Case{101, 24, 304}, Case{33, 4, 20}, Case{3, 8, 4}}) {
    BitmapFile f = Indexed(40, c.width, 2, c.bits, c.bits == 24 ? 0 : 1u << c.bits);
    f.pixels.assign(static_cast<std::size_t>(c.rowBytes) * 2, 0);
    ASSERT_EQ(Load(f), 1) << c.width << " at " << c.bits;
    EXPECT_EQ(DibInfo->RowBytes, c.rowBytes) << c.width << " at " << c.bits;
    // Exactly the rows the header announces are needed: one byte less is refused.
    f.pixels.pop_back();
    ExpectRefused(f);
  }
}

TEST_F(LoaderTest, CoreHeaderHasThreeByteEntriesAndAFullTable) {
  ASSERT_EQ(Load(Indexed(12, 5, 3, 8, 256)), 1);
  EXPECT_EQ(DibInfo->IsCore, 1);
  EXPECT_EQ(DibInfo->PaletteEntries, 256);
  EXPECT_EQ(DibInfo->ColorsUsed, 256);
  EXPECT_EQ(BitsOffset(), 12 + 768);
  EXPECT_EQ(DibInfo->CoreColors, DibInfo->Header + 12);
  EXPECT_EQ(DibInfo->QuadColors, nullptr);
  EXPECT_EQ(DibInfo->PixelWidth, 5);
  EXPECT_EQ(DibInfo->PixelHeight, 3);

  ASSERT_EQ(Load(Indexed(12, 5, 3, 24, 0)), 1);
  EXPECT_EQ(DibInfo->PaletteEntries, 0);
  EXPECT_EQ(DibInfo->ColorsUsed, 0);
  EXPECT_EQ(BitsOffset(), 12);

  ASSERT_EQ(Load(Indexed(12, 9, 1, 1, 2)), 1);
  EXPECT_EQ(DibInfo->ColorsUsed, 2);
  EXPECT_EQ(BitsOffset(), 12 + 6);
}

TEST_F(LoaderTest, HeaderSizesThirteenToFifteenAndBelowTwelveAreRefused) {
  for (std::uint32_t size : {0u, 4u, 11u, 13u, 14u, 15u}) {
    BitmapFile f = Indexed(40, 4, 2, 24, 0);
    Bytes b = f.Build();
    Put32(b, 14, size);
    WriteFile(dir_.file("odd.bmp"), b);
    std::strcpy(CurrentPath, dir_.file("odd.bmp").c_str());
    EXPECT_EQ(ReadBitmapFile(), nullptr) << size;
    ExpectRefused(b);
  }
}

// Header sizes 16 to 35 have no colours-used field: the bytes where a longer
// header keeps it belong to the colour table and must not be read as it.
TEST_F(LoaderTest, ColoursUsedIsReadOnlyFromHeadersOfThirtySixBytesOrMore) {
  for (std::uint32_t size : {16u, 35u}) {
    BitmapFile f = Indexed(size, 4, 2, 8, 256);
    Bytes b = f.Build();
    Put32(b, 14 + 32, 16);  // inside the table (16) or the header's last bytes (35)
    ASSERT_EQ(Load(b), 1) << size;
    EXPECT_EQ(DibInfo->IsCore, 0);
    EXPECT_EQ(DibInfo->PaletteEntries, 256) << size;
    EXPECT_EQ(DibInfo->ColorsUsed, 0) << size;
    EXPECT_EQ(BitsOffset(), static_cast<std::ptrdiff_t>(size + 1024)) << size;
    EXPECT_EQ(DibInfo->QuadColors, DibInfo->Header + size);
  }
  for (std::uint32_t size : {36u, 40u, 66u, 124u}) {
    BitmapFile f = Indexed(size, 4, 2, 8, 16);
    f.colorsUsed = 16;
    ASSERT_EQ(Load(f), 1) << size;
    EXPECT_EQ(DibInfo->PaletteEntries, 16) << size;
    EXPECT_EQ(DibInfo->ColorsUsed, 16) << size;
    EXPECT_EQ(BitsOffset(), static_cast<std::ptrdiff_t>(size + 64)) << size;
  }
}

TEST_F(LoaderTest, RowsBeginBehindTheTableWhateverTheFileHeaderSays) {
  BitmapFile f = Indexed(40, 4, 2, 8, 16);
  f.colorsUsed = 16;
  f.gap.assign(100, 0xEE);
  f.pixelOffset = 14 + 40 + 64 + 100;
  ASSERT_EQ(Load(f), 1);
  EXPECT_EQ(BitsOffset(), 40 + 64);

  BitmapFile rgb = Indexed(40, 4, 2, 24, 0);
  ASSERT_EQ(Load(rgb), 1);
  EXPECT_EQ(BitsOffset(), 40);
  EXPECT_EQ(DibInfo->PaletteEntries, 0);
  rgb.palette.assign(5, kBlack);
  rgb.colorsUsed = 5;
  ASSERT_EQ(Load(rgb), 1);
  EXPECT_EQ(BitsOffset(), 40 + 20);
  EXPECT_EQ(DibInfo->PaletteEntries, 5);
}

TEST_F(LoaderTest, DeepPixelsHaveNoImpliedTableAndKeepTheirMasks) {
  BitmapFile plain = Indexed(40, 3, 2, 32, 0);
  ASSERT_EQ(Load(plain), 1);
  EXPECT_EQ(DibInfo->PaletteEntries, 0);
  EXPECT_EQ(BitsOffset(), 40);

  BitmapFile masked = Indexed(40, 3, 2, 16, 0);
  masked.compression = BITMAP_BITFIELDS;
  masked.masks.assign(12, 0xFF);
  ASSERT_EQ(Load(masked), 1);
  EXPECT_EQ(BitsOffset(), 40 + 12);
  masked.palette.assign(256, kWhite);
  masked.colorsUsed = 256;
  ASSERT_EQ(Load(masked), 1);
  EXPECT_EQ(DibInfo->QuadColors, DibInfo->Header + 52);
  EXPECT_EQ(BitsOffset(), 40 + 12 + 1024);

  // Headers from 52 (56 with alpha) bytes on hold the masks themselves.
  BitmapFile v5 = Indexed(124, 3, 2, 32, 0);
  v5.compression = BITMAP_BITFIELDS;
  ASSERT_EQ(Load(v5), 1);
  EXPECT_EQ(BitsOffset(), 124);
  BitmapFile alpha = Indexed(40, 3, 2, 32, 0);
  alpha.compression = BITMAP_ALPHABITFIELDS;
  alpha.masks.assign(16, 0xFF);
  ASSERT_EQ(Load(alpha), 1);
  EXPECT_EQ(BitsOffset(), 40 + 16);
}

TEST_F(LoaderTest, OnlyBmMagicIsRead) {
  for (const char* magic : {"BA", "MB", "bm"}) {
    Bytes b = Indexed(40, 4, 2, 24, 0).Build();
    b[0] = static_cast<unsigned char>(magic[0]);
    b[1] = static_cast<unsigned char>(magic[1]);
    WriteFile(dir_.file("magic.bmp"), b);
    std::strcpy(CurrentPath, dir_.file("magic.bmp").c_str());
    EXPECT_EQ(ReadBitmapFile(), nullptr) << magic;
    ExpectRefused(b);
  }
  std::strcpy(CurrentPath, dir_.file("missing.bmp").c_str());
  EXPECT_EQ(ReadBitmapFile(), nullptr);
  g_shown.clear();
  EXPECT_EQ(OpenBitmap(), 0);
  EXPECT_EQ(g_shown, (std::vector<std::tuple<int, int, int>>{{1, 2, 6}}));
}

TEST_F(LoaderTest, FilesShorterThanTheirHeaderTableOrRowsAreRefused) {
  const Bytes whole = Indexed(40, 7, 3, 8, 256).Build();
  ASSERT_EQ(Load(whole), 1);
  // Cut inside the file header, inside the header-size field, inside the
  // header, inside the colour table and inside the last row.
  for (std::size_t length : {std::size_t{2}, std::size_t{13}, std::size_t{14}, std::size_t{17},
                             std::size_t{14 + 39}, std::size_t{14 + 40 + 1023}, whole.size() - 1}) {
    ExpectRefused(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)));
  }
  ExpectRefused(Bytes{});
}

TEST_F(LoaderTest, SizesOfSixtyFiveThousandFiveHundredAndThirtySixAreRefused) {
  BitmapFile wide = Indexed(40, 65535, 1, 1, 2);
  ASSERT_EQ(Load(wide), 1);
  EXPECT_EQ(DibInfo->PixelWidth, 65535);
  EXPECT_EQ(DibInfo->RowBytes, 8192);

  BitmapFile tooWide = Indexed(40, 65536, 1, 1, 2);
  ExpectRefused(tooWide);
  BitmapFile tooHigh = Indexed(40, 1, 65536, 1, 2);
  ExpectRefused(tooHigh);
  BitmapFile tooHighTopDown = Indexed(40, 1, 65536, 1, 2);
  tooHighTopDown.height = -65536;
  ExpectRefused(tooHighTopDown);
  BitmapFile lowest = Indexed(40, 1, 1, 1, 2);
  lowest.height = INT32_MIN;
  ExpectRefused(lowest);
  // A negative width would pass as 65409 in its low 16 bits.
  BitmapFile negative = Indexed(40, 127, 1, 1, 2);
  negative.width = -127;
  negative.pixels.assign(65536, 0);
  ExpectRefused(negative);
}

TEST_F(LoaderTest, TopDownBitmapsKeepTheirHeightAndSayHowTheyAreStored) {
  BitmapFile f = Indexed(40, 4, 3, 24, 0);
  f.height = -3;
  ASSERT_EQ(Load(f), 1);
  EXPECT_EQ(DibInfo->PixelHeight, 3);
  EXPECT_EQ(DibInfo->TopDown, 1);
  EXPECT_EQ(SpectrumSettings.Height, 3);
  // The header block stays as stored, negative height and all.
  EXPECT_EQ(static_cast<std::int32_t>(DibInfo->Header[8] | DibInfo->Header[9] << 8 | DibInfo->Header[10] << 16 |
                                      DibInfo->Header[11] << 24),
            -3);
  f.height = 3;
  ASSERT_EQ(Load(f), 1);
  EXPECT_EQ(DibInfo->TopDown, 0);
}

TEST_F(LoaderTest, CompressionsItCannotShowOrTraceAreRefused) {
  BitmapFile jpeg = Indexed(40, 4, 2, 24, 0);
  jpeg.compression = 4;
  jpeg.imageSize = static_cast<std::uint32_t>(jpeg.pixels.size());
  ExpectRefused(jpeg);
  BitmapFile huffman = Indexed(64, 8, 2, 1, 2);
  huffman.compression = 3;  // OS/2 Huffman at one bit, not bit fields
  ExpectRefused(huffman);
  BitmapFile wrongDepth = Indexed(40, 4, 2, 4, 16);
  wrongDepth.compression = BITMAP_RLE8;
  wrongDepth.imageSize = 2;
  wrongDepth.pixels = {0, 1};
  ExpectRefused(wrongDepth);
}

TEST_F(LoaderTest, RunLengthDataMustHoldItsAnnouncedSizeAndBeStoredBottomUp) {
  BitmapFile f = Indexed(40, 8, 2, 8, 2);
  f.colorsUsed = 2;
  f.compression = BITMAP_RLE8;
  f.pixels = {8, 1, 0, 0, 8, 1, 0, 1};
  f.imageSize = 8;
  ASSERT_EQ(Load(f), 1);
  EXPECT_EQ(DibInfo->Compression, BITMAP_RLE8);
  EXPECT_EQ(DibInfo->DataLength, 8u);
  // Compressed rows need not fill PixelHeight x RowBytes bytes.
  EXPECT_LT(f.pixels.size(), static_cast<std::size_t>(DibInfo->RowBytes) * 2);
  f.imageSize = 9;
  ExpectRefused(f);
  f.imageSize = 0;
  ExpectRefused(f);
  f.imageSize = 8;
  f.height = -2;
  ExpectRefused(f);
}

TEST_F(LoaderTest, OpeningSetsTheSettingsAndTheLayout) {
  SpectrumSettings.SI = 4096;  // chosen earlier in the dialog
  ClientWidth = 640;
  ClientHeight = 480;
  BitmapFile f = Indexed(40, 300, 7, 24, 0);
  ASSERT_EQ(Load(f), 1);
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  EXPECT_EQ(SpectrumSettings.Width, 300);
  EXPECT_EQ(SpectrumSettings.Height, 7);
  EXPECT_EQ(SpectrumSettings.SI, CVNextPow2(300));
  EXPECT_EQ(SpectrumSettings.SI, 512);
  EXPECT_EQ(SpectrumSettings.FileTime, GetTimeLastModified(CurrentPath));
  EXPECT_NE(SpectrumSettings.FileTime, -1);
  EXPECT_EQ(DisplayRect.left, 14);
  EXPECT_EQ(DisplayRect.top, 14);
  EXPECT_EQ(DisplayRect.right, 612);
  EXPECT_EQ(DisplayRect.bottom, 452);
  EXPECT_TRUE(g_shown.empty());

  ClientWidth = 100;
  ClientHeight = 20;
  LayoutBitmap();
  EXPECT_EQ(DisplayRect.right, 72);
  EXPECT_EQ(DisplayRect.bottom, -8);
}

TEST_F(LoaderTest, AFailedOpenLeavesNoBitmapAndTheSettingsAsTheyWere) {
  ASSERT_EQ(Load(Indexed(40, 20, 5, 24, 0)), 1);
  const SPECTRUMSETTINGS before = SpectrumSettings;
  SpectrumSettings.SI = 64;
  ExpectRefused(Indexed(13, 40, 9, 24, 0));
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  EXPECT_EQ(SpectrumSettings.Width, before.Width);
  EXPECT_EQ(SpectrumSettings.Height, before.Height);
  EXPECT_EQ(SpectrumSettings.FileTime, before.FileTime);
  EXPECT_EQ(SpectrumSettings.SI, 64);
  // Opening again after a failure works from a clean state.
  ASSERT_EQ(Load(Indexed(40, 33, 5, 24, 0)), 1);
  EXPECT_EQ(SpectrumSettings.Width, 33);
}

TEST_F(LoaderTest, FillDibInfoNeedsARecord) {
  ASSERT_EQ(DibInfo, nullptr);
  WriteFile(dir_.file("a.bmp"), Indexed(40, 4, 2, 24, 0).Build());
  std::strcpy(CurrentPath, dir_.file("a.bmp").c_str());
  EXPECT_EQ(FillDibInfo(), 0);
  EXPECT_TRUE(g_shown.empty());
}

// Files larger than one 32 KiB read arrive whole and in order.
TEST_F(LoaderTest, LargeFilesAreReadWholeInChunks) {
  BitmapFile f = Indexed(40, 301, 113, 24, 0);
  for (std::size_t i = 0; i < f.pixels.size(); ++i) f.pixels[i] = static_cast<unsigned char>(i * 7 + i / 251);
  const Bytes bytes = f.Build();
  ASSERT_GT(bytes.size(), 3u * 32768u);
  WriteFile(dir_.file("big.bmp"), bytes);
  std::strcpy(CurrentPath, dir_.file("big.bmp").c_str());
  std::size_t length = 0;
  unsigned char* block = ReadBitmapFile(&length);
  ASSERT_NE(block, nullptr);
  ASSERT_EQ(length, bytes.size() - 14);
  EXPECT_EQ(std::memcmp(block, bytes.data() + 14, length), 0);
  std::free(block);

  ASSERT_EQ(Open(dir_.file("big.bmp")), 1);
  EXPECT_EQ(DibInfo->HeaderLength, bytes.size() - 14);
  EXPECT_EQ(std::memcmp(DibInfo->Bits, f.pixels.data(), f.pixels.size()), 0);
}

TEST(FindBitmapBitsTest, LocatesTheRowsAndRefusesATableBeyondTheBlock) {
  BitmapFile f = Indexed(40, 4, 2, 8, 16);
  f.colorsUsed = 16;
  Bytes b = f.Build();
  unsigned char* header = b.data() + 14;
  EXPECT_EQ(FindBitmapBits(header), header + 40 + 64);
  EXPECT_EQ(FindBitmapBits(header, 40 + 64), header + 40 + 64);
  EXPECT_EQ(FindBitmapBits(header, 40 + 63), nullptr);
  EXPECT_EQ(FindBitmapBits(header, 39), nullptr);
  EXPECT_EQ(FindBitmapBits(nullptr), nullptr);
}

TEST(DescribeBitmapTest, AnAbsurdColourCountDoesNotWrapAround) {
  BitmapFile f = Indexed(40, 4, 2, 8, 2);
  f.colorsUsed = 0x40000001u;  // 4 bytes each: wraps to 4 in 32 bits
  Bytes b = f.Build();
  BitmapLayout layout;
  EXPECT_FALSE(DescribeBitmap(b.data() + 14, b.size() - 14, &layout));
  f.colorsUsed = 2;
  b = f.Build();
  ASSERT_TRUE(DescribeBitmap(b.data() + 14, b.size() - 14, &layout));
  EXPECT_EQ(layout.bitsOffset, 48u);
  EXPECT_EQ(layout.dataLength, 8u);
}

TEST(FreeDibInfoTest, FreesTheRecordAndItsBlock) {
  ResetProgram();
  TempDir dir;
  ASSERT_EQ(OpenBytes(dir, Indexed(40, 4, 2, 24, 0).Build()), 1);
  FreePicture();
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(SpectrumSettings.FileTime, -1);
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  FreeDibInfo();  // harmless when nothing is loaded
  EXPECT_EQ(DibInfo, nullptr);
}

}  // namespace
