#include <windows.h>

#include "shell/file_choice.h"
#include "shell/shell_win32.h"
#include "shell/state.h"

// A failed start ends without a message. A picture named on the command line
// (as a double-click on a picture file names it) is retrieved once the window
// is shown.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  InstallProgramSeams();
  if (previous == nullptr && RegisterMainClass(instance) == 0) return 0;
  if (InitInstance(instance, show) == 0) return 0;
  char path[260];
  if (PathFromCommandLine(commandLine, path, sizeof path))
    RetrievePictureFile(static_cast<HWND>(MainWindow), path);
  return RunMessageLoop();
}
