#include "fft.h"

#include "tavutils.h"

#include <cmath>
#include <utility>

namespace tav {

namespace {
constexpr double kPi = 3.14159265358979323846;
// Beyond this a size need not fit a long on every platform.
constexpr size_t kMostPoints = size_t{1} << 30;
}

bool Fft(std::vector<std::complex<double>>& a, bool inverse) {
  const size_t n = a.size();
  if (n > kMostPoints || !CVIsPow2(static_cast<long>(n))) return false;
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  // Twiddles from one table of directly computed values: a recurrence would
  // let rounding errors grow with the size.
  std::vector<std::complex<double>> w(n / 2);
  const double sign = inverse ? 1.0 : -1.0;
  for (size_t k = 0; k < n / 2; ++k) {
    const double angle = 2.0 * kPi * static_cast<double>(k) / static_cast<double>(n);
    w[k] = std::complex<double>(std::cos(angle), sign * std::sin(angle));
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const size_t half = len / 2, stride = n / len;
    for (size_t start = 0; start < n; start += len) {
      for (size_t k = 0; k < half; ++k) {
        const std::complex<double> t = w[k * stride] * a[start + k + half];
        a[start + k + half] = a[start + k] - t;
        a[start + k] += t;
      }
    }
  }
  if (inverse)
    for (auto& v : a) v /= static_cast<double>(n);
  return true;
}

bool Hilbert(const std::vector<double>& x, std::vector<double>& out) {
  const size_t n = x.size();
  if (n > kMostPoints || !CVIsPow2(static_cast<long>(n))) return false;
  std::vector<std::complex<double>> a(x.begin(), x.end());
  Fft(a, false);
  // Positive frequencies turn by -90 degrees, negative ones by +90.
  a[0] = 0.0;
  if (n > 1) a[n / 2] = 0.0;
  for (size_t k = 1; k < n / 2; ++k) {
    a[k] = std::complex<double>(a[k].imag(), -a[k].real());
    a[n - k] = std::complex<double>(-a[n - k].imag(), a[n - k].real());
  }
  Fft(a, true);
  out.resize(n);
  for (size_t i = 0; i < n; ++i) out[i] = a[i].real();
  return true;
}

}  // namespace tav
