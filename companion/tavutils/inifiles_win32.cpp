#include <windows.h>
#include <shlobj.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tavutils.h"
#include "tavutils_win32.h"

// Where the files of a program live, all derived from the program's own file
// name (quillon.exe): the portable ini file quillon.ini beside it, the
// per-user ini file %APPDATA%\quillon\quillon.ini, and the help document
// quillon-help.html beside it.

namespace {

// The program's folder with its trailing backslash, and its file name stem.
bool ProgramParts(HINSTANCE instance, char (&folder)[MAX_PATH], char (&stem)[MAX_PATH]) {
  char module[MAX_PATH];
  const DWORD n = GetModuleFileNameA(instance, module, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  char* name = std::strrchr(module, '\\');
  name = name != nullptr ? name + 1 : module;
  std::strcpy(stem, name);
  if (char* dot = std::strrchr(stem, '.')) *dot = '\0';
  *name = '\0';
  std::strcpy(folder, module);
  return stem[0] != '\0';
}

bool Join(char* buffer, const char* a, const char* b, const char* c) {
  const size_t la = std::strlen(a), lb = std::strlen(b), lc = std::strlen(c);
  if (la + lb + lc >= MAX_PATH) return false;
  std::memcpy(buffer, a, la);
  std::memcpy(buffer + la, b, lb);
  std::memcpy(buffer + la + lb, c, lc + 1);
  return true;
}

// %APPDATA% as the environment gives it (so that a test or a roaming setup can
// move it), else the shell's roaming application-data folder.
bool UserDataFolder(char (&folder)[MAX_PATH]) {
  const DWORD n = GetEnvironmentVariableA("APPDATA", folder, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return true;
  return SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder));
}

}  // namespace

int CVGetFileName(TAVINSTANCE instance, char* buffer, int kind) {
  if (buffer == nullptr) return 0;
  buffer[0] = '\0';
  char folder[MAX_PATH], stem[MAX_PATH];
  if (!ProgramParts(static_cast<HINSTANCE>(instance), folder, stem)) return 0;
  bool made = false;
  switch (kind) {
    case CV_FILE_PORTABLE_INI:
      made = Join(buffer, folder, stem, ".ini");
      break;
    case CV_FILE_USER_INI: {
      // The folder is made now, the file by the first write into it (the
      // private-profile calls create files but not folders).
      char data[MAX_PATH], own[MAX_PATH];
      if (UserDataFolder(data) && Join(own, data, "\\", stem)) {
        CreateDirectoryA(own, nullptr);
        made = Join(buffer, own, "\\", stem) && std::strlen(buffer) + 4 < MAX_PATH;
        if (made) std::strcat(buffer, ".ini");
      }
      if (!made) made = Join(buffer, folder, stem, ".ini");
      break;
    }
    case CV_FILE_HELP:
      made = Join(buffer, folder, stem, "-help.html");
      break;
    default:
      break;
  }
  if (!made) buffer[0] = '\0';
  return made ? 1 : 0;
}

// The datum's definition is an RCDATA resource of 12 bytes: the key (8 bytes,
// NUL-padded, no NUL when it fills them), the lowest and the highest value
// (16-bit each). A value outside those limits counts as no value; equal limits
// put none.
int CVGetIniDatum(TAVINSTANCE instance, int datumId, int, const char* section, float* value,
                  TAVHELPINFO* info, int) {
  if (value == nullptr || info == nullptr || section == nullptr || info->FileName[0] == '\0') return -1;
  HINSTANCE module = static_cast<HINSTANCE>(instance);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(datumId), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
  if (found == nullptr || SizeofResource(module, found) != 12) return -1;
  HGLOBAL loaded = LoadResource(module, found);
  const unsigned char* record = loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  if (record == nullptr) return -1;
  char key[9] = {};
  std::memcpy(key, record, 8);
  const unsigned lowest = record[8] | (record[9] << 8);
  const unsigned highest = record[10] | (record[11] << 8);
  if (key[0] == '\0') return -1;

  char text[64];
  GetPrivateProfileStringA(section, key, "", text, sizeof text, info->FileName);
  const char* start = text;
  while (*start == ' ' || *start == '\t') ++start;
  if (*start == '\0') return -1;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(start, &end);
  while (*end == ' ' || *end == '\t') ++end;
  if (end == start || *end != '\0' || errno == ERANGE || !std::isfinite(v) || std::fabs(v) > 3.4e38) return -1;
  if (highest > lowest && (v < lowest || v > highest)) return -1;
  *value = static_cast<float>(v);
  return 1;
}
