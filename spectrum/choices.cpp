#include "spectrum/choices.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

ConversionChoices Choices;
TraceRecord LastTrace;

void ResetChoices() {
  Choices = ConversionChoices{};
  LastTrace = TraceRecord{};
}

std::string ColourText(const AutoTraceOptions& options) {
  char text[16];
  if (options.tolerance == AutoTraceOptions{}.tolerance)
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(options.colour & 0xFFFFFF));
  else
    std::snprintf(text, sizeof text, "%06X:%d", static_cast<unsigned>(options.colour & 0xFFFFFF),
                  static_cast<int>(options.tolerance));
  return text;
}

bool ParseColourText(const std::string& text, AutoTraceOptions* options) {
  const std::string hex = text.substr(0, text.find(':'));
  if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
  std::int32_t tolerance = options->tolerance;
  if (hex.size() < text.size()) {
    const std::string rest = text.substr(hex.size() + 1);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(rest.c_str(), &end, 10);
    if (rest.empty() || *end != '\0' || errno != 0 || v < 0 || v > 255) return false;
    tolerance = static_cast<std::int32_t>(v);
  }
  options->colour = static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
  options->tolerance = tolerance;
  return true;
}
