#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fsops.h"
#include "outfile.h"
#include "staging.h"
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

bool OtherFormatOfName(const std::string& name, outfile format, outfile* other) {
  const std::string base = StripSeparators(name);
  const size_t dot = base.find_last_of('.');
  if (dot == std::string::npos || dot < BaseStart(base)) return false;
  std::string ext = base.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext.empty() || OwnsExtension(format, ext)) return false;
  for (int i = 0; i < OUTFILE_COUNT; ++i) {
    if (OwnsExtension(IntToOutfile(i), ext)) {
      *other = IntToOutfile(i);
      return true;
    }
  }
  return false;
}

std::string OutputPath(const std::string& name, outfile format) {
  return format == OUTFILE_PDATA ? StripSeparators(name) : name;
}

std::string ReplaceProblem(const std::string& path, outfile format) {
  return ReplaceProblemOf(path, format == OUTFILE_PDATA);
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
  if (target.size() - BaseStart(target) > kMaxNameBytes) {
    ReportWriteError(owner, target, "the name is longer than 255 bytes");
    return 0;
  }
  // Refused before the write, so nothing is made in vain; looked at again at the replace.
  if (KindOf(target) != PathKind::None) {
    problem = ReplaceProblem(target, format);
    if (problem.empty() && !consent) problem = "a file or folder of that name exists already";
    if (!problem.empty()) {
      ReportWriteError(owner, target, problem);
      return 0;
    }
  }

  WorkFolder work;
  if (CVStopRequested() || !work.Make(target)) {
    ReportWriteError(owner, target, CVStopRequested() ? "the conversion was interrupted"
                                                      : "no file can be created in its folder");
    return 0;
  }
  const std::string title = target.substr(BaseStart(target));
  std::string error;
  const bool ok = WriteFormat(*this, work.Made(), title, format, error) &&
                  Install(work, target, format == OUTFILE_PDATA, consent, error);
  work.Remove();
  if (!ok) {
    ReportWriteError(owner, target, error);
    return 0;
  }
  return 1;
}

int WriteFileSafely(const char* name, const void* data, std::size_t size, bool replace, std::string* error) {
  StagedOutput staged;
  if (!staged.Begin(name != nullptr ? name : "", replace, *error)) return 0;
  tav::OutFile out(staged.Path());
  out.Write(data, size);
  return out.Close(*error) && staged.Commit(*error) ? 1 : 0;
}
