// The program as a process: it starts, shows its main window and ends cleanly.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#ifndef QUILLON_EXE
#define QUILLON_EXE ""
#endif

namespace {

struct Found {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM lParam) {
  Found* f = reinterpret_cast<Found*>(lParam);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[64] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (pid == f->process && std::string(cls) == "Quillon") {
    f->window = window;
    return FALSE;
  }
  return TRUE;
}

TEST(ProgramTest, StartsShowsItsWindowAndExitsWithZero) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  std::string command = std::string("\"") + QUILLON_EXE + "\"";
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      << "cannot start " << QUILLON_EXE;
  WaitForInputIdle(pi.hProcess, 10000);
  Found found = {pi.dwProcessId, nullptr};
  for (int i = 0; i < 100 && found.window == nullptr; ++i) {
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&found));
    if (found.window == nullptr) Sleep(50);
  }
  ASSERT_NE(found.window, nullptr) << "no main window appeared";
  EXPECT_TRUE(IsWindowVisible(found.window));
  PostMessageA(found.window, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace
