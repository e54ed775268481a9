// The preview: what a conversion traced, shown so a user sees it at a glance.
// On top the picture (lightened), with the plot box and the traced points
// drawn over it, or the traced points alone for a drawing; beneath it the
// written spectrum on its ppm axis, column for column under the picture.
#ifndef QUILLON_SPECTRUM_PREVIEW_H
#define QUILLON_SPECTRUM_PREVIEW_H

#include <cstdint>
#include <vector>

#include "spectrum/choices.h"

struct DIBINFO;

// Where things land in the preview.
struct PreviewLayout {
  std::int32_t width = 0, height = 0;  // the whole preview
  std::int32_t left = 0, top = 0;      // the picture panel's top left corner
  std::int32_t panelWidth = 0, pictureHeight = 0;
  std::int32_t plotTop = 0, plotHeight = 0;  // the spectrum panel
  // Trace x (a column, or drawing units) to preview x, and trace y (a row from
  // the bottom, or drawing units) to preview y; both continuous.
  double xScale = 1, xOrigin = 0, yScale = 1, yOrigin = 0;
  double X(double x) const { return xOrigin + x * xScale; }
  double Y(double y) const { return yOrigin - y * yScale; }
};

struct PreviewImage {
  PreviewLayout layout;
  std::vector<unsigned char> rgb;  // width * height pixels, top row first
};

// Colours of what is drawn over the picture.
constexpr unsigned char kPreviewTrace[3] = {220, 0, 0};
constexpr unsigned char kPreviewBox[3] = {0, 90, 255};
constexpr unsigned char kPreviewBaseline[3] = {0, 150, 0};

// The colours of a `width` x `height` patch of a bitmap whose bottom left pixel
// is (x, row from the bottom), as 0xRRGGBB, bottom row first; at any depth and
// row order. False when the patch leaves the picture or the rows cannot be read.
bool BitmapPatch(const DIBINFO& dib, std::int32_t x, std::int32_t rowFromBottom, std::int32_t width,
                 std::int32_t height, std::uint32_t* rgb);

// Draws the preview of `trace` over `picture` (null for a drawing or point
// text). False when there is nothing to show: no picture and no trace.
bool DrawPreview(const DIBINFO* picture, const TraceRecord& trace, PreviewImage* out);

// Draws the preview of LastTrace over DibInfo and writes it as a PNG file
// under `path`, safely (a temporary name renamed into place); an existing
// file is replaced only with `replace`. 1 when written, 0 after a message.
int WritePreview(const char* path, bool replace);

#endif
