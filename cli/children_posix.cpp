#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>

#include "cli/children.h"
#include "tavutils.h"

extern char** environ;

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

bool IsInterrupt(int sig) {
  for (int i : kInterrupts)
    if (i == sig) return true;
  return false;
}

}  // namespace

// The interrupts and SIGCHLD stay blocked while the batch runs and are taken
// with sigtimedwait: no handler runs in the middle of the batch's work, and
// none can slip in between a check and the wait.
struct Children::Platform {
  sigset_t waited;
  sigset_t before;  // what the children get
  std::map<pid_t, int> running;
  int interrupt = 0;
};

Children::Children() : p_(new Platform) {
  sigemptyset(&p_->waited);
  for (int sig : kInterrupts) {
    struct sigaction previous = {};
    // One ignored at our start (nohup) stays ignored, also by the children.
    if (sigaction(sig, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaddset(&p_->waited, sig);
  }
  sigaddset(&p_->waited, SIGCHLD);
  sigprocmask(SIG_BLOCK, &p_->waited, &p_->before);
}

Children::~Children() { sigprocmask(SIG_SETMASK, &p_->before, nullptr); }

bool Children::Start(int id, const std::vector<std::string>& args, const std::string& messages, std::string* why) {
  std::vector<char*> argv = {const_cast<char*>("quillon-convert")};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setsigmask(&attributes, &p_->before);
  pid_t pid = 0;
  // This very program, even should its file be replaced meanwhile.
  const int error = posix_spawn(&pid, "/proc/self/exe", &files, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
  if (error != 0) {
    *why = std::strerror(error);
    return false;
  }
  p_->running[pid] = id;
  return true;
}

std::vector<ChildEnd> Children::Wait(int milliseconds) {
  std::vector<ChildEnd> ended;
  const auto reap = [this, &ended] {
    int status = 0;
    pid_t pid;
    while ((pid = waitpid(-1, &status, WNOHANG)) > 0) {
      const auto child = p_->running.find(pid);
      if (child == p_->running.end()) continue;
      ChildEnd end;
      end.id = child->second;
      if (WIFEXITED(status)) {
        end.exitCode = WEXITSTATUS(status);
      } else if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        end.interrupted = IsInterrupt(sig);
        end.how = "signal " + std::to_string(sig) + ", " + strsignal(sig);
      }
      p_->running.erase(child);
      ended.push_back(end);
    }
  };
  reap();
  if (!ended.empty() || p_->running.empty()) return ended;
  timespec timeout = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  siginfo_t info;
  const int sig = sigtimedwait(&p_->waited, &info, &timeout);
  if (sig > 0 && sig != SIGCHLD && p_->interrupt == 0) p_->interrupt = sig;
  reap();
  return ended;
}

int Children::Running() const { return static_cast<int>(p_->running.size()); }

int Children::Interrupt() const { return p_->interrupt; }

void Children::StopAll() {
  // On a terminal Ctrl+C reached them already; a signal sent to us alone did not.
  const int sig = p_->interrupt != 0 ? p_->interrupt : SIGTERM;
  for (const auto& child : p_->running) kill(child.first, sig);
}

void Children::ExitInterrupted() {
  CVRemoveOwned();
  const int sig = p_->interrupt != 0 ? p_->interrupt : SIGTERM;
  signal(sig, SIG_DFL);
  raise(sig);
  sigprocmask(SIG_SETMASK, &p_->before, nullptr);
  _exit(128 + sig);
}
