// quillon-convert: turns a picture of a spectrum into a spectrum file without
// a window, with the same trace and synthesis as the program.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "cli/batch.h"
#include "cli/batch_report.h"
#include "cli/convert.h"
#include "cli/input.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/paths.h"
#include "picture/bitmap.h"
#include "picture/formats.h"
#include "picture/wpg.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/preview.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"
#include "tavspectrum.h"

namespace {

int g_lastMessage = 0;
// What the user was told last: a batch reports it beside the exit code.
std::string g_lastText;

void Tell(const std::string& text) {
  std::fprintf(stderr, "quillon-convert: %s\n", text.c_str());
  g_lastText = text;
}

void PrintMessage(int id, int secondId, int, const char* formatted) {
  // An interrupted run ends quietly: what fails then fails because of the stop.
  if (CVStopRequested()) return;
  g_lastMessage = id;
  std::string text = formatted ? formatted : MessageText(id) ? MessageText(id) : "Unknown error";
  if (!formatted && secondId != 0 && MessageText(secondId) != nullptr) text += std::string(": ") + MessageText(secondId);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  Tell(text);
}

int Usage(const char* problem) {
  Tell(problem);
  std::fputs("Try 'quillon-convert --help'.\n", stderr);
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

int UnknownFormat(const std::string& name) {
  return Usage(("unknown format " + name + " (jcamp, jcamp-dif, pdata, nmrpipe, csv)").c_str());
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

// Why the preview cannot go where --preview names, or null.
const char* PreviewProblem(const ConvertOptions& options) {
  if (LowerExtension(options.previewOut) != "png") return "--preview writes a PNG picture: name it FILE.png";
  if (Covers(options.previewOut, options.output) || Covers(options.output, options.previewOut))
    return "--preview must name another file than the spectrum";
  if (Covers(options.previewOut, options.input)) return "--preview must not replace the input";
  if (!options.pointsOut.empty() && Covers(options.previewOut, options.pointsOut))
    return "--preview must name another file than the --points file";
  return nullptr;
}

int CannotWritePoints(const std::string& path, const std::string& reason) {
  Tell("Cannot write the points \"" + path + "\": " + reason + ".");
  return EXIT_NOT_WRITTEN;
}

int Convert(ConvertOptions& options);

// A frequency as the user typed it (400.13, not 400.130004883).
double Typed(float hz) {
  char text[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(hz));
    if (std::strtof(text, nullptr) == hz) break;
  }
  return std::strtod(text, nullptr);
}

// The summary a batch asked for; written whatever the outcome, so the batch
// needs no human message to tell what happened.
void WriteSummary(const ConvertOptions& options, int code) {
  PictureSummary summary;
  summary.exitCode = code;
  summary.message = g_lastText;
  if (code == EXIT_WRITTEN) summary.output = SpectrumSettings.Name;
  if (LastTrace.valid) {
    summary.traced = true;
    summary.points = static_cast<long long>(LastTrace.points.size());
    summary.f1 = Typed(LastTrace.f1);
    summary.f2 = Typed(LastTrace.f2);
    summary.si = LastTrace.si;
    summary.mode = LastTrace.mode == TRACE_AUTO ? "auto" : "classic";
  }
  summary.warnings = LastTrace.warnings;
  const std::string text = SummaryJson(summary);
  std::FILE* out = std::fopen(options.summaryOut.c_str(), "wb");
  const bool written = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
  if ((out == nullptr || std::fclose(out) != 0 || !written) && !CVStopRequested())
    std::fprintf(stderr, "quillon-convert: the summary \"%s\" could not be written\n", options.summaryOut.c_str());
}

int Run(int argc, char** argv) {
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
  if (options.batch) {
    outfile format = GetOutputDefault(nullptr);
    if (!options.formatName.empty() && !FormatByName(options.formatName, &format)) return UnknownFormat(options.formatName);
    return RunBatch(options, format);
  }
  WatchStopEvent(options.stopEvent);
  const int code = Convert(options);
  // What failed after a stop was asked for failed because of it: no summary
  // then, and the batch counts the picture as not converted.
  if (!options.summaryOut.empty() && (code == EXIT_WRITTEN || !CVStopRequested())) {
    // An interrupt now would leave an output that the batch cannot tell of;
    // it waits until the summary says what was done.
    CVHoldInterrupts();
    WriteSummary(options, code);
    CVReleaseInterrupts();
  }
  return code;
}

int Convert(ConvertOptions& options) {
  const std::string& formatName = options.formatName;
  if (!formatName.empty()) {
    if (!FormatByName(formatName, &OutputFormat)) return UnknownFormat(formatName);
  } else if (!options.output.empty() && FormatByExtension(options.output, &OutputFormat)) {
  } else {
    OutputFormat = GetOutputDefault(nullptr);
  }
  if (options.output.empty()) options.output = DefaultOutput(options.input, OutputFormat);
  if (options.output.size() >= sizeof SpectrumSettings.Name) return Usage("the output path is too long");
  std::strcpy(SpectrumSettings.Name, options.output.c_str());
  // Whatever --force allows, an output never takes the input's place, nor another output's.
  const std::string& points = options.pointsOut;
  if (Covers(options.output, options.input))
    return Usage("the output would replace the input: name another output with -o");
  if (!points.empty() && Covers(points, options.input)) return Usage("the --points file would replace the input");
  if (!points.empty() && (Covers(options.output, points) || Covers(points, options.output)))
    return Usage("the --points file and the output must be different files");
  if (!options.previewOut.empty()) {
    const char* problem = PreviewProblem(options);
    if (problem != nullptr) return Usage(problem);
    // Refused before anything is written, so a run never stops half done.
    std::error_code ec;
    if (ReplaceExistingOutput == 0 && std::filesystem::exists(options.previewOut, ec)) {
      ShowMessageF(IDS_PREVIEW_NOT_WRITTEN, options.previewOut.c_str(), "a file of that name exists already");
      return EXIT_NOT_WRITTEN;
    }
  }

  InputImage input;
  switch (ReadInput(options.input, &input)) {
    case INPUT_OK:
      break;
    case INPUT_CANNOT_OPEN:
      Tell(std::string(MessageText(IDS_CANNOT_OPEN)) + options.input);
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
  // The points' place is made ready before the trace: a name that cannot be
  // written is refused before any work, and they are put in place only with
  // the spectrum.
  StagedOutput pointsFile;
  std::string reason;
  if (!points.empty() && !pointsFile.Begin(points, ReplaceExistingOutput != 0, reason))
    return CannotWritePoints(points, reason);
  if (pointsFile.Path().size() >= sizeof PointLogCopy) return CannotWritePoints(points, "the path is too long");
  std::strcpy(PointLogCopy, pointsFile.Path().c_str());
  const unsigned char* data = input.data.get();
  // The kind is decided by content as the program's Retrieve command does:
  // the drawing signature first, then the pictures' (a bitmap, or one decoded
  // into a bitmap); point text is the converter's own.
  int result;
  if (IsWpgImage(data, input.length)) {
    result = ConvertDrawing(options, std::move(input));
  } else if (PictureKindOf(data, input.length) != PICTURE_UNKNOWN) {
    result = ConvertBitmap(options, std::move(input));
  } else if (LooksLikePointText(data, input.length)) {
    result = ConvertPointText(options, data, input.length);
  } else {
    ShowMessage(IDS_FORMAT_UNKNOWN);
    return EXIT_BAD_INPUT;
  }
  for (const std::string& warning : LastTrace.warnings) std::fprintf(stderr, "quillon-convert: warning: %s\n", warning.c_str());
  if (result > 0) std::fprintf(stderr, "quillon-convert: wrote %s\n", SpectrumSettings.Name);
  // The conversion's own last message decides its exit code, not the preview's.
  const int conversionMessage = g_lastMessage;
  // The preview shows what was traced, also when no spectrum could be made of it.
  bool previewed = true;
  if (!options.previewOut.empty() && result >= 0) {
    previewed = WritePreview(options.previewOut.c_str(), ReplaceExistingOutput != 0) != 0;
    if (previewed) std::fprintf(stderr, "quillon-convert: wrote %s\n", options.previewOut.c_str());
  }
  FreeDibInfo();
  if (result > 0) {
    if (!points.empty()) {
      if (!PointLogCopied) return CannotWritePoints(points, "the file could not be written completely");
      if (!pointsFile.Commit(reason)) return CannotWritePoints(points, reason);
      std::fprintf(stderr, "quillon-convert: wrote %s\n", points.c_str());
    }
    return previewed ? EXIT_WRITTEN : EXIT_NOT_WRITTEN;
  }
  switch (conversionMessage) {
    case IDS_NO_CURVE:
    case IDS_NO_CURVE_AUTO:
    case IDS_UNTRACEABLE_DEPTH:
      return EXIT_NOTHING;
    case IDS_CONVERT_BITMAP:
    case IDS_PIXEL_BUDGET:
    case IDS_PICTURE_UNREADABLE:
    case IDS_CANNOT_OPEN:
    case IDS_CANNOT_READ:
    case IDS_FORMAT_UNKNOWN:
      return EXIT_BAD_INPUT;
    default:
      return result < 0 ? EXIT_BAD_INPUT : EXIT_NOT_WRITTEN;
  }
}

}  // namespace

int main(int argc, char** argv) {
  InstallInterruptHandlers();
  return FinishRun(Run(argc, argv));
}
