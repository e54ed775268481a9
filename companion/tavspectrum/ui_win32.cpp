#include <windows.h>

#include "ui.h"

namespace tav {

bool ChooseOutputName(TAVWINDOW, std::string&, outfile) { return true; }

void ReportWriteError(TAVWINDOW owner, const std::string& name, const std::string& reason) {
  std::string text = "Cannot write the spectrum \"" + name + "\": " + reason + ".";
  if (owner == nullptr) {
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), (text + "\r\n").c_str(),
              static_cast<DWORD>(text.size() + 2), nullptr, nullptr);
    return;
  }
  MessageBoxA(static_cast<HWND>(owner), text.c_str(), "Quillon", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace tav
