#include "cli/batch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>
#include <thread>

#include "cli/batch_report.h"
#include "cli/children.h"
#include "cli/manifest.h"
#include "cli/options.h"
#include "cli/paths.h"
#include "cli/terminal_gauge.h"
#include "platform/fileio.h"
#include "spectrum/choices.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "tavspectrum.h"
#include "tavutils.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kPictureExtensions[] = {"bmp", "dib", "rle", "png", "jpg", "jpeg", "tif", "tiff", "gif", "wpg"};

void Say(const std::string& text) { std::fprintf(stderr, "quillon-convert: %s\n", text.c_str()); }

int Refuse(int code, const std::string& text) {
  Say(text);
  if (code == EXIT_USAGE) std::fputs("Try 'quillon-convert --help'.\n", stderr);
  return code;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// One key per file name as the file system tells names apart.
std::string NameKey(const fs::path& path) {
  std::string key = path.lexically_normal().generic_string();
#ifdef _WIN32
  key = Lower(key);
#endif
  return key;
}

std::string WithoutExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  return path.substr(0, dot);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Gives each picture the manifest's settings for it. A row naming a file
// that does not exist is a mistake worth stopping for; a row naming a
// picture outside this run is not (one manifest serves a whole archive).
bool ApplyManifest(const std::string& manifest, std::vector<BatchPicture>& pictures, std::string* problem) {
  std::vector<ManifestRow> rows;
  if (!ReadManifest(manifest, &rows, problem)) return false;
  std::map<std::string, BatchPicture*> byPath;
  std::error_code ec;
  for (BatchPicture& p : pictures) byPath[NameKey(fs::weakly_canonical(p.input, ec))] = &p;
  const fs::path base = fs::path(manifest).parent_path();
  std::map<BatchPicture*, unsigned> given;
  for (const ManifestRow& row : rows) {
    const fs::path file = base / row.file;
    const std::string where = "the manifest \"" + manifest + "\", line " + std::to_string(row.line) + ", ";
    if (!fs::exists(file, ec)) {
      *problem = where + "names \"" + row.file + "\", which does not exist";
      return false;
    }
    const auto found = byPath.find(NameKey(fs::weakly_canonical(file, ec)));
    if (found == byPath.end()) continue;
    if (given.count(found->second) != 0) {
      *problem = where + "names \"" + row.file + "\" again (first in line " + std::to_string(given[found->second]) + ")";
      return false;
    }
    given[found->second] = row.line;
    found->second->settings = row.options;
  }
  return true;
}

// What the command line and `settings` together would make of one picture's
// run; empty when they are fine. Checked before any picture is converted, so
// a mistake in the manifest never stops a run half done.
std::string SettingsProblem(const std::vector<std::string>& shared, const std::vector<std::string>& settings) {
  std::vector<std::string> args = {"quillon-convert"};
  args.insert(args.end(), shared.begin(), shared.end());
  args.insert(args.end(), settings.begin(), settings.end());
  args.insert(args.end(), {"--", "picture"});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  ConvertOptions scratch;
  std::string problem;
  const int replace = ReplaceExistingOutput;
  ResetSettings();
  ResetChoices();
  const int parsed = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &scratch, &problem);
  ReplaceExistingOutput = replace;
  return parsed == PARSE_USAGE ? problem : std::string();
}

std::string Duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char text[48];
  if (s < 60) std::snprintf(text, sizeof text, "%ld s", s);
  else if (s < 3600) std::snprintf(text, sizeof text, "%ld min %ld s", s / 60, s % 60);
  else std::snprintf(text, sizeof text, "%ld h %ld min", s / 3600, s % 3600 / 60);
  return text;
}

// Done/total, failures and time left on one line of a terminal; nothing
// elsewhere. Messages are written above it.
class Progress {
 public:
  explicit Progress(std::size_t total) : total_(total), shown_(IsTerminal(stderr)), start_(Clock::now()) {}
  void Update(std::size_t done, std::size_t failures) {
    if (!shown_) return;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
    std::string line = "quillon-convert: " + std::to_string(done) + "/" + std::to_string(total_) + " done";
    if (failures > 0) line += ", " + std::to_string(failures) + " not written";
    if (done > 0 && done < total_) line += ", about " + Duration(elapsed / done * (total_ - done)) + " left";
    Draw(line);
  }
  void Clear() { Draw(""); }

