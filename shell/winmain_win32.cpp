#include <windows.h>

#include "shell/shell_win32.h"

// No command line is read; a failed start ends without a message.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show) {
  InstallProgramSeams();
  if (previous == nullptr && RegisterMainClass(instance) == 0) return 0;
  if (InitInstance(instance, show) == 0) return 0;
  return RunMessageLoop();
}
