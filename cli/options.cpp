// The converter's command line, parsed with CLI11. Every value is checked as
// it is read, so a bad one is a usage error naming what the option needs.
#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "spectrum/choices.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"
#include "tavspectrum.h"

namespace {

const char kUsage[] =
    "Usage: quillon-convert [options] INPUT\n"
    "       quillon-convert [options] INPUT... [-o DIR/] [-j N] [--report FILE]\n"
    "Turns a picture of a spectrum (a Windows bitmap, a PNG, JPEG, TIFF or GIF\n"
    "picture, or a WPG drawing) into a spectrum file. INPUT may also be a text\n"
    "file of \"x y\" integer points.\n"
    "\n"
    "Options:\n"
    "  -o, --output PATH   the spectrum to write (default: INPUT with the\n"
    "                      format's extension)\n"
    "  --format NAME       jcamp, jcamp-dif, pdata, nmrpipe or csv (default: by\n"
    "                      the output's extension, else jcamp)\n"
    "  --sf MHz            spectrometer frequency (default 100)\n"
    "  --si N              number of points (default: a bitmap's width rounded up\n"
    "                      to a power of two, else 1024)\n"
    "  --f1 Hz             frequency of the first point (default 25000)\n"
    "  --f2 Hz             the other frequency limit (default -25000)\n"
    "  --line-width N      stroke thickness in pixels for bitmaps (default 0)\n"
    "  --points FILE       also write the traced points to FILE, together with\n"
    "                      the spectrum\n"
    "  --nucleus NAME      the observed nucleus: 1H, 13C, 19F, 31P, ... (default 1H)\n"
    "  --preview FILE.png  also draw the picture with what was traced over it and\n"
    "                      the spectrum beneath it on its ppm axis into FILE.png\n"
    "  --force             replace an existing output (and --points and --preview\n"
    "                      files)\n"
    "\n"
    "Automatic trace and axis calibration:\n"
    "  --trace MODE        classic (default: the pure-black column rule) or auto\n"
    "                      (finds the plot box, ignores axes, labels, grid and\n"
    "                      specks, follows the curve's centre line, peaks up and\n"
    "                      down; intensities one unit per pixel row, zero at the\n"
    "                      baseline)\n"
    "  --threshold 0-255   auto: pixels this dark or darker are ink (default:\n"
    "                      found from the picture)\n"
    "  --color RRGGBB[:TOLERANCE]\n"
    "                      auto: the curve's colour, and how far (0-255, default\n"
    "                      48) a pixel's channels may differ from it\n"
    "  --box LEFT,TOP,RIGHT,BOTTOM\n"
    "                      auto: the plot box in pixels, row 0 at the top\n"
    "                      (default: found from frame and axes)\n"
    "  --x-axis C1=V1,C2=V2\n"
    "                      two positions on the x axis and their values; C is a\n"
    "                      pixel column as an image viewer shows it (fractions\n"
    "                      allowed), for a drawing its own x units. F1 and F2\n"
    "                      become the frequencies of the first and last traced x\n"
    "                      (not with --f1 or --f2)\n"
    "  --x-unit UNIT       ppm (default: V times --sf) or hz, for --x-axis\n"
    "  -h, --help          show this text\n"
    "\n"
    "Several pictures in one run (several INPUTs; a folder INPUT without -o or\n"
    "with -o naming a folder; or any of -j, --recursive, --report, --manifest):\n"
    "  -o, --output DIR    the folder to write into, made if missing; each\n"
    "                      spectrum takes its picture's name with the format's\n"
    "                      extension (default: beside each picture)\n"
    "  -j, --jobs N        conversions at once, 1-64 (default: one per core)\n"
    "  --recursive         also the subfolders of a folder INPUT; their outputs\n"
    "                      go into subfolders of the same names\n"
    "  --report FILE       one row per picture (status, exit code, message,\n"
    "                      output, points, F1, F2, SI, trace, warnings, time)\n"
    "                      into FILE.csv or FILE.json\n"
    "  --manifest FILE     settings per picture: a CSV file whose header names\n"
    "                      its columns: file (required; relative to the\n"
    "                      manifest's folder), sf, si, f1, f2, x-axis, x-unit,\n"
    "                      nucleus. A value there replaces the option's; an\n"
    "                      empty cell keeps it. Quote an x-axis: \"120=4,680=1\"\n"
    "  A folder gives its .bmp, .dib, .rle, .png, .jpg, .jpeg, .tif, .tiff, .gif\n"
    "  and .wpg files; a file named as INPUT is taken whatever its name. Two\n"
    "  pictures that would get the same output name are refused before any is\n"
    "  converted. Every other option applies to every picture; --points and\n"
    "  --preview name one file and are not taken. Progress is shown on a\n"
    "  terminal; a line says how many were written, refused and failed.\n"
    "\n"
    "Exit codes: 0 written, 2 usage, 3 input unreadable or not recognised,\n"
    "4 nothing to convert, 5 the output could not be written. Several pictures:\n"
    "the highest of their codes (a conversion that crashed counts as 5).\n";

bool ParseFloat(const std::string& text, float* out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || errno != 0 || !(v >= -3.4e38 && v <= 3.4e38)) return false;
  *out = static_cast<float>(v);
  return true;
}

