#include <signal.h>

#include "cli/interrupt.h"
#include "tavutils.h"

namespace {

constexpr int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Runs in whatever the run was doing: the registry is walked without
// allocating, then the signal is raised again with its default action, so
// the parent sees the usual status.
extern "C" void OnInterrupt(int sig) {
  CVRemoveOwned();
  signal(sig, SIG_DFL);
  raise(sig);
}

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int sig : kInterrupts) sigaddset(&action.sa_mask, sig);
  for (int sig : kInterrupts) {
    struct sigaction previous = {};
    // A signal ignored when we were started (nohup) stays ignored.
    if (sigaction(sig, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(sig, &action, nullptr);
  }
  // A file-size limit then makes writes fail (EFBIG) instead of killing the
  // run: it is reported, and the run cleans up after itself.
  signal(SIGXFSZ, SIG_IGN);
}

void WatchStopEvent(const std::string&) {}

int FinishRun(int code) { return code; }
