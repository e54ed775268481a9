#include "axis.h"

#include <algorithm>
#include <cmath>

#include "numtext.h"

namespace tav {

double Axis::Width() const { return std::fabs(f1 - f2); }

Axis AxisOf(const Spectrum& s) {
  Axis a;
  a.si = s.GetSI();
  a.sf = TypedValue(s.SF());
  a.f1 = TypedValue(s.F1());
  a.f2 = TypedValue(s.F2());
  a.step = a.si > 0 ? (a.f2 - a.f1) / static_cast<double>(a.si) : 0.0;
  return a;
}

std::vector<float> HighToLow(const Axis& axis, const std::vector<float>& samples) {
  std::vector<float> out = samples;
  if (axis.Increasing()) std::reverse(out.begin(), out.end());
  return out;
}

}  // namespace tav
