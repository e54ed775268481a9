// The bitmap loader: header kinds, colour tables, where the rows begin, what
// is refused and what opening a bitmap does to the settings; the run-length
// decoder bounded by its data and its rows; and every file of the bitmap suite
// (good, questionable and bad) loaded and traced or refused, with no read
// outside the loaded block under the sanitizers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "platform/fileio.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "spectrum/trace.h"
#include "tavnmrfiles.h"
#include "test_support.h"

namespace {

using namespace bmptest;
namespace fs = std::filesystem;

BitmapFile Indexed(std::uint32_t headerSize, std::int32_t width, std::int32_t height, std::uint16_t bits,
                   std::size_t entries, std::uint32_t colorsUsed = 0) {
  BitmapFile f;
  f.headerSize = headerSize;
  f.width = width;
  f.height = height;
  f.bitCount = bits;
  f.colorsUsed = colorsUsed;
  f.palette.assign(entries, kWhite);
  f.pixels.assign(static_cast<std::size_t>(RowBytesOf(width, bits)) * height, 0);
  return f;
}

BitmapFile Masked(BitmapFile f, std::uint32_t compression, std::size_t maskBytes) {
  f.compression = compression;
  f.masks.assign(maskBytes, 0xFF);
  return f;
}

BitmapFile Gap(BitmapFile f, std::size_t gap) {
  f.gap.assign(gap, 0xEE);
  f.pixelOffset = static_cast<std::uint32_t>(14 + f.headerSize + 4 * f.palette.size() + gap);
  return f;
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { ResetProgram(); }
  int Load(const Bytes& bytes) { return OpenBytes(dir_, bytes); }
  int Load(const BitmapFile& f) { return Load(f.Build()); }
  // Refused: no bitmap, and exactly the load-failure message.
  void ExpectRefused(const Bytes& bytes, const std::string& what = "") {
    messages_.clear();
    EXPECT_EQ(Load(bytes), 0) << what;
    EXPECT_EQ(DibInfo, nullptr) << what;
    EXPECT_EQ(messages_.shown(), (MessageCapture::Shown{{1, 2, 6}})) << what;
  }
  void ExpectRefused(const BitmapFile& f, const std::string& what = "") { ExpectRefused(f.Build(), what); }
  std::ptrdiff_t BitsOffset() const { return DibInfo->Bits - DibInfo->Header; }

  TempDir dir_;
  MessageCapture messages_;
};

TEST_F(LoaderTest, RowBytesPadsEveryRowToFourBytes) {
  for (const auto& c : {std::vector<int>{100, 1, 16}, {100, 24, 300}, {101, 24, 304}, {33, 4, 20}, {3, 8, 4}}) {
    const auto bits = static_cast<std::uint16_t>(c[1]);
    BitmapFile f = Indexed(40, c[0], 2, bits, bits == 24 ? 0 : 1u << bits);
    f.pixels.assign(static_cast<std::size_t>(c[2]) * 2, 0);
    ASSERT_EQ(Load(f), 1) << c[0] << " at " << c[1];
    EXPECT_EQ(DibInfo->RowBytes, c[2]) << c[0] << " at " << c[1];
    f.pixels.pop_back();  // the rows the header announces, all of them
    ExpectRefused(f);
  }
}

TEST_F(LoaderTest, ColourTablesAndWhereTheRowsBegin) {
  struct Case {
    const char* what;
    BitmapFile f;
    std::int32_t paletteEntries, colorsUsed;
    std::ptrdiff_t bitsOffset;
  };
  const Case cases[] = {
      {"core, 8 bits: a full table of 3-byte entries", Indexed(12, 5, 3, 8, 256), 256, 256, 12 + 768},
      {"core, 24 bits", Indexed(12, 5, 3, 24, 0), 0, 0, 12},
      {"core, 1 bit", Indexed(12, 9, 1, 1, 2), 2, 2, 12 + 6},
      {"16-byte header", Indexed(16, 4, 2, 8, 256), 256, 0, 16 + 1024},
      {"35-byte header", Indexed(35, 4, 2, 8, 256), 256, 0, 35 + 1024},
      {"36-byte header", Indexed(36, 4, 2, 8, 16, 16), 16, 16, 36 + 64},
      {"124-byte header", Indexed(124, 4, 2, 8, 16, 16), 16, 16, 124 + 64},
      {"rows behind the table whatever the file header says", Gap(Indexed(40, 4, 2, 8, 16, 16), 100), 16, 16, 40 + 64},
      {"24 bits with a table", Indexed(40, 4, 2, 24, 5, 5), 5, 5, 40 + 20},
      {"32 bits: no implied table", Indexed(40, 3, 2, 32, 0), 0, 0, 40},
      {"bit-field masks, then the table", Masked(Indexed(40, 3, 2, 16, 256, 256), BITMAP_BITFIELDS, 12), 256, 256,
       40 + 12 + 1024},
      {"alpha masks", Masked(Indexed(40, 3, 2, 32, 0), BITMAP_ALPHABITFIELDS, 16), 0, 0, 40 + 16},
      {"a long header holds its masks", Masked(Indexed(124, 3, 2, 32, 0), BITMAP_BITFIELDS, 0), 0, 0, 124},
      {"a 52-byte header holds the colour masks", Masked(Indexed(52, 3, 2, 32, 0), BITMAP_BITFIELDS, 0), 0, 0, 52},
      {"the alpha mask follows a 52-byte header", Masked(Indexed(52, 3, 2, 32, 0), BITMAP_ALPHABITFIELDS, 4), 0, 0,
       52 + 4},
      {"a 56-byte header holds all four", Masked(Indexed(56, 3, 2, 32, 0), BITMAP_ALPHABITFIELDS, 0), 0, 0, 56},
  };
  for (const Case& c : cases) {
    Bytes b = c.f.Build();
    // Header sizes 16 to 35 have no colours-used field: what lies where a
    // longer header keeps it is colour table (16) or header (35).
    if (c.f.headerSize == 16 || c.f.headerSize == 35) Put(b, 14 + 32, 16);
    ASSERT_EQ(Load(b), 1) << c.what;
    EXPECT_EQ(DibInfo->IsCore, c.f.headerSize == 12 ? 1 : 0) << c.what;
    EXPECT_EQ(DibInfo->PaletteEntries, c.paletteEntries) << c.what;
    EXPECT_EQ(DibInfo->ColorsUsed, c.colorsUsed) << c.what;
    EXPECT_EQ(BitsOffset(), c.bitsOffset) << c.what;
  }
  EXPECT_EQ(DibInfo->PixelWidth, 3);
  EXPECT_EQ(DibInfo->PixelHeight, 2);
}

TEST_F(LoaderTest, WhatIsNoBitmapIsRefused) {
  const Bytes whole = Indexed(40, 7, 3, 8, 256).Build();
  // Cut inside the file header, the header-size field, the header, the
  // colour table and the last row.
  for (std::size_t length : {std::size_t{0}, std::size_t{2}, std::size_t{13}, std::size_t{14}, std::size_t{17},
                             std::size_t{14 + 39}, std::size_t{14 + 40 + 1023}, whole.size() - 1})
    ExpectRefused(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)), std::to_string(length));
  // Header sizes the loader does not know, and other magic than "BM": not even read.
  for (std::uint32_t size : {0u, 4u, 11u, 13u, 14u, 15u, 40u}) {
    for (const char* magic : {"BM", "BA", "MB", "bm"}) {
      if (size == 40 && std::strcmp(magic, "BM") == 0) continue;
      Bytes b = whole;
      Put(b, 14, size);
      b[0] = static_cast<unsigned char>(magic[0]);
      b[1] = static_cast<unsigned char>(magic[1]);
      WriteFile(dir_.file("odd.bmp"), b);
      std::strcpy(CurrentPath, dir_.file("odd.bmp").c_str());
      EXPECT_EQ(ReadBitmapFile(), nullptr) << size << magic;
      ExpectRefused(b, std::to_string(size) + magic);
    }
  }
  std::strcpy(CurrentPath, dir_.file("missing.bmp").c_str());
  messages_.clear();
  EXPECT_EQ(OpenBitmap(), 0);
  EXPECT_EQ(messages_.shown(), (MessageCapture::Shown{{1, 2, 6}}));
}

