#include "shell/kept_choices.h"

#include <cerrno>
#include <cstdlib>

#include "tavspectrum.h"

namespace {

const char* const kModes[] = {"classic", "automatic"};
const char* const kInks[] = {"picture", "threshold", "colour"};

// The index of `text` among `names`, or -1.
template <std::size_t N>
int IndexOf(const char* const (&names)[N], const std::string& text) {
  for (std::size_t i = 0; i < N; ++i)
    if (text == names[i]) return static_cast<int>(i);
  return -1;
}

}  // namespace

IniValues KeptChoices(const ConversionChoices& c) {
  return {{"Trace", kModes[c.mode == TRACE_AUTO ? 1 : 0]},
          {"Ink", kInks[c.autoTrace.dark >= DARK_AUTO && c.autoTrace.dark <= DARK_COLOUR ? c.autoTrace.dark : 0]},
          {"Threshold", std::to_string(c.autoTrace.threshold)},
          {"Colour", ColourText(c.autoTrace)},
          {"Nucleus", c.nucleus}};
}

void TakeKeptChoices(ConversionChoices* c, const std::function<std::string(const std::string& key)>& read) {
  const int mode = IndexOf(kModes, read("Trace"));
  if (mode >= 0) c->mode = mode == 1 ? TRACE_AUTO : TRACE_CLASSIC;
  const int ink = IndexOf(kInks, read("Ink"));
  if (ink >= 0) c->autoTrace.dark = static_cast<DarkRuleKind>(ink);
  const std::string threshold = read("Threshold");
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(threshold.c_str(), &end, 10);
  if (!threshold.empty() && *end == '\0' && errno == 0 && value >= 0 && value <= 255)
    c->autoTrace.threshold = static_cast<std::int32_t>(value);
  AutoTraceOptions colour = c->autoTrace;
  if (ParseColourText(read("Colour"), &colour)) c->autoTrace = colour;
  const std::string nucleus = read("Nucleus");
  if (IsNucleusName(nucleus.c_str())) c->nucleus = nucleus;
}
