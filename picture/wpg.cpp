#include "picture/wpg.h"

#include <cstdlib>
#include <cstring>

#include "picture/bytes.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"

WPGSTATE* WpgState = nullptr;
CanvasObject CurrentPen = nullptr;
CanvasObject CurrentBrush = nullptr;

void FreeWpgState() {
  std::free(WpgState);
  WpgState = nullptr;
}

bool IsWpgImage(const unsigned char* image, std::size_t length) {
  if (image == nullptr || length < kWpgStreamStart) return false;
  return image[0] == 0xFF && image[1] == 0x57 && image[2] == 0x50 && image[3] == 0x43 && image[9] == 0x16;
}

int IsWpgFile() { return IsWpgImage(FileBuffer, FileBufferLength) ? 1 : 0; }

const CanvasColor kWpgPalette[16] = {
    0x00000000, 0x00800000, 0x00008000, 0x00808000, 0x00000080, 0x00800080, 0x00008080, 0x00C0C0C0,
    0x00808080, 0x00FF0000, 0x0000FF00, 0x00FFFF00, 0x000000FF, 0x00FF00FF, 0x0000FFFF, 0x00FFFFFF,
};

namespace {

const std::int32_t kColorMap[16] = {0, 4, 2, 6, 1, 5, 3, 8, 7, 12, 10, 14, 9, 13, 11, 15};

const std::uint8_t kFillPatterns[26][8] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x66, 0xCC, 0x99, 0x33, 0x66, 0xCC, 0x99, 0x33}, {0x22, 0x44, 0x88, 0x11, 0x22, 0x44, 0x88, 0x11},
    {0x08, 0x10, 0x20, 0x40, 0x80, 0x01, 0x02, 0x04}, {0xDD, 0xDD, 0x77, 0x77, 0xDD, 0xDD, 0x77, 0x77},
    {0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44}, {0x01, 0x82, 0x44, 0x28, 0x10, 0x28, 0x44, 0x82},
    {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}, {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88},
    {0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20}, {0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x20, 0x00},
    {0x22, 0x00, 0x88, 0x00, 0x22, 0x00, 0x88, 0x00}, {0x11, 0x44, 0x11, 0x44, 0x11, 0x44, 0x11, 0x44},
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}, {0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD, 0x77, 0xDD},
    {0x77, 0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF}, {0xFF, 0xFF, 0xDF, 0xFF, 0xFF, 0xFF, 0xFD, 0xFF},
    {0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF}, {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00}, {0xFF, 0x99, 0x99, 0xFF, 0xFF, 0x99, 0x99, 0xFF},
    {0x88, 0x88, 0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88}, {0x08, 0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08},
    {0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99}, {0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11, 0x88},
};

}  // namespace

WPGSTATE* CreateWpgState() {
  FreeWpgState();
  WPGSTATE* state = static_cast<WPGSTATE*>(std::calloc(1, sizeof(WPGSTATE)));
  if (state == nullptr) return nullptr;
  state->PageWidth = kDefaultPageWidth;
  state->PageHeight = kDefaultPageHeight;
  std::memcpy(state->Palette, kWpgPalette, sizeof kWpgPalette);
  std::memcpy(state->ColorMap, kColorMap, sizeof kColorMap);
  std::memcpy(state->FillPatterns, kFillPatterns, sizeof kFillPatterns);
  WpgState = state;
  return state;
}

bool LocateWpgRecord(const unsigned char* image, std::size_t length, std::size_t at, std::size_t* data,
                     std::size_t* dataLength) {
  // Every step checks the room left before it reads.
  if (image == nullptr || at >= length || length - at < 2) return false;
  std::size_t start = at + 2;
  std::size_t size = image[at + 1];
  if (size == 255) {
    if (length - start < 2) return false;
    const std::uint16_t w1 = ReadLE16(image + start);
    start += 2;
    if ((w1 & 0x8000) == 0) {
      size = w1;
    } else {
      if (length - start < 2) return false;
      size = (static_cast<std::size_t>(w1 & 0x7FFF) << 16) + ReadLE16(image + start);
      start += 2;
    }
  }
  if (size > length - start) return false;
  *data = start;
  *dataLength = size;
  return true;
}

