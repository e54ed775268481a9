// The frequency axis every format carries: sample k at F1 + k*(F2-F1)/SI Hz.
// F2 itself is one step beyond the last sample. All values are doubles derived
// from the decimals the user typed, so every format states the same numbers.
#ifndef TAVSPECTRUM_AXIS_H
#define TAVSPECTRUM_AXIS_H

#include "tavspectrum.h"

namespace tav {

struct Axis {
  long si = 0;
  double sf = 0, f1 = 0, f2 = 0;  // MHz and Hz, as typed
  double step = 0;                // (f2 - f1) / si, negative when F1 > F2

  double Hz(long k) const { return f1 + static_cast<double>(k) * step; }
  double Ppm(long k) const { return Hz(k) / sf; }
  double LastHz() const { return Hz(si - 1); }
  // |F1 - F2| = SI * |step|: the spectral width.
  double Width() const;
  // Formats that store from high to low frequency reverse the samples then.
  bool Increasing() const { return step > 0; }
  double HighestHz() const { return Increasing() ? LastHz() : f1; }
  double LowestHz() const { return Increasing() ? f1 : LastHz(); }
};

Axis AxisOf(const Spectrum& s);

// The samples in storage order from high to low frequency.
std::vector<float> HighToLow(const Axis& axis, const std::vector<float>& samples);

}  // namespace tav

#endif
