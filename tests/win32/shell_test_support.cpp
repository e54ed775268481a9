#include "shell_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace shelltest {

namespace {

DialogWatcher* g_watcher = nullptr;

// Per-user files of the code under test go to a folder of the test run, not
// into the prefix's own application data.
class UserDataEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    folder_ = new TempFolder();
    SetEnvironmentVariableA("APPDATA", folder_->path().c_str());
  }
  void TearDown() override {
    delete folder_;
    folder_ = nullptr;
  }

 private:
  TempFolder* folder_ = nullptr;
};
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new UserDataEnvironment);

BOOL CALLBACK CollectStatic(HWND child, LPARAM lParam) {
  if (ClassOf(child) == "Static") {
    auto* texts = reinterpret_cast<std::string*>(lParam);
    const std::string text = WindowText(child);
    if (!text.empty()) *texts += (texts->empty() ? "" : "\n") + text;
  }
  return TRUE;
}

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
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

std::string ClassOf(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string StaticTexts(HWND dialog) {
  std::string texts;
  EnumChildWindows(dialog, CollectStatic, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

DialogWatcher::DialogWatcher(Handler handler) : handler_(std::move(handler)) {
  g_watcher = this;
  hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
}

DialogWatcher::~DialogWatcher() {
  UnhookWindowsHookEx(hook_);
  g_watcher = nullptr;
}

std::vector<std::string> DialogWatcher::titles() const {
  std::vector<std::string> t;
  for (const Seen& s : seen_) t.push_back(s.title);
  return t;
}

int DialogWatcher::Count(const std::string& title) const {
  int n = 0;
  for (const Seen& s : seen_) n += s.title == title;
  return n;
}

LRESULT CALLBACK DialogWatcher::Hook(int code, WPARAM wParam, LPARAM lParam) {
  DialogWatcher* w = g_watcher;
  if (w != nullptr) {
    HWND window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND) {
      w->created_.push_back(ClassOf(window));
    } else if (code == HCBT_DESTROYWND) {
      // An ownerless message box may get its text only after its activation.
      if (w->live_.erase(window) != 0)
        for (Seen& s : w->seen_)
          if (s.window == window) s.texts = StaticTexts(window);
    } else if (code == HCBT_ACTIVATE && ClassOf(window) == "#32770" && w->live_.insert(window).second) {
      w->seen_.push_back({window, WindowText(window), StaticTexts(window), GetWindow(window, GW_OWNER)});
      if (w->handler_) w->handler_(window, WindowText(window));
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Press(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void ChooseInFileDialog(HWND dialog, const std::string& path) {
  // Wine's Explorer-style dialog names the box cmb13; older ones edt1.
  HWND box = GetDlgItem(dialog, 0x47c);
  if (box == nullptr) box = GetDlgItem(dialog, 0x480);
  SetWindowTextA(box, path.c_str());
  Press(dialog, IDOK);
}

TempFolder::TempFolder() {
  static int counter = 0;
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  char name[MAX_PATH];
  std::snprintf(name, sizeof name, "%squillon-shell-%lu-%d", base, GetCurrentProcessId(), ++counter);
  path_ = name;
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = bytes.empty() || WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(f, nullptr));
  DWORD got = 0;
  if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(f);
  return bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<unsigned char> Bitmap24(int width, int height, const std::vector<std::pair<int, int>>& black) {
  const int rowBytes = (width * 3 + 3) & ~3;
  std::vector<unsigned char> b(54 + static_cast<size_t>(rowBytes) * height, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, 54);
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(width));
  Put32(b, 22, static_cast<std::uint32_t>(height));
  b[26] = 1;
  b[28] = 24;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * 3; ++x) b[54 + static_cast<size_t>(y) * rowBytes + x] = 0xFF;
  for (const auto& p : black) {
    const size_t at = 54 + static_cast<size_t>(height - 1 - p.second) * rowBytes + 3 * p.first;
    b[at] = b[at + 1] = b[at + 2] = 0;
  }
  return b;
}

std::vector<unsigned char> PeakBitmap(int width, int height) {
  std::vector<std::pair<int, int>> black;
  for (int x = 0; x < width; ++x) {
    const double d = (x - width / 2.0) / (width / 20.0);
    const int y = height - 2 - static_cast<int>((height - 4) / (1 + d * d));
    black.push_back({x, y});
  }
  return Bitmap24(width, height, black);
}

std::vector<unsigned char> DiagonalWpg() {
  return {0xFF, 0x57, 0x50, 0x43, 0x00, 0x00, 0x00, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x00,
          0x00, 0x00, 0x0F, 0x0A, 0x01, 0x00, 0x30, 0x2A, 0x00, 0x00, 0x78, 0x1E, 0x00, 0x00,
          0x05, 0x08, 0x00, 0x00, 0x00, 0x00, 0x30, 0x2A, 0x78, 0x1E, 0x10, 0x00};
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > static_cast<DWORD>(ms)) return false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
  return true;
}

}  // namespace shelltest
