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

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<unsigned char>(v);
  b[at + 1] = static_cast<unsigned char>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

inline std::uint32_t RowBytesOf(std::uint32_t width, std::uint32_t bits) { return ((width * bits + 31) / 32) * 4; }

// One colour: red, green, blue.
struct Rgb {
  unsigned char r, g, b;
};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

// A bitmap file: file header, bitmap header of any size, optional masks,
// colour table and pixel data, each written exactly as given.
struct BitmapFile {
  std::uint32_t headerSize = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<Rgb> palette;  // 3-byte entries behind a core header, else 4
  Bytes masks;               // written between header and table
  Bytes pixels;
  std::uint32_t pixelOffset = 0;  // file header field; 0 for "right behind the table"
  Bytes gap;                        // bytes between table and pixels

  Bytes Build() const {
    const bool core = headerSize == 12;
    Bytes out(14 + headerSize, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 14, headerSize);
    if (core) {
      Put16(out, 18, static_cast<std::uint32_t>(width));
      Put16(out, 20, static_cast<std::uint32_t>(height));
      Put16(out, 22, 1);
      Put16(out, 24, bitCount);
    } else {
      if (headerSize >= 8) Put32(out, 18, static_cast<std::uint32_t>(width));
      if (headerSize >= 12) Put32(out, 22, static_cast<std::uint32_t>(height));
      if (headerSize >= 14) Put16(out, 26, 1);
      if (headerSize >= 16) Put16(out, 28, bitCount);
      if (headerSize >= 20) Put32(out, 30, compression);
      if (headerSize >= 24) Put32(out, 34, imageSize);
      if (headerSize >= 36) Put32(out, 46, colorsUsed);
    }
    out.insert(out.end(), masks.begin(), masks.end());
    for (const Rgb& c : palette) {
      out.push_back(c.b);
      out.push_back(c.g);
      out.push_back(c.r);
      if (!core) out.push_back(0);
    }
    out.insert(out.end(), gap.begin(), gap.end());
    Put32(out, 10, pixelOffset != 0 ? pixelOffset : static_cast<std::uint32_t>(out.size()));
    out.insert(out.end(), pixels.begin(), pixels.end());
    Put32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
  }
};

// Stored rows of a picture: `index(x, row)` gives the colour index (or, at 24
// bits, 0xRRGGBB) of column x in the row counted from the bottom.
inline Bytes PackRows(std::int32_t width, std::int32_t height, std::uint16_t bits,
                      const std::function<std::uint32_t(int, int)>& index, bool topDown = false) {
  const std::uint32_t rowBytes = RowBytesOf(static_cast<std::uint32_t>(width), bits);
  Bytes out(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height), 0);
  for (int stored = 0; stored < height; ++stored) {
    const int row = topDown ? height - 1 - stored : stored;
    unsigned char* line = out.data() + static_cast<std::size_t>(stored) * rowBytes;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = index(x, row);
      if (bits == 24) {
        line[3 * x] = static_cast<unsigned char>(v);
        line[3 * x + 1] = static_cast<unsigned char>(v >> 8);
        line[3 * x + 2] = static_cast<unsigned char>(v >> 16);
      } else {
        const int bit = x * bits;
        const int shift = 8 - (bit & 7) - bits;
        line[bit >> 3] = static_cast<unsigned char>(line[bit >> 3] | (v & ((1u << bits) - 1)) << shift);
      }
    }
  }
  return out;
}

// An indexed or 24-bit picture whose dark pixels are `dark(x, row)`: index 1
// (black) on index 0 (white) with the table (white, black), or black on white
// at 24 bits.
inline BitmapFile Picture(std::int32_t width, std::int32_t height, std::uint16_t bits,
                          const std::function<bool(int, int)>& dark, bool topDown = false) {
  BitmapFile f;
  f.width = width;
  f.height = topDown ? -height : height;
  f.bitCount = bits;
  if (bits <= 8) f.palette = {kWhite, kBlack};
  if (bits <= 8) f.colorsUsed = 2;
  f.pixels = PackRows(width, height, bits, [&](int x, int r) -> std::uint32_t {
    if (bits == 24) return dark(x, r) ? 0x000000u : 0xFFFFFFu;
    return dark(x, r) ? 1u : 0u;
  }, topDown);
  return f;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Loads `path` through OpenBitmap, as Retrieve does.
inline int Open(const std::string& path) {
  std::strncpy(CurrentPath, path.c_str(), sizeof CurrentPath - 1);
  CurrentPath[sizeof CurrentPath - 1] = '\0';
  return OpenBitmap();
}

inline int OpenBytes(const TempDir& dir, const Bytes& bytes, const std::string& name = "picture.bmp") {
  WriteFile(dir.file(name), bytes);
  return Open(dir.file(name));
}

using Points = std::vector<std::pair<long, long>>;

inline Points ParsePoints(const std::string& text) {
  Points points;
  std::istringstream in(text);
  long x, y;
  while (in >> x >> y) points.emplace_back(x, y);
  return points;
}

// Traces the loaded bitmap and returns the points it logged (read from the
// copy the log leaves behind) and TraceBitmap's result.
struct TraceOutcome {
  int result = 0;
  bool logged = false;  // a log was written and reopened
  Points points;
};

inline TraceOutcome TraceLoaded(const TempDir& dir, std::int32_t lineWidth = 0) {
  static int run = 0;
  const std::string copy = dir.file("points-" + std::to_string(++run) + ".txt");
  const std::string out = dir.file("spectrum-" + std::to_string(run) + ".dx");
  std::strcpy(PointLogCopy, copy.c_str());
  std::strcpy(SpectrumSettings.Name, out.c_str());
  SpectrumSettings.LineWidth = lineWidth;
  TraceOutcome o;
  o.result = TraceBitmap();
  PointLogCopy[0] = '\0';
  o.logged = FileExists(copy);
  if (o.logged) o.points = ParsePoints(ReadText(copy));
  return o;
}

}  // namespace bmptest

#endif
