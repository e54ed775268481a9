#include <fstream>
#include <sstream>

#include "ini.h"

namespace tav {

bool ReadIniValue(const char* file, const char* section, const char* key, std::string& value) {
  if (file == nullptr || file[0] == '\0') return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  return FindIniValue(text.str(), section, key, value);
}

}  // namespace tav
