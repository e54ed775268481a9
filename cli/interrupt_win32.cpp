#include <windows.h>

#include <cstdint>
#include <cstdlib>

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

DWORD WINAPI WaitForStop(void* event) {
  if (WaitForSingleObject(static_cast<HANDLE>(event), INFINITE) == WAIT_OBJECT_0) OnConsoleEvent(CTRL_C_EVENT);
  return 0;
}

}  // namespace

void InstallInterruptHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

void WatchStopEvent(const std::string& handle) {
  if (handle.empty()) return;
  // The inherited handle's value. Ctrl+C on a console reaches us anyway; a
  // batch stopped in another way (no console, a signal under Wine) would not.
  const HANDLE event = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::strtoull(handle.c_str(), nullptr, 10)));
  const HANDLE thread = CreateThread(nullptr, 0, WaitForStop, event, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

int FinishRun(int code) {
  if (CVStopRequested()) {
    CVRemoveOwned();
    ExitProcess(STATUS_CONTROL_C_EXIT);
  }
  return code;
}