TEST_F(LoaderTest, SizesCompressionsAndRunLengthDataItCannotUseAreRefused) {
  ASSERT_EQ(Load(Indexed(40, 65535, 1, 1, 2)), 1);
  EXPECT_EQ(DibInfo->RowBytes, 8192);
  BitmapFile rle = Indexed(40, 8, 2, 8, 2, 2);
  rle.compression = BITMAP_RLE8;
  rle.pixels = {8, 1, 0, 0, 8, 1, 0, 1};
  rle.imageSize = 8;
  ASSERT_EQ(Load(rle), 1);
  EXPECT_EQ(DibInfo->DataLength, 8u) << "compressed rows need not fill PixelHeight x RowBytes";
  std::vector<std::pair<std::string, BitmapFile>> refused;
  const auto add = [&refused](const char* what, const BitmapFile& f) {
    refused.emplace_back(what, f);
    return &refused.back().second;
  };
  add("65536 wide", Indexed(40, 65536, 1, 1, 2));
  add("65536 high", Indexed(40, 1, 65536, 1, 2));
  add("65536 high top-down", Indexed(40, 1, 1, 1, 2))->height = -65536;
  add("the lowest height", Indexed(40, 1, 1, 1, 2))->height = INT32_MIN;
  BitmapFile* negative = add("a negative width: 65409 in its low 16 bits", Indexed(40, 127, 1, 1, 2));
  negative->width = -127;
  negative->pixels.assign(65536, 0);
  BitmapFile* jpeg = add("JPEG", Indexed(40, 4, 2, 24, 0));
  jpeg->compression = 4;
  jpeg->imageSize = static_cast<std::uint32_t>(jpeg->pixels.size());
  add("OS/2 Huffman at one bit, not bit fields", Indexed(64, 8, 2, 1, 2))->compression = 3;
  add("RLE8 at 4 bits", rle)->bitCount = 4;
  add("RLE longer than the file", rle)->imageSize = 9;
  add("RLE of no size", rle)->imageSize = 0;
  add("RLE top-down", rle)->height = -2;
  for (const auto& r : refused) ExpectRefused(r.second, r.first);
}

