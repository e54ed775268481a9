#include <windows.h>

#include "shell/state.h"

// Recomposes both titles and shows the full one, whatever the window's state;
// the short one reaches the window text only through WM_ACTIVATE.
void UpdateTitles(HWND window) {
  ComposeTitles();
  SetWindowTextA(window, FullTitle);
}
