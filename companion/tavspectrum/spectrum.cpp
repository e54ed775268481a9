#include <cmath>

#include "tavspectrum.h"

Spectrum::Spectrum() = default;
Spectrum::~Spectrum() = default;

int Spectrum::Init(int kind, long si, float sf, float f1, float f2) {
  real_.clear();
  imag_.clear();
  hasImag_ = false;
  flags_[1] = flags_[2] = 0;
  si_ = 0;
  // Without a positive spectrometer frequency there is no ppm scale, and
  // infinite limits give no axis: such a spectrum is refused, not written.
  if (kind != 0 || si < 1 || !(sf > 0) || !std::isfinite(sf) || !std::isfinite(f1) || !std::isfinite(f2))
    return 0;
  si_ = si;
  sf_ = sf;
  f1_ = f1;
  f2_ = f2;
  real_.assign(static_cast<std::size_t>(si), 0.0f);
  return 1;
}

void Spectrum::SetRealInt(long index, float value) {
  if (index < 0 || index >= si_) return;
  real_[static_cast<std::size_t>(index)] = value;
  if (hasImag_) {
    hasImag_ = false;
    imag_.clear();
  }
}

void Spectrum::SetSpecFlag(long flag, int value) {
  if (flag == 1 || flag == 2) flags_[flag] = value;
}

int Spectrum::Flag(long flag) const { return flag == 1 || flag == 2 ? flags_[flag] : 0; }

long Spectrum::GetSI() const { return si_; }
