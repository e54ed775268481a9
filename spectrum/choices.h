// Choices beyond the classic settings: how a picture is traced, how its x axis
// is calibrated, and the nucleus. Their initial values give the classic
// program, so a user who never touches them gets exactly its behaviour.
// Both front ends fill them (the converter from its options, the program from
// its dialogs and ini file); the core reads them during a conversion.
#ifndef QUILLON_SPECTRUM_CHOICES_H
#define QUILLON_SPECTRUM_CHOICES_H

#include <cstdint>
#include <string>
#include <vector>

enum TraceMode : std::int32_t {
  TRACE_CLASSIC = 0,  // the column rule on pure-black pixels
  TRACE_AUTO = 1,     // plot box, grey levels, centre line, peaks both ways
};

// A rectangle of picture pixels as an image viewer shows them: column 0 at the
// left, row 0 at the top; both edges inclusive.
struct PictureBox {
  std::int32_t left = 0, top = 0, right = -1, bottom = -1;
  bool Empty() const { return right < left || bottom < top; }
};

// Which pixels are ink for the automatic trace.
enum DarkRuleKind : std::int32_t {
  DARK_AUTO = 0,       // luminance below a threshold found from the picture
  DARK_THRESHOLD = 1,  // luminance at or below `threshold`
  DARK_COLOUR = 2,     // within `tolerance` of `colour`
};

struct AutoTraceOptions {
  DarkRuleKind dark = DARK_AUTO;
  std::int32_t threshold = 128;   // 0-255
  std::uint32_t colour = 0;       // 0xRRGGBB
  std::int32_t tolerance = 48;    // 0-255, largest channel difference
  bool boxGiven = false;          // false: the plot box is found
  PictureBox box;
};

// The ink colour as it is written and typed: "RRGGBB", or "RRGGBB:TOLERANCE"
// when the tolerance is not the default one.
std::string ColourText(const AutoTraceOptions& options);
// Takes "RRGGBB" or "RRGGBB:TOLERANCE" (0-255) into `options`; false, with
// `options` unchanged, for any other text.
bool ParseColourText(const std::string& text, AutoTraceOptions* options);

// Two positions on the picture's x axis and their values. A position is a
// picture x as the trace writes it: for a bitmap the column index (the centre
// of column c is c, fractions allowed), for a drawing its own x units.
struct AxisCalibration {
  bool set = false;
  double c1 = 0, v1 = 0, c2 = 0, v2 = 0;
  bool hz = false;  // values in Hz; ppm (times SF) otherwise

  // Hz at picture x `c` for spectrometer frequency `sf` MHz.
  double HzAt(double c, double sf) const {
    const double v = v1 + (c - c1) * (v2 - v1) / (c2 - c1);
    return hz ? v : v * sf;
  }
};

struct ConversionChoices {
  TraceMode mode = TRACE_CLASSIC;
  AutoTraceOptions autoTrace;
  AxisCalibration calibration;
  std::string nucleus = "1H";       // named in every output (IsNucleusName)
};

extern ConversionChoices Choices;

// A traced point in picture coordinates: x the column (or drawing x), y the
// row counted from the bottom row as the point log counts it (row r's centre
// is r); the automatic trace gives fractions.
struct TracedPoint {
  double x;
  double y;
};

// What the last conversion traced, for showing it over the picture and for
// reports. Filled by both traces; cleared when a conversion starts.
struct TraceRecord {
  bool valid = false;
  TraceMode mode = TRACE_CLASSIC;
  bool hasBox = false;
  PictureBox box;                    // the plot box used (automatic trace)
  double baseline = 0;               // row from the bottom where intensity is 0
  double stroke = 0;                 // measured stroke thickness, pixels
  std::vector<TracedPoint> points;   // as traced, in increasing x
  float f1 = 0, f2 = 0;              // Hz the spectrum was written with
  float sf = 0;                      // MHz, the 0-ppm frequency
  std::int32_t si = 0;
  std::vector<float> samples;        // the real part as written, from F1 on
  std::vector<std::string> warnings; // plain sentences, shown to the user
};

extern TraceRecord LastTrace;

// Back to the initial (classic) choices; LastTrace emptied.
void ResetChoices();

#endif
