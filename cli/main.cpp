// quillon-convert: turns a picture of a spectrum into a spectrum file without
// a window, with the same trace and synthesis as the program.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "cli/convert.h"
#include "cli/input.h"
#include "cli/options.h"
#include "picture/wpg.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"

namespace {

int g_lastMessage = 0;

void PrintMessage(int id, int secondId, int, const char* formatted) {
  g_lastMessage = id;
  std::string text = formatted ? formatted : MessageText(id) ? MessageText(id) : "Unknown error";
  if (!formatted && secondId != 0 && MessageText(secondId) != nullptr) text += std::string(": ") + MessageText(secondId);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  std::fprintf(stderr, "quillon-convert: %s\n", text.c_str());
}

int Usage(const char* problem) {
  std::fprintf(stderr, "quillon-convert: %s\nTry 'quillon-convert --help'.\n", problem);
  return EXIT_USAGE;
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

}  // namespace

int main(int argc, char** argv) {
  SetMessageSink(PrintMessage);
  ResetSettings();
  ConvertOptions options;
  std::string problem;
  switch (ParseCommandLine(argc, argv, &options, &problem)) {
    case PARSE_HELP:
      std::fputs(ConverterUsage(), stdout);
      return EXIT_WRITTEN;
    case PARSE_USAGE:
      return Usage(problem.c_str());
    default:
      break;
  }
  const std::string& formatName = options.formatName;
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

  InputImage input;
  switch (ReadInput(options.input, &input)) {
    case INPUT_OK:
      break;
    case INPUT_CANNOT_OPEN:
      std::fprintf(stderr, "quillon-convert: %s%s\n", MessageText(IDS_CANNOT_OPEN), options.input.c_str());
      return EXIT_BAD_INPUT;
    case INPUT_CANNOT_READ:
      ShowMessage(IDS_CANNOT_READ);
      return EXIT_BAD_INPUT;
    case INPUT_NO_MEMORY:
      ShowMessage(IDS_NO_MEMORY);
      return EXIT_BAD_INPUT;
    case INPUT_TOO_LARGE:
      ShowMessage(IDS_INPUT_TOO_LARGE);
      return EXIT_BAD_INPUT;
    case INPUT_NOT_RECOGNISED:
      ShowMessage(IDS_FORMAT_UNKNOWN);
      return EXIT_BAD_INPUT;
  }
  const unsigned char* data = input.data.get();
  // The kind is decided by content as the program's Retrieve command does:
  // the drawing signature first, then "BM"; point text is the converter's own.
  int result;
  if (IsWpgImage(data, input.length)) {
    result = ConvertDrawing(options, std::move(input));
  } else if (input.length >= 2 && data[0] == 'B' && data[1] == 'M') {
    result = ConvertBitmap(options, std::move(input));
  } else if (LooksLikePointText(data, input.length)) {
    result = ConvertPointText(options, data, input.length);
  } else {
    ShowMessage(IDS_FORMAT_UNKNOWN);
    return EXIT_BAD_INPUT;
  }
  for (const std::string& warning : LastTrace.warnings) std::fprintf(stderr, "quillon-convert: warning: %s\n", warning.c_str());
  if (result > 0) {
    std::fprintf(stderr, "quillon-convert: wrote %s\n", SpectrumSettings.Name);
    return EXIT_WRITTEN;
  }
  switch (g_lastMessage) {
    case IDS_NO_CURVE:
    case IDS_NO_CURVE_AUTO:
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
