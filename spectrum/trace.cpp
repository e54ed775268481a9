#include "spectrum/trace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture/bitmap.h"
#include "spectrum/autotrace.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "spectrum/synth.h"
#include "tavutils.h"

bool IsTraceableBitCount(std::uint16_t bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24;
}

int BlackIndex(const DIBINFO& dib) {
  if (dib.IsCore) return 0;
  if (dib.QuadColors == nullptr || dib.BitCount > 8) return -1;
  // An entry no pixel can name is no black index: held as a byte, entry 300
  // of an 8-bit table would otherwise make the pixels of entry 44 dark.
  const std::int32_t reachable = std::min<std::int32_t>(dib.PaletteEntries, std::int32_t{1} << dib.BitCount);
  for (std::int32_t i = 0; i < reachable; ++i) {
    const unsigned char* e = dib.QuadColors + 4 * static_cast<std::size_t>(i);
    if (e[0] == 0 && e[1] == 0 && e[2] == 0) return i;
  }
  return -1;
}

std::int32_t LineWidthRule(std::int32_t first, std::int32_t last, std::int32_t lineWidth) {
  if (lineWidth > 0 && last - first > lineWidth) return last - lineWidth;
  return static_cast<std::int32_t>((std::int64_t{first} + last) / 2);
}

bool PrepareScanRows(const DIBINFO& dib, ScanRows* rows, unsigned char** decoded) {
  *decoded = nullptr;
  *rows = ScanRows{};
  rows->width = dib.PixelWidth;
  rows->bitCount = dib.BitCount;
  rows->black = dib.BitCount <= 8 ? BlackIndex(dib) : -1;
  if (dib.Header == nullptr || dib.Bits == nullptr || dib.PixelWidth <= 0 || dib.PixelHeight <= 0 ||
      dib.RowBytes <= 0 || dib.Bits < dib.Header || dib.Bits > dib.Header + dib.HeaderLength)
    return true;
  const std::size_t rowBytes = static_cast<std::size_t>(dib.RowBytes);
  const std::size_t height = static_cast<std::size_t>(dib.PixelHeight);
  // A row must hold the column addressing of the whole width.
  if (rowBytes < (static_cast<std::size_t>(dib.PixelWidth) * dib.BitCount + 7) / 8) return true;
  const std::size_t inBlock = dib.HeaderLength - static_cast<std::size_t>(dib.Bits - dib.Header);

  if (dib.Compression == BITMAP_RLE8 || dib.Compression == BITMAP_RLE4) {
    // A few bytes of runs can claim 65535 x 65535 pixels; such a claim must
    // not cost gigabytes.
    constexpr std::size_t kMostDecoded = std::size_t{512} << 20;
    if (rowBytes > kMostDecoded / height) return false;
    unsigned char* block = static_cast<unsigned char*>(std::malloc(height * rowBytes));
    if (block == nullptr) return false;
    // Pixels the data skips take an index that is not the dark one.
    unsigned fill = (rows->black & 0x0F) == 0 ? 1 : 0;
    if (dib.BitCount == 4) fill |= fill << 4;
    std::memset(block, static_cast<int>(fill), height * rowBytes);
    DecodeRunLength(dib.Bits, std::min(dib.DataLength, inBlock), dib.BitCount, dib.PixelWidth,
                    dib.PixelHeight, dib.RowBytes, block);
    *decoded = block;
    rows->bottom = block;
    rows->stride = static_cast<std::ptrdiff_t>(rowBytes);
    rows->height = dib.PixelHeight;
    return true;
  }

  // The loader has checked that every row is there; a record filled by other
  // hands is not scanned at all unless its block holds all of its rows.
  if (inBlock / rowBytes < height) return true;
  rows->height = dib.PixelHeight;
  if (dib.TopDown) {
    rows->bottom = dib.Bits + (height - 1) * rowBytes;
    rows->stride = -static_cast<std::ptrdiff_t>(rowBytes);
  } else {
    rows->bottom = dib.Bits;
    rows->stride = static_cast<std::ptrdiff_t>(rowBytes);
  }
  return true;
}

namespace {

// Dark-pixel tests for one column, given the row that holds its pixel.
struct IndexPixel {
  std::ptrdiff_t offset;
  unsigned shift, mask, black;
  bool Dark(const unsigned char* row) const { return ((row[offset] >> shift) & mask) == black; }
};

struct ColourPixel {
  std::ptrdiff_t offset;
  bool Dark(const unsigned char* row) const {
    const unsigned char* p = row + offset;
    return (p[0] | p[1] | p[2]) == 0;
  }
};

// The lowest dark row is sought from the bottom and the highest from the top,
// so a column is read at most once in all.
template <typename Pixel>
bool FindRun(const ScanRows& rows, const Pixel& pixel, std::int32_t* first, std::int32_t* last) {
  const unsigned char* row = rows.bottom;
  std::int32_t r = 0;
  while (r < rows.height && !pixel.Dark(row)) {
    ++r;
    row += rows.stride;
  }
  if (r == rows.height) return false;
  *first = r;
  std::int32_t top = rows.height - 1;
  row = rows.bottom + rows.stride * static_cast<std::ptrdiff_t>(top);
  while (top > r && !pixel.Dark(row)) {
    --top;
    row -= rows.stride;
  }
  *last = top;
  return true;
}

}  // namespace