 private:
  void Draw(const std::string& line) {
    // Spaces, not terminal controls: every console understands them.
    std::string text = "\r" + line;
    if (line.size() < width_) text.append(width_ - line.size(), ' ');
    if (line.empty()) text += '\r';
    width_ = line.size();
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
  }

  std::size_t total_;
  bool shown_;
  Clock::time_point start_;
  std::size_t width_ = 0;
};

// A folder of this run's own in the temporary folder, for its conversions'
// summaries and messages; removed on every way out, and by a later run
// should this one be killed.
class WorkFolder {
 public:
  bool Make(std::string* why) {
    char temp[qio::kPathSize];
    if (!qio::TempPath(temp)) {
      *why = "no temporary folder";
      return false;
    }
    CVSweepOwned(temp, "quillon-batch");
    path_ = std::string(temp) + CVOwnedPrefix("quillon-batch") + "0";
    std::error_code ec;
    if (!fs::create_directory(path_, ec)) {
      *why = "no folder can be made in the temporary folder " + std::string(temp) + ": " + ec.message();
      return false;
    }
    slot_ = CVAddOwned(path_.c_str());
    return true;
  }
  ~WorkFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
    if (slot_ >= 0) CVDropOwned(slot_);
  }
  std::string File(std::size_t index, const char* extension) const {
    return path_ + "/" + std::to_string(index) + extension;
  }

 private:
  std::string path_;
  int slot_ = -1;
};

// The last line a conversion printed, for one that named no message of its own.
std::string LastLine(const std::string& text) {
  const std::size_t end = text.find_last_not_of("\r\n");
  if (end == std::string::npos) return "";
  const std::size_t newline = text.find_last_of('\n', end);
  const std::size_t begin = newline == std::string::npos ? 0 : newline + 1;
  std::string line = text.substr(begin, end + 1 - begin);
  const std::string prefix = "quillon-convert: ";
  if (line.compare(0, prefix.size(), prefix) == 0) line.erase(0, prefix.size());
  return line;
}

}  // namespace

bool IsPictureName(const std::string& name) {
  if (name.empty() || name[0] == '.') return false;
  const std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return false;
  const std::string ext = Lower(name.substr(dot + 1));
  return std::find(std::begin(kPictureExtensions), std::end(kPictureExtensions), ext) != std::end(kPictureExtensions);
}

bool FindPictures(const std::vector<std::string>& inputs, bool recursive, std::vector<BatchPicture>* pictures,
                  std::string* problem) {
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (!fs::is_directory(input, ec)) {
      pictures->push_back({input, fs::path(input).stem().string(), "", {}});
      continue;
    }
    std::vector<BatchPicture> found;
    const auto take = [&](const fs::directory_entry& entry) {
      std::error_code e;
      if (!IsPictureName(entry.path().filename().string()) || !entry.is_regular_file(e)) return;
      found.push_back({entry.path().string(), WithoutExtension(entry.path().lexically_relative(input).generic_string()),
                       "", {}});
    };
    if (recursive) {
      fs::recursive_directory_iterator it(input, ec), end;
      for (; !ec && it != end; it.increment(ec)) {
        // Hidden folders (a version control's, a desktop's thumbnails) hold no pictures of the user's.
        std::error_code e;
        if (it->path().filename().string()[0] == '.' && it->is_directory(e)) it.disable_recursion_pending();
        else take(*it);
      }
    } else {
      fs::directory_iterator it(input, ec), end;
      for (; !ec && it != end; it.increment(ec)) take(*it);
    }
    if (ec) {
      *problem = "the folder \"" + input + "\" cannot be read: " + ec.message();
      return false;
    }
    std::sort(found.begin(), found.end(),
              [](const BatchPicture& a, const BatchPicture& b) { return a.name < b.name || (a.name == b.name && a.input < b.input); });
    pictures->insert(pictures->end(), found.begin(), found.end());
  }
  return true;
}

bool NameOutputs(std::vector<BatchPicture>& pictures, const std::string& folder, const std::string& extension,
                 std::string* problem) {
  const std::string ext = extension.empty() ? "" : "." + extension;
  // Names within the folder are kept with '/', which Windows takes too.
  const std::string within = folder.empty() || folder.back() == '/' || folder.back() == '\\' ? folder : folder + "/";
  std::map<std::string, const BatchPicture*> taken;
  for (BatchPicture& p : pictures) {
    p.output = folder.empty() ? WithoutExtension(p.input) + ext : within + p.name + ext;
    const auto [at, fresh] = taken.emplace(NameKey(p.output), &p);
    if (!fresh) {
      *problem = "\"" + at->second->input + "\" and \"" + p.input + "\" would both be written to \"" + p.output +
                 "\": rename one of them or convert them into different folders";
      return false;
    }
  }
  return true;
}

