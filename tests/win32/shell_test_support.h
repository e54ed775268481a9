// Helpers for the tests of the program's windows under Wine: a watcher that
// sees (and drives) every dialog the code under test opens, temporary folders
// and small picture files.
#ifndef QUILLON_TESTS_SHELL_TEST_SUPPORT_H
#define QUILLON_TESTS_SHELL_TEST_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace shelltest {

std::string WindowText(HWND window);
std::string ClassOf(HWND window);
// The texts of a dialog's static controls, joined by newlines (a message
// box's text is one of them).
std::string StaticTexts(HWND dialog);

// Watches the dialogs (class #32770) of this thread while it lives. Each new
// dialog is recorded and handed once to the handler when it is first
// activated, by which time it has been initialised. Also records the classes
// of the windows created meanwhile.
class DialogWatcher {
 public:
  struct Seen {
    HWND window;
    std::string title;
    std::string texts;  // StaticTexts as the dialog ends
    HWND owner;
  };
  using Handler = std::function<void(HWND dialog, const std::string& title)>;

  explicit DialogWatcher(Handler handler);
  ~DialogWatcher();
  DialogWatcher(const DialogWatcher&) = delete;
  DialogWatcher& operator=(const DialogWatcher&) = delete;

  const std::vector<Seen>& seen() const { return seen_; }
  // Titles of the dialogs seen, in order.
  std::vector<std::string> titles() const;
  int Count(const std::string& title) const;
  const std::vector<std::string>& createdClasses() const { return created_; }

 private:
  static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
  Handler handler_;
  HHOOK hook_;
  std::vector<Seen> seen_;
  std::set<HWND> live_;
  std::vector<std::string> created_;
};

// Ends a dialog as its buttons do.
void Press(HWND dialog, int id);
// Types `path` into the file name box of the system Open or Save dialog and
// confirms it.
void ChooseInFileDialog(HWND dialog, const std::string& path);

// A fresh folder in the temporary folder, removed with what it holds.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadBytes(const std::string& path);
bool Exists(const std::string& path);

// A 24-bit bitmap file, white, with the listed pixels black ({x, y}, y counted
// from the top).
std::vector<unsigned char> Bitmap24(int width, int height, const std::vector<std::pair<int, int>>& black);
// A 24-bit bitmap with a black peak drawn across its whole width.
std::vector<unsigned char> PeakBitmap(int width, int height);
// A WPG drawing: a start record with a 10800 x 7800 page, one line from (0, 0)
// to (10800, 7800), the end record.
std::vector<unsigned char> DiagonalWpg();

// Pumps this thread's messages until `done` is true or `ms` have passed.
bool PumpUntil(const std::function<bool()>& done, int ms);

}  // namespace shelltest

#endif
