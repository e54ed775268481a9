// The converter's command line, parsed with CLI11. Every value is checked as
// it is read, so a bad one is a usage error naming what the option needs.
#include "cli/options.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "spectrum/choices.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"
#include "tavspectrum.h"

namespace {

const char kUsage[] =
    "Usage: quillon-convert [options] INPUT\n"
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
    "  -h, --help          show this text\n"
    "\n"
    "Exit codes: 0 written, 2 usage, 3 input unreadable or not recognised,\n"
    "4 nothing to convert, 5 the output could not be written.\n";

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

}  // namespace

const char* ConverterUsage() { return kUsage; }

int ParseCommandLine(int argc, char** argv, ConvertOptions* options, std::string* problem) {
  CLI::App app("quillon-convert");
  app.set_help_flag();
  bool help = false;
  app.add_flag("-h,--help", help);
  app.add_option("-o,--output", options->output);
  app.add_option("--format", options->formatName);
  SPECTRUMSETTINGS& s = SpectrumSettings;
  AddValue(app, "--sf", "needs a positive number of MHz",
           [&s](const std::string& t) { return ParseFloat(t, &s.SF) && s.SF > 0; });
  AddValue(app, "--si", "needs a number of points from 1 to 16777216",
           [&s, options](const std::string& t) { return options->siGiven = ParseInt(t, 1, 1L << 24, &s.SI); });
  AddValue(app, "--f1", "needs a number of Hz", [&s](const std::string& t) { return ParseFloat(t, &s.F1); });
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
  if (options->inputs.size() > 1) {
    *problem = "only one input can be converted at a time";
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
