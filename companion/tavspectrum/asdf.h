// The data lines of a JCAMP-DX (X++(Y..Y)) table: plain numbers (AFFN) or the
// compressed DIFDUP form, both as integers scaled by one factor.
#ifndef TAVSPECTRUM_ASDF_H
#define TAVSPECTRUM_ASDF_H

#include <functional>
#include <string>
#include <vector>

namespace tav {

constexpr size_t kJcampLineLimit = 80;

// Ordinates as integers with one scale: the factor is written first and the
// integers are computed from the factor as written, so that int * factor
// reproduces every value to 1e-9 of the largest.
struct ScaledOrdinates {
  std::string factorText;
  double factor = 1.0;
  std::vector<long long> ints;
};
ScaledOrdinates ScaleOrdinates(const std::vector<float>& y);

// Pseudo-digit tokens. Sqz: a value; Dif: a difference from the previous
// value; Dup: "the previous token n times in total" (n >= 2).
std::string Sqz(long long v);
std::string Dif(long long v);
std::string Dup(long long n);

// The lines of a table. `xText(k)` is the abscissa text of point k. In the
// compressed form each line starts with an SQZ value; a line that ends on a
// difference is followed by one that repeats its last point (the Y-value
// check), and a final line repeats the last point when the table ends on one.
std::vector<std::string> TableLines(const std::vector<long long>& ints,
                                    const std::function<std::string(long)>& xText, bool compressed);

}  // namespace tav

#endif
