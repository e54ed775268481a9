// The bitmap trace scan: the loaded bitmap scanned column by column for its
// dark pixels into a point log, which then becomes the spectrum.
#ifndef QUILLON_SPECTRUM_TRACE_H
#define QUILLON_SPECTRUM_TRACE_H

#include <cstddef>
#include <cstdint>

struct DIBINFO;

// Scans DibInfo into a point log (one point per column that holds dark
// pixels, x the column, y a row counted from the bottom by the line-width
// rule), shows progress through the current ScanGauge and hands the log to
// BuildSpectrum. Returns BuildSpectrum's result; 0 when no bitmap is loaded,
// when its colour depth cannot be traced, or when the log cannot be made or
// read back (the user is told, except for the first).
int TraceBitmap();

// 1, 4, 8 and 24 bits per pixel are traced; nothing else.
bool IsTraceableBitCount(std::uint16_t bitCount);

// The colour index that counts as dark in an indexed bitmap: 0 for a core
// header, else the first colour entry whose blue, green and red are all 0
// among those a pixel can name. -1 when no pixel is dark.
int BlackIndex(const DIBINFO& dib);

// The y written for a column whose lowest and highest dark rows are `first`
// and `last`.
std::int32_t LineWidthRule(std::int32_t first, std::int32_t last, std::int32_t lineWidth);

// Pixel rows as the scan reads them, whatever their stored order.
struct ScanRows {
  const unsigned char* bottom = nullptr;  // the picture's bottom row; null when not scanned as rows
  std::ptrdiff_t stride = 0;              // from a row to the one above it
  const unsigned char* runs = nullptr;    // run-length data, walked instead of rows
  std::size_t runLength = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bitCount = 0;
  int black = -1;                         // the dark index of indexed pixels
};

// The rows of `dib` for the scan: the stored rows, or its run-length data,
// where pixels the data leaves out are not dark. Rows the block does not hold
// are never scanned.
void PrepareScanRows(const DIBINFO& dib, ScanRows* rows);

// The lowest and highest dark row of a column; first is -1 when it has none.
struct ColumnRun {
  std::int32_t first;
  std::int32_t last;
};

// The dark runs of columns x0 to x1 - 1 into runs[0 .. x1 - x0). The pixels
// are read in memory order, row after row, so a strip of columns costs what
// reading its bytes costs; the result is that of looking at each column from
// its bottom row to its top row.
void ScanColumns(const ScanRows& rows, std::int32_t x0, std::int32_t x1, ColumnRun* runs);

// How many columns TraceBitmap scans at a time (a multiple of 64, or the whole
// width): its gauge moves on after each strip. Run-length data is walked
// once, whole.
std::int32_t ScanStripColumns(const ScanRows& rows);

#endif