TEST_F(LoaderTest, OpeningSetsTheSettingsAndTheLayout) {
  SpectrumSettings.SI = 4096;  // chosen earlier in the dialog
  ClientWidth = 640;
  ClientHeight = 480;
  BitmapFile f = Indexed(40, 300, 7, 24, 0);
  f.height = -7;
  ASSERT_EQ(Load(f), 1);
  EXPECT_EQ(DibInfo->TopDown, 1);
  EXPECT_EQ(DibInfo->Header[11], 0xFF) << "the block stays as stored, negative height and all";
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  EXPECT_EQ(SpectrumSettings.Width, 300);
  EXPECT_EQ(SpectrumSettings.Height, 7);
  EXPECT_EQ(SpectrumSettings.SI, 512);
  EXPECT_EQ(SpectrumSettings.FileTime, GetTimeLastModified(CurrentPath));
  EXPECT_NE(SpectrumSettings.FileTime, -1);
  const DISPLAYRECT r = DisplayRect;
  EXPECT_EQ(std::vector<int>({r.left, r.top, r.right, r.bottom}), std::vector<int>({14, 14, 612, 452}));
  EXPECT_TRUE(messages_.shown().empty());

  // A failed open leaves no bitmap and the settings as they were.
  SpectrumSettings.SI = 64;
  ExpectRefused(Indexed(13, 40, 9, 24, 0));
  EXPECT_EQ(SpectrumSettings.Width, 300);
  EXPECT_EQ(SpectrumSettings.SI, 64);
  ASSERT_EQ(Load(Indexed(40, 33, 5, 24, 0)), 1);
  EXPECT_EQ(DibInfo->TopDown, 0);
  EXPECT_EQ(SpectrumSettings.Width, 33);
  FreePicture();
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(SpectrumSettings.FileTime, -1);
}

