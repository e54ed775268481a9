#include "shell_test_support.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "../../companion/tavspectrum/fsops.h"

namespace shelltest {

namespace {

DialogDriver* g_driver = nullptr;
HelpRecorder* g_help = nullptr;

// Per-user files of the code under test go to a folder of the test run, not
// into the prefix's own application data.
const TempFolder g_userData;
const BOOL g_userDataSet = SetEnvironmentVariableA("APPDATA", g_userData.path.c_str());

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != "#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM texts) {
  char name[16] = {};
  GetClassNameA(child, name, sizeof name);
  auto* all = reinterpret_cast<std::string*>(texts);
  const std::string text = WindowText(child);
  if (_stricmp(name, "Static") == 0 && !text.empty()) *all += (all->empty() ? "" : "\n") + text;
  return TRUE;
}

void Put32(std::vector<unsigned char>& b, size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

HWND Popup(int x, int y, int width, int height) {
  return CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
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

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void ChooseInFileDialog(HWND dialog, const std::string& path) {
  // Wine's Explorer-style dialog names the box cmb13; older ones edt1.
  HWND box = GetDlgItem(dialog, 0x47c);
  SetWindowTextA(box != nullptr ? box : GetDlgItem(dialog, 0x480), path.c_str());
  Press(dialog, IDOK);
}

void Pump(int ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < static_cast<DWORD>(ms)) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
}

DialogDriver::DialogDriver(Handler handler) : handler_(std::move(handler)) {
  g_driver = this;
  timer_ = SetTimer(nullptr, 0, 30, Tick);
}

DialogDriver::~DialogDriver() {
  KillTimer(nullptr, timer_);
  g_driver = nullptr;
}

std::vector<std::string> DialogDriver::Titles() const {
  std::vector<std::string> titles;
  for (const Seen& s : seen) titles.push_back(s.title);
  return titles;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  DialogDriver* d = g_driver;
  HWND dialog = nullptr;
  if (d == nullptr) return;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr || std::any_of(d->seen.begin(), d->seen.end(), [&](const Seen& s) { return s.window == dialog; }))
    return;
  std::string texts;
  EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&texts));
  const Seen seen = {dialog, GetWindow(dialog, GW_OWNER), WindowText(dialog), texts};
  d->seen.push_back(seen);
  if (d->handler_)
    d->handler_(dialog, seen);
  else
    Press(dialog, IDOK);
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

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<unsigned char> Bitmap24(int width, int height, const std::vector<std::pair<int, int>>& black) {
  const int rowBytes = (width * 3 + 3) & ~3;
  std::vector<unsigned char> b(54 + static_cast<size_t>(rowBytes) * height, 0xFF);
  std::fill(b.begin(), b.begin() + 54, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  for (const auto& p : black) {
    const size_t at = 54 + static_cast<size_t>(height - 1 - p.second) * rowBytes + 3 * p.first;
    b[at] = b[at + 1] = b[at + 2] = 0;
  }
  return b;
}

Surface::Surface(int width, int height, std::uint32_t fill) : width_(width), height_(height) {
  BITMAPINFO bi = {};
  bi.bmiHeader = {sizeof bi.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  dc_ = CreateCompatibleDC(nullptr);
  void* bits = nullptr;
  bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bits_ = static_cast<std::uint32_t*>(bits);
  previous_ = SelectObject(dc_, bitmap_);
  std::fill(bits_, bits_ + width * height, fill);
}

Surface::~Surface() {
  SelectObject(dc_, previous_);
  DeleteObject(bitmap_);
  DeleteDC(dc_);
}

std::uint32_t Surface::At(int x, int y) const {
  GdiFlush();
  return bits_[y * width_ + x] & 0xFFFFFF;
}

int Surface::Count(std::uint32_t colour) const {
  GdiFlush();
  return static_cast<int>(
      std::count_if(bits_, bits_ + width_ * height_, [&](std::uint32_t p) { return (p & 0xFFFFFF) == colour; }));
}

bool Surface::Near(int x, int y, std::uint32_t colour) const {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (At(x + dx, y + dy) == colour) return true;
  return false;
}

}  // namespace shelltest
