// The command-line converter's inputs: each turns one kind of picture into a
// spectrum with the core's own trace and synthesis.
#ifndef QUILLON_CLI_CONVERT_H
#define QUILLON_CLI_CONVERT_H

#include <cstddef>
#include <string>
#include <vector>

struct ConvertOptions {
  std::vector<std::string> inputs;  // as given on the command line
  std::string input;
  std::string formatName;  // --format, empty when not given
  std::string output;
  std::string pointsOut;   // --points: also write the traced points here
  std::string previewOut;  // --preview: also draw what was traced into this PNG
  bool siGiven = false;    // --si was given (a bitmap otherwise takes its width's)

  // Several pictures in one run (see cli/batch.h).
  bool batch = false;
  std::vector<std::string> perPicture;  // the options every picture gets, as "--name=value"
  int jobs = 0;                         // -j: conversions at once; 0 = one per core
  bool recursive = false;               // folders: also their subfolders
  std::string report;                   // --report FILE.csv|FILE.json
  std::string manifest;                 // --manifest FILE.csv: per-picture settings
  // Given by the batch driver to each of its conversions, never by a user.
  std::string summaryOut;  // where to write what the report needs (JSON)
  std::string stopEvent;   // Windows: an inherited event that asks the run to stop
};

// Exit codes.
enum : int {
  EXIT_WRITTEN = 0,
  EXIT_USAGE = 2,
  EXIT_BAD_INPUT = 3,
  EXIT_NOTHING = 4,
  EXIT_NOT_WRITTEN = 5,
};

struct InputImage;

// Each returns the result of BuildSpectrum (non-zero: written), or -1 when the
// input was refused (a message has been shown). The bitmap and the drawing
// take over the file image read, without a copy.
int ConvertPointText(const ConvertOptions& options, const unsigned char* data, std::size_t length);
// `image` is a bitmap or a picture to decode (PictureKindOf); it stays loaded
// (DibInfo) for the preview.
int ConvertBitmap(const ConvertOptions& options, InputImage&& image);
// `image` carries the WPG signature.
int ConvertDrawing(const ConvertOptions& options, InputImage&& image);

// True when `data` is a point-log text: lines of two integers.
bool LooksLikePointText(const unsigned char* data, std::size_t length);

#endif
