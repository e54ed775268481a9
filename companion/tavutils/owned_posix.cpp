#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "owned.h"
#include "tavutils.h"

namespace tavown {

namespace {

// The kernel's directory entry as getdents64 returns it: readdir may allocate,
// which a signal handler must not.
struct Entry64 {
  unsigned long long ino;
  long long off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

constexpr int kMaxDepth = 16;

void RemoveAt(int dir, const char* name, int depth) {
  if (unlinkat(dir, name, 0) == 0 || errno == ENOENT) return;
  if ((errno != EISDIR && errno != EPERM) || depth > kMaxDepth) return;
  const int fd = openat(dir, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  // Removing entries while reading may hide others: read again until a pass
  // finds nothing left to remove.
  for (int pass = 0; pass < 4; ++pass) {
    bool removedAny = false;
    lseek(fd, 0, SEEK_SET);
    alignas(8) char buffer[4096];
    for (;;) {
      const long n = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
      if (n <= 0) break;
      for (long at = 0; at < n;) {
        const Entry64* e = reinterpret_cast<const Entry64*>(buffer + at);
        at += e->reclen;
        if (std::strcmp(e->name, ".") == 0 || std::strcmp(e->name, "..") == 0) continue;
        RemoveAt(fd, e->name, depth + 1);
        removedAny = true;
      }
    }
    if (!removedAny) break;
  }
  close(fd);
  unlinkat(dir, name, AT_REMOVEDIR);
}

}  // namespace

unsigned long OwnPid() { return static_cast<unsigned long>(getpid()); }

std::string HostName() {
  char name[256] = {};
  return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

// The start is field 22 of /proc/<pid>/stat (clock ticks since boot), read
// after the command name, which may itself hold blanks and parentheses.
Liveness ProcessState(unsigned long pid, unsigned long long* start) {
  *start = 0;
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%lu/stat", pid);
  if (FILE* f = std::fopen(path, "r")) {
    char text[1024] = {};
    const size_t got = std::fread(text, 1, sizeof text - 1, f);
    std::fclose(f);
    text[got] = '\0';
    const char* p = std::strrchr(text, ')');
    for (int field = 2; p != nullptr && field < 22; ++field) p = std::strchr(p + 1, ' ');
    if (p != nullptr) *start = std::strtoull(p + 1, nullptr, 10);
    return Liveness::Running;
  }
  if (access("/proc/self/stat", F_OK) == 0) return Liveness::Gone;
  // No process file system: only the number can be asked about.
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return Liveness::Gone;
  return Liveness::Unknown;
}

void RemovePathNow(const char* path) { RemoveAt(AT_FDCWD, path, 0); }

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* e = readdir(dir)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
  }
  closedir(dir);
  return names;
}

char Separator() { return '/'; }

}  // namespace tavown

namespace {

thread_local int t_holds = 0;
thread_local sigset_t t_before;

}  // namespace

// Blocking the signals defers them: they arrive when the hold ends.
void CVHoldInterrupts() {
  if (t_holds++ > 0) return;
  sigset_t set;
  sigemptyset(&set);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, sig);
  pthread_sigmask(SIG_BLOCK, &set, &t_before);
}

void CVReleaseInterrupts() {
  if (t_holds == 0 || --t_holds > 0) return;
  pthread_sigmask(SIG_SETMASK, &t_before, nullptr);
}

bool CVInterruptsHeld() { return t_holds > 0; }
