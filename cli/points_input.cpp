#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/convert.h"
#include "spectrum/messages.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"

namespace {

struct ParsedPoint {
  long x, y;
};

// Strict: every non-blank line holds exactly two decimal integers in int32 range.
bool ParsePoints(const unsigned char* data, std::size_t length, std::vector<ParsedPoint>* out) {
  std::string text(reinterpret_cast<const char*>(data), length);
  if (text.find('\0') != std::string::npos) return false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    const char* p = line.c_str();
    char* q = nullptr;
    long v[2];
    for (long& value : v) {
      errno = 0;
      value = std::strtol(p, &q, 10);
      if (q == p || errno != 0 || value < INT32_MIN || value > INT32_MAX) return false;
      p = q;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p != '\0') return false;
    if (out) out->push_back({v[0], v[1]});
  }
  return true;
}

}  // namespace

bool LooksLikePointText(const unsigned char* data, std::size_t length) {
  std::vector<ParsedPoint> points;
  return ParsePoints(data, length, &points) && !points.empty();
}

// The points run through a real point log, exactly as a drawing's vertices do,
// and are sorted by x like them.
int ConvertPointText(const ConvertOptions&, const unsigned char* data, std::size_t length) {
  std::vector<ParsedPoint> points;
  ParsePoints(data, length, &points);
  char name[qio::kPathSize];
  if (!BeginPointLog(name)) {
    ShowMessage(IDS_NO_TEMP_FILE);
    return 0;
  }
  for (const ParsedPoint& p : points) WritePoint(p.x, p.y);
  return FinishPointLog(name);
}
