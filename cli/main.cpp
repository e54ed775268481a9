// quillon-convert: turns a picture of a spectrum into a spectrum file without
// a window, with the same trace and synthesis as the program.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli/convert.h"
#include "picture/wpg.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"

namespace {

const char kUsage[] =
    "Usage: quillon-convert [options] INPUT\n"
    "Turns a picture of a spectrum (a Windows bitmap or a WPG drawing) into a\n"
    "spectrum file. INPUT may also be a text file of \"x y\" integer points.\n"
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
    "  --points FILE       also write the traced points to FILE\n"
    "  --force             replace an existing output\n"
    "  -h, --help          show this text\n"
    "\n"
    "Exit codes: 0 written, 2 usage, 3 input unreadable or not recognised,\n"
    "4 nothing to convert, 5 the output could not be written.\n";

int g_lastMessage = 0;

void PrintMessage(int id, int secondId, int) {
  g_lastMessage = id;
  std::string text = MessageText(id) ? MessageText(id) : "Unknown error";
  if (secondId != 0 && MessageText(secondId) != nullptr) text += std::string(": ") + MessageText(secondId);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::fprintf(stderr, "quillon-convert: %s\n", text.c_str());
}

int Usage(const char* problem) {
  std::fprintf(stderr, "quillon-convert: %s\nTry 'quillon-convert --help'.\n", problem);
  return EXIT_USAGE;
}

bool ParseFloat(const char* text, float* out) {
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || !(v >= -3.4e38 && v <= 3.4e38)) return false;
  *out = static_cast<float>(v);
  return true;
}

bool ParseInt(const char* text, long lo, long hi, std::int32_t* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
  *out = static_cast<std::int32_t>(v);
  return true;
}

bool FormatByName(const std::string& name, outfile* out) {
  for (int i = 0; i < OUTFILE_COUNT; ++i) {
    if (name == OutfileCommandName(i)) {
      *out = IntToOutfile(i);
      return true;
    }
  }
  return false;
}

std::string LowerExtension(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// The format an output name asks for by its extension; false when it names none.
bool FormatByExtension(const std::string& path, outfile* out) {
  if (!path.empty() && (path.back() == '/' || path.back() == '\\')) {
    *out = OUTFILE_PDATA;
    return true;
  }
  const std::string ext = LowerExtension(path);
  if (ext == "dx" || ext == "jdx" || ext == "jcamp") *out = OUTFILE_JCAMP;
  else if (ext == "ft1" || ext == "ft") *out = OUTFILE_NMRPIPE;
  else if (ext == "csv") *out = OUTFILE_CSV;
  else if (ext.empty()) *out = OUTFILE_PDATA;
  else return false;
  return true;
}

std::string DefaultOutput(const std::string& input, outfile format) {
  std::string base = input;
  const size_t slash = base.find_last_of("/\\");
  const size_t dot = base.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) base.erase(dot);
  const std::string ext = OutfileExtension(format);
  return ext.empty() ? base : base + "." + ext;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  SetMessageSink(PrintMessage);
  ResetSettings();
  ConvertOptions options;
  std::string formatName;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char** out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    const char* v = nullptr;
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return EXIT_WRITTEN;
    } else if (arg == "-o" || arg == "--output") {
      if (!value(&v)) return Usage("-o needs a path");
      options.output = v;
    } else if (arg == "--format") {
      if (!value(&v)) return Usage("--format needs a name");
      formatName = v;
    } else if (arg == "--sf") {
      if (!value(&v) || !ParseFloat(v, &SpectrumSettings.SF) || !(SpectrumSettings.SF > 0))
        return Usage("--sf needs a positive number of MHz");
    } else if (arg == "--si") {
      if (!value(&v) || !ParseInt(v, 1, 1L << 24, &SpectrumSettings.SI))
        return Usage("--si needs a number of points from 1 to 16777216");
      options.siGiven = true;
    } else if (arg == "--f1") {
      if (!value(&v) || !ParseFloat(v, &SpectrumSettings.F1)) return Usage("--f1 needs a number of Hz");
    } else if (arg == "--f2") {
      if (!value(&v) || !ParseFloat(v, &SpectrumSettings.F2)) return Usage("--f2 needs a number of Hz");
    } else if (arg == "--line-width") {
      if (!value(&v) || !ParseInt(v, 0, 65535, &SpectrumSettings.LineWidth))
        return Usage("--line-width needs a number of pixels from 0 to 65535");
    } else if (arg == "--points") {
      if (!value(&v)) return Usage("--points needs a file name");
      options.pointsOut = v;
    } else if (arg == "--force") {
      ReplaceExistingOutput = 1;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option " + arg).c_str());
    } else if (options.input.empty()) {
      options.input = arg;
    } else {
      return Usage("only one input can be converted at a time");
    }
  }
  if (options.input.empty()) return Usage("no input given");

  if (!formatName.empty()) {
    if (!FormatByName(formatName, &OutputFormat))
      return Usage(("unknown format " + formatName + " (jcamp, jcamp-dif, pdata, nmrpipe, csv)").c_str());
  } else if (!options.output.empty() && FormatByExtension(options.output, &OutputFormat)) {
  } else {
    OutputFormat = GetOutputDefault(nullptr);
  }
  if (options.output.empty()) options.output = DefaultOutput(options.input, OutputFormat);
  if (options.output.size() >= sizeof SpectrumSettings.Name) return Usage("the output path is too long");
  std::strcpy(SpectrumSettings.Name, options.output.c_str());
  if (options.pointsOut.size() >= sizeof PointLogCopy) return Usage("the --points path is too long");
  std::strcpy(PointLogCopy, options.pointsOut.c_str());

  std::vector<unsigned char> data;
  if (!ReadWholeFile(options.input, &data)) {
    std::fprintf(stderr, "quillon-convert: %s%s\n", MessageText(IDS_CANNOT_OPEN), options.input.c_str());
    return EXIT_BAD_INPUT;
  }
  // The kind is decided by content as the program's Retrieve command does:
  // the drawing signature first, then "BM"; point text is the converter's own.
  int result;
  if (IsWpgImage(data.data(), data.size())) {
    result = ConvertDrawing(options, data);
  } else if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
    result = ConvertBitmap(options);
  } else if (LooksLikePointText(data)) {
    result = ConvertPointText(options, data);
  } else {
    ShowMessage(IDS_FORMAT_UNKNOWN);
    return EXIT_BAD_INPUT;
  }
  if (result > 0) {
    std::fprintf(stderr, "quillon-convert: wrote %s\n", SpectrumSettings.Name);
    return EXIT_WRITTEN;
  }
  switch (g_lastMessage) {
    case IDS_NO_CURVE:
    case IDS_UNTRACEABLE_DEPTH:
      return EXIT_NOTHING;
    case IDS_CONVERT_BITMAP:
    case IDS_CANNOT_OPEN:
    case IDS_CANNOT_READ:
    case IDS_FORMAT_UNKNOWN:
      return EXIT_BAD_INPUT;
    default:
      return result < 0 ? EXIT_BAD_INPUT : EXIT_NOT_WRITTEN;
  }
}
