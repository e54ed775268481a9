#include "numtext.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tav {

namespace {

// snprintf and strtod follow the C locale; files must not. Text is formed and
// checked in the locale's terms, then its decimal point becomes '.'.
std::string Normalized(const char* text) {
  std::string s = text;
  const char* point = std::localeconv()->decimal_point;
  if (point != nullptr && std::strcmp(point, ".") != 0 && point[0] != '\0') {
    const std::string p = point;
    for (size_t at = s.find(p); at != std::string::npos; at = s.find(p, at + 1)) s.replace(at, p.size(), ".");
  }
  return s;
}

// The fewest digits that read back to the float, in the locale's terms.
std::string ShortestFloatText(float v) {
  char buf[40];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(v));
    if (std::strtof(buf, nullptr) == v) break;
  }
  return buf;
}

}  // namespace

std::string ShortestFloat(float v) { return Normalized(ShortestFloatText(v).c_str()); }

std::string ShortestDouble(double v) {
  char buf[40];
  for (int digits = 6; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  return Normalized(buf);
}

double TypedValue(float v) { return std::strtod(ShortestFloatText(v).c_str(), nullptr); }

std::string Format(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return Normalized(buf);
}

std::string FloatText(double v) {
  std::string s = ShortestDouble(v);
  if (s.find_first_of(".eEin") == std::string::npos) s += ".0";
  return s;
}

std::string OneLine(const std::string& text) {
  std::string s = text;
  for (char& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
  return s;
}

double ParseNumber(const std::string& text) {
  // Back into the locale's terms so that strtod reads the whole number.
  std::string s = text;
  const char* point = std::localeconv()->decimal_point;
  if (point != nullptr && std::strcmp(point, ".") != 0 && point[0] != '\0') {
    for (size_t at = s.find('.'); at != std::string::npos; at = s.find('.', at + 1)) {
      s.replace(at, 1, point);
      at += std::strlen(point) - 1;
    }
  }
  return std::strtod(s.c_str(), nullptr);
}

}  // namespace tav
