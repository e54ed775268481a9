#include "staging.h"

#include <atomic>
#include <memory>
#include <string>

#include "fsops.h"
#include "tavspectrum.h"
#include "tavutils.h"

namespace tav {

namespace {

// The folder format's files, as the writer makes them.
const char* const kFolderFiles[] = {"acqus", "acqu", "pdata/1/procs", "pdata/1/proc",
                                    "pdata/1/1r", "pdata/1/1i", "pdata/1/title"};

size_t BaseStart(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? 0 : slash + 1;
}

// Interrupts wait while a replace is under way.
struct InterruptHold {
  InterruptHold() { CVHoldInterrupts(); }
  ~InterruptHold() { CVReleaseInterrupts(); }
  InterruptHold(const InterruptHold&) = delete;
  InterruptHold& operator=(const InterruptHold&) = delete;
};

// A file gives way to a folder output where names cannot be exchanged: the
// one replace that leaves the name empty for a moment.
bool MoveAsideAndIn(WorkFolder& work, const std::string& target, std::string& error) {
  if (!MovePath(target, work.Aside())) {
    error = "the existing output could not be moved aside";
    return false;
  }
  if (MovePath(work.Made(), target)) return true;
  if (MovePath(work.Aside(), target) || KindOf(target) != PathKind::None) {
    error = "the finished output could not be renamed to its name";
    return false;
  }
  error = "the earlier output could not be put back and is kept in " + work.Keep() + "/old";
  return false;
}

}  // namespace

bool WorkFolder::Make(const std::string& target) {
  Remove();
  static std::atomic<unsigned> serial{0};
  const std::string parent = target.substr(0, BaseStart(target));
  CVSweepOwned(parent, kWorkPurpose);
  const std::string prefix = parent + CVOwnedPrefix(kWorkPurpose);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = prefix + std::to_string(serial++);
    // Registered before it exists: an interrupt in between finds nothing to remove.
    const int slot = CVAddOwned(path.c_str());
    if (MakeFolder(path)) {
      path_ = path;
      slot_ = slot;
      return true;
    }
    CVDropOwned(slot);
    if (KindOf(path) == PathKind::None) return false;  // not a clash: nothing can be made there
  }
  return false;
}

void WorkFolder::Remove() {
  if (path_.empty()) return;
  RemoveTree(path_);
  CVDropOwned(slot_);
  path_.clear();
  slot_ = -1;
}

std::string WorkFolder::Keep() {
  CVDropOwned(slot_);
  // Renamed out of the work folders' names, so that no sweep takes it.
  const size_t purpose = path_.rfind(kWorkPurpose);
  std::string kept = path_.substr(0, purpose) + kKeptPurpose + path_.substr(purpose + std::string(kWorkPurpose).size());
  if (!MovePath(path_, kept)) kept = path_;
  path_.clear();
  slot_ = -1;
  return kept;
}

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

std::string ReplaceProblemOf(const std::string& path, bool folderOutput) {
  if (KindOf(path) != PathKind::Folder) return "";
  if (!folderOutput) return "a folder of that name exists";
  if (!HoldsOnlyProcessedSpectrum(path)) return "that folder holds other files than a processed spectrum";
  return "";
}

bool ReplaceInside(const std::string& made, const std::string& target, std::string& error) {
  FolderLock lock(target);
  if (KindOf(target) != PathKind::Folder || !HoldsOnlyProcessedSpectrum(target)) {
    error = "that folder holds other files than a processed spectrum";
    return false;
  }
  MakeFolder(target + "/pdata");
  MakeFolder(target + "/pdata/1");
  for (const char* name : kFolderFiles) {
    const std::string from = made + "/" + name, to = target + "/" + name;
    const bool ok = KindOf(from) == PathKind::File ? ReplaceExistingFile(from, to)
                                                    : KindOf(to) == PathKind::None || RemoveTree(to);
    if (!ok) {
      error = "the folder could be replaced only in part (" + std::string(name) + ")";
      return false;
    }
  }
  return true;
}

bool Install(WorkFolder& work, const std::string& target, bool folderOutput, bool consent, std::string& error) {
  const std::string made = work.Made();
  InterruptHold hold;
  // What is at the target is looked at again whenever another writer changed
  // it between the look and the rename.
  for (int attempt = 0; attempt < 8; ++attempt) {
    const PathKind existing = KindOf(target);
    if (existing == PathKind::None) {
      if (MovePath(made, target)) return true;
      if (KindOf(target) != PathKind::None) continue;
      error = "the finished output could not be renamed to its name";
      return false;
    }
    if (!consent) {
      error = "a file or folder of that name exists already";
      return false;
    }
    error = ReplaceProblemOf(target, folderOutput);
    if (!error.empty()) return false;
    if (!folderOutput) {
      if (ReplaceExistingFile(made, target)) return true;
      error = "the existing file could not be replaced";
      return false;
    }
    switch (ExchangePaths(made, target)) {
      case Exchange::Done:
        // `made` holds the earlier output now; anything added to it since the
        // check goes back with it.
        if (KindOf(made) == PathKind::Folder && !HoldsOnlyProcessedSpectrum(made)) {
          ExchangePaths(made, target);
          error = "that folder holds other files than a processed spectrum";
          return false;
        }
        return true;
      case Exchange::Vanished:
        continue;
      case Exchange::Failed:
        error = "the existing output could not be replaced";
        return false;
      case Exchange::Unsupported:
        break;
    }
    if (existing == PathKind::Folder) return ReplaceInside(made, target, error);
    return MoveAsideAndIn(work, target, error);
  }
  error = "other programs kept changing it meanwhile";
  return false;
}

}  // namespace tav

struct StagedOutput::Work {
  tav::WorkFolder folder;
  std::string target;
  bool consent = false;
};

StagedOutput::StagedOutput() = default;

StagedOutput::~StagedOutput() = default;

bool StagedOutput::Begin(const std::string& target, bool replace, std::string& error) {
  using namespace tav;
  work_.reset();
  path_.clear();
  if (target.empty()) {
    error = "no name was given";
    return false;
  }
  if (target.size() - BaseStart(target) > kMaxNameBytes) {
    error = "the name is longer than 255 bytes";
    return false;
  }
  const PathKind existing = KindOf(target);
  error = ReplaceProblemOf(target, false);
  if (!error.empty()) return false;
  if (existing != PathKind::None && !replace) {
    error = "a file or folder of that name exists already";
    return false;
  }
  std::unique_ptr<Work> work(new Work);
  if (!work->folder.Make(target)) {
    error = "no file can be created in its folder";
    return false;
  }
  work->target = target;
  work->consent = replace;
  path_ = work->folder.Made();
  work_ = std::move(work);
  return true;
}

bool StagedOutput::Commit(std::string& error) {
  if (!work_) {
    error = "nothing was made";
    return false;
  }
  const bool ok = tav::Install(work_->folder, work_->target, false, work_->consent, error);
  work_.reset();
  path_.clear();
  return ok;
}