bool ParseInt(const std::string& text, long lo, long hi, std::int32_t* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
  *out = static_cast<std::int32_t>(v);
  return true;
}

// An option whose value `accept` stores, or refuses with `need` as the reason.
template <typename Accept>
CLI::Option* AddValue(CLI::App& app, const char* names, const char* need, Accept accept) {
  CLI::Validator check(
      [accept, need](std::string& text) { return accept(text) ? std::string() : std::string(need); }, "", "");
  return app.add_option(names)->type_size(1)->check(check);
}

bool ParseNumber(const std::string& text, double* out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || errno != 0 || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

// Comma-separated parts, each handed to `part`; false unless there are `count`.
template <typename Part>
bool ParseList(const std::string& text, std::size_t count, Part part) {
  std::size_t from = 0, n = 0;
  for (;;) {
    const std::size_t comma = text.find(',', from);
    if (n == count || !part(n, text.substr(from, comma == std::string::npos ? std::string::npos : comma - from)))
      return false;
    ++n;
    if (comma == std::string::npos) return n == count;
    from = comma + 1;
  }
}

bool ParseBox(const std::string& text, PictureBox* box) {
  std::int32_t v[4];
  if (!ParseList(text, 4, [&v](std::size_t i, const std::string& t) { return ParseInt(t, 0, 65535, &v[i]); }))
    return false;
  *box = PictureBox{v[0], v[1], v[2], v[3]};
  return !box->Empty();
}

// "C1=V1,C2=V2" with two different positions and two different values.
bool ParseAxis(const std::string& text, AxisCalibration* axis) {
  double v[4];
  const bool read = ParseList(text, 2, [&v](std::size_t i, const std::string& t) {
    const std::size_t eq = t.find('=');
    return eq != std::string::npos && ParseNumber(t.substr(0, eq), &v[2 * i]) &&
           ParseNumber(t.substr(eq + 1), &v[2 * i + 1]);
  });
  if (!read || v[0] == v[2] || v[1] == v[3]) return false;
  axis->set = true;
  axis->c1 = v[0], axis->v1 = v[1], axis->c2 = v[2], axis->v2 = v[3];
  return true;
}

}  // namespace

const char* ConverterUsage() { return kUsage; }

