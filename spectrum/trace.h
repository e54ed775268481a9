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
  const unsigned char* bottom = nullptr;  // the picture's bottom row
  std::ptrdiff_t stride = 0;              // from a row to the one above it
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint16_t bitCount = 0;
  int black = -1;                         // the dark index of indexed pixels
};

// The rows of `dib` for the scan. Run-length encoded rows are decoded into a
// new block left in `*decoded` (std::free it after the scan; null for stored
// rows), with the pixels the data leaves out set to a colour that is not dark.
// Rows the block does not hold are never scanned. False when the decoded rows
// would take more than 512 MiB or there is no memory for them.
bool PrepareScanRows(const DIBINFO& dib, ScanRows* rows, unsigned char** decoded);

// The lowest and highest dark row of column x; false when it has none.
bool ScanColumn(const ScanRows& rows, std::int32_t x, std::int32_t* first, std::int32_t* last);

#endif
