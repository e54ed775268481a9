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

std::vector<std::complex<double>> DirectDft(const std::vector<std::complex<double>>& x, bool inverse) {
  const size_t n = x.size();
  std::vector<std::complex<double>> out(n);
  const double sign = inverse ? 1.0 : -1.0;
  for (size_t k = 0; k < n; ++k) {
    std::complex<double> sum = 0;
    for (size_t j = 0; j < n; ++j) {
      // (j*k) mod n keeps the angle small and the reference accurate.
      const double angle = sign * 2.0 * kPi * static_cast<double>((j * k) % n) / static_cast<double>(n);
      sum += x[j] * std::complex<double>(std::cos(angle), std::sin(angle));
    }
    out[k] = inverse ? sum / static_cast<double>(n) : sum;
  }
  return out;
}

TEST(FftTest, AgreesWithADirectDftAtEverySizeUpTo1024) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (size_t n = 1; n <= 1024; n *= 2) {
    std::vector<std::complex<double>> x(n);
    for (auto& v : x) v = {u(rng), u(rng)};
    for (bool inverse : {false, true}) {
      std::vector<std::complex<double>> fast = x;
      ASSERT_TRUE(tav::Fft(fast, inverse));
      const auto slow = DirectDft(x, inverse);
      double worst = 0;
      for (size_t k = 0; k < n; ++k) worst = std::max(worst, std::abs(fast[k] - slow[k]));
      const double scale = inverse ? 1.0 : static_cast<double>(n);
      EXPECT_LT(worst, 1e-13 * scale) << "n=" << n << " inverse=" << inverse;
    }
  }
}

TEST(FftTest, RoundTripOfALargeTransformAndRefusalOfOtherSizes) {
  const size_t n = 1 << 16;
  std::vector<std::complex<double>> x(n);
  for (size_t i = 0; i < n; ++i) x[i] = {std::sin(0.001 * i * i), std::cos(0.37 * i)};
  auto y = x;
  ASSERT_TRUE(tav::Fft(y, false));
  ASSERT_TRUE(tav::Fft(y, true));
  double worst = 0;
  for (size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(y[i] - x[i]));
  EXPECT_LT(worst, 1e-12);

  std::vector<std::complex<double>> odd(12, 1.0);
  EXPECT_FALSE(tav::Fft(odd, false));
  EXPECT_EQ(odd[3], std::complex<double>(1.0));
  std::vector<std::complex<double>> none;
  EXPECT_FALSE(tav::Fft(none, false));
}

// A Lorentzian of half-width w (in samples) at c, repeated with period n: the
// periodic sum has the closed form below, and so has its Hilbert transform
// (the periodic dispersion). Their sampled Fourier series differ from the
// continuous ones only by aliasing of order exp(-pi w), far below the tolerances.
double PeriodicAbsorption(double k, double c, double w, double n) {
  const double a = 2 * kPi * w / n, t = 2 * kPi * (k - c) / n;
  return (kPi / n) * std::sinh(a) / (std::cosh(a) - std::cos(t));
}
double PeriodicDispersion(double k, double c, double w, double n) {
  const double a = 2 * kPi * w / n, t = 2 * kPi * (k - c) / n;
  return (kPi / n) * std::sin(t) / (std::cosh(a) - std::cos(t));
}

TEST(HilbertTest, TurnsALorentzianAbsorptionIntoItsDispersion) {
  for (const double w : {6.0, 20.0}) {
    const int n = 512;
    const double c = 200.3;
    std::vector<double> a(n), h;
    for (int k = 0; k < n; ++k) a[k] = PeriodicAbsorption(k, c, w, n);
    ASSERT_TRUE(tav::Hilbert(a, h));
    const double peak = PeriodicAbsorption(c, c, w, n);
    double worst = 0;
    for (int k = 0; k < n; ++k) worst = std::max(worst, std::fabs(h[k] - PeriodicDispersion(k, c, w, n)));
    EXPECT_LT(worst, 1e-7 * peak) << "w=" << w;
    // The familiar shape: extremes of half the peak height one half-width
    // either side of the line.
    EXPECT_NEAR(h[static_cast<int>(std::lround(c + w))], peak / 2, 0.02 * peak);
    EXPECT_NEAR(h[static_cast<int>(std::lround(c - w))], -peak / 2, 0.02 * peak);
  }
}

TEST(HilbertTest, CosineBecomesSineAndTheMeanVanishes) {
  const int n = 64;
  std::vector<double> x(n), h;
  for (int k = 0; k < n; ++k) x[k] = 3.0 + std::cos(2 * kPi * 5 * k / n);
  ASSERT_TRUE(tav::Hilbert(x, h));
  for (int k = 0; k < n; ++k) EXPECT_NEAR(h[k], std::sin(2 * kPi * 5 * k / n), 1e-12) << k;
  std::vector<double> bad(6, 1.0);
  EXPECT_FALSE(tav::Hilbert(bad, h));
}

