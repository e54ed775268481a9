#include "spectrum/trace_warnings.h"

#include <algorithm>
#include <cstdio>

std::vector<std::string> TraceWarnings(const TraceStats& s) {
  std::vector<std::string> out;
  char text[240];
  if (5 * s.alongEdge > s.columns) {
    std::snprintf(text, sizeof text,
                  "The trace runs along the edge of the picture or a frame in %lld of its %lld columns: "
                  "there the curve cannot be told from the frame.",
                  static_cast<long long>(s.alongEdge), static_cast<long long>(s.columns));
    out.push_back(text);
  }
  if (s.longestGap > std::max<std::int64_t>(8, s.span / 50)) {
    std::snprintf(text, sizeof text, "The trace has a gap of %lld columns: the curve may be too faint there.",
                  static_cast<long long>(s.longestGap));
    out.push_back(text);
  }
  if (2 * s.mixed > s.columns) {
    std::snprintf(text, sizeof text,
                  "Most columns (%lld of %lld) hold several separate dark marks: the curve may be mixed with "
                  "other marks such as a frame, axes or labels.",
                  static_cast<long long>(s.mixed), static_cast<long long>(s.columns));
    out.push_back(text);
  }
  return out;
}
