// The settings of the spectrum to be made, and the globals that travel with them.
#ifndef QUILLON_SPECTRUM_SETTINGS_H
#define QUILLON_SPECTRUM_SETTINGS_H

#include <cstdint>

#include "platform/fileio.h"
#include "tavnmrfiles.h"

// What was retrieved last.
enum SourceKind : std::int32_t {
  SOURCE_NONE = 0,
  SOURCE_WPG = 1,
  SOURCE_BITMAP = 2,
};

// One plain record, copied whole (the settings dialog edits a copy).
struct SPECTRUMSETTINGS {
  std::int32_t Mode;       // SourceKind of the picture last retrieved
  std::int32_t LineWidth;  // pixels, for the bitmap scan
  std::int32_t Height;     // of the opened bitmap, pixels
  std::int32_t Width;      // of the opened bitmap, pixels
  std::int32_t SI;         // number of points
  std::int32_t FileTime;   // stamp of the opened bitmap file; -1 none
  float SF;                // MHz
  float F1;                // Hz
  float F2;                // Hz
  char Name[260];          // output name
};

constexpr SPECTRUMSETTINGS kInitialSettings = {
    SOURCE_NONE, 0, 0, 0, 1024, -1, 100.0f, 25000.0f, -25000.0f, "001001.1r"};

extern SPECTRUMSETTINGS SpectrumSettings;
extern outfile OutputFormat;
extern std::int32_t Decimals;
extern qio::File PointLogFile;
extern std::int32_t PointCount;
extern std::int32_t Recording;

// The scratch line buffer for writing and reading point lines.
constexpr int kLineBufferSize = 80;
extern char LineBuffer[kLineBufferSize];

// Set only by the command-line converter (--force): the spectrum library may
// replace an existing output. The program leaves it 0.
extern std::int32_t ReplaceExistingOutput;

// Puts the settings and their globals back to their initial values, and the
// choices beyond them (choices.h) too.
void ResetSettings();

#endif
