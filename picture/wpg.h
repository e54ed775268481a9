// WPG drawings: the record interpreter, the drawing primitives and the page
// layout. Records are read in place from the file image; every paint plays the
// whole stream again, and a playback with Recording set also traces the
// drawing into the point log.
#ifndef QUILLON_PICTURE_WPG_H
#define QUILLON_PICTURE_WPG_H

#include <cstddef>
#include <cstdint>

#include "picture/canvas.h"
#include "shell/state.h"

struct WPGSTATE {
  double XScale;                     // client pixels per WPG unit along x
  double YScale;                     // negative: WPG y grows upward
  std::int32_t XOffset;              // client x of WPG x = 0
  std::int32_t YOffset;              // client y of WPG y = 0
  std::int32_t PageWidth;            // WPG units
  std::int32_t PageHeight;
  std::uint32_t Palette[16];         // 0x00BBGGRR
  std::int32_t ColorMap[16];
  std::uint8_t FillPatterns[64][8];  // 8x8 monochrome, top row first
};

extern WPGSTATE* WpgState;  // the loaded drawing, or null

// The pen and brush that the running playback created and selected; null
// outside a playback.
extern CanvasObject CurrentPen;
extern CanvasObject CurrentBrush;

// The page of a new drawing, and the colour that palette indices 16 to 255 give.
constexpr std::int32_t kDefaultPageWidth = 10800;
constexpr std::int32_t kDefaultPageHeight = 7800;
constexpr CanvasColor kColorBeyondPalette = 0x00000000;
// The palette of a new drawing.
extern const CanvasColor kWpgPalette[16];
// Where the record stream begins in the file image.
constexpr std::size_t kWpgStreamStart = 16;

// Frees WpgState; it becomes null.
void FreeWpgState();

// True when a file image carries the WPG signature. An image shorter than the
// 16-byte header is not a drawing.
bool IsWpgImage(const unsigned char* image, std::size_t length);
// 1 when FileBuffer (FileBufferLength bytes) is a WPG drawing, else 0.
int IsWpgFile();

// A new state with the default page, palette, colour map and fill patterns,
// made the current WpgState (any previous one is freed). Null, with WpgState
// null, when there is no memory.
WPGSTATE* CreateWpgState();

// Fits the page into ClientWidth x ClientHeight: sets DisplayRect and the
// mapping fields of WpgState. The page size comes from a start record at the
// beginning of the stream. Does nothing without a WpgState. The one-argument
// form reads an image of FileBufferLength bytes.
void LayoutWpgPage(const unsigned char* fileImage, std::size_t length);
void LayoutWpgPage(const unsigned char* fileImage);

// The position of the next record in a file image that knows its own end.
struct WPGCURSOR {
  const unsigned char* Data;
  std::size_t Length;
  std::size_t Position;
  bool AtEnd() const { return Position >= Length; }
};

// Where the data of the record at offset `at` of an image of `length` bytes
// lie, by the record's short, word or long length form. False when its header
// or its data reach past the end.
bool LocateWpgRecord(const unsigned char* image, std::size_t length, std::size_t at, std::size_t* data,
                     std::size_t* dataLength);

// Carries out the record at the cursor, moves the cursor to the next record
// and returns the record's type. A record whose length reaches past the end
// of the data is not carried out and leaves the cursor at the end.
std::uint8_t ReadWpgRecord(Canvas& dc, WPGCURSOR& cursor, double xScale, double yScale,
                           std::int32_t xOffset, std::int32_t yOffset);

// Plays the whole stream of FileBuffer onto `dc`. With Recording set the
// vertices go to a new point log, which becomes a spectrum at the end;
// Recording is clear afterwards. A playback started while another one runs
// (a paint during a conversion) only draws.
void PlayWpg(Canvas& dc, double xScale, double yScale, std::int32_t xOffset, std::int32_t yOffset);
// One recorded playback: PlayWpg with Recording set. Returns the result of
// BuildSpectrum, 0 when no spectrum was written.
int TraceWpg(Canvas& dc, double xScale, double yScale, std::int32_t xOffset, std::int32_t yOffset);

// The record operations. Each gets the record's data and its length, and does
// nothing (returns 0) when the data are too short for its fields.
int SetWpgFill(const unsigned char* data, std::size_t length, Canvas& dc);
int SetWpgPen(const unsigned char* data, std::size_t length, Canvas& dc);
int DrawWpgLine(const unsigned char* data, std::size_t length, Canvas& dc, double xScale, double yScale,
                std::int32_t xOffset, std::int32_t yOffset);
// Type 6 (polyline) or 8 (polygon). The vertex layout follows from the length:
// 2 + 4n bytes hold signed 16-bit pairs, 2 + 8n bytes signed 32-bit pairs;
// any other length is not carried out.
int DrawWpgPolyline(Canvas& dc, const unsigned char* data, std::size_t length, double xScale,
                    double yScale, std::int32_t xOffset, std::int32_t yOffset, std::uint8_t type);
int DrawWpgEllipse(const unsigned char* data, std::size_t length, Canvas& dc, double xScale, double yScale,
                   std::int32_t xOffset, std::int32_t yOffset);

// The decorations of a drawing: the page frame with its eight handles, and the
// grey hint strip along the bottom of the client area.
void DrawPageFrame(const DISPLAYRECT& rect, Canvas& dc);
void DrawHintStrip(Canvas& dc);
// The strip with a text of the caller's (the pointer readout, a prompt).
void DrawHintStrip(Canvas& dc, const char* text);

// WPG coordinates to client pixels. Line end points and ellipse centres keep
// the low 16 bits of the truncated result (what lands left of or above the
// client area wraps to a large coordinate); polyline vertices are signed
// 32-bit (saturated); radii are rounded and keep their low 16 bits.
std::uint16_t MapWpgCoordinate(std::uint16_t v, double scale, std::int32_t offset);
std::int32_t MapWpgVertex(std::int32_t v, double scale, std::int32_t offset);
std::uint16_t MapWpgRadius(std::uint16_t r, double scale);

#endif
