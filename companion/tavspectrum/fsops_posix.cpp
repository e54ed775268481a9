#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "fsops.h"

namespace tav {

PathKind KindOf(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return PathKind::None;
  return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool RemoveTree(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(path), ec);
  return KindOf(path) == PathKind::None;
}

bool MovePath(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without no-replace renames: check, then rename.
  if (KindOf(to) != PathKind::None) return false;
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool ReplaceExistingFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return names;
  while (const dirent* e = readdir(dir)) {
    const std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(n);
  }
  closedir(dir);
  return names;
}

Exchange ExchangePaths(const std::string& a, const std::string& b) {
  if (renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) return Exchange::Done;
  if (errno == ENOENT) return Exchange::Vanished;
  if (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP) return Exchange::Unsupported;
  return Exchange::Failed;
}

// A lock on the folder itself: no second name that could be left behind.
FolderLock::FolderLock(const std::string& folder) : handle_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
  if (handle_ >= 0)
    while (flock(static_cast<int>(handle_), LOCK_EX) != 0 && errno == EINTR) {
    }
}

FolderLock::~FolderLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

}  // namespace tav
