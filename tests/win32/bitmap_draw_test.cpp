// DrawBitmap on a memory device context: where the picture lands, how it is
// stretched, and that every kind of stored bitmap is drawn as stored.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/bitmap_win32.h"
#include "shell/state.h"
#include "spectrum/settings.h"

namespace {

using Bytes = std::vector<unsigned char>;

void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A bitmap file: 40-byte header (or 12-byte core header), table, pixels.
Bytes BitmapFile(std::int32_t width, std::int32_t height, std::uint16_t bits, const std::vector<COLORREF>& table,
                 const Bytes& pixels, std::uint32_t compression = BI_RGB, bool core = false) {
  const std::uint32_t headerSize = core ? 12 : 40;
  Bytes b(14 + headerSize, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 14, headerSize);
  if (core) {
    b[18] = static_cast<unsigned char>(width);
    b[19] = static_cast<unsigned char>(width >> 8);
    b[20] = static_cast<unsigned char>(height);
    b[21] = static_cast<unsigned char>(height >> 8);
    b[22] = 1;
    b[24] = static_cast<unsigned char>(bits);
  } else {
    Put32(b, 18, static_cast<std::uint32_t>(width));
    Put32(b, 22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<unsigned char>(bits);
    Put32(b, 30, compression);
    Put32(b, 34, static_cast<std::uint32_t>(pixels.size()));
    Put32(b, 46, static_cast<std::uint32_t>(table.size()));
  }
  for (COLORREF c : table) {
    b.push_back(GetBValue(c));
    b.push_back(GetGValue(c));
    b.push_back(GetRValue(c));
    if (!core) b.push_back(0);
  }
  Put32(b, 10, static_cast<std::uint32_t>(b.size()));
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

// A 640 x 480 client area as a 32-bit top-down DIB section, filled white.
class Client {
 public:
  Client() {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kWidth;
    bi.bmiHeader.biHeight = -kHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    std::fill(bits_, bits_ + kWidth * kHeight, 0x00FFFFFFu);
  }
  ~Client() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  // 0xRRGGBB of a client pixel.
  std::uint32_t At(int x, int y) const {
    GdiFlush();
    return bits_[y * kWidth + x] & 0x00FFFFFFu;
  }
  int CountNotWhite() const {
    GdiFlush();
    int n = 0;
    for (int i = 0; i < kWidth * kHeight; ++i) n += (bits_[i] & 0x00FFFFFFu) != 0x00FFFFFFu;
    return n;
  }
  static constexpr int kWidth = 640, kHeight = 480;

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
  std::uint32_t* bits_ = nullptr;
};

class DrawBitmapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FreePicture();
    ResetSettings();
    ClientWidth = Client::kWidth;
    ClientHeight = Client::kHeight;
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    path_ = std::string(dir) + "quillon-draw-test-" + std::to_string(GetCurrentProcessId()) + ".bmp";
  }
  void TearDown() override {
    FreePicture();
    DeleteFileA(path_.c_str());
  }

  void Load(const Bytes& bytes) {
    HANDLE f = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
    std::strcpy(CurrentPath, path_.c_str());
    ASSERT_EQ(OpenBitmap(), 1);
  }

  // The picture's corners land on the corners of the stretched area and
  // nothing is drawn outside it.
  void ExpectQuadrants(const Client& c, std::uint32_t topLeft, std::uint32_t topRight, std::uint32_t bottomLeft,
                       std::uint32_t bottomRight) {
    EXPECT_EQ(c.At(15, 15), topLeft);
    EXPECT_EQ(c.At(626, 15), topRight);
    EXPECT_EQ(c.At(15, 466), bottomLeft);
    EXPECT_EQ(c.At(626, 466), bottomRight);
    EXPECT_EQ(c.At(15 + 306 - 2, 15 + 226 - 2), topLeft);
    EXPECT_EQ(c.At(15 + 306 + 2, 15 + 226 + 2), bottomRight);
    for (int x : {14, 627}) EXPECT_EQ(c.At(x, 200), 0xFFFFFFu) << x;
    for (int y : {14, 467}) EXPECT_EQ(c.At(300, y), 0xFFFFFFu) << y;
    EXPECT_EQ(c.CountNotWhite(), 612 * 452);
  }

  std::string path_;
};

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0x000000;

// 2 x 2 at 24 bits, rows bottom first: red green / blue black.
Bytes Quadrants24(bool topDown) {
  const Bytes bottom = {0, 0, 255, 0, 255, 0, 0, 0};  // red, green (B, G, R each), padding
  const Bytes top = {255, 0, 0, 0, 0, 0, 0, 0};       // blue, black
  Bytes pixels = topDown ? top : bottom;
  const Bytes& second = topDown ? bottom : top;
  pixels.insert(pixels.end(), second.begin(), second.end());
  return BitmapFile(2, topDown ? -2 : 2, 24, {}, pixels);
}

TEST_F(DrawBitmapTest, StretchesTheWholePictureIntoTheDisplayRectangle) {
  Load(Quadrants24(false));
  EXPECT_EQ(DisplayRect.left, 14);
  EXPECT_EQ(DisplayRect.top, 14);
  EXPECT_EQ(DisplayRect.right, 612);
  EXPECT_EQ(DisplayRect.bottom, 452);
  Client c;
  DrawBitmap(c.dc());
  ExpectQuadrants(c, kBlue, kBlack, kRed, kGreen);
}

TEST_F(DrawBitmapTest, ATopDownBitmapIsDrawnTheRightWayUp) {
  Load(Quadrants24(true));
  Client c;
  DrawBitmap(c.dc());
  ExpectQuadrants(c, kBlue, kBlack, kRed, kGreen);
}

TEST_F(DrawBitmapTest, IndexedCoreAndCompressedBitmapsAreDrawnAsStored) {
  const std::vector<COLORREF> table = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(0, 0, 0)};
  // 8 bits, rows bottom first: 0 1 / 2 3.
  Load(BitmapFile(2, 2, 8, table, {0, 1, 0, 0, 2, 3, 0, 0}));
  {
    Client c;
    DrawBitmap(c.dc());
    ExpectQuadrants(c, kBlue, kBlack, kRed, kGreen);
  }
  // A core header has no colour count: its table holds all 256 entries.
  std::vector<COLORREF> full = table;
  full.resize(256, RGB(255, 255, 255));
  Load(BitmapFile(2, 2, 8, full, {0, 1, 0, 0, 2, 3, 0, 0}, BI_RGB, true));
  EXPECT_EQ(DibInfo->IsCore, 1);
  {
    Client c;
    DrawBitmap(c.dc());
    ExpectQuadrants(c, kBlue, kBlack, kRed, kGreen);
  }
  // The same picture run-length encoded: runs of one pixel, end of line, end.
  Load(BitmapFile(2, 2, 8, table, {1, 0, 1, 1, 0, 0, 1, 2, 1, 3, 0, 1}, BI_RLE8));
  EXPECT_EQ(DibInfo->Compression, static_cast<std::uint32_t>(BI_RLE8));
  {
    Client c;
    DrawBitmap(c.dc());
    ExpectQuadrants(c, kBlue, kBlack, kRed, kGreen);
  }
  // 1 bit: the left column black, the right one white.
  Load(BitmapFile(2, 2, 1, {RGB(255, 255, 255), RGB(0, 0, 0)}, {0x80, 0, 0, 0, 0x80, 0, 0, 0}));
  {
    Client c;
    DrawBitmap(c.dc());
    EXPECT_EQ(c.At(15, 15), kBlack);
    EXPECT_EQ(c.At(320, 466), kBlack);
    EXPECT_EQ(c.At(322, 200), 0xFFFFFFu);
    EXPECT_EQ(c.At(14, 200), 0xFFFFFFu);
  }
}

