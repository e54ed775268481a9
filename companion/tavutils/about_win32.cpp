#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tavutils.h"
#include "tavutils_win32.h"

// The About box: the program's dialog template with its placeholders filled
// from the program's version resource, its string table and the system.

namespace {

// The program's record: ten little-endian 32-bit fields. The owner is a window
// handle's 32 significant bits, which is all a window handle holds on 64-bit
// Windows too.
struct ABOUTINFO {
  std::int32_t Owner;
  std::int32_t Dialog;
  std::int32_t Line1;
  std::int32_t Line2;
  std::int32_t Version;
  std::int32_t VersionExtra;
  std::int32_t DateString;
  std::int32_t Line3;
  std::int32_t FreeMemory;
  std::int32_t FreeResources;
};
static_assert(sizeof(ABOUTINFO) == 40, "the About record is 40 bytes");

// The icon the program draws on its OK buttons, when it has one.
constexpr int kOkButtonIcon = 1000;

struct AboutBox {
  ABOUTINFO info;
  HINSTANCE instance;
  HICON okIcon;
};

void Grouped(unsigned long long value, char* out, size_t size) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%llu", value);
  const size_t n = std::strlen(digits);
  size_t o = 0;
  for (size_t i = 0; i < n && o + 2 < size; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out[o++] = ',';
    out[o++] = digits[i];
  }
  out[o] = '\0';
}

// Windows' per-process quota of GDI and of USER objects (10,000 unless changed).
DWORD Quota(const char* value) {
  DWORD quota = 10000, size = sizeof quota, type = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", 0, KEY_READ,
                    &key) == ERROR_SUCCESS) {
    DWORD read = 0;
    if (RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&read), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && read > 0)
      quota = read;
    RegCloseKey(key);
  }
  return quota;
}

void Fill(HWND dialog, AboutBox& box) {
  const ABOUTINFO& info = box.info;
  char text[256];
  if (CVVersionText(box.instance, "FileDescription", text, sizeof text) ||
      CVVersionText(box.instance, "ProductName", text, sizeof text))
    SetDlgItemTextA(dialog, info.Line1, text);
  if (CVVersionText(box.instance, "LegalCopyright", text, sizeof text)) SetDlgItemTextA(dialog, info.Line2, text);
  if (CVVersionText(box.instance, "ProductVersion", text, sizeof text)) SetDlgItemTextA(dialog, info.Version, text);
  if (LoadStringA(box.instance, static_cast<UINT>(info.DateString), text, sizeof text) <= 0) text[0] = '\0';
  SetDlgItemTextA(dialog, info.VersionExtra, text);
  if (CVVersionText(box.instance, "Comments", text, sizeof text)) SetDlgItemTextA(dialog, info.Line3, text);

  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) {
    char number[40];
    Grouped(memory.ullAvailPhys / 1024, number, sizeof number);
    std::snprintf(text, sizeof text, "%s KB", number);
  } else {
    std::snprintf(text, sizeof text, "unknown");
  }
  SetDlgItemTextA(dialog, info.FreeMemory, text);

  HANDLE self = GetCurrentProcess();
  const DWORD gdiUsed = GetGuiResources(self, GR_GDIOBJECTS), userUsed = GetGuiResources(self, GR_USEROBJECTS);
  const DWORD gdiQuota = Quota("GDIProcessHandleQuota"), userQuota = Quota("USERProcessHandleQuota");
  std::snprintf(text, sizeof text, "%lu / %lu", static_cast<unsigned long>(gdiUsed < gdiQuota ? gdiQuota - gdiUsed : 0),
                static_cast<unsigned long>(userUsed < userQuota ? userQuota - userUsed : 0));
  SetDlgItemTextA(dialog, info.FreeResources, text);

  // The template asks for an icon on OK; without the program's OK icon the
  // button shows its text instead of nothing.
  HWND ok = GetDlgItem(dialog, IDOK);
  if (ok != nullptr && (GetWindowLongA(ok, GWL_STYLE) & BS_ICON)) {
    box.okIcon = static_cast<HICON>(LoadImageA(box.instance, MAKEINTRESOURCEA(kOkButtonIcon), IMAGE_ICON, 0, 0, 0));
    if (box.okIcon != nullptr)
      SendMessageA(ok, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(box.okIcon));
    else
      SetWindowLongA(ok, GWL_STYLE, GetWindowLongA(ok, GWL_STYLE) & ~BS_ICON);
  }
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      CVCenterDialog(dialog);
      Fill(dialog, *reinterpret_cast<AboutBox*>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 1);
      return TRUE;
    case WM_DESTROY: {
      auto* box = reinterpret_cast<AboutBox*>(GetWindowLongPtrA(dialog, DWLP_USER));
      if (box != nullptr && box->okIcon != nullptr) {
        DestroyIcon(box->okIcon);
        box->okIcon = nullptr;
      }
      return FALSE;
    }
  }
  return FALSE;
}

}  // namespace

int ShowAbout(void* aboutInfo) {
  if (aboutInfo == nullptr) return 0;
  AboutBox box = {};
  std::memcpy(&box.info, aboutInfo, sizeof box.info);
  HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(box.info.Owner));
  if (owner != nullptr && !IsWindow(owner)) owner = nullptr;
  box.instance = owner != nullptr ? reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE))
                                  : GetModuleHandleA(nullptr);
  const INT_PTR result = DialogBoxParamA(box.instance, MAKEINTRESOURCEA(box.info.Dialog), owner, AboutProc,
                                         reinterpret_cast<LPARAM>(&box));
  if (box.okIcon != nullptr) DestroyIcon(box.okIcon);
  return result > 0 ? 1 : 0;
}
