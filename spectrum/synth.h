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

struct TracedPoint;
// The same synthesis for points already in memory, in increasing x (the
// automatic trace's, whose y has fractions): intensity is y - `baseline`.
// LastTrace's mode, box, baseline, stroke and warnings are the caller's to
// fill; the rest is filled here, as BuildSpectrum does.
int BuildSpectrumFromPoints(const TracedPoint* points, std::int32_t count, double baseline);

// The exchange sort of drawing points by ascending x. Its order among equal x
// decides which of them the resampling keeps, so it is the reference for any
// faster sort.
void ExchangeSortByX(LogPoint* points, std::int32_t count);

class Spectrum;
// Resamples sorted points into `spectrum`, which Init has prepared for `si`
// points. Returns false when sampling reached k = si before the last segment
// ended (all si samples are set by then).
bool ResamplePoints(const LogPoint* points, std::int32_t count, std::int32_t si, Spectrum& spectrum);

#endif
