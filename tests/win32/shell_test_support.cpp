#include "shell_test_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "../../companion/tavspectrum/fsops.h"
#include "tavutils.h"
#include "tavutils_win32.h"

namespace shelltest {

namespace {

DialogDriver* g_driver = nullptr;
HelpRecorder* g_help = nullptr;

// Per-user files of the code under test go to a folder of the test run, not
// into the prefix's own application data.
const TempFolder g_userData;
const BOOL g_userDataSet = SetEnvironmentVariableA("APPDATA", g_userData.path.c_str());

bool IsClass(HWND window, const char* name) {
  char found[16] = {};
  GetClassNameA(window, found, sizeof found);
  return _stricmp(found, name) == 0;
}

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  if (!IsClass(window, "#32770") || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM texts) {
  auto* all = reinterpret_cast<std::string*>(texts);
  const std::string text = WindowText(child);
  if (IsClass(child, "Static") && !text.empty()) *all += (all->empty() ? "" : "\n") + text;
  return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  DialogDriver* d = g_driver;
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (d == nullptr || dialog == nullptr || std::find(d->handled.begin(), d->handled.end(), dialog) != d->handled.end())
    return;
  d->handled.push_back(dialog);
  DialogDriver::Seen seen = {dialog, GetWindow(dialog, GW_OWNER), WindowText(dialog), ""};
  EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&seen.texts));
  d->seen.push_back(seen);
  if (d->handler)
    d->handler(dialog, seen);
  else
    Press(dialog, IDOK);
}

}  // namespace

void ChooseInFileDialog(HWND dialog, const std::string& path) {
  // Wine's Explorer-style dialog names the box cmb13; older ones edt1.
  HWND box = GetDlgItem(dialog, 0x47c);
  SetWindowTextA(box != nullptr ? box : GetDlgItem(dialog, 0x480), path.c_str());
  Press(dialog, IDOK);
}

void Pump(int ms) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(ms); Sleep(5)) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
}

DialogDriver::DialogDriver(Handler h) : handler(std::move(h)), timer(SetTimer(nullptr, 0, 30, Tick)) {
  g_driver = this;
}

DialogDriver::~DialogDriver() {
  KillTimer(nullptr, timer);
  g_driver = nullptr;
}

std::vector<std::string> DialogDriver::Titles() const {
  std::vector<std::string> titles;
  for (const Seen& s : seen) titles.push_back(s.title);
  return titles;
}

HelpRecorder::HelpRecorder() {
  g_help = this;
  CVSetHelpOpener([](const char*, const char* url) {
    g_help->urls.push_back(url);
    return 1;
  });
  CVGetFileName(GetModuleHandleA(nullptr), document, CV_FILE_HELP);
  WriteBytes(document, {'<', 'p', '>'});
}

HelpRecorder::~HelpRecorder() {
  CVSetHelpOpener(nullptr);
  DeleteFileA(document);
  g_help = nullptr;
}

TempFolder::TempFolder() {
  static int counter = 0;
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  path = std::string(base) + "quillon-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  tav::RemoveTree(path);
  CreateDirectoryA(path.c_str(), nullptr);
}

TempFolder::~TempFolder() { tav::RemoveTree(path); }

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f.flush());
}

std::string ReadText(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace shelltest
