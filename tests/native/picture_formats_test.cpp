// Pictures in PNG, JPEG, TIFF and GIF: told apart by their signatures,
// refused beyond the pixel budget before their pixels are decoded, damaged
// files refused with a reason (under the sanitizers natively, and through the
// Windows codec under Wine), and the bitmap built from a decoded picture seen
// by the classic trace exactly as the picture's pure-black pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/formats.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "spectrum/trace.h"
#include "test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Of(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes ReadPicture(const std::string& name) {
  std::ifstream in(std::string(QUILLON_TEST_DATA) + "/pictures/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void PutBE32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

TEST(PictureKind, SignaturesDecide) {
  const struct {
    std::string head;
    PictureKind kind;
  } cases[] = {
      {"BM", PICTURE_BMP},
      {"\x89PNG\r\n\x1a\n....", PICTURE_PNG},
      {"\x89PNG\r\n\x1a", PICTURE_UNKNOWN},  // cut short
      {"\xff\xd8\xff\xe0", PICTURE_JPEG},
      {"\xff\xd8", PICTURE_UNKNOWN},
      {std::string("II*\0", 4), PICTURE_TIFF},
      {std::string("MM\0*", 4), PICTURE_TIFF},
      {std::string("II+\0", 4), PICTURE_UNKNOWN},  // BigTIFF
      {"GIF87a", PICTURE_GIF},
      {"GIF89a", PICTURE_GIF},
      {"GIF90a", PICTURE_UNKNOWN},
      {"100 200\n", PICTURE_UNKNOWN},
  };
  for (const auto& c : cases) {
    const Bytes b = Of(c.head);
    EXPECT_EQ(PictureKindOf(b.data(), b.size()), c.kind) << c.head;
  }
}

// Headers that claim more than a bitmap may hold, with no pixel data behind them.
TEST(PictureDecode, SizesBeyondTheLimitsAreRefusedFromTheHeader) {
  Bytes png = ReadPicture("ethanol_800x400_lw1_noaa_8bit.png");
  Bytes tiff = ReadPicture("ethanol_800x400_lw1_noaa_8bit.tif");
  const struct {
    const char* what;
    std::uint32_t width, height;
    int message;
  } cases[] = {
      {"budget", 40000, 40000, IDS_PIXEL_BUDGET},
      {"width", 70000, 10, IDS_PICTURE_UNREADABLE},
  };
  for (const auto& c : cases) {
    PutBE32(png, 16, c.width);  // IHDR
    PutBE32(png, 20, c.height);
    Bytes t = tiff;
    // The first directory's width and height entries, rewritten as 32-bit values.
    const std::size_t dir = t[4] | t[5] << 8 | t[6] << 16 | std::size_t{t[7]} << 24;
    for (std::size_t e = dir + 2; e + 12 <= t.size() && e < dir + 2 + 12 * std::size_t{t[dir]}; e += 12) {
      const unsigned tag = t[e] | t[e + 1] << 8;
      if (tag != 256 && tag != 257) continue;
      const std::uint32_t v = tag == 256 ? c.width : c.height;
      const unsigned char entry[12] = {t[e], t[e + 1], 4, 0, 1, 0, 0, 0, static_cast<unsigned char>(v),
                                       static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16),
                                       static_cast<unsigned char>(v >> 24)};
      std::memcpy(&t[e], entry, 12);
    }
    for (const Bytes* file : {&png, &t}) {
      DecodedPicture picture;
      EXPECT_EQ(DecodePicture(PictureKindOf(file->data(), file->size()), file->data(), file->size(), &picture),
                DECODE_TOO_LARGE)
          << c.what;
      EXPECT_EQ(picture.pixels, nullptr);
      MessageCapture messages;
      auto* copy = static_cast<unsigned char*>(std::malloc(file->size()));
      std::memcpy(copy, file->data(), file->size());
      EXPECT_EQ(OpenPictureImage(copy, file->size()), 0);
      EXPECT_EQ(messages.ids(), std::vector<int>{c.message}) << c.what;
    }
  }
}

// Cut short and bit-flipped copies of every kind: decoded or refused with a
// reason, and never a read or write outside the decoder's blocks.
TEST(PictureDecode, DamagedFilesAreRefusedWithAReason) {
  for (const char* name : {"c13_800x400_lw3_noaa_core24bit.png", "c13_800x400_lw3_noaa_core24bit_rgb.jpg",
                           "c13_800x400_lw3_noaa_core24bit.tif", "c13_800x400_lw3_noaa_core24bit.gif",
                           "c13_800x400_lw3_noaa_core24bit_alpha.png"}) {
    const Bytes whole = ReadPicture(name);
    ASSERT_GT(whole.size(), 100u) << name;
    std::vector<Bytes> damaged;
    for (std::size_t cut : {std::size_t{12}, whole.size() / 3, whole.size() - 1}) damaged.emplace_back(whole.begin(), whole.begin() + cut);
    unsigned seed = 12345;
    for (int copy = 0; copy < 40; ++copy) {
      Bytes b = whole;
      for (int flip = 0; flip < 1 + copy % 8; ++flip) {
        seed = seed * 1103515245u + 12345u;
        b[8 + (seed >> 8) % (b.size() - 8)] ^= static_cast<unsigned char>(1u << (seed >> 4) % 8);
      }
      damaged.push_back(b);
    }
    bool refused = false;
    for (const Bytes& b : damaged) {
      DecodedPicture picture;
      const DecodeResult r = DecodePicture(PictureKindOf(whole.data(), whole.size()), b.data(), b.size(), &picture);
      if (r == DECODED) {
        EXPECT_NE(picture.pixels, nullptr);
      }
      // A flipped bit may well claim a size beyond the limits: refused as such.
      if (r == DECODE_FAILED) {
        EXPECT_FALSE(picture.reason.empty()) << name;
      }
      EXPECT_NE(r, DECODE_NO_MEMORY) << name;
      refused = refused || (&b == &damaged.front() && r == DECODE_FAILED);
      std::free(picture.pixels);
    }
    EXPECT_TRUE(refused) << name << ": the first 12 bytes alone";
  }
}

