#include "spectrum/trace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "picture/bitmap.h"
#include "picture/bitmap_rle.h"
#include "spectrum/autotrace.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "spectrum/synth.h"
#include "spectrum/trace_warnings.h"
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

void PrepareScanRows(const DIBINFO& dib, ScanRows* rows) {
  *rows = ScanRows{};
  rows->width = dib.PixelWidth;
  rows->bitCount = dib.BitCount;
  rows->black = dib.BitCount <= 8 ? BlackIndex(dib) : -1;
  if (dib.Header == nullptr || dib.Bits == nullptr || dib.PixelWidth <= 0 || dib.PixelHeight <= 0 ||
      dib.RowBytes <= 0 || dib.Bits < dib.Header || dib.Bits > dib.Header + dib.HeaderLength)
    return;
  const std::size_t rowBytes = static_cast<std::size_t>(dib.RowBytes);
  const std::size_t height = static_cast<std::size_t>(dib.PixelHeight);
  // A row must hold the column addressing of the whole width.
  if (rowBytes < (static_cast<std::size_t>(dib.PixelWidth) * dib.BitCount + 7) / 8) return;
  const std::size_t inBlock = dib.HeaderLength - static_cast<std::size_t>(dib.Bits - dib.Header);

  if (dib.Compression == BITMAP_RLE8 || dib.Compression == BITMAP_RLE4) {
    if (dib.BitCount != (dib.Compression == BITMAP_RLE8 ? 8 : 4)) return;
    rows->runs = dib.Bits;
    rows->runLength = std::min(dib.DataLength, inBlock);
    rows->height = dib.PixelHeight;
    return;
  }

  // The loader has checked that every row is there; a record filled by other
  // hands is not scanned at all unless its block holds all of its rows.
  if (inBlock / rowBytes < height) return;
  rows->height = dib.PixelHeight;
  if (dib.TopDown) {
    rows->bottom = dib.Bits + (height - 1) * rowBytes;
    rows->stride = -static_cast<std::ptrdiff_t>(rowBytes);
  } else {
    rows->bottom = dib.Bits;
    rows->stride = static_cast<std::ptrdiff_t>(rowBytes);
  }
}

