#include <windows.h>

#include "fsops.h"

namespace tav {

PathKind KindOf(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return PathKind::None;
  if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT)) return PathKind::Folder;
  return PathKind::File;
}

bool MakeFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string n = fd.cFileName;
    if (n != "." && n != "..") names.push_back(n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

bool RemoveTree(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
  if (a & FILE_ATTRIBUTE_DIRECTORY) {
    // A junction is removed as a name; what it points to is not ours.
    if (!(a & FILE_ATTRIBUTE_REPARSE_POINT))
      for (const std::string& n : ListFolder(path)) RemoveTree(path + "\\" + n);
    RemoveDirectoryA(path.c_str());
  } else {
    DeleteFileA(path.c_str());
  }
  return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool MovePath(const std::string& from, const std::string& to) { return MoveFileExA(from.c_str(), to.c_str(), 0) != 0; }

bool ReplaceExistingFile(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// Folders cannot be swapped in one step on Windows.
Exchange ExchangePaths(const std::string&, const std::string&) { return Exchange::Unsupported; }

// A named mutex per folder: the system releases it when its owner ends, even
// when killed, and it leaves no name on the disk. The name is a hash of the
// full path in lower case (paths do not fit a mutex name, nor may it hold '\\').
FolderLock::FolderLock(const std::string& folder) : handle_(0) {
  char full[MAX_PATH * 2];
  const DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
  std::string path = n > 0 && n < sizeof full ? std::string(full, n) : folder;
  CharLowerBuffA(&path[0], static_cast<DWORD>(path.size()));
  unsigned long long hash = 1469598103934665603ULL;  // FNV-1a
  for (char c : path) hash = (hash ^ static_cast<unsigned char>(c == '/' ? '\\' : c)) * 1099511628211ULL;
  char name[64];
  wsprintfA(name, "Local\\quillon-folder-%08lx%08lx", static_cast<unsigned long>(hash >> 32),
            static_cast<unsigned long>(hash));
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
  if (mutex == nullptr) return;
  // WAIT_ABANDONED: the last owner ended without releasing it; ours now all the same.
  WaitForSingleObject(mutex, INFINITE);
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
}

FolderLock::~FolderLock() {
  if (handle_ == 0) return;
  ReleaseMutex(reinterpret_cast<HANDLE>(handle_));
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace tav
