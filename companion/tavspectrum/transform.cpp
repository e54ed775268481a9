#include <new>
#include <vector>

#include "axis.h"
#include "fft.h"
#include "tavspectrum.h"
#include "tavutils.h"

// Code 8: the imaginary part as the dispersion that belongs to the real part
// taken as absorption. Over increasing frequency the dispersion is the
// negative Hilbert transform of the absorption, so its sign along the sample
// index depends on the direction of the axis.
int Spectrum::Transform(unsigned code) {
  if (code != 8 || si_ < 1 || !CVIsPow2(si_) || !flags_[1] || !flags_[2])
    return 0;
  try {
    const std::vector<double> re(real_.begin(), real_.end());
    std::vector<double> h;
    if (!tav::Hilbert(re, h)) return 0;
    const double sign = tav::AxisOf(*this).Increasing() ? -1.0 : 1.0;
    imag_.resize(h.size());
    for (size_t i = 0; i < h.size(); ++i) imag_[i] = static_cast<float>(sign * h[i]);
    hasImag_ = true;
    return 1;
  } catch (const std::bad_alloc&) {
    imag_.clear();
    hasImag_ = false;
    return 0;
  }
}
