#include <filesystem>
#include <string>
#include <system_error>

#include "tavspectrum.h"
#include "ui.h"
#include "writers.h"

namespace fs = std::filesystem;

namespace {

bool WriteFormat(const Spectrum& s, const std::string& path, const std::string& target, outfile format,
                 std::string& error) {
  std::string title = target;
  const size_t slash = title.find_last_of("/\\");
  if (slash != std::string::npos) title.erase(0, slash + 1);
  switch (format) {
    case OUTFILE_JCAMP:
      return tav::WriteJcamp(s, path, title, false, error);
    case OUTFILE_JCAMP_DIF:
      return tav::WriteJcamp(s, path, title, true, error);
    default:
      error = "this output format is not available";
      return false;
  }
}

void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  fs::remove_all(fs::u8path(path), ec);
}

}  // namespace

// The output is written under a temporary name beside the target and renamed
// only when complete, so a failed write never leaves a partial spectrum and
// never damages an earlier file of the same name.
int Spectrum::WriteNMRSpectrum(TAVWINDOW owner, const char* name, outfile format, TAVHELPINFO* info) {
  if (si_ < 1 || name == nullptr || name[0] == '\0') {
    tav::ReportWriteError(owner, name ? name : "", "the spectrum or its name is empty");
    return 0;
  }
  std::string target = name;
  bool mayReplace = info != nullptr && (info->Flags & TAV_REPLACE_EXISTING) != 0;
  if (owner != nullptr) {
    if (!tav::ChooseOutputName(owner, target, format)) return 0;
    mayReplace = true;  // the dialog has asked
  }
  std::error_code ec;
  const fs::path targetPath = fs::u8path(target);
  const bool exists = fs::exists(fs::symlink_status(targetPath, ec));
  if (exists && !mayReplace) {
    tav::ReportWriteError(owner, target, "a file or folder of that name exists already");
    return 0;
  }
  const std::string temp = target + ".part";
  RemoveQuietly(temp);
  std::string error;
  if (!WriteFormat(*this, temp, target, format, error)) {
    RemoveQuietly(temp);
    tav::ReportWriteError(owner, target, error);
    return 0;
  }
  if (exists && fs::is_directory(targetPath, ec) != fs::is_directory(fs::u8path(temp), ec)) {
    RemoveQuietly(target);  // a file cannot be renamed over a folder or the reverse
  } else if (exists && fs::is_directory(targetPath, ec)) {
    RemoveQuietly(target);
  }
  fs::rename(fs::u8path(temp), targetPath, ec);
  if (ec) {
    RemoveQuietly(temp);
    tav::ReportWriteError(owner, target, ec.message());
    return 0;
  }
  return 1;
}
