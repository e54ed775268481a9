// Plain warnings when a trace looks wrong, shared by both traces: the
// conversion goes on, the user is told what to look at.
#ifndef QUILLON_SPECTRUM_TRACE_WARNINGS_H
#define QUILLON_SPECTRUM_TRACE_WARNINGS_H

#include <cstdint>
#include <string>
#include <vector>

struct TraceStats {
  std::int64_t columns = 0;      // traced columns
  std::int64_t alongEdge = 0;    // columns whose trace lies on the picture's edge or a frame
  std::int64_t longestGap = 0;   // untraced columns in a row between traced ones
  std::int64_t span = 0;         // columns the trace could cover (the box's or picture's width)
  std::int64_t mixed = 0;        // columns whose dark pixels form separate marks
};

// The warnings the figures call for, as sentences.
std::vector<std::string> TraceWarnings(const TraceStats& stats);

#endif
