// The command-line converter's inputs: each turns one kind of picture into a
// spectrum with the core's own trace and synthesis.
#ifndef QUILLON_CLI_CONVERT_H
#define QUILLON_CLI_CONVERT_H

#include <string>
#include <vector>

struct ConvertOptions {
  std::string input;
  std::string output;
  std::string pointsOut;   // --points: also write the traced points here
  bool siGiven = false;    // --si was given (a bitmap otherwise takes its width's)
};

// Exit codes.
enum : int {
  EXIT_WRITTEN = 0,
  EXIT_USAGE = 2,
  EXIT_BAD_INPUT = 3,
  EXIT_NOTHING = 4,
  EXIT_NOT_WRITTEN = 5,
};

// Each returns the result of BuildSpectrum (non-zero: written), or -1 when the
// input was refused (a message has been shown).
int ConvertPointText(const ConvertOptions& options, const std::vector<unsigned char>& data);
int ConvertBitmap(const ConvertOptions& options);
// `image` is the whole file, already read and found to carry the WPG signature.
int ConvertDrawing(const ConvertOptions& options, const std::vector<unsigned char>& image);

// True when `data` is a point-log text: lines of two integers.
bool LooksLikePointText(const std::vector<unsigned char>& data);

#endif
