// The library's own ini data: the default output format is
//   [Output]
//   Format=jcamp-dif
// with a format's command-line name (or its list name), in the ini file that
// TAVHELPINFO names.
#ifndef TAVNMRFILES_INI_H
#define TAVNMRFILES_INI_H

#include <string>

namespace tav {

constexpr const char* kOutputSection = "Output";
constexpr const char* kFormatKey = "Format";

// Names as the ini file compares them: without regard to case.
bool SameIniName(const std::string& a, const std::string& b);

// Looks `key` up in `section` of ini text as Windows' private-profile calls
// do: names compared without regard to case, blanks around names and values
// dropped, one pair of quotes around a value removed, the first entry counts.
bool FindIniValue(const std::string& text, const std::string& section, const std::string& key, std::string& value);

// The value from the ini file `file`; false when the file or entry is missing.
bool ReadIniValue(const char* file, const char* section, const char* key, std::string& value);

}  // namespace tav

#endif
