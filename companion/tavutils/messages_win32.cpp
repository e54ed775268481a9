#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "tavutils.h"
#include "tavutils_win32.h"

bool CVVersionText(HINSTANCE instance, const char* field, char* out, int size) {
  if (out == nullptr || size <= 0) return false;
  out[0] = '\0';
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16) /* RT_VERSION */);
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(instance, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  const DWORD length = SizeofResource(instance, found);
  if (data == nullptr || length == 0) return false;
  // VerQueryValue wants a writable copy of the block.
  char copy[4096];
  if (length > sizeof copy) return false;
  std::memcpy(copy, data, length);
  char query[128];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\040904b0\\%s", field);
  char* value = nullptr;
  UINT valueLength = 0;
  if (!VerQueryValueA(copy, query, reinterpret_cast<void**>(&value), &valueLength) || value == nullptr ||
      valueLength == 0)
    return false;
  std::snprintf(out, static_cast<size_t>(size), "%s", value);
  return out[0] != '\0';
}

void CVProgramCaption(HINSTANCE instance, char* caption, int size) {
  if (caption == nullptr || size <= 0) return;
  if (CVVersionText(instance, "ProductName", caption, size)) return;
  char module[MAX_PATH];
  const DWORD n = GetModuleFileNameA(instance, module, MAX_PATH);
  const char* name = module;
  if (n > 0 && n < MAX_PATH) {
    if (const char* slash = std::strrchr(module, '\\')) name = slash + 1;
  } else {
    std::strcpy(module, "Message");
  }
  std::snprintf(caption, static_cast<size_t>(size), "%s", name);
  if (char* dot = std::strrchr(caption, '.')) *dot = '\0';
  caption[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[0])));
}

// Style: 4 marks an error (stop sign), 2 a warning, anything else a notice.
int CVErrMess(TAVINSTANCE instance, int stringId, int secondId, int style) {
  HINSTANCE module = static_cast<HINSTANCE>(instance);
  char text[1024];
  int n = LoadStringA(module, static_cast<UINT>(stringId), text, 512);
  if (n <= 0) n = std::snprintf(text, 512, "Message %d", stringId);
  // Texts may end in blanks ("Cannot open file. "); the box shows none.
  while (n > 0 && text[n - 1] == ' ') text[--n] = '\0';
  if (secondId != 0) {
    char second[400];
    int m = LoadStringA(module, static_cast<UINT>(secondId), second, sizeof second);
    if (m <= 0) m = std::snprintf(second, sizeof second, "Message %d", secondId);
    std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "\n%s", second);
  }
  UINT icon = MB_ICONINFORMATION;
  if (style & 4)
    icon = MB_ICONHAND;
  else if (style & 2)
    icon = MB_ICONEXCLAMATION;
  CVMessageBox(module, text, icon);
  return 0;
}

void CVMessageBox(HINSTANCE instance, const char* text, UINT icon) {
  char caption[128];
  CVProgramCaption(instance, caption, sizeof caption);
  HWND owner = GetActiveWindow();
  MessageBoxA(owner, text, caption, MB_OK | icon | (owner == nullptr ? MB_TASKMODAL : 0));
}
