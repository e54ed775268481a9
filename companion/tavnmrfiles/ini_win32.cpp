#include <windows.h>

#include "ini.h"

namespace tav {

// A relative name means the Windows folder, as for every private-profile call.
bool ReadIniValue(const char* file, const char* section, const char* key, std::string& value) {
  if (file == nullptr || file[0] == '\0') return false;
  char buffer[256];
  // A default that no real entry has tells "missing" from "empty".
  const char* missing = "\x01";
  GetPrivateProfileStringA(section, key, missing, buffer, sizeof buffer, file);
  if (buffer[0] == '\x01' && buffer[1] == '\0') return false;
  value = buffer;
  return true;
}

}  // namespace tav
