// The point log: a temporary text file of "%ld %ld\n" lines that a trace
// writes and spectrum synthesis reads back.
#ifndef QUILLON_SPECTRUM_POINTLOG_H
#define QUILLON_SPECTRUM_POINTLOG_H

#include <cstddef>

#include "platform/fileio.h"

// How log names begin: "tst", then whose it is (tavutils' owner tag).
constexpr const char* kPointLogPurpose = "tst-quillon";

// Creates a fresh log named "tst..." in the temporary directory and opens it
// for writing (PointLogFile, PointCount 0). False, with PointLogFile -1 and
// `name` empty, when no log can be made. The log is registered for removal
// on an interrupt, and logs that ended runs left behind are removed first.
bool BeginPointLog(char (&name)[qio::kPathSize]);

// Appends one point line and counts it; does nothing while no log is open.
// Lines are written in large pieces: the file holds them all once
// ReopenPointLog has closed it. A piece that cannot be written makes the log
// unusable (ReopenPointLog fails).
void WritePoint(long x, long y);

// Closes the log and reopens it for reading (PointLogFile). False when a line
// could not be written or the reopen fails; PointLogFile is then -1. When
// PointLogCopy names a file, the finished log is copied there first (the
// converter's --points).
bool ReopenPointLog(const char* name);

// Where a copy of each finished log goes; empty for none. PointLogCopied
// tells whether the last copy was made whole.
extern char PointLogCopy[qio::kPathSize];
extern bool PointLogCopied;

struct TracedPoint;
// The automatic trace's points, with their fractions, written where
// PointLogCopy names (the converter's --points), as "x y" lines; sets
// PointLogCopied.
void CopyTracedPoints(const TracedPoint* points, std::size_t count);

// Closes the log if open, deletes the file, PointLogFile -1.
void DiscardPointLog(const char* name);

// The end of a log's life for the drawing path: reopen, BuildSpectrum, close,
// delete. Returns BuildSpectrum's result, 0 when the log could not be reopened.
int FinishPointLog(const char* name);

#endif
