// Helpers of the tests under Wine: a driver for the dialogs that the code
// under test opens, a stand-in help viewer, files and folders.
#ifndef QUILLON_TESTS_SHELL_TEST_SUPPORT_H
#define QUILLON_TESTS_SHELL_TEST_SUPPORT_H

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace shelltest {

inline std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}
inline void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
// A visible popup window to own the dialogs of a test.
inline HWND Popup(int x, int y, int width, int height) {
  return CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}
// Types `path` into the name box of the system Open or Save dialog and confirms it.
void ChooseInFileDialog(HWND dialog, const std::string& path);
// Lets this thread's messages run for `ms` milliseconds.
void Pump(int ms);

// While it lives, a thread timer (which modal loops dispatch too) hands each
// new topmost enabled dialog of this thread once to the handler; by then the
// dialog is initialised. Without a handler every dialog gets OK.
struct DialogDriver {
  struct Seen {
    HWND window, owner;
    std::string title;
    std::string texts;  // its static texts, newline-joined: a message box's message
  };
  using Handler = std::function<void(HWND dialog, const Seen& seen)>;
  explicit DialogDriver(Handler handler = nullptr);
  ~DialogDriver();
  std::vector<std::string> Titles() const;
  // A dialog that stays open after a refusal goes to the handler again once
  // it is topmost and enabled again.
  void Again(HWND dialog) { handled.erase(std::remove(handled.begin(), handled.end(), dialog), handled.end()); }

  Handler handler;
  UINT_PTR timer;
  std::vector<Seen> seen;
  std::vector<HWND> handled;
};

// While it lives, the help viewer records the URLs it is asked to open, and a
// stand-in help document lies where the program looks for it.
struct HelpRecorder {
  HelpRecorder();
  ~HelpRecorder();
  std::vector<std::string> urls;
  char document[MAX_PATH];
};

// A fresh folder in the temporary folder, removed with what it holds.
struct TempFolder {
  TempFolder();
  ~TempFolder();
  std::string File(const std::string& name) const { return path + "\\" + name; }
  std::string path;
};

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::string ReadText(const std::string& path);
inline bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace shelltest

#endif