// Files larger than one 32 KiB read arrive whole and in order.
TEST_F(LoaderTest, LargeFilesAreReadWholeInChunks) {
  BitmapFile f = Indexed(40, 301, 113, 24, 0);
  for (std::size_t i = 0; i < f.pixels.size(); ++i) f.pixels[i] = static_cast<unsigned char>(i * 7 + i / 251);
  const Bytes bytes = f.Build();
  ASSERT_GT(bytes.size(), 3u * 32768u);
  ASSERT_EQ(Load(bytes), 1);
  ASSERT_EQ(DibInfo->HeaderLength, bytes.size() - 14);
  EXPECT_EQ(std::memcmp(DibInfo->Header, bytes.data() + 14, DibInfo->HeaderLength), 0);
}

// A bitmap held without its file header (as the clipboard holds one) gets the
// header a file of it has: size, and where its rows begin.
TEST(BitmapFileImageTest, TheHeaderIsTheOneAFileOfThePictureHas) {
  BitmapFile withMasks = Masked(Indexed(40, 3, 2, 32, 0), BITMAP_BITFIELDS, 12);
  const BitmapFile files[] = {Indexed(40, 5, 3, 8, 4, 4), Indexed(12, 5, 3, 4, 16), Indexed(40, 7, 2, 24, 0),
                              withMasks};
  for (const BitmapFile& f : files) {
    const Bytes file = f.Build();
    std::size_t length = 0;
    unsigned char* image = BitmapFileImage(file.data() + 14, file.size() - 14, &length);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(Bytes(image, image + length), file) << f.headerSize << " " << f.bitCount;
    std::free(image);
  }
}

// Files of 2 GiB and more have their length in 64 bits (a sparse file: no
// disk space is taken).
TEST(FileSizeTest, LengthsBeyond32BitsAreExact) {
  TempDir dir;
  const std::string path = dir.file("large.bmp");
  WriteFile(path, {'B', 'M'});
  const std::uint64_t size = (std::uint64_t{5} << 30) + 3;
  fs::resize_file(fs::u8path(path), size);
  const qio::File f = qio::OpenForRead(path.c_str());
  std::uint64_t got = 0;
  EXPECT_TRUE(qio::Size(f, &got));
  qio::Close(f);
  EXPECT_EQ(got, size);
}

// 0x40000001 entries of 4 bytes would wrap to 4 in 32 bits.
TEST(BitmapLayoutTest, AnAbsurdColourCountDoesNotWrapAround) {
  const Bytes b = Indexed(40, 4, 2, 8, 2, 0x40000001u).Build();
  BitmapLayout layout;
  EXPECT_FALSE(DescribeBitmap(b.data() + 14, b.size() - 14, &layout));
}

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

// Files no bitmap can be made of, each for its own reason.
const std::set<std::string> kRefused = {
    "b/badbitcount.bmp",     // 30000 bits per pixel: rows far beyond the file
    "b/badpalettesize.bmp",  // a colour table of 305 million entries
    "b/badwidth.bmp",        // negative width
    "b/reallybig.bmp",       // 3000000 x 2000000 pixels
    "b/rletopdown.bmp",      // compressed rows stored top-down
    "b/shortfile.bmp",       // cut inside its rows
    "q/pal1huffmsb.bmp",     // Huffman compression
    "q/pal8os2sp.bmp",       // short colour table: the rows run past the file
    "q/rgb24jpeg.bmp",       // JPEG inside
    "q/rgb24png.bmp",        // PNG inside
    "q/rgb24rle24.bmp",      // 24-bit run-length compression
    "x/ba-bm.bmp",           // a bitmap array, no "BM"
};

