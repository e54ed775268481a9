// The few file-system operations a safe write needs, on names as the
// platform's narrow API takes them (bytes natively, the ANSI code page in Windows).
#ifndef TAVSPECTRUM_FSOPS_H
#define TAVSPECTRUM_FSOPS_H

#include <cstdint>
#include <string>
#include <vector>

namespace tav {

enum class PathKind { None, File, Folder };

// What is at `path` (a symbolic link counts as a file: it is replaced, not followed).
PathKind KindOf(const std::string& path);
// Creates a folder; false when it exists already or cannot be made.
bool MakeFolder(const std::string& path);
// Removes a file, or a folder with everything in it. True when nothing is left.
bool RemoveTree(const std::string& path);
// Renames; fails when `to` exists.
bool MovePath(const std::string& from, const std::string& to);
// Renames a file over an existing file in one step where the platform can.
bool ReplaceExistingFile(const std::string& from, const std::string& to);
// The names in a folder, without "." and "..".
std::vector<std::string> ListFolder(const std::string& path);

enum class Exchange { Done, Vanished, Unsupported, Failed };
// Swaps two names in one step, so that each always names something: Vanished
// when one of them no longer exists, Unsupported where the system (or the file
// system) has no such operation.
Exchange ExchangePaths(const std::string& a, const std::string& b);

// Excludes other writers of ours from replacing inside the same folder while
// it lives (not readers, not other programs). Waits for the folder's lock.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  std::intptr_t handle_;
};

}  // namespace tav

#endif
