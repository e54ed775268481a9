#include <cctype>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "fsops.h"
#include "outfile.h"
#include "tavspectrum.h"
#include "ui.h"
#include "writers.h"

namespace tav {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

size_t BaseStart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? 0 : slash + 1;
}

// The extensions each format is known by; the JCAMP-DX forms share theirs.
bool OwnsExtension(outfile format, const std::string& ext) {
  switch (format) {
    case OUTFILE_JCAMP:
    case OUTFILE_JCAMP_DIF:
      return ext == "dx" || ext == "jdx" || ext == "jcamp";
    case OUTFILE_PDATA:
      return ext == "1r" || ext == "1i";
    case OUTFILE_NMRPIPE:
      return ext == "ft1" || ext == "ft";
    case OUTFILE_CSV:
      return ext == "csv";
  }
  return false;
}

bool KnownFormat(outfile format) {
  for (int i = 0; i < OUTFILE_COUNT; ++i)
    if (IntToOutfile(i) == format) return true;
  return false;
}

bool AnyFormatOwns(const std::string& ext) {
  for (int i = 0; i < OUTFILE_COUNT; ++i)
    if (OwnsExtension(IntToOutfile(i), ext)) return true;
  return false;
}

std::string StripSeparators(std::string name) {
  while (name.size() > 1 && IsSeparator(name.back()) && name[name.size() - 2] != ':') name.pop_back();
  return name;
}

