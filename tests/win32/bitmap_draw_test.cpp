// DrawBitmap on a memory device context: every kind of stored bitmap lands
// stretched, the right way up, exactly on the display rectangle.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/bitmap.h"
#include "picture/bitmap_win32.h"
#include "shell/state.h"
#include "shell_test_support.h"

using namespace shelltest;

namespace {

using Bytes = std::vector<unsigned char>;

void Put(Bytes& b, std::size_t at, std::int32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i));
}

// A 2 x 2 bitmap file (a 12-byte core header when `core`) with a table of
// `colours` entries: red, green, blue, black, then white.
Bytes BitmapFile(int height, int bits, int colours, const Bytes& pixels, int compression = BI_RGB, bool core = false) {
  const int field = core ? 2 : 4;
  Bytes b(core ? 26 : 54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put(b, 14, core ? 12 : 40, 4);
  Put(b, 18, 2, field);
  Put(b, 18 + field, height, field);
  Put(b, 18 + 2 * field, 1, 2);
  Put(b, 20 + 2 * field, bits, 2);
  if (!core) {
    Put(b, 30, compression, 4);
    Put(b, 34, static_cast<std::int32_t>(pixels.size()), 4);
    Put(b, 46, colours, 4);
  }
  const unsigned char table[5][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {0, 0, 0}, {255, 255, 255}};  // B, G, R
  for (int i = 0; i < colours; ++i) {
    b.insert(b.end(), table[i < 4 ? i : 4], table[i < 4 ? i : 4] + 3);
    if (!core) b.push_back(0);
  }
  Put(b, 10, static_cast<std::int32_t>(b.size()), 4);
  b.insert(b.end(), pixels.begin(), pixels.end());
  return b;
}

TEST(DrawBitmapTest, EachKindIsStretchedWholeIntoTheDisplayRectangle) {
  const Bytes bottomUp = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0};  // red green / blue black
  const Bytes topDown = {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
  const Bytes indexed = {0, 1, 0, 0, 2, 3, 0, 0};
  const struct {
    const char* kind;
    Bytes file;
    int clientWidth, clientHeight;
  } cases[] = {{"24-bit", BitmapFile(2, 24, 0, bottomUp), 640, 480},
               {"top-down", BitmapFile(-2, 24, 0, topDown), 640, 480},
               {"8-bit", BitmapFile(2, 8, 4, indexed), 640, 480},
               // A core header counts no colours: all 256 entries are stored.
               {"core", BitmapFile(2, 8, 256, indexed, BI_RGB, true), 640, 480},
               // Runs of one pixel, end of line, end of bitmap: drawn from the stored data.
               {"RLE8", BitmapFile(2, 8, 4, {1, 0, 1, 1, 0, 0, 1, 2, 1, 3, 0, 1}, BI_RLE8), 640, 480},
               {"small client", BitmapFile(2, 24, 0, bottomUp), 100, 60},
               {"no width", BitmapFile(2, 24, 0, bottomUp), 28, 480},
               {"no height", BitmapFile(2, 24, 0, bottomUp), 640, 20}};
  TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    ASSERT_TRUE(WriteBytes(folder.File("draw.bmp"), c.file));
    std::strcpy(CurrentPath, folder.File("draw.bmp").c_str());
    ClientWidth = c.clientWidth;
    ClientHeight = c.clientHeight;
    ASSERT_EQ(OpenBitmap(), 1);
    const int w = c.clientWidth - 28, h = c.clientHeight - 28;
    EXPECT_EQ(std::vector<int>({DisplayRect.left, DisplayRect.top, DisplayRect.right, DisplayRect.bottom}),
              std::vector<int>({14, 14, w, h}));
    Surface s(640, 480, 0xFFFFFF);
    DrawBitmap(s.dc());
    if (w <= 0 || h <= 0) {
      EXPECT_EQ(s.Count(0xFFFFFF), 640 * 480) << "nothing drawn without room";
      continue;
    }
    // The picture's corners on those of the area from (15, 15); nothing outside it.
    EXPECT_EQ(s.Count(0xFFFFFF), 640 * 480 - w * h);
    EXPECT_EQ(s.At(15, 15), 0x0000FFu);
    EXPECT_EQ(s.At(15 + w - 1, 15), 0x000000u);
    EXPECT_EQ(s.At(15, 15 + h - 1), 0xFF0000u);
    EXPECT_EQ(s.At(15 + w - 1, 15 + h - 1), 0x00FF00u);
    EXPECT_EQ(s.At(15 + w / 2 - 2, 15 + h / 2 - 2), 0x0000FFu);
    EXPECT_EQ(s.At(15 + w / 2 + 2, 15 + h / 2 + 2), 0x00FF00u);
  }
  FreePicture();
}

TEST(DrawBitmapTest, NothingIsDrawnWithoutABitmap) {
  FreePicture();
  Surface s(640, 480, 0xFFFFFF);
  DrawBitmap(s.dc());
  EXPECT_EQ(s.Count(0xFFFFFF), 640 * 480);
}

}  // namespace
