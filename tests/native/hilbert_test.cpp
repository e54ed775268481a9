// The FFT against a direct DFT, the Hilbert transform against the analytic
// Lorentzian absorption/dispersion pair, and Spectrum::Transform's rules.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "../../companion/tavspectrum/fft.h"
#include "tavspectrum.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using Complex = std::vector<std::complex<double>>;

TEST(FftTest, AgreesWithADirectDftAtEverySizeUpTo1024) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (size_t n = 1; n <= 1024; n *= 2) {
    Complex x(n);
    for (auto& v : x) v = {u(rng), u(rng)};
    for (bool inverse : {false, true}) {
      Complex fast = x;
      ASSERT_TRUE(tav::Fft(fast, inverse));
      double worst = 0;
      for (size_t k = 0; k < n; ++k) {
        std::complex<double> sum = 0;
        for (size_t j = 0; j < n; ++j)  // (j*k) mod n keeps the angle small
          sum += x[j] * std::polar(1.0, (inverse ? 2 : -2) * kPi * static_cast<double>((j * k) % n) / n);
        worst = std::max(worst, std::abs(fast[k] - (inverse ? sum / static_cast<double>(n) : sum)));
      }
      EXPECT_LT(worst, 1e-13 * (inverse ? 1.0 : n)) << "n=" << n << " inverse=" << inverse;
    }
  }
  // Accuracy holds at the sizes of real spectra.
  Complex x(1 << 16);
  for (size_t i = 0; i < x.size(); ++i) x[i] = {std::sin(0.001 * i * i), std::cos(0.37 * i)};
  Complex y = x;
  ASSERT_TRUE(tav::Fft(y, false) && tav::Fft(y, true));
  double worst = 0;
  for (size_t i = 0; i < x.size(); ++i) worst = std::max(worst, std::abs(y[i] - x[i]));
  EXPECT_LT(worst, 1e-12);
  Complex odd(12, 1.0), none;
  EXPECT_FALSE(tav::Fft(odd, false));
  EXPECT_EQ(odd[3], std::complex<double>(1.0));
  EXPECT_FALSE(tav::Fft(none, false));
}

// A Lorentzian of half-width w samples at c, repeated with period n: the
// periodic sum and its Hilbert transform (the periodic dispersion) have closed
// forms; aliasing of order exp(-pi w) lies far below the tolerances.
TEST(HilbertTest, TurnsALorentzianAbsorptionIntoItsDispersion) {
  const int n = 512;
  const double c = 200.3;
  for (const double w : {6.0, 20.0}) {
    const double a = 2 * kPi * w / n;
    const auto t = [&](double k) { return 2 * kPi * (k - c) / n; };
    const auto absorption = [&](double k) { return (kPi / n) * std::sinh(a) / (std::cosh(a) - std::cos(t(k))); };
    const auto dispersion = [&](double k) { return (kPi / n) * std::sin(t(k)) / (std::cosh(a) - std::cos(t(k))); };
    std::vector<double> x(n), h;
    for (int k = 0; k < n; ++k) x[k] = absorption(k);
    ASSERT_TRUE(tav::Hilbert(x, h));
    const double peak = absorption(c);
    double worst = 0;
    for (int k = 0; k < n; ++k) worst = std::max(worst, std::fabs(h[k] - dispersion(k)));
    EXPECT_LT(worst, 1e-7 * peak) << "w=" << w;
    // Extremes of half the peak height one half-width either side of the line.
    EXPECT_NEAR(h[std::lround(c + w)], peak / 2, 0.02 * peak);
    EXPECT_NEAR(h[std::lround(c - w)], -peak / 2, 0.02 * peak);
  }
  // A cosine becomes a sine and the mean vanishes.
  std::vector<double> x(64), h;
  for (int k = 0; k < 64; ++k) x[k] = 3.0 + std::cos(2 * kPi * 5 * k / 64);
  ASSERT_TRUE(tav::Hilbert(x, h));
  for (int k = 0; k < 64; ++k) EXPECT_NEAR(h[k], std::sin(2 * kPi * 5 * k / 64), 1e-12) << k;
  std::vector<double> six(6, 1.0);
  EXPECT_FALSE(tav::Hilbert(six, h));
}

void Make(Spectrum& s, long si) {
  ASSERT_EQ(s.Init(0, si, 100.0f, 5000, -5000), 1);
  for (long k = 0; k < si; ++k) s.SetRealInt(k, static_cast<float>(1000.0 / (1.0 + (k - si / 3) * (k - si / 3))));
  s.SetSpecFlag(1, 1);
  s.SetSpecFlag(2, 1);
}

TEST(TransformTest, RefusedWithoutAPowerOfTwoOrTheFlags) {
  Spectrum s;
  Make(s, 1000);
  EXPECT_EQ(s.Transform(8), 0);
  Make(s, 1024);
  EXPECT_EQ(s.Transform(7), 0) << "only code 8 is known";
  s.SetSpecFlag(2, 0);
  EXPECT_EQ(s.Transform(8), 0) << "no valid real part";
  s.SetSpecFlag(2, 1);
  s.SetSpecFlag(1, 0);
  EXPECT_EQ(s.Transform(8), 0) << "not a frequency-domain spectrum";
  EXPECT_FALSE(s.HasImag());
  s.SetSpecFlag(1, 1);
  EXPECT_EQ(s.Transform(8), 1);
  EXPECT_EQ(s.Imag().size(), 1024u);
  // A changed real part drops the stale imaginary one; a sample out of range changes nothing.
  s.SetRealInt(1024, 1.0f);
  EXPECT_TRUE(s.HasImag());
  s.SetRealInt(3, 1.0f);
  EXPECT_FALSE(s.HasImag());
  EXPECT_TRUE(s.Imag().empty());
}

TEST(SpectrumTest, InitRefusesWhatHasNoAxis) {
  Spectrum s;
  EXPECT_EQ(s.Init(0, 8, 100, 10, -10), 1);
  EXPECT_EQ(s.GetSI(), 8);
  for (const auto& bad : {std::vector<float>{1, 8, 100, 10}, {0, 0, 100, 10}, {0, 8, 0, 10}, {0, 8, -100, 10},
                          {0, 8, 100, INFINITY}, {0, 8, NAN, 10}}) {
    EXPECT_EQ(s.Init(static_cast<int>(bad[0]), static_cast<long>(bad[1]), bad[2], bad[3], -10), 0);
    EXPECT_EQ(s.GetSI(), 0);
    EXPECT_TRUE(s.Real().empty());
  }
}

}  // namespace
