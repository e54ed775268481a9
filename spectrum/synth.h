// Spectrum synthesis: the point log read back, resampled at SI points between
// its first and last x, and written through the spectrum library.
#ifndef QUILLON_SPECTRUM_SYNTH_H
#define QUILLON_SPECTRUM_SYNTH_H

#include <cstdint>

struct LogPoint {
  std::int32_t x;
  std::int32_t y;
};

// Reads PointCount points from PointLogFile (open for reading), resamples them
// and writes the spectrum under SpectrumSettings.Name in OutputFormat. F1 and
// F2 are the settings', or with an axis calibration in Choices the
// frequencies of the first and last x (recorded in LastTrace). Returns
// the library's write result, 0 when nothing was written. Leaves Recording 0.
int BuildSpectrum();

// Orders drawing points by ascending x in O(n log n), with the same result
// for resampling as the exchange sort (for each position o, each later j
// with a smaller x swapped into o): among points of equal x the one that
// sort puts first comes first, since resampling keeps only that one. The
// others of a group follow in log order.
void SortByX(LogPoint* points, std::int32_t count);

struct TracedPoint;
// The same synthesis for points already in memory, in increasing x (the
// automatic trace's, whose y has fractions): intensity is y - `baseline`.
// LastTrace's mode, box, baseline, stroke and warnings are the caller's to
// fill; the rest is filled here, as BuildSpectrum does.
int BuildSpectrumFromPoints(const TracedPoint* points, std::int32_t count, double baseline);

class Spectrum;
// Resamples sorted points into `spectrum`, which Init has prepared for `si`
// points. Returns false when sampling reached k = si before the last segment
// ended (all si samples are set by then).
bool ResamplePoints(const LogPoint* points, std::int32_t count, std::int32_t si, Spectrum& spectrum);

#endif