namespace {

// Rows are visited upward, so the first row that marks a column is its lowest
// and the latest its highest.
inline void Mark(ColumnRun& run, std::int32_t r) {
  if (run.first < 0) run.first = r;
  run.last = r;
}

inline std::uint64_t Load64(const unsigned char* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Non-zero when some byte (some nibble) of v is 0. Exact as a yes or no; a
// hit is then looked at pixel by pixel.
constexpr std::uint64_t kByteOnes = 0x0101010101010101ull, kByteHighs = 0x8080808080808080ull;
constexpr std::uint64_t kNibbleOnes = 0x1111111111111111ull, kNibbleHighs = 0x8888888888888888ull;
inline std::uint64_t ZeroBytes(std::uint64_t v) { return (v - kByteOnes) & ~v & kByteHighs; }
inline std::uint64_t ZeroNibbles(std::uint64_t v) { return (v - kNibbleOnes) & ~v & kNibbleHighs; }

// Pixels lie most significant bits first; this is the rule for any column.
inline bool IndexDark(const unsigned char* row, std::int32_t x, unsigned bits, unsigned black) {
  const std::uint64_t bit = std::uint64_t{bits} * static_cast<std::uint32_t>(x);
  const unsigned shift = 8u - static_cast<unsigned>(bit & 7) - bits;
  return ((row[bit >> 3] >> shift) & ((1u << bits) - 1u)) == black;
}

inline bool ColourDark(const unsigned char* p) { return (p[0] | p[1] | p[2]) == 0; }

// One row's pixels x0 .. x0 + n - 1 (x0 a multiple of 64), tested a few
// words at a time while whole ones remain; words without a dark pixel cost
// that test alone.
void ScanRow8(const unsigned char* row, std::int32_t x0, std::int32_t n, unsigned black, std::int32_t r,
              ColumnRun* runs) {
  const unsigned char* p = row + x0;
  const std::uint64_t pattern = kByteOnes * black;
  std::int32_t i = 0;
  for (; i + 32 <= n; i += 32) {
    const std::uint64_t hit = ZeroBytes(Load64(p + i) ^ pattern) | ZeroBytes(Load64(p + i + 8) ^ pattern) |
                              ZeroBytes(Load64(p + i + 16) ^ pattern) | ZeroBytes(Load64(p + i + 24) ^ pattern);
    if (hit == 0) continue;
    for (std::int32_t j = i; j < i + 32; ++j)
      if (p[j] == black) Mark(runs[j], r);
  }
  for (; i < n; ++i)
    if (p[i] == black) Mark(runs[i], r);
}

void ScanRow4(const unsigned char* row, std::int32_t x0, std::int32_t n, unsigned black, std::int32_t r,
              ColumnRun* runs) {
  const unsigned char* p = row + x0 / 2;
  const std::uint64_t pattern = kNibbleOnes * black;
  std::int32_t i = 0;
  for (; i + 16 <= n; i += 16, p += 8) {
    if (ZeroNibbles(Load64(p) ^ pattern) == 0) continue;
    for (std::int32_t k = 0; k < 8; ++k) {
      if ((p[k] >> 4) == black) Mark(runs[i + 2 * k], r);
      if ((p[k] & 0x0F) == black) Mark(runs[i + 2 * k + 1], r);
    }
  }
  for (; i < n; ++i)
    if (IndexDark(row, x0 + i, 4, black)) Mark(runs[i], r);
}

void ScanRow1(const unsigned char* row, std::int32_t x0, std::int32_t n, unsigned black, std::int32_t r,
              ColumnRun* runs) {
  const unsigned char* p = row + x0 / 8;
  // Dark pixels become set bits.
  const unsigned flip = black == 0 ? 0xFFu : 0u;
  const std::uint64_t flip64 = flip != 0 ? ~std::uint64_t{0} : 0;
  std::int32_t i = 0;
  for (; i + 256 <= n; i += 256, p += 32) {
    if (((Load64(p) ^ flip64) | (Load64(p + 8) ^ flip64) | (Load64(p + 16) ^ flip64) | (Load64(p + 24) ^ flip64)) == 0)
      continue;
    for (std::int32_t k = 0; k < 32; ++k) {
      const unsigned byte = (p[k] ^ flip) & 0xFFu;
      if (byte == 0) continue;
      for (std::int32_t j = 0; j < 8; ++j)
        if (byte & (0x80u >> j)) Mark(runs[i + 8 * k + j], r);
    }
  }
  for (; i < n; ++i)
    if (IndexDark(row, x0 + i, 1, black)) Mark(runs[i], r);
}

void ScanRow24(const unsigned char* row, std::int32_t x0, std::int32_t n, std::int32_t r, ColumnRun* runs) {
  const unsigned char* p = row + 3 * static_cast<std::ptrdiff_t>(x0);
  std::int32_t i = 0;
  // Eight pixels are three words; a dark pixel has zero bytes.
  for (; i + 8 <= n; i += 8, p += 24) {
    if ((ZeroBytes(Load64(p)) | ZeroBytes(Load64(p + 8)) | ZeroBytes(Load64(p + 16))) == 0) continue;
    for (std::int32_t k = 0; k < 8; ++k)
      if (ColourDark(p + 3 * k)) Mark(runs[i + k], r);
  }
  for (; i < n; ++i, p += 3)
    if (ColourDark(p)) Mark(runs[i], r);
}

}  // namespace

void ScanColumns(const ScanRows& rows, std::int32_t x0, std::int32_t x1, ColumnRun* runs) {
  for (std::int32_t x = x0; x < x1; ++x) runs[x - x0] = ColumnRun{-1, -1};
  // Columns outside the picture stay empty.
  if (x0 < 0) {
    runs -= x0;
    x0 = 0;
  }
  x1 = std::min(x1, rows.width);
  if (x0 >= x1 || rows.height <= 0) return;
  const bool indexed = rows.bitCount == 1 || rows.bitCount == 4 || rows.bitCount == 8;
  if (!indexed && rows.bitCount != 24) return;
  if (indexed && rows.black < 0) return;
  const unsigned black = static_cast<unsigned>(rows.black) & 0xFFu;

  if (rows.runs != nullptr) {
    if (rows.bitCount != 4 && rows.bitCount != 8) return;
    WalkRunLength(rows.runs, rows.runLength, rows.bitCount == 4, rows.width, rows.height,
                  [&](std::int32_t x, std::int32_t y, unsigned value) {
                    if (value == black && x >= x0 && x < x1) Mark(runs[x - x0], y);
                  });
    return;
  }
  if (rows.bottom == nullptr) return;
  // The word loops start at a multiple of 64 pixels; a strip that does not
  // begins with single pixels up to one.
  const std::int32_t aligned = std::min(x1, (x0 + 63) / 64 * 64);
  const std::int32_t n = x1 - aligned;
  ColumnRun* wordRuns = runs + (aligned - x0);
  const unsigned char* row = rows.bottom;
  for (std::int32_t r = 0; r < rows.height; ++r, row += rows.stride) {
    for (std::int32_t x = x0; x < aligned; ++x) {
      const bool dark = rows.bitCount == 24 ? ColourDark(row + 3 * static_cast<std::ptrdiff_t>(x))
                                            : IndexDark(row, x, rows.bitCount, black);
      if (dark) Mark(runs[x - x0], r);
    }
    switch (rows.bitCount) {
      case 1:
        ScanRow1(row, aligned, n, black, r, wordRuns);
        break;
      case 4:
        ScanRow4(row, aligned, n, black, r, wordRuns);
        break;
      case 8:
        ScanRow8(row, aligned, n, black, r, wordRuns);
        break;
      default:
        ScanRow24(row, aligned, n, r, wordRuns);
        break;
    }
  }
}

std::int32_t ScanStripColumns(const ScanRows& rows) {
  if (rows.runs != nullptr || rows.bitCount == 0) return std::max(rows.width, std::int32_t{1});
  // 64 KiB of each row: long enough that the rows are read at the memory's
  // full speed (shorter pieces of rows took twice as long), so that only
  // 24-bit pictures over 21845 pixels wide come in more than one strip.
  constexpr std::int32_t kStripBytes = 65536;
  return std::max<std::int32_t>(64, kStripBytes * 8 / rows.bitCount / 64 * 64);
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
  CopyTracedPoints(traced.points.data(), traced.points.size());
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
  PrepareScanRows(dib, &rows);
  const std::int32_t width = dib.PixelWidth;
  const std::int32_t strip = std::min(ScanStripColumns(rows), std::max(width, std::int32_t{1}));
  std::unique_ptr<ColumnRun[]> runs(new (std::nothrow) ColumnRun[static_cast<std::size_t>(strip)]);
  if (!runs) {
    ShowMessage(IDS_NO_MEMORY);
    return 0;
  }
  char name[qio::kPathSize];
  if (!BeginPointLog(name)) {
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

  const std::int32_t lineWidth = SpectrumSettings.LineWidth;
  const std::int32_t height = dib.PixelHeight;
  // Figures for the warnings: marks on the picture's edge, untraced gaps, and
  // columns whose dark pixels lie too far apart to be one stroke of a curve.
  TraceStats stats;
  stats.span = width;
  std::int32_t previous = -1;
  for (std::int32_t x0 = 0; x0 < width; x0 += strip) {
    const std::int32_t x1 = std::min(width, x0 + strip);
    ScanColumns(rows, x0, x1, runs.get());
    // The gauge hears each column's percentage as it did when the picture
    // was scanned column by column.
    for (std::int32_t x = x0; x < x1; ++x) {
      if (window) {
        const int percent = static_cast<int>(std::int64_t{100} * x / width);
        if (percent > gauge->CurrentPercent()) gauge->Send(CV_GAUGE_PERCENT, static_cast<long>(percent) << 16);
      }
      const ColumnRun& run = runs[x - x0];
      if (run.first < 0) continue;
      WritePoint(x, LineWidthRule(run.first, run.last, lineWidth));
      ++stats.columns;
      if (run.first == 0 || run.last == height - 1) ++stats.alongEdge;
      if (4 * static_cast<std::int64_t>(run.last - run.first) > height) ++stats.mixed;
      if (previous >= 0) stats.longestGap = std::max<std::int64_t>(stats.longestGap, x - previous - 1);
      previous = x;
    }
  }

  int result = 0;
  const bool reopened = ReopenPointLog(name);
  if (reopened) result = BuildSpectrum();
  for (std::string& warning : TraceWarnings(stats)) LastTrace.warnings.push_back(std::move(warning));
  if (window) gauge->Send(CV_GAUGE_CLOSE, 0);
  if (open) gauge->Free();
  DiscardPointLog(name);
  if (!reopened) ShowMessage(IDS_LOG_UNREADABLE);
  return result;
}
