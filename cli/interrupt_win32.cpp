#include <windows.h>

#include "cli/interrupt.h"
#include "tavutils.h"

namespace {

// Runs in a thread of its own. The conversion notices the stop at its next
// write and ends through its own clean-up (FinishRun); one that does not come
// to a write in time is ended here, after its registered paths are removed.
BOOL WINAPI OnConsoleEvent(DWORD type) {
  CVRequestStop();
  // The system ends a process a few seconds after a closed console or logoff.
  const DWORD patience = type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? 3000 : 1500;
  for (DWORD waited = 0; waited < patience || CVInterruptsHeld(); waited += 10) Sleep(10);
  CVRemoveOwned();
  TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
  return TRUE;
}

}  // namespace

void InstallInterruptHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

int FinishRun(int code) {
  if (CVStopRequested()) {
    CVRemoveOwned();
    ExitProcess(STATUS_CONTROL_C_EXIT);
  }
  return code;
}
