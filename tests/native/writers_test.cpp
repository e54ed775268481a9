// The format writers at the level of their building blocks: compressed
// JCAMP-DX tokens and tables, integer scales, and what a title may hold.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "../../companion/tavspectrum/asdf.h"
#include "../../companion/tavspectrum/numtext.h"
#include "../../companion/tavspectrum/writers.h"
#include "tavspectrum.h"
#include "test_support.h"

namespace {

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