// stb_image 2.27 writes past its Huffman table for a DHT segment of more than
// 256 codes; such a file never reaches it.
TEST(PictureDecode, JpegHuffmanTablesOfTooManyCodesAreRefused) {
  Bytes jpeg = ReadPicture("c13_800x400_lw3_noaa_core24bit_rgb.jpg");
  std::size_t dht = 2;
  while (dht + 1 < jpeg.size() && !(jpeg[dht] == 0xFF && jpeg[dht + 1] == 0xC4)) ++dht;
  ASSERT_LT(dht + 21, jpeg.size());
  for (int i = 0; i < 16; ++i) jpeg[dht + 5 + i] = 32;  // 512 codes
  DecodedPicture picture;
  EXPECT_EQ(DecodePicture(PICTURE_JPEG, jpeg.data(), jpeg.size(), &picture), DECODE_FAILED);
}

// The program's way in: the file CurrentPath names, as Retrieve and the
// reload when it changes open it.
TEST(PictureFile, OpenBitmapDecodesTheFileCurrentPathNames) {
  ResetProgram();
  TempDir dir;
  const Bytes tiff = ReadPicture("ethanol_800x400_lw1_noaa_8bit.tif");
  for (const std::size_t length : {tiff.size(), std::size_t{60}}) {
    const std::string path = dir.file(std::to_string(length) + ".tif");
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(tiff.data()), length);
    std::strcpy(CurrentPath, path.c_str());
    MessageCapture messages;
    const bool whole = length == tiff.size();
    EXPECT_EQ(OpenBitmap(), whole ? 1 : 0) << length;
    EXPECT_EQ(DibInfo != nullptr, whole) << length;
    EXPECT_EQ(messages.ids(), whole ? std::vector<int>{} : std::vector<int>{IDS_PICTURE_UNREADABLE}) << length;
  }
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  EXPECT_EQ(SpectrumSettings.Width, 800);
  EXPECT_EQ(SpectrumSettings.Height, 400);
  EXPECT_NE(SpectrumSettings.FileTime, -1);
  ResetProgram();
}

// 2 x 2 pictures: which pixels the classic trace finds dark in the bitmap
// built from them (a column's lowest and highest dark row; -1 for none).
TEST(PictureBitmap, PureBlackStaysTheOnlyDarkColour) {
  const struct {
    const char* what;
    int channels;
    bool premultiplied;
    Bytes pixels;  // top row first
    std::uint16_t bitCount;
    int darkRow[2];
  } cases[] = {
      {"grey", 1, false, {0, 255, 1, 0}, 8, {1, 0}},
      {"grey and alpha", 2, false, {0, 255, 0, 0, 0, 254, 9, 255}, 8, {1, -1}},
      {"RGB", 3, false, {0, 0, 0, 0, 0, 1, 255, 0, 0, 0, 0, 0}, 24, {1, 0}},
      {"RGB all grey", 3, false, {0, 0, 0, 7, 7, 7, 7, 7, 7, 255, 255, 255}, 8, {1, -1}},
      {"RGBA, transparent", 4, false, {0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 254, 0, 0, 9, 255}, 24, {1, -1}},
      {"RGBA", 4, false, {0, 0, 0, 255, 255, 0, 0, 128, 0, 0, 0, 0, 0, 0, 0, 255}, 24, {1, 0}},
      {"premultiplied RGBA", 4, true, {0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 128, 0, 0, 0, 255}, 8, {1, 0}},
  };
  for (const auto& c : cases) {
    ResetProgram();
    Bytes pixels = c.pixels;
    DecodedPicture picture;
    picture.width = picture.height = 2;
    picture.channels = c.channels;
    picture.premultiplied = c.premultiplied;
    picture.pixels = pixels.data();
    std::size_t length = 0;
    unsigned char* image = BuildBitmapImage(picture, &length);
    ASSERT_NE(image, nullptr) << c.what;
    ASSERT_EQ(OpenBitmapImage(image, length), 1) << c.what;
    EXPECT_EQ(DibInfo->BitCount, c.bitCount) << c.what;
    ScanRows rows;
    PrepareScanRows(*DibInfo, &rows);
    ColumnRun runs[2];
    ScanColumns(rows, 0, 2, runs);
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(runs[x].first, c.darkRow[x]) << c.what << " column " << x;
      EXPECT_EQ(runs[x].last, c.darkRow[x]) << c.what << " column " << x;
    }
  }
  ResetProgram();
}

}  // namespace
