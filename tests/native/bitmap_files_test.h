// Bitmap files made byte by byte for the loader and scan tests, and the steps
// the tests share: load a file as the program does, trace it and read back the
// points it logged.
#ifndef QUILLON_TESTS_BITMAP_FILES_TEST_H
#define QUILLON_TESTS_BITMAP_FILES_TEST_H

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "picture/bitmap.h"
#include "shell/state.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "spectrum/trace.h"
#include "test_support.h"

namespace bmptest {

using Bytes = std::vector<unsigned char>;

inline void Put(Bytes& b, std::size_t at, std::uint32_t v, int size = 4) {
  for (int i = 0; i < size; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
inline std::uint32_t RowBytesOf(std::uint32_t width, std::uint32_t bits) { return ((width * bits + 31) / 32) * 4; }

struct Rgb {
  unsigned char r, g, b;
};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// A bitmap file: file header, bitmap header of any size, optional masks,
// colour table and pixel data, each written exactly as given.
struct BitmapFile {
  std::uint32_t headerSize = 40;
  std::int32_t width = 0, height = 0;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0, imageSize = 0, colorsUsed = 0;
  std::vector<Rgb> palette;  // 3-byte entries behind a core header, else 4
  Bytes masks;               // written between header and table
  Bytes gap;                 // between table and pixels
  Bytes pixels;
  std::uint32_t pixelOffset = 0;  // file header field; 0 for "right behind the table"

  Bytes Build() const {
    const bool core = headerSize == 12;
    Bytes out(14 + headerSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put(out, 14, headerSize);
    if (core) {
      Put(out, 18, static_cast<std::uint32_t>(width), 2);
      Put(out, 20, static_cast<std::uint32_t>(height), 2);
      Put(out, 22, 1, 2);
      Put(out, 24, bitCount, 2);
    } else {  // as much of each field as the header size holds
      const std::pair<std::uint32_t, int> fields[] = {
          {static_cast<std::uint32_t>(width), 4}, {static_cast<std::uint32_t>(height), 4}, {1, 2}, {bitCount, 2},
          {compression, 4}, {imageSize, 4}, {0, 4}, {0, 4}, {colorsUsed, 4}};
      std::size_t at = 18;
      for (const auto& f : fields) {
        if (at + f.second <= 14 + headerSize) Put(out, at, f.first, f.second);
        at += f.second;
      }
    }
    out.insert(out.end(), masks.begin(), masks.end());
    for (const Rgb& c : palette) {
      out.insert(out.end(), {c.b, c.g, c.r});
      if (!core) out.push_back(0);
    }
    out.insert(out.end(), gap.begin(), gap.end());
    Put(out, 10, pixelOffset != 0 ? pixelOffset : static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), pixels.begin(), pixels.end());
    Put(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
  }
};

// Stored rows, bottom up: `index(x, row)` gives the colour index (at 24 bits
// 0xRRGGBB) of column x in the row counted from the bottom.
inline Bytes PackRows(std::int32_t width, std::int32_t height, std::uint16_t bits,
                      const std::function<std::uint32_t(int, int)>& index) {
  const std::uint32_t rowBytes = RowBytesOf(static_cast<std::uint32_t>(width), bits);
  Bytes out(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height), 0);
  for (int row = 0; row < height; ++row) {
    unsigned char* line = out.data() + static_cast<std::size_t>(row) * rowBytes;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = index(x, row);
      if (bits == 24) {
        for (int i = 0; i < 3; ++i) line[3 * x + i] = static_cast<unsigned char>(v >> (8 * i));
      } else {
        const int bit = x * bits;
        const unsigned shift = 8 - (bit & 7) - bits;
        line[bit >> 3] = static_cast<unsigned char>(line[bit >> 3] | (v & ((1u << bits) - 1)) << shift);
      }
    }
  }
  return out;
}

// Dark pixels `dark(x, row)`: index 1 (black) on index 0 (white) with the
// table (white, black), or black on white at 24 bits.
inline BitmapFile Picture(std::int32_t width, std::int32_t height, std::uint16_t bits,
                          const std::function<bool(int, int)>& dark) {
  BitmapFile f;
  f.width = width;
  f.height = height;
  f.bitCount = bits;
  if (bits <= 8) f.palette = {kWhite, kBlack}, f.colorsUsed = 2;
  f.pixels = PackRows(width, height, bits, [&](int x, int r) -> std::uint32_t {
    return dark(x, r) ? (bits == 24 ? 0x000000u : 1u) : (bits == 24 ? 0xFFFFFFu : 0u);
  });
  return f;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Loads `path` through OpenBitmap, as Retrieve does.
inline int Open(const std::string& path) {
  std::snprintf(CurrentPath, sizeof CurrentPath, "%s", path.c_str());
  return OpenBitmap();
}
inline int OpenBytes(const TempDir& dir, const Bytes& bytes) {
  WriteFile(dir.file("picture.bmp"), bytes);
  return Open(dir.file("picture.bmp"));
}

using Points = std::vector<std::pair<long, long>>;

// Traces the loaded bitmap; the points are read from the copy the log leaves.
struct TraceOutcome {
  int result = 0;
  bool logged = false;  // a log was written and reopened
  Points points;
};
inline TraceOutcome TraceLoaded(const TempDir& dir, std::int32_t lineWidth = 0) {
  static int run = 0;
  const std::string copy = dir.file("points-" + std::to_string(++run) + ".txt");
  std::strcpy(PointLogCopy, copy.c_str());
  std::strcpy(SpectrumSettings.Name, dir.file("spectrum-" + std::to_string(run) + ".dx").c_str());
  SpectrumSettings.LineWidth = lineWidth;
  TraceOutcome o;
  o.result = TraceBitmap();
  PointLogCopy[0] = '\0';
  o.logged = FileExists(copy);
  std::istringstream in(ReadText(copy));
  long x, y;
  while (in >> x >> y) o.points.emplace_back(x, y);
  return o;
}

}  // namespace bmptest

#endif