int ParseCommandLine(int argc, char** argv, ConvertOptions* options, std::string* problem) {
  CLI::App app("quillon-convert");
  app.set_help_flag();
  // As with most tools, an option given twice takes its last value.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  bool help = false;
  app.add_flag("-h,--help", help);
  app.add_option("-o,--output", options->output);
  app.add_option("--format", options->formatName);
  SPECTRUMSETTINGS& s = SpectrumSettings;
  AddValue(app, "--sf", "needs a positive number of MHz",
           [&s](const std::string& t) { return ParseFloat(t, &s.SF) && s.SF > 0; });
  AddValue(app, "--si", "needs a number of points from 1 to 16777216",
           [&s, options](const std::string& t) { return options->siGiven = ParseInt(t, 1, 1L << 24, &s.SI); });
  CLI::Option* f1 =
      AddValue(app, "--f1", "needs a number of Hz", [&s](const std::string& t) { return ParseFloat(t, &s.F1); });
  CLI::Option* f2 =
      AddValue(app, "--f2", "needs a number of Hz", [&s](const std::string& t) { return ParseFloat(t, &s.F2); });
  AddValue(app, "--line-width", "needs a number of pixels from 0 to 65535",
           [&s](const std::string& t) { return ParseInt(t, 0, 65535, &s.LineWidth); });
  app.add_option("--points", options->pointsOut);
  // What is named in the output and shown beside it.
  AddValue(app, "--nucleus", "needs a mass number and an element symbol, such as 1H, 13C, 19F or 31P",
           [](const std::string& t) { return IsNucleusName(t.c_str()) && (Choices.nucleus = t, true); });
  app.add_option("--preview", options->previewOut);
  bool force = false;
  app.add_flag("--force", force);
  ConversionChoices& c = Choices;
  AddValue(app, "--trace", "needs classic or auto", [&c](const std::string& t) {
    c.mode = t == "auto" ? TRACE_AUTO : TRACE_CLASSIC;
    return t == "auto" || t == "classic";
  });
  AddValue(app, "--threshold", "needs a luminance from 0 to 255", [&c](const std::string& t) {
    c.autoTrace.dark = DARK_THRESHOLD;
    return ParseInt(t, 0, 255, &c.autoTrace.threshold);
  });
  CLI::Option* colour = AddValue(app, "--color", "needs RRGGBB or RRGGBB:TOLERANCE (0-255)", [&c](const std::string& t) {
    c.autoTrace.dark = DARK_COLOUR;
    return ParseColourText(t, &c.autoTrace);
  });
  AddValue(app, "--box", "needs LEFT,TOP,RIGHT,BOTTOM in pixels, right of left and below top",
           [&c](const std::string& t) { return c.autoTrace.boxGiven = ParseBox(t, &c.autoTrace.box); });
  CLI::Option* axis =
      AddValue(app, "--x-axis", "needs C1=V1,C2=V2 with two different positions and values",
               [&c](const std::string& t) { return ParseAxis(t, &c.calibration); });
  AddValue(app, "--x-unit", "needs ppm or hz", [&c](const std::string& t) {
    c.calibration.hz = t == "hz";
    return t == "hz" || t == "ppm";
  });
  axis->excludes(f1)->excludes(f2);
  colour->excludes("--threshold");
  // Every option so far applies to each picture alike; the ones below only to a run of several.
  const std::vector<CLI::Option*> perPicture = app.get_options([](CLI::Option* o) {
    return o->get_name() != "--help" && o->get_name() != "--output" && o->get_name() != "--points" &&
           o->get_name() != "--preview";
  });
  CLI::Option* jobs = AddValue(app, "-j,--jobs", "needs a number of conversions from 1 to 64",
                               [options](const std::string& t) { return ParseInt(t, 1, 64, &options->jobs); });
  CLI::Option* recursive = app.add_flag("--recursive", options->recursive);
  CLI::Option* report = app.add_option("--report", options->report);
  CLI::Option* manifest = app.add_option("--manifest", options->manifest);
  app.add_option("--summary", options->summaryOut);
  app.add_option("--stop-event", options->stopEvent);
  app.add_option("INPUT", options->inputs);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    *problem = e.what();
    return PARSE_USAGE;
  }
  if (help) return PARSE_HELP;
  if (force) ReplaceExistingOutput = 1;
  if (options->inputs.empty()) {
    *problem = "no input given";
    return PARSE_USAGE;
  }
  for (const CLI::Option* o : perPicture) {
    if (o->count() == 0) continue;
    // "--name=value": a value that begins with '-' stays a value.
    options->perPicture.push_back(o->get_expected_max() == 0 ? o->get_name()
                                                             : o->get_name() + "=" + o->results().back());
  }
  options->batch = options->inputs.size() > 1 || jobs->count() + recursive->count() + report->count() +
                                                         manifest->count() > 0;
  if (!options->batch) {
    // A folder is many pictures, unless -o names a file for one.
    std::error_code ec;
    const std::string& out = options->output;
    options->batch = std::filesystem::is_directory(options->inputs.front(), ec) &&
                     (out.empty() || out.back() == '/' || out.back() == '\\' ||
                      std::filesystem::is_directory(out, ec));
  }
  // A batch's own conversion converts one picture, whatever else it was given.
  if (options->batch && !options->summaryOut.empty()) {
    *problem = "--summary is for one picture";
    return PARSE_USAGE;
  }
  options->input = options->inputs.front();
  if (s.F1 == s.F2) {
    char text[160];
    std::snprintf(text, sizeof text, "--f1 and --f2 must differ (both are %g Hz): the spectrum would have no width",
                  static_cast<double>(s.F1));
    *problem = text;
    return PARSE_USAGE;
  }
  return PARSE_OK;
}
