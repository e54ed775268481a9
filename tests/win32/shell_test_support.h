// Helpers of the tests under Wine: a driver for the dialogs that the code
// under test opens, a surface to read drawn pixels from, files and folders.
#ifndef QUILLON_TESTS_SHELL_TEST_SUPPORT_H
#define QUILLON_TESTS_SHELL_TEST_SUPPORT_H

#include <windows.h>

#include "tavutils.h"
#include "tavutils_win32.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace shelltest {

std::string WindowText(HWND window);
// A visible popup window to own the dialogs of a test.
HWND Popup(int x, int y, int width, int height);
void Press(HWND dialog, int id);
// Types `path` into the name box of the system Open or Save dialog and confirms it.
void ChooseInFileDialog(HWND dialog, const std::string& path);
// Lets this thread's messages run for `ms` milliseconds.
void Pump(int ms);

// While it lives, a thread timer (which modal loops dispatch too) hands each
// new topmost enabled dialog of this thread once to the handler; by then the
// dialog is initialised. Without a handler every dialog gets OK.
class DialogDriver {
 public:
  struct Seen {
    HWND window, owner;
    std::string title;
    std::string texts;  // its static texts, newline-joined: a message box's message
  };
  using Handler = std::function<void(HWND dialog, const Seen& seen)>;
  explicit DialogDriver(Handler handler = nullptr);
  ~DialogDriver();
  std::vector<std::string> Titles() const;

  std::vector<Seen> seen;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  Handler handler_;
  UINT_PTR timer_;
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
bool Exists(const std::string& path);

// A 24-bit bitmap file, white, with the listed pixels ({x, y}, y from the top) black.
std::vector<unsigned char> Bitmap24(int width, int height, const std::vector<std::pair<int, int>>& black);

// A memory DC holding a top-down 32-bit DIB section; pixels read as 0xRRGGBB.
class Surface {
 public:
  Surface(int width, int height, std::uint32_t fill);
  ~Surface();
  HDC dc() const { return dc_; }
  std::uint32_t At(int x, int y) const;
  int Count(std::uint32_t colour) const;
  // Whether `colour` lies within a pixel of (x, y): for points on a drawn line.
  bool Near(int x, int y, std::uint32_t colour) const;

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
  std::uint32_t* bits_ = nullptr;
};

}  // namespace shelltest

#endif
