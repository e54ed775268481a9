#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "picture/bitmap.h"
#include "picture/wpg.h"
#include "resources/resource.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view_win32.h"
#include "spectrum/gauge_win32.h"
#include "spectrum/messages.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "tavutils_win32.h"
#include "tavnmrfiles.h"

HACCEL AccelTable = nullptr;
TAVHELPINFO IniInfo = {};

namespace {

void ShowProgramMessage(int id, int secondId, int style, const char* text) {
  if (text != nullptr) {
    CVMessageBox(static_cast<HINSTANCE>(AppInstance), text, MB_ICONEXCLAMATION);
  } else {
    CVErrMess(AppInstance, id, secondId, style);
  }
}

// A float that truncates toward zero to a non-zero integer; false for NaN.
bool TruncatesToNonZero(float value) { return value >= 1.0f || value <= -1.0f; }

}  // namespace

namespace {

// A check of the contents runs beside the message loop, so that the window
// never waits for a large file to be read; its stamp is posted back.
constexpr UINT WM_STAMP_CHECKED = WM_APP + 1;
std::thread g_check;
std::atomic<bool> g_checking{false};
WPARAM g_checkId = 0;            // of the check started last
std::int32_t g_checkedStamp = 0; // FileTime when it started
char g_checkedPath[260];

void Reread(HWND window) {
  OpenBitmap();
  PictureChanged(window);
  UpdateTitles(window);
  InvalidateRect(window, nullptr, TRUE);
}

void StartContentCheck(HWND window) {
  if (g_checking) return;  // the one running reports
  if (g_check.joinable()) g_check.join();
  g_checking = true;
  g_checkedStamp = SpectrumSettings.FileTime;
  std::memcpy(g_checkedPath, CurrentPath, sizeof g_checkedPath);
  const WPARAM id = ++g_checkId;
  const std::string path = CurrentPath;
  g_check = std::thread([window, id, path] {
    const std::int32_t stamp = GetTimeLastModified(path.c_str());
    g_checking = false;
    PostMessageA(window, WM_STAMP_CHECKED, id, stamp);
  });
}

// The stamp a content check found, taken as CheckFileChanged takes one, if
// the picture is still the one it was asked about.
void StampChecked(HWND window, WPARAM id, std::int32_t stamp) {
  if (id != g_checkId || DibInfo == nullptr || SpectrumSettings.FileTime != g_checkedStamp ||
      std::strcmp(CurrentPath, g_checkedPath) != 0)
    return;
  if (stamp == -1) {
    SpectrumSettings.FileTime = -1;
    return;
  }
  if (stamp == SpectrumSettings.FileTime) return;
  SpectrumSettings.FileTime = stamp;
  Reread(window);
}

void EndContentCheck() {
  if (g_check.joinable()) g_check.join();
}

}  // namespace

void InstallProgramSeams() {
  SetMessageSink(ShowProgramMessage);
  SetScanGauge(ProgramScanGauge());
}

std::int32_t RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA wc = {};
  wc.style = CS_BYTEALIGNWINDOW | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUILLON));
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
  wc.lpszClassName = kProgramName;
  return static_cast<std::int32_t>(RegisterClassA(&wc));
}

std::int32_t InitInstance(HINSTANCE instance, int show) {
  AppInstance = instance;
  CVGetFileName(instance, IniInfo.FileName, CV_FILE_PORTABLE_INI);
  // The library may store nothing; then the program counts as not portable.
  float value = 0.0f;
  CVGetIniDatum(instance, IDR_PORTABLE, 0, "FILES", &value, &IniInfo, 0);
  if (!TruncatesToNonZero(value)) CVGetFileName(instance, IniInfo.FileName, CV_FILE_USER_INI);
  IniInfo.Flags = 0;
  IniInfo.Owner = nullptr;
  OutputFormat = GetOutputDefault(&IniInfo);
  value = 0.0f;
  if (CVGetIniDatum(instance, IDR_DIGITS, 0, "Files", &value, &IniInfo, 0) != -1 && value > -2147483648.0f &&
      value < 2147483648.0f)
    Decimals = static_cast<std::int32_t>(value);
  LoadKeptChoices();

  HWND window = CreateWindowExA(0, kProgramName, kProgramName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
  MainWindow = window;
  if (window == nullptr) return 0;
  ShowWindow(window, show);
  UpdateWindow(window);
  AccelTable = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));
  return 1;
}

