// Run-length encoded rows, decoded for the trace scan. The display keeps the
// stored data; only the scan needs plain rows.
#include <algorithm>

#include "picture/bitmap.h"

namespace {

class RowWriter {
 public:
  RowWriter(std::uint16_t bitCount, std::int32_t width, std::int32_t height, std::int32_t rowBytes,
            unsigned char* rows)
      : four_(bitCount == 4), width_(width), height_(height), rowBytes_(rowBytes), rows_(rows) {}

  // Pixels beyond the width are dropped; x stops growing there so that no
  // run of runs can overflow it.
  void Put(unsigned value) {
    if (x_ < width_ && y_ < height_) {
      unsigned char* row = rows_ + static_cast<std::size_t>(y_) * static_cast<std::size_t>(rowBytes_);
      if (four_) {
        unsigned char& b = row[x_ >> 1];
        b = (x_ & 1) ? static_cast<unsigned char>((b & 0xF0) | (value & 0x0F))
                     : static_cast<unsigned char>((b & 0x0F) | (value & 0x0F) << 4);
      } else {
        row[x_] = static_cast<unsigned char>(value);
      }
    }
    if (x_ < width_) ++x_;
  }
  // Skips n pixels of the current row.
  void Skip(unsigned n) { x_ = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{x_} + n, width_)); }
  void NextRows(unsigned n) {
    y_ = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{y_} + n, height_));
  }
  void EndOfLine() {
    x_ = 0;
    NextRows(1);
  }
  bool Full() const { return y_ >= height_; }
  bool RowFull() const { return x_ >= width_; }
  bool Four() const { return four_; }

 private:
  bool four_;
  std::int32_t width_, height_, rowBytes_;
  unsigned char* rows_;
  std::int32_t x_ = 0, y_ = 0;
};

}  // namespace

bool DecodeRunLength(const unsigned char* data, std::size_t length, std::uint16_t bitCount,
                     std::int32_t width, std::int32_t height, std::int32_t rowBytes,
                     unsigned char* rows) {
  if ((bitCount != 4 && bitCount != 8) || width < 0 || height < 0 || rowBytes < 0) return false;
  if (rowBytes < ((static_cast<std::int64_t>(width) * bitCount + 7) >> 3)) return false;
  RowWriter out(bitCount, width, height, rowBytes, rows);
  std::size_t p = 0;
  while (!out.Full()) {
    if (length - p < 2) return false;
    const unsigned count = data[p];
    const unsigned code = data[p + 1];
    p += 2;
    if (count > 0) {
      // An encoded run; at 4 bits the two nibbles of the code alternate.
      for (unsigned i = 0; i < count && !out.RowFull(); ++i)
        out.Put(out.Four() ? ((i & 1) ? code & 0x0F : code >> 4) : code);
      continue;
    }
    switch (code) {
      case 0:
        out.EndOfLine();
        break;
      case 1:
        return true;
      case 2:
        if (length - p < 2) return false;
        out.Skip(data[p]);
        out.NextRows(data[p + 1]);
        p += 2;
        break;
      default: {
        // Literal pixels, padded to a 16-bit boundary.
        const std::size_t bytes = out.Four() ? (code + 1) / 2 : code;
        if (length - p < bytes) return false;
        for (unsigned i = 0; i < code && !out.RowFull(); ++i)
          out.Put(out.Four() ? ((i & 1) ? data[p + i / 2] & 0x0F : data[p + i / 2] >> 4) : data[p + i]);
        p += bytes + (bytes & 1);
        if (p > length) p = length;
        break;
      }
    }
  }
  return true;
}