std::uint8_t ReadWpgRecord(Canvas& dc, WPGCURSOR& cursor, double xScale, double yScale,
                           std::int32_t xOffset, std::int32_t yOffset) {
  const unsigned char* const base = cursor.Data;
  const std::size_t end = cursor.Length;
  const std::size_t at = cursor.Position;
  if (base == nullptr || at >= end) {
    cursor.Position = end;
    return 0;
  }
  const std::uint8_t type = base[at];
  std::size_t data = 0, length = 0;
  // A truncated record ends the playback instead of reading past the image.
  if (!LocateWpgRecord(base, end, at, &data, &length)) {
    cursor.Position = end;
    return type;
  }
  const unsigned char* const record = base + data;
  switch (type) {
    case 1:
      SetWpgFill(record, length, dc);
      break;
    case 2:
      SetWpgPen(record, length, dc);
      break;
    case 5:
      DrawWpgLine(record, length, dc, xScale, yScale, xOffset, yOffset);
      break;
    case 6:
    case 8:
      DrawWpgPolyline(dc, record, length, xScale, yScale, xOffset, yOffset, type);
      break;
    case 9:
      DrawWpgEllipse(record, length, dc, xScale, yScale, xOffset, yOffset);
      break;
    default:
      break;
  }
  cursor.Position = data + length;
  return type;
}

namespace {

// Playbacks running now. A paint that arrives while a conversion's playback is
// still running (a modal window of the spectrum library pumps messages) is a
// nested playback: it must neither start a log nor add to the one in use.
int g_playbackDepth = 0;

bool EndsPlayback(std::uint8_t type) { return type < 1 || type > 27 || type == 16; }

int Play(Canvas& dc, double xScale, double yScale, std::int32_t xOffset, std::int32_t yOffset) {
  const bool nested = g_playbackDepth > 0;
  const std::int32_t outerRecording = Recording;
  const CanvasObject outerPen = CurrentPen;
  const CanvasObject outerBrush = CurrentBrush;
  if (nested) Recording = 0;
  const bool tracing = Recording != 0;
  ++g_playbackDepth;

  WPGCURSOR cursor = {FileBuffer, FileBuffer != nullptr ? FileBufferLength : 0, kWpgStreamStart};

  CurrentBrush = dc.CreateSolidBrush(0x00FFFFFF);
  dc.SelectObject(CurrentBrush);
  CurrentPen = dc.CreatePen(PenStyle::Solid, 1, 0);
  dc.SelectObject(CurrentPen);

  char logName[qio::kPathSize] = "";
  const bool logging = tracing && BeginPointLog(logName);

  while (!cursor.AtEnd()) {
    if (EndsPlayback(ReadWpgRecord(dc, cursor, xScale, yScale, xOffset, yOffset))) break;
  }

  dc.SelectObject(dc.GetStockObject(StockObject::WhiteBrush));
  dc.DeleteObject(CurrentBrush);
  dc.SelectObject(dc.GetStockObject(StockObject::BlackPen));
  dc.DeleteObject(CurrentPen);
  CurrentPen = outerPen;
  CurrentBrush = outerBrush;

  int result = 0;
  if (tracing) {
    // Told only now, so that the message's own loop cannot interrupt the drawing.
    if (logging) result = FinishPointLog(logName);
    else ShowMessage(IDS_NO_TEMP_FILE);
    Recording = 0;
  }
  --g_playbackDepth;
  if (nested) Recording = outerRecording;
  return result;
}

}  // namespace

void PlayWpg(Canvas& dc, double xScale, double yScale, std::int32_t xOffset, std::int32_t yOffset) {
  Play(dc, xScale, yScale, xOffset, yOffset);
}

int TraceWpg(Canvas& dc, double xScale, double yScale, std::int32_t xOffset, std::int32_t yOffset) {
  if (g_playbackDepth == 0) Recording = 1;
  return Play(dc, xScale, yScale, xOffset, yOffset);
}
