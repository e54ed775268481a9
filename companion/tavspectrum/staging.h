// How an output is made safely: in a work folder of this run's own beside the
// target, then put in place in one step where the system allows it, so that
// the target's name always holds either the earlier output or the new one.
#ifndef TAVSPECTRUM_STAGING_H
#define TAVSPECTRUM_STAGING_H

#include <string>

namespace tav {

// The longest file name the file systems we write to take, in bytes.
constexpr size_t kMaxNameBytes = 255;

// How work folders begin; the rest of the name says whose they are. One that
// holds something that must not be lost is renamed to begin as kKeptPurpose.
constexpr const char* kWorkPurpose = "quillon-work";
constexpr const char* kKeptPurpose = "quillon-kept";

class WorkFolder {
 public:
  WorkFolder() = default;
  ~WorkFolder() { Remove(); }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  // Makes the folder beside `target`, after removing what runs that ended
  // without their clean-up left there. Its name does not grow with the
  // target's, so that any name the file system takes can be written.
  bool Make(const std::string& target);
  // Where the output is made, and where an earlier one may be set aside.
  std::string Made() const { return path_ + "/new"; }
  std::string Aside() const { return path_ + "/old"; }
  void Remove();
  // Leaves the folder (it holds something that must not be lost) under a
  // name no sweep takes; returns where it is.
  std::string Keep();

 private:
  std::string path_;
  int slot_ = -1;
};

// A folder that a previous write of the folder format could have made: acqus,
// acqu and pdata/1 with our files, nothing else.
bool HoldsOnlyProcessedSpectrum(const std::string& path);

// Why what exists at `path` must not be replaced by a file or a folder output;
// empty when it may be, with consent.
std::string ReplaceProblemOf(const std::string& path, bool folderOutput);

// Puts the finished output (work.Made()) in place of `target`. What is there
// by then decides: nothing (renamed, never over something that appeared
// meanwhile), or with consent a file (renamed over it) or a folder output's
// earlier self (exchanged with it, or replaced file by file inside it where
// no exchange exists). The check that a folder holds only our files is made
// here, at the replace. Interrupts wait until it is done.
bool Install(WorkFolder& work, const std::string& target, bool folderOutput, bool consent,
             std::string& error);

// The folder format's replace where names cannot be exchanged: each of our
// files is renamed over its namesake, so the target never goes away; files of
// ours that the new output lacks are removed, anything else is left alone.
bool ReplaceInside(const std::string& made, const std::string& target, std::string& error);

}  // namespace tav

#endif