int RunMessageLoop() {
  MSG msg = {};
  // GetMessageA gives -1 only on an error; that ends the loop as well.
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(static_cast<HWND>(MainWindow), AccelTable, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

namespace {

// What a key typed ahead into a running conversion could set off: a command
// (the accelerators, the menu by Alt), or closing the window under it (Alt+F4).
bool KeyOrItsEffect(UINT message, WPARAM wParam) {
  if (message >= WM_KEYFIRST && message <= WM_KEYLAST) return true;
  if (message == WM_SYSCOMMAND) return (wParam & 0xFFF0) == SC_CLOSE || (wParam & 0xFFF0) == SC_KEYMENU;
  return message == WM_COMMAND || message == WM_CLOSE;
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (ConversionInProgress() && KeyOrItsEffect(message, wParam)) return 0;
  LRESULT viewResult = 0;
  if (HandleViewMessage(window, message, wParam, lParam, &viewResult)) return viewResult;
  switch (message) {
    case WM_CREATE:
      UpdateTitles(window);
      return 0;
    case WM_DESTROY:
      EndContentCheck();
      FreePicture();
      PostQuitMessage(0);
      return 0;
    case WM_SIZE: {
      RECT client;
      GetClientRect(window, &client);
      ClientWidth = client.right;
      ClientHeight = client.bottom;
      if (DibInfo != nullptr) LayoutBitmap();
      ViewResized(window);
      return 0;
    }
    case WM_ACTIVATE:
      SetWindowTextA(window, IsIconic(window) ? ShortTitle : FullTitle);
      return 0;
    case WM_SETFOCUS:
      if (DibInfo != nullptr) CheckFileChanged(window);
      return 0;
    case WM_PAINT:
      PaintMainWindow(window);
      return 0;
    case WM_STAMP_CHECKED:
      StampChecked(window, wParam, static_cast<std::int32_t>(lParam));
      return 0;
    case WM_COMMAND: {
      const unsigned offset = static_cast<unsigned>(LOWORD(wParam)) - 100u;
      if (offset <= 100u) HandleCommand(window, static_cast<int>(offset));
      else if (LOWORD(wParam) >= CM_PASTE && LOWORD(wParam) <= CM_POINTER_POSITION) HandleViewCommand(window, LOWORD(wParam));
      return 0;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

void PaintMainWindow(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  const RECT strip = StripRect();
  RECT beyond;
  // The pointer readout changes only the strip, which is drawn last: the
  // picture need not be drawn again under it.
  if ((WpgState != nullptr || DibInfo != nullptr) && StripOnTop() && !IsRectEmpty(&ps.rcPaint) &&
      !SubtractRect(&beyond, &ps.rcPaint, &strip)) {
    DrawStrip(dc);
  } else if (WpgState != nullptr || DibInfo != nullptr) {
    HCURSOR kept = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
    DrawPicture(dc);
    SetCursor(kept);
  }
  EndPaint(window, &ps);
}

// The file system is asked first: it answers at once whatever the file's
// size. Only when it cannot tell are the contents read, beside the window.
void CheckFileChanged(HWND window) {
  if (SpectrumSettings.FileTime <= 0) return;
  switch (CompareTimeLastModified(CurrentPath, SpectrumSettings.FileTime)) {
    case TAV_STAMP_SAME:
      return;
    case TAV_STAMP_GONE:
      SpectrumSettings.FileTime = -1;
      return;
    case TAV_STAMP_CHANGED:
      // No stamp is known yet: none is held while the file is read again, so
      // that a focus that returns meanwhile (from a message) checks nothing.
      // A successful read takes a fresh one.
      SpectrumSettings.FileTime = -1;
      Reread(window);
      return;
    default:
      StartContentCheck(window);
      return;
  }
}