int RunBatch(const ConvertOptions& options, outfile format) {
  if (!options.pointsOut.empty() || !options.previewOut.empty())
    return Refuse(EXIT_USAGE, "--points and --preview write one file each: they cannot be given for several pictures");
  const std::string& folder = options.output;
  std::error_code ec;
  if (!folder.empty() && fs::exists(folder, ec) && !fs::is_directory(folder, ec))
    return Refuse(EXIT_USAGE, "-o must name a folder when several pictures are converted");
  std::vector<BatchPicture> pictures;
  std::string problem;
  bool found = false;
  try {
    found = FindPictures(options.inputs, options.recursive, &pictures, &problem);
  } catch (const std::exception& e) {
    // In Windows a name the code page cannot spell.
    problem = std::string("a name in the folders given cannot be read: ") + e.what();
  }
  if (!found) return Refuse(EXIT_BAD_INPUT, problem);
  if (pictures.empty()) return Refuse(EXIT_NOTHING, "no pictures were found");
  if (!options.manifest.empty() && !ApplyManifest(options.manifest, pictures, &problem))
    return Refuse(EXIT_USAGE, problem);
  if (!NameOutputs(pictures, folder, OutfileExtension(format), &problem)) return Refuse(EXIT_USAGE, problem);

  // Each conversion gets the format by name: an extension cannot tell the compressed JCAMP-DX.
  std::vector<std::string> shared = options.perPicture;
  if (options.formatName.empty()) shared.push_back(std::string("--format=") + OutfileCommandName(OutfileToInt(format)));
  for (const BatchPicture& p : pictures) {
    if (p.settings.empty()) continue;
    problem = SettingsProblem(shared, p.settings);
    if (!problem.empty()) return Refuse(EXIT_USAGE, "the manifest's settings for \"" + p.input + "\": " + problem);
  }

  // The report's place is made ready first, so that a report that cannot be
  // written is refused before any picture is converted.
  StagedOutput report;
  const std::string reportKind = Lower(fs::path(options.report).extension().string());
  if (!options.report.empty()) {
    if (reportKind != ".csv" && reportKind != ".json")
      return Refuse(EXIT_USAGE, "--report writes FILE.csv or FILE.json");
    for (const BatchPicture& p : pictures)
      for (const std::string* path : {&p.input, &p.output})
        if (Covers(options.report, *path)) return Refuse(EXIT_USAGE, "the report would replace \"" + *path + "\"");
    if (!report.Begin(options.report, ReplaceExistingOutput != 0, problem))
      return Refuse(EXIT_NOT_WRITTEN, "Cannot write the report \"" + options.report + "\": " + problem + ".");
  }
  if (!folder.empty() && !fs::is_directory(folder, ec) && !fs::create_directories(folder, ec))
    return Refuse(EXIT_NOT_WRITTEN, "Cannot make the folder \"" + folder + "\": " + ec.message() + ".");
  WorkFolder work;
  if (!work.Make(&problem)) return Refuse(EXIT_NOT_WRITTEN, "Cannot convert several pictures: " + problem + ".");

  std::size_t jobs = options.jobs > 0 ? options.jobs : std::thread::hardware_concurrency();
  jobs = std::min<std::size_t>(std::max<std::size_t>(jobs, 1), 64);
  std::vector<PictureResult> results(pictures.size());
  std::vector<Clock::time_point> started(pictures.size());
  std::vector<fs::file_time_type> startedAt(pictures.size());
  std::size_t next = 0, done = 0, failures = 0;
  Progress progress(pictures.size());
  Children children;
  bool stopping = false;
  const auto finish = [&](std::size_t i, PictureStatus status, int code, const std::string& message) {
    PictureResult& r = results[i];
    r.status = status;
    r.exitCode = code;
    r.message = message;
    r.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started[i]).count();
    ++done;
    if (status == PICTURE_REFUSED || status == PICTURE_FAILED) ++failures;
    if (status == PICTURE_NOT_CONVERTED) return;
    progress.Clear();
    if (status != PICTURE_WRITTEN) Say(r.input + ": " + message);
    for (const std::string& w : r.summary.warnings) Say(r.input + ": warning: " + w);
  };
  for (std::size_t i = 0; i < pictures.size(); ++i) results[i].input = pictures[i].input;
  while ((next < pictures.size() && !stopping) || children.Running() > 0) {
    while (!stopping && next < pictures.size() && children.Running() < static_cast<int>(jobs)) {
      const std::size_t i = next++;
      const BatchPicture& p = pictures[i];
      started[i] = Clock::now();
      startedAt[i] = fs::file_time_type::clock::now();
      if (!folder.empty()) fs::create_directories(fs::path(p.output).parent_path(), ec);
      std::vector<std::string> args = shared;
      args.insert(args.end(), p.settings.begin(), p.settings.end());
      args.insert(args.end(), {"--summary", work.File(i, ".json"), "-o", p.output, "--", p.input});
      std::string why;
      if (!children.Start(static_cast<int>(i), args, work.File(i, ".txt"), &why))
        finish(i, PICTURE_FAILED, -1, "the conversion could not be started: " + why);
    }
    for (const ChildEnd& end : children.Wait(250)) {
      const std::size_t i = static_cast<std::size_t>(end.id);
      PictureSummary& summary = results[i].summary;
      const bool told = ParseSummary(ReadText(work.File(i, ".json")), &summary);
      const std::string printed = ReadText(work.File(i, ".txt"));
      std::remove(work.File(i, ".json").c_str());
      std::remove(work.File(i, ".txt").c_str());
      // One stopped after its summary was written had done its work.
      const int code = end.exitCode >= 0 ? end.exitCode : told ? summary.exitCode : -1;
      if (code >= 0) {
        // The spectrum library tells of a failed write itself, without the message seam.
        const std::string message = told && !summary.message.empty() ? summary.message
                                    : code == EXIT_WRITTEN           ? ""
                                                                     : LastLine(printed);
        finish(i, StatusOfExit(code), code, message);
      } else if (end.interrupted && children.Interrupt() != 0) {
        // Stopped in the moment between putting its output in place and
        // ending: the output is whole, and the report says so.
        std::error_code e;
        const bool made = fs::exists(pictures[i].output, e) && fs::last_write_time(pictures[i].output, e) >= startedAt[i] && !e;
        if (made) summary.output = pictures[i].output;
        if (made) finish(i, PICTURE_WRITTEN, -1, "interrupted once its output was written");
        else finish(i, PICTURE_NOT_CONVERTED, -1, "interrupted");
      } else {
        if (!printed.empty()) std::fputs(printed.c_str(), stderr);
        finish(i, PICTURE_FAILED, -1, "the conversion ended abnormally (" + end.how + ")");
      }
    }
    if (children.Interrupt() != 0 && !stopping) {
      stopping = true;
      children.StopAll();
    }
    progress.Update(done, failures);
  }
  progress.Clear();
  for (std::size_t i = next; i < pictures.size(); ++i) results[i].message = "interrupted";
  // A conversion stopped or crashed between making its point log or work
  // folder and registering it leaves that behind; the sweeps that a later
  // run would make take it now, since all of them have ended.
  std::set<std::string> folders;
  for (const BatchPicture& p : pictures) folders.insert(fs::path(p.output).parent_path().string());
  for (const std::string& f : folders) CVSweepOwned(f.empty() ? "." : f, "quillon-work");
  char temp[qio::kPathSize];
  if (qio::TempPath(temp)) CVSweepOwned(temp, kPointLogPurpose);

  int worst = WorstExitCode(results);
  std::size_t counts[4] = {};
  for (const PictureResult& r : results) ++counts[r.status];
  std::string line = std::to_string(counts[PICTURE_WRITTEN]) + " written, " + std::to_string(counts[PICTURE_REFUSED]) +
                     " refused, " + std::to_string(counts[PICTURE_FAILED]) + " failed";
  if (counts[PICTURE_NOT_CONVERTED] > 0) line += ", " + std::to_string(counts[PICTURE_NOT_CONVERTED]) + " not converted";
  if (!options.report.empty()) {
    const std::string text = reportKind == ".csv" ? ReportCsv(results) : ReportJson(results);
    std::ofstream out(report.Path(), std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) problem = "the file could not be written completely";
    if (!out || !report.Commit(problem)) {
      Say("Cannot write the report \"" + options.report + "\": " + problem + ".");
      worst = std::max<int>(worst, EXIT_NOT_WRITTEN);
    } else {
      line += "; report in " + options.report;
    }
  }
  Say(line);
  if (children.Interrupt() != 0) children.ExitInterrupted();
  return worst;
}