// A folder that a previous write of this format could have made: acqus, acqu
// and pdata/1 with our files, nothing else. Anything more (a raw data set, a
// user's own folder) is never thrown away with it.
bool HoldsOnlyProcessedSpectrum(const std::string& path) {
  for (const std::string& n : ListFolder(path)) {
    if (n == "acqus" || n == "acqu") {
      if (KindOf(path + "/" + n) != PathKind::File) return false;
    } else if (n == "pdata") {
      for (const std::string& p : ListFolder(path + "/pdata")) {
        const std::string proc = path + "/pdata/" + p;
        if (p != "1" || KindOf(proc) != PathKind::Folder) return false;
        for (const std::string& f : ListFolder(proc))
          if ((f != "1r" && f != "1i" && f != "procs" && f != "proc" && f != "title") ||
              KindOf(proc + "/" + f) != PathKind::File)
            return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

// A folder of our own beside the target, made exclusively, so that neither
// the new output nor a set-aside old one can meet a name that already exists.
bool MakeWorkFolder(const std::string& target, std::string& work) {
  static unsigned counter = 0;
  const auto now = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[40];
    std::snprintf(suffix, sizeof suffix, ".~%06llx%03x", now & 0xffffffULL, (++counter) & 0xfffU);
    work = target + suffix;
    if (MakeFolder(work)) return true;
    if (KindOf(work) == PathKind::None) return false;  // not a clash: the folder cannot be made there
  }
  return false;
}

// Puts the finished output in place. An existing folder (or anything the new
// output cannot simply be renamed over) is first moved into the work folder
// and restored should the new output not take its place.
bool Install(const std::string& made, const std::string& target, const std::string& work, PathKind existing,
             outfile format, std::string& error, bool& oldStranded) {
  if (existing == PathKind::None) {
    if (MovePath(made, target)) return true;
    error = "the finished output could not be renamed to its name";
    return false;
  }
  if (existing == PathKind::File && format != OUTFILE_PDATA) {
    if (ReplaceExistingFile(made, target)) return true;
    error = "the existing file could not be replaced";
    return false;
  }
  const std::string old = work + "/old";
  if (!MovePath(target, old)) {
    error = "the existing output could not be moved aside";
    return false;
  }
  if (MovePath(made, target)) return true;
  if (!MovePath(old, target)) {
    // The earlier output is kept where it is rather than removed with the work folder.
    oldStranded = true;
    error = "the earlier output could not be put back and is kept in " + old;
    return false;
  }
  error = "the finished output could not be renamed to its name";
  return false;
}

bool AllFinite(const std::vector<float>& values) {
  for (float v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

bool WriteFormat(const Spectrum& s, const std::string& path, const std::string& title, outfile format,
                 std::string& error) {
  switch (format) {
    case OUTFILE_JCAMP:
      return WriteJcamp(s, path, title, false, error);
    case OUTFILE_JCAMP_DIF:
      return WriteJcamp(s, path, title, true, error);
    case OUTFILE_PDATA:
      return WritePdata(s, path, title, error);
    case OUTFILE_NMRPIPE:
      return WriteNmrPipe(s, path, error);
    case OUTFILE_CSV:
      return WriteCsv(s, path, error);
  }
  error = "this output format is not available";
  return false;
}

}  // namespace

std::string SuggestOutputName(const std::string& name, outfile format) {
  std::string result = StripSeparators(name);
  const size_t base = BaseStart(result);
  const size_t dot = result.find_last_of('.');
  std::string ext;
  if (dot != std::string::npos && dot > base) {
    ext = result.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  // A folder has no extension: even the names of its data files (".1r") go.
  if (!ext.empty() && format != OUTFILE_PDATA && OwnsExtension(format, ext)) return result;
  if (!ext.empty() && !AnyFormatOwns(ext)) return result;
  if (!ext.empty()) result.erase(dot);
  const std::string own = OutfileExtension(format);
  if (!own.empty() && result.size() > base) result += "." + own;
  return result;
}

std::string OutputPath(const std::string& name, outfile format) {
  return format == OUTFILE_PDATA ? StripSeparators(name) : name;
}

std::string ReplaceProblem(const std::string& path, outfile format) {
  if (KindOf(path) != PathKind::Folder) return "";
  if (format != OUTFILE_PDATA) return "a folder of that name exists";
  if (!HoldsOnlyProcessedSpectrum(path)) return "that folder holds other files than a processed spectrum";
  return "";
}

}  // namespace tav

// The output is written in a work folder beside the target and renamed only
// when complete, so a failed write never leaves a partial spectrum and never
// damages an earlier output of the same name.
int Spectrum::WriteNMRSpectrum(TAVWINDOW owner, const char* name, outfile format, TAVHELPINFO* info) {
  using namespace tav;
  const std::string given = name != nullptr ? name : "";
  std::string problem;
  if (si_ < 1) problem = "the spectrum is empty";
  else if (!flags_[2]) problem = "the spectrum holds no valid intensities";
  else if (!AllFinite(real_) || (hasImag_ && !AllFinite(imag_))) problem = "the spectrum holds values that are not numbers";
  else if (given.empty()) problem = "no output name was given";
  else if (!KnownFormat(format)) problem = "this output format is not available";
  if (!problem.empty()) {
    ReportWriteError(owner, given, problem);
    return 0;
  }

  std::string chosen = given;
  bool consent = owner == nullptr && info != nullptr && (info->Flags & TAV_REPLACE_EXISTING) != 0;
  if (owner != nullptr) {
    const NameChoice choice = ChooseOutputName(owner, chosen, format);
    if (choice == NameChoice::Cancelled) return 0;
    consent = choice == NameChoice::ChosenReplace;
  }
  const std::string target = OutputPath(chosen, format);
  const PathKind existing = KindOf(target);
  if (existing != PathKind::None) {
    problem = ReplaceProblem(target, format);
    if (problem.empty() && !consent) problem = "a file or folder of that name exists already";
    if (!problem.empty()) {
      ReportWriteError(owner, target, problem);
      return 0;
    }
  }

  std::string work;
  if (!MakeWorkFolder(target, work)) {
    ReportWriteError(owner, target, "no file can be created in its folder");
    return 0;
  }
  const std::string made = work + "/new";
  const std::string title = target.substr(BaseStart(target));
  std::string error;
  bool oldStranded = false;
  const bool ok = WriteFormat(*this, made, title, format, error) &&
                  Install(made, target, work, existing, format, error, oldStranded);
  if (oldStranded)
    RemoveTree(made);
  else
    RemoveTree(work);
  if (!ok) {
    ReportWriteError(owner, target, error);
    return 0;
  }
  return 1;
}

int WriteFileSafely(const char* name, const void* data, std::size_t size, bool replace, std::string* error) {
  using namespace tav;
  const std::string target = name != nullptr ? name : "";
  const PathKind existing = target.empty() ? PathKind::None : KindOf(target);
  if (target.empty()) *error = "no name was given";
  else if (existing == PathKind::Folder) *error = "a folder of that name exists";
  else if (existing != PathKind::None && !replace) *error = "a file of that name exists already";
  else error->clear();
  if (!error->empty()) return 0;
  std::string work;
  if (!MakeWorkFolder(target, work)) {
    *error = "no file can be created in its folder";
    return 0;
  }
  const std::string made = work + "/new";
  OutFile out(made);
  out.Write(data, size);
  bool stranded = false;
  // Any file format installs alike: one file renamed over another.
  const bool ok = out.Close(*error) && Install(made, target, work, existing, OUTFILE_CSV, *error, stranded);
  RemoveTree(work);
  return ok ? 1 : 0;
}