TEST(BitmapSuiteTest, EveryFileLoadsAndTracesOrIsRefusedAndPicturesTraceAlike) {
  ResetProgram();
  TempDir dir;
  std::map<std::string, Points> traces;
  int traced = 0;
  for (const char* folder : {"b", "g", "q", "x"}) {
    const fs::path folderPath = fs::u8path(std::string(QUILLON_TEST_DATA) + "/bmpsuite/" + folder);
    for (const auto& entry : fs::directory_iterator(folderPath)) {
      if (entry.path().extension() != ".bmp") continue;
      const std::string name = std::string(folder) + "/" + entry.path().filename().string();
      MessageCapture messages;
      const bool loaded = Open(entry.path().generic_string()) == 1;
      EXPECT_EQ(loaded, kRefused.count(name) == 0) << name;
      if (!loaded) {
        EXPECT_EQ(messages.shown(), (MessageCapture::Shown{{1, 2, 6}})) << name;
        continue;
      }
      const std::uint16_t bits = DibInfo->BitCount;
      const TraceOutcome o = TraceLoaded(dir);
      traces[name] = o.points;
      FreeDibInfo();
      if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        EXPECT_FALSE(o.logged) << name;
        EXPECT_EQ(messages.shown(), (MessageCapture::Shown{{IDS_UNTRACEABLE_DEPTH, 0, 2}})) << name;
        continue;
      }
      ++traced;
      EXPECT_TRUE(o.logged) << name;
      // Either a spectrum, or (nothing dark) the one message that says so.
      EXPECT_EQ(o.result != 0, !o.points.empty()) << name;
      const MessageCapture::Shown noCurve = {{IDS_NO_CURVE, 0, 2}};
      EXPECT_EQ(messages.shown(), o.points.empty() ? noCurve : MessageCapture::Shown{}) << name;
      for (std::size_t i = 1; i < o.points.size(); ++i) EXPECT_LT(o.points[i - 1].first, o.points[i].first) << name;
    }
  }
  ASSERT_EQ(traces.size() + kRefused.size(), 91u) << "the suite's files are missing from " QUILLON_TEST_DATA;
  EXPECT_EQ(traced, 50);

  // The suite stores one picture in many ways; its pure-black pixels are the
  // same in each, so the traces must be too.
  const std::vector<std::vector<std::string>> groups = {
      // 8 bits: plain, full table, core header, compressed, top-down, longer
      // headers, oversize table, compressed with skipped (undefined) pixels.
      {"g/pal8.bmp", "g/pal8-0.bmp", "g/pal8os2.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp",
       "g/pal8v5.bmp", "q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp", "q/pal8os2-hs.bmp", "q/pal8oversizepal.bmp",
       "q/pal8rletrns.bmp", "b/pal8badindex.bmp"},
      {"g/pal4.bmp", "g/pal4rle.bmp", "q/pal4rletrns.bmp"},
      // Black first or white first in the table.
      {"g/pal1.bmp", "g/pal1wb.bmp", "b/badheadersize.bmp", "b/badplanes.bmp"},
      {"g/rgb24.bmp", "g/rgb24pal.bmp", "q/rgb24largepal.bmp", "q/rgb24prof.bmp", "g/pal8gs.bmp"},
  };
  for (const auto& group : groups) {
    EXPECT_GT(traces.at(group[0]).size(), 40u) << group[0];
    for (const std::string& name : group) EXPECT_EQ(traces.at(name), traces.at(group[0])) << name;
  }
  // No black at all, or no table entry that is black.
  EXPECT_TRUE(traces.at("g/pal1bg.bmp").empty());
  EXPECT_TRUE(traces.at("q/pal1p1.bmp").empty());
  ResetProgram();
}

}  // namespace