class TransformTest : public ::testing::Test {
 protected:
  // A Lorentzian line at `lineHz` on an axis from f1 to f2 with the flags the
  // program sets.
  void Make(long si, float f1, float f2, double lineHz, double widthHz) {
    ASSERT_EQ(s.Init(0, si, 100.0f, f1, f2), 1);
    const double step = (static_cast<double>(f2) - f1) / si;
    for (long k = 0; k < si; ++k) {
      const double d = (f1 + k * step - lineHz) / widthHz;
      s.SetRealInt(k, static_cast<float>(1000.0 / (1.0 + d * d)));
    }
    s.SetSpecFlag(1, 1);
    s.SetSpecFlag(2, 1);
    stepHz = step;
  }
  long IndexOf(double hz, float f1) const { return std::lround((hz - f1) / stepHz); }

  Spectrum s;
  double stepHz = 0;
};

// Over increasing frequency the dispersion is negative above the line and
// positive below it, whichever way the samples run. (The line is cut off at
// the window's edges, which shifts the dispersion by a few percent.)
TEST_F(TransformTest, DispersionSignFollowsFrequencyNotSampleOrder) {
  for (const bool decreasing : {true, false}) {
    const float f1 = decreasing ? 5000.0f : -5000.0f, f2 = -f1;
    Make(1024, f1, f2, 800.0, 30.0);
    ASSERT_EQ(s.Transform(8), 1);
    ASSERT_TRUE(s.HasImag());
    ASSERT_EQ(s.Imag().size(), 1024u);
    const float above = s.Imag()[static_cast<size_t>(IndexOf(830.0, f1))];
    const float below = s.Imag()[static_cast<size_t>(IndexOf(770.0, f1))];
    EXPECT_NEAR(above, -500.0f, 40.0f) << "decreasing=" << decreasing;
    EXPECT_NEAR(below, 500.0f, 40.0f) << "decreasing=" << decreasing;
    EXPECT_NEAR(s.Imag()[static_cast<size_t>(IndexOf(800.0, f1))], 0.0f, 40.0f);
  }
}

TEST_F(TransformTest, RefusedWithoutAPowerOfTwoOrTheFlags) {
  Make(1000, 5000, -5000, 0, 30);
  EXPECT_EQ(s.Transform(8), 0);
  EXPECT_FALSE(s.HasImag());

  Make(1024, 5000, -5000, 0, 30);
  EXPECT_EQ(s.Transform(7), 0) << "only code 8 is known";
  s.SetSpecFlag(2, 0);
  EXPECT_EQ(s.Transform(8), 0) << "no valid real part";
  s.SetSpecFlag(2, 1);
  s.SetSpecFlag(1, 0);
  EXPECT_EQ(s.Transform(8), 0) << "not a frequency-domain spectrum";
  EXPECT_FALSE(s.HasImag());
  s.SetSpecFlag(1, 1);
  EXPECT_EQ(s.Transform(8), 1);
}

TEST_F(TransformTest, ChangingTheRealPartDropsTheStaleImaginaryPart) {
  Make(256, 5000, -5000, 0, 100);
  ASSERT_EQ(s.Transform(8), 1);
  s.SetRealInt(300, 1.0f);  // out of range: nothing changes
  EXPECT_TRUE(s.HasImag());
  s.SetRealInt(3, 1.0f);
  EXPECT_FALSE(s.HasImag());
  EXPECT_TRUE(s.Imag().empty());
}

TEST(SpectrumTest, InitRefusesWhatHasNoAxis) {
  Spectrum s;
  EXPECT_EQ(s.Init(0, 8, 100, 10, -10), 1);
  EXPECT_EQ(s.GetSI(), 8);
  EXPECT_EQ(s.Init(1, 8, 100, 10, -10), 0);
  EXPECT_EQ(s.GetSI(), 0);
  EXPECT_EQ(s.Init(0, 0, 100, 10, -10), 0);
  EXPECT_EQ(s.Init(0, 8, 0, 10, -10), 0);
  EXPECT_EQ(s.Init(0, 8, -100, 10, -10), 0);
  EXPECT_EQ(s.Init(0, 8, 100, INFINITY, -10), 0);
  EXPECT_EQ(s.Init(0, 8, NAN, 10, -10), 0);
  EXPECT_EQ(s.GetSI(), 0);
  EXPECT_TRUE(s.Real().empty());
}

}  // namespace
