// The spectrum library's building blocks: the FFT against a direct DFT, the
// Hilbert transform against the analytic Lorentzian absorption/dispersion
// pair, Spectrum's rules, compressed JCAMP-DX tokens and tables, integer
// scales, and what a title may hold.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "../../companion/tavspectrum/asdf.h"
#include "../../companion/tavspectrum/fft.h"
#include "../../companion/tavspectrum/numtext.h"
#include "../../companion/tavspectrum/writers.h"
#include "tavspectrum.h"
#include "test_support.h"

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

using Lines = std::vector<std::string>;
using Ints = std::vector<long long>;

TEST(AsdfTest, PseudoDigitTokens) {
  const std::pair<std::string, std::string> cases[] = {
      {tav::Sqz(65106), "F5106"}, {tav::Sqz(-248302776), "b48302776"}, {tav::Sqz(0), "@"}, {tav::Sqz(-1), "a"},
      {tav::Dif(1003), "J003"},   {tav::Dif(-857571044), "q57571044"}, {tav::Dif(0), "%"}, {tav::Dif(-9), "r"},
      {tav::Dup(4), "V"},         {tav::Dup(9), "s"},                  {tav::Dup(12), "S2"}, {tav::Dup(90), "s0"}};
  for (const auto& c : cases) EXPECT_EQ(c.first, c.second);
}

// The 16-point spectrum whose tables independent readers read correctly.
TEST(AsdfTest, ReferenceTablesAreReproducedExactly) {
  const Ints ints = {7135332,   10852187, 18654809,  39961799, 139699180, 999999651, 142428607, 47045558,
                     36581688,  78616507, 504754182, 73157655, 22414171,  11191800,  6899968,   4761951};
  const auto x = [](long k) { return std::to_string(800 - 100 * k); };
  EXPECT_EQ(tav::TableLines(ints, x, false),
            (Lines{"800 7135332 10852187 18654809 39961799 139699180 999999651 142428607 47045558",
                   "0 36581688 78616507 504754182 73157655 22414171 11191800 6899968 4761951"}));
  EXPECT_EQ(tav::TableLines(ints, x, true),
            (Lines{"800 G135332L716855P802622K1306990R9737381Q60300471q57571044r5383049j0463870",
                   "0 C6581688M2034819M26137675m31596527n0743484j1222371m291832k138017", "-700 D761951"}));
}

// An independent reading of DIFDUP lines. A line that follows one ending on
// a difference must start by repeating that line's last value (the check);
// `xs` gets each line's abscissa and `firsts` the index of its first point.
bool DecodeDifDup(const Lines& lines, Ints& y, Lines& xs, std::vector<long>& firsts) {
  bool checked = true, endedOnDif = false;
  for (const std::string& line : lines) {
    const size_t blank = line.find(' ');
    xs.push_back(line.substr(0, blank));
    Ints values;
    char kind = 0;
    long long last = 0;
    for (size_t i = blank + 1; i < line.size();) {
      const char c = line[i++];
      std::string digits;
      while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) digits += line[i++];
      const auto value = [&](char first) { return std::stoll(std::to_string(c - first + 1) + digits); };
      if (c == '@' || c == '%') {
        values.push_back(c == '%' ? values.back() : 0), kind = c == '%' ? 'd' : 's', last = 0;
      } else if (c >= 'A' && c <= 'I') {
        values.push_back(last = value('A')), kind = 's';
      } else if (c >= 'a' && c <= 'i') {
        values.push_back(last = -value('a')), kind = 's';
      } else if (c >= 'J' && c <= 'R') {
        values.push_back(values.back() + (last = value('J'))), kind = 'd';
      } else if (c >= 'j' && c <= 'r') {
        values.push_back(values.back() + (last = -value('j'))), kind = 'd';
      } else if ((c >= 'S' && c <= 'Z') || c == 's') {
        for (long long r = 1; r < (c == 's' ? value('s' - 8) : value('S')); ++r)
          values.push_back(kind == 'd' ? values.back() + last : last);
      } else {
        ADD_FAILURE() << "unexpected character " << c << " in " << line;
        return false;
      }
    }
    if (endedOnDif) {
      checked = checked && !values.empty() && !y.empty() && values.front() == y.back();
      if (!values.empty()) values.erase(values.begin());
    }
    firsts.push_back(static_cast<long>(y.size()) - (endedOnDif ? 1 : 0));
    y.insert(y.end(), values.begin(), values.end());
    endedOnDif = kind == 'd';
  }
  return checked && !endedOnDif;
}