bool ScanColumn(const ScanRows& rows, std::int32_t x, std::int32_t* first, std::int32_t* last) {
  if (rows.bottom == nullptr || rows.height <= 0 || x < 0 || x >= rows.width) return false;
  if (rows.bitCount == 24) {
    return FindRun(rows, ColourPixel{3 * static_cast<std::ptrdiff_t>(x)}, first, last);
  }
  if (rows.black < 0 || (rows.bitCount != 1 && rows.bitCount != 4 && rows.bitCount != 8)) return false;
  // Pixels lie most significant bits first.
  const std::int64_t bit = std::int64_t{rows.bitCount} * x;
  const IndexPixel pixel{static_cast<std::ptrdiff_t>(bit >> 3), 8u - static_cast<unsigned>(bit & 7) - rows.bitCount,
                         (1u << rows.bitCount) - 1u, static_cast<unsigned>(rows.black) & 0xFFu};
  return FindRun(rows, pixel, first, last);
}

namespace {

// The automatic trace of the loaded bitmap, and its spectrum.
int TraceBitmapAuto(const DIBINFO& dib) {
  AutoTraceResult traced = AutoTrace(dib, Choices.autoTrace);
  LastTrace.mode = TRACE_AUTO;
  LastTrace.hasBox = traced.found || !traced.box.Empty();
  LastTrace.box = traced.box;
  LastTrace.baseline = traced.baseline;
  LastTrace.stroke = traced.stroke;
  LastTrace.warnings = traced.warnings;
  if (!traced.found) {
    ShowMessageF(IDS_NO_CURVE_AUTO, traced.reason.c_str());
    return 0;
  }
  // The copy of the points a classic trace would log, with their fractions.
  if (PointLogCopy[0] != '\0') {
    if (std::FILE* copy = std::fopen(PointLogCopy, "w")) {
      for (const TracedPoint& p : traced.points) std::fprintf(copy, "%.10g %.10g\n", p.x, p.y);
      std::fclose(copy);
    }
  }
  return BuildSpectrumFromPoints(traced.points.data(), static_cast<std::int32_t>(traced.points.size()),
                                 traced.baseline);
}

}  // namespace

int TraceBitmap() {
  LastTrace = TraceRecord{};
  if (DibInfo == nullptr) return 0;
  const DIBINFO& dib = *DibInfo;
  if (Choices.mode == TRACE_AUTO) return TraceBitmapAuto(dib);
  // One clear message: an empty log would only add "No curve was found".
  if (!IsTraceableBitCount(dib.BitCount)) {
    ShowMessage(IDS_UNTRACEABLE_DEPTH);
    return 0;
  }
  ScanRows rows;
  unsigned char* decoded = nullptr;
  if (!PrepareScanRows(dib, &rows, &decoded)) {
    ShowMessage(IDS_NO_MEMORY);
    return 0;
  }
  char name[qio::kPathSize];
  if (!BeginPointLog(name)) {
    std::free(decoded);
    ShowMessage(IDS_NO_TEMP_FILE);
    return 0;
  }

  ScanGauge* gauge = CurrentScanGauge();
  const bool open = gauge != nullptr && gauge->Open("Bitmap Conversion", "Scanning bitmap...");
  if (open) {
    gauge->Send(CV_GAUGE_BEGIN, 0);
    gauge->Send(CV_GAUGE_PERCENT, 0);
  }
  const bool window = open && gauge->HasWindow();

  const std::int32_t width = dib.PixelWidth;
  const std::int32_t lineWidth = SpectrumSettings.LineWidth;
  for (std::int32_t x = 0; x < width; ++x) {
    std::int32_t first = 0, last = 0;
    const bool found = ScanColumn(rows, x, &first, &last);
    if (window) {
      const int percent = static_cast<int>(std::int64_t{100} * x / width);
      if (percent > gauge->CurrentPercent()) gauge->Send(CV_GAUGE_PERCENT, static_cast<long>(percent) << 16);
    }
    if (found) WritePoint(x, LineWidthRule(first, last, lineWidth));
  }
  std::free(decoded);

  int result = 0;
  const bool reopened = ReopenPointLog(name);
  if (reopened) result = BuildSpectrum();
  if (window) gauge->Send(CV_GAUGE_CLOSE, 0);
  if (open) gauge->Free();
  DiscardPointLog(name);
  if (!reopened) ShowMessage(IDS_LOG_UNREADABLE);
  return result;
}
