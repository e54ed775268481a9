#include <windows.h>

#include <atomic>
#include <cstring>

#include "owned.h"
#include "tavutils.h"

namespace tavown {

namespace {

constexpr int kMaxDepth = 16;

void RemoveAt(const char* path, int depth) {
  const DWORD a = GetFileAttributesA(path);
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if (a & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path, a & ~FILE_ATTRIBUTE_READONLY);
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    DeleteFileA(path);
    return;
  }
  // A junction is removed as a name; what it points to is not ours.
  if (!(a & FILE_ATTRIBUTE_REPARSE_POINT) && depth <= kMaxDepth) {
    char pattern[MAX_PATH];
    if (lstrlenA(path) + 3 < MAX_PATH) {
      lstrcpyA(pattern, path);
      lstrcatA(pattern, "\\*");
      WIN32_FIND_DATAA fd;
      HANDLE h = FindFirstFileA(pattern, &fd);
      if (h != INVALID_HANDLE_VALUE) {
        do {
          if (lstrcmpA(fd.cFileName, ".") == 0 || lstrcmpA(fd.cFileName, "..") == 0) continue;
          char child[MAX_PATH];
          if (lstrlenA(path) + 1 + lstrlenA(fd.cFileName) >= MAX_PATH) continue;
          lstrcpyA(child, path);
          lstrcatA(child, "\\");
          lstrcatA(child, fd.cFileName);
          RemoveAt(child, depth + 1);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
      }
    }
  }
  RemoveDirectoryA(path);
}

unsigned long long Start(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

}  // namespace

unsigned long OwnPid() { return GetCurrentProcessId(); }

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? name : "";
}

Liveness ProcessState(unsigned long pid, unsigned long long* start) {
  *start = 0;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER ? Liveness::Gone : Liveness::Unknown;
  DWORD code = 0;
  const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  *start = Start(process);
  CloseHandle(process);
  return ended ? Liveness::Gone : Liveness::Running;
}

void RemovePathNow(const char* path) { RemoveAt(path, 0); }

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(((folder.empty() ? std::string(".") : folder) + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (std::strcmp(fd.cFileName, ".") != 0 && std::strcmp(fd.cFileName, "..") != 0) names.push_back(fd.cFileName);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

char Separator() { return '\\'; }

}  // namespace tavown

namespace {

std::atomic<int> g_holds{0};

}  // namespace

// The console handler runs in a thread of its own and waits while a hold lasts.
void CVHoldInterrupts() { ++g_holds; }

void CVReleaseInterrupts() { --g_holds; }

bool CVInterruptsHeld() { return g_holds.load() > 0; }