TEST_F(DrawBitmapTest, FollowsTheClientSize) {
  Load(Quadrants24(false));
  ClientWidth = 100;
  ClientHeight = 60;
  LayoutBitmap();
  Client c;
  DrawBitmap(c.dc());
  EXPECT_EQ(c.At(15, 15), kBlue);
  EXPECT_EQ(c.At(15 + 72 - 1, 15 + 32 - 1), kGreen);
  EXPECT_EQ(c.At(15 + 72, 20), 0xFFFFFFu);
  EXPECT_EQ(c.At(20, 15 + 32), 0xFFFFFFu);
  EXPECT_EQ(c.CountNotWhite(), 72 * 32);
}

TEST_F(DrawBitmapTest, DrawsNothingWithoutABitmapOrWithoutRoom) {
  {
    Client c;
    DrawBitmap(c.dc());
    EXPECT_EQ(c.CountNotWhite(), 0);
  }
  Load(Quadrants24(false));
  for (auto size : {std::pair<int, int>{28, 480}, std::pair<int, int>{640, 20}}) {
    ClientWidth = size.first;
    ClientHeight = size.second;
    LayoutBitmap();
    Client c;
    DrawBitmap(c.dc());
    EXPECT_EQ(c.CountNotWhite(), 0) << size.first << " x " << size.second;
  }
}

}  // namespace