TEST(AsdfTest, TablesOfAnyShapeReadBackToTheSameIntegers) {
  Ints ramp, noisy;
  for (int i = 0; i < 300; ++i) ramp.push_back(1000 + 3 * i);  // one long run of equal differences
  for (int i = 0; i < 2000; ++i) noisy.push_back((i * 2654435761LL) % 2000000001LL - 1000000000);
  const auto x = [](long k) { return tav::Format("%.6f", -12345.678901 + 0.5 * static_cast<double>(k)); };
  for (const Ints& ints : {Ints{5}, Ints{0, 0}, Ints{3, 4}, Ints(500, 0), Ints{-1, -1, -1, 7, 7, 7, 7}, ramp, noisy}) {
    const Lines dif = tav::TableLines(ints, x, true);
    Ints y;
    Lines xs;
    std::vector<long> firsts;
    EXPECT_TRUE(DecodeDifDup(dif, y, xs, firsts)) << "checks, n=" << ints.size();
    EXPECT_EQ(y, ints);
    for (size_t i = 0; i < dif.size(); ++i) {
      EXPECT_LE(dif[i].size(), tav::kJcampLineLimit);
      EXPECT_EQ(xs[i], x(firsts[i])) << "each line starts at the X of its first point";
    }
    Ints back;
    for (const std::string& l : tav::TableLines(ints, x, false)) {
      EXPECT_LE(l.size(), tav::kJcampLineLimit);
      EXPECT_EQ(l.find_first_of("eE,"), std::string::npos) << l;
      for (size_t at = l.find(' '); at != std::string::npos; at = l.find(' ', at + 1))
        back.push_back(std::stoll(l.substr(at + 1)));
    }
    EXPECT_EQ(back, ints);
  }
}

TEST(ScaleTest, FactorsAndExponentsAtTheirBoundaries) {
  const tav::ScaledOrdinates zero = tav::ScaleOrdinates({0.0f, 0.0f});
  EXPECT_EQ(zero.factorText, "1");
  EXPECT_EQ(zero.ints, (Ints{0, 0}));
  EXPECT_EQ(tav::FolderExponent({1000.0f}, {}), -20);
  EXPECT_EQ(tav::FolderExponent({1024.0f}, {}), -20);  // exactly 2^30
  EXPECT_EQ(tav::FolderExponent({1025.0f}, {}), -19);
  EXPECT_EQ(tav::FolderExponent({0.0f, 0.0f}, {}), 0);
  EXPECT_EQ(tav::FolderExponent({1.0f}, {-3e9f}), 2);  // both parts count, the sign does not
  // Values derive from the decimals typed, not from the float's binary value.
  EXPECT_EQ(tav::TypedValue(400.13f), 400.13);
  EXPECT_EQ(tav::ShortestFloat(400.13f), "400.13");
}

TEST(JcampTest, ATitleStaysOnItsLine) {
  TempDir dir;
  Spectrum s;
  ASSERT_EQ(s.Init(0, 8, 400.13f, 4000, -1000), 1);
  s.SetSpecFlag(1, 1);
  s.SetSpecFlag(2, 1);
  std::string error;
  ASSERT_TRUE(tav::WriteJcamp(s, dir.file("x.dx"), "x\r\ny", false, error)) << error;
  EXPECT_EQ(ReadText(dir.file("x.dx")).rfind("##TITLE= x  y\n##JCAMP-DX= 5.01\n", 0), 0u);
}

}  // namespace
