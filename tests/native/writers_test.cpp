// The format writers at the level of their building blocks: compressed
// JCAMP-DX tokens and tables, integer scales, and the binary layouts.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../../companion/tavspectrum/asdf.h"
#include "../../companion/tavspectrum/axis.h"
#include "../../companion/tavspectrum/numtext.h"
#include "../../companion/tavspectrum/writers.h"
#include "tavspectrum.h"
#include "test_support.h"

namespace {

// The 16-point reference spectrum whose AFFN and DIFDUP tables were read
// correctly by independent readers.
const std::vector<long long> kReference = {7135332,  10852187, 18654809, 39961799,  139699180, 999999651,
                                           142428607, 47045558, 36581688, 78616507,  504754182, 73157655,
                                           22414171,  11191800, 6899968,  4761951};
std::string ReferenceX(long k) { return std::to_string(800 - 100 * k); }

TEST(AsdfTest, PseudoDigitTokens) {
  EXPECT_EQ(tav::Sqz(65106), "F5106");
  EXPECT_EQ(tav::Sqz(-248302776), "b48302776");
  EXPECT_EQ(tav::Sqz(0), "@");
  EXPECT_EQ(tav::Sqz(9), "I");
  EXPECT_EQ(tav::Sqz(-1), "a");
  EXPECT_EQ(tav::Dif(1003), "J003");
  EXPECT_EQ(tav::Dif(-857571044), "q57571044");
  EXPECT_EQ(tav::Dif(0), "%");
  EXPECT_EQ(tav::Dif(9), "R");
  EXPECT_EQ(tav::Dif(-9), "r");
  EXPECT_EQ(tav::Dup(4), "V");
  EXPECT_EQ(tav::Dup(9), "s");
  EXPECT_EQ(tav::Dup(12), "S2");
  EXPECT_EQ(tav::Dup(90), "s0");
}

TEST(AsdfTest, ReferenceTablesAreReproducedExactly) {
  EXPECT_EQ(tav::TableLines(kReference, ReferenceX, false),
            (std::vector<std::string>{
                "800 7135332 10852187 18654809 39961799 139699180 999999651 142428607 47045558",
                "0 36581688 78616507 504754182 73157655 22414171 11191800 6899968 4761951"}));
  EXPECT_EQ(tav::TableLines(kReference, ReferenceX, true),
            (std::vector<std::string>{
                "800 G135332L716855P802622K1306990R9737381Q60300471q57571044r5383049j0463870",
                "0 C6581688M2034819M26137675m31596527n0743484j1222371m291832k138017", "-700 D761951"}));
}

// An independent reading of DIFDUP lines: each line's leading SQZ value after
// a line that ended on a difference must repeat that line's last value.
struct Decoded {
  std::vector<long long> y;
  std::vector<std::string> xs;
  bool checksHeld = true;
};
Decoded DecodeDifDup(const std::vector<std::string>& lines) {
  Decoded d;
  bool previousEndedOnDif = false;
  for (const std::string& line : lines) {
    const size_t blank = line.find(' ');
    d.xs.push_back(line.substr(0, blank));
    std::vector<std::pair<char, long long>> tokens;  // kind, value
    for (size_t i = blank + 1; i < line.size();) {
      const char c = line[i++];
      std::string digits;
      while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) digits += line[i++];
      const long long rest = digits.empty() ? 0 : std::stoll(digits);
      const long long scale = static_cast<long long>(std::pow(10.0, static_cast<double>(digits.size())));
      if (c == '@') tokens.push_back({'s', 0});
      else if (c >= 'A' && c <= 'I') tokens.push_back({'s', (c - 'A' + 1) * scale + rest});
      else if (c >= 'a' && c <= 'i') tokens.push_back({'s', -((c - 'a' + 1) * scale + rest)});
      else if (c == '%') tokens.push_back({'d', 0});
      else if (c >= 'J' && c <= 'R') tokens.push_back({'d', (c - 'J' + 1) * scale + rest});
      else if (c >= 'j' && c <= 'r') tokens.push_back({'d', -((c - 'j' + 1) * scale + rest)});
      else if (c >= 'S' && c <= 'Z') tokens.push_back({'u', (c - 'S' + 1) * scale + rest});
      else if (c == 's') tokens.push_back({'u', 9 * scale + rest});
      else ADD_FAILURE() << "unexpected character " << c << " in " << line;
    }
    std::vector<long long> values;
    char lastKind = 0;
    long long lastValue = 0;
    for (const auto& t : tokens) {
      if (t.first == 'u') {
        for (long long r = 1; r < t.second; ++r) {
          values.push_back(lastKind == 'd' ? values.back() + lastValue : lastValue);
        }
        continue;
      }
      if (t.first == 's') values.push_back(t.second);
      else values.push_back(values.back() + t.second);
      lastKind = t.first;
      lastValue = t.second;
    }
    if (previousEndedOnDif) {
      if (values.empty() || d.y.empty() || values.front() != d.y.back()) d.checksHeld = false;
      values.erase(values.begin());
    }
    d.y.insert(d.y.end(), values.begin(), values.end());
    previousEndedOnDif = lastKind == 'd';
  }
  // The last line must not end on an unchecked difference.
  if (previousEndedOnDif) d.checksHeld = false;
  return d;
}

TEST(AsdfTest, CompressedTablesDecodeToTheSameIntegersWithChecks) {
  std::vector<std::vector<long long>> cases = {
      kReference, {5}, {0, 0}, {3, 4}, std::vector<long long>(500, 0), {-1, -1, -1, 7, 7, 7, 7}};
  std::vector<long long> ramp, noisy;
  for (int i = 0; i < 300; ++i) ramp.push_back(1000 + 3 * i);  // one long run of equal differences
  for (int i = 0; i < 2000; ++i) noisy.push_back(static_cast<long long>((i * 2654435761LL) % 2000000001LL) - 1000000000);
  cases.push_back(ramp);
  cases.push_back(noisy);
  for (const auto& ints : cases) {
    const auto x = [](long k) { return tav::Format("%.6f", -12345.678901 + 0.5 * static_cast<double>(k)); };
    const std::vector<std::string> lines = tav::TableLines(ints, x, true);
    for (const std::string& l : lines) EXPECT_LE(l.size(), tav::kJcampLineLimit) << l;
    const Decoded d = DecodeDifDup(lines);
    EXPECT_TRUE(d.checksHeld) << "n=" << ints.size();
    EXPECT_EQ(d.y, ints);
    // Each line starts at the X of its first point: points are counted with
    // the check values, which repeat the previous line's last point.
    long point = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (i > 0 && DecodeDifDup({lines[i - 1]}).y.size() > 1) --point;  // repeated check point
      EXPECT_EQ(d.xs[i], x(point)) << "line " << i;
      point += static_cast<long>(DecodeDifDup({lines[i]}).y.size());
    }
    const std::vector<std::string> affn = tav::TableLines(ints, x, false);
    std::vector<long long> back;
    for (const std::string& l : affn) {
      EXPECT_LE(l.size(), tav::kJcampLineLimit);
      EXPECT_EQ(l.find_first_of("eE,"), std::string::npos) << l;
      std::istringstream in(l);
      std::string xText;
      in >> xText;
      long long v;
      while (in >> v) back.push_back(v);
    }
    EXPECT_EQ(back, ints);
  }
}

TEST(ScaleTest, IntegersTimesTheWrittenFactorReproduceTheValues) {
  const std::vector<float> y = {0.0f, 1.5e-3f, -7.25f, 1234.5678f, -0.001f, 98765.4321f};
  const tav::ScaledOrdinates s = tav::ScaleOrdinates(y);
  EXPECT_EQ(s.factor, tav::ParseNumber(s.factorText));
  long long biggest = 0;
  for (size_t i = 0; i < y.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(s.ints[i]) * s.factor, y[i], 1e-9 * 98765.4321) << i;
    biggest = std::max(biggest, std::llabs(s.ints[i]));
  }
  EXPECT_GT(biggest, 999000000);
  EXPECT_LT(biggest, 1001000000);
  const tav::ScaledOrdinates zero = tav::ScaleOrdinates({0.0f, 0.0f});
  EXPECT_EQ(zero.factorText, "1");
  EXPECT_EQ(zero.ints, (std::vector<long long>{0, 0}));
}

TEST(ScaleTest, FolderExponentPutsTheLargestIntegerInItsRange) {
  EXPECT_EQ(tav::FolderExponent({1000.0f}, {}), -20);  // 1000 < 2^10
  EXPECT_EQ(tav::FolderExponent({1024.0f}, {}), -20);  // exactly 2^10 gives 2^30
  EXPECT_EQ(tav::FolderExponent({1025.0f}, {}), -19);
  EXPECT_EQ(tav::FolderExponent({0.0f, 0.0f}, {}), 0);
  EXPECT_EQ(tav::FolderExponent({1.0f}, {-3e9f}), 2);  // both parts count, and the sign does not
  for (float m : {0.75f, 1.0f, 3.3e-6f, 5e8f, 2.0e12f, 7.77f}) {
    const int e = tav::FolderExponent({m}, {});
    const double top = std::ldexp(static_cast<double>(m), -e);
    EXPECT_GT(top, std::ldexp(1.0, 29)) << m;
    EXPECT_LE(top, std::ldexp(1.0, 30)) << m;
  }
}

TEST(AxisTest, DerivedValuesStartFromTheTypedDecimals) {
  EXPECT_EQ(tav::TypedValue(400.13f), 400.13);
  EXPECT_EQ(tav::TypedValue(0.1f), 0.1);
  EXPECT_EQ(tav::ShortestFloat(400.13f), "400.13");
  EXPECT_EQ(tav::FloatText(250), "250.0");
  EXPECT_EQ(tav::FloatText(-24951.171875), "-24951.171875");
  Spectrum s;
  ASSERT_EQ(s.Init(0, 1024, 100, 25000, -25000), 1);
  const tav::Axis a = tav::AxisOf(s);
  EXPECT_EQ(a.step, -48.828125);
  EXPECT_EQ(a.LastHz(), -24951.171875);
  EXPECT_EQ(a.Width(), 50000.0);
  EXPECT_EQ(a.Ppm(0), 250.0);
  EXPECT_FALSE(a.Increasing());
  EXPECT_EQ(a.HighestHz(), 25000.0);
  ASSERT_EQ(s.Init(0, 5, 400.13f, 240, 1720), 1);
  const tav::Axis b = tav::AxisOf(s);
  EXPECT_EQ(b.step, 296.0);
  EXPECT_TRUE(b.Increasing());
  EXPECT_EQ(b.HighestHz(), 240.0 + 4 * 296.0);
  EXPECT_EQ(b.LowestHz(), 240.0);
  EXPECT_EQ(b.Ppm(1), 536.0 / 400.13);
}

// A spectrum as the program makes it: flags set, optionally complex.
void MakeSpectrum(Spectrum& s, long si, float sf, float f1, float f2, bool complex) {
  ASSERT_EQ(s.Init(0, si, sf, f1, f2), 1);
  for (long k = 0; k < si; ++k) s.SetRealInt(k, static_cast<float>(k * k % 97) - 20.5f);
  s.SetSpecFlag(1, 1);
  s.SetSpecFlag(2, 1);
  if (complex) {
    ASSERT_EQ(s.Transform(8), 1);
  }
}

std::vector<unsigned char> ReadBytes(const std::string& path) {
  const std::string t = ReadText(path);
  return std::vector<unsigned char>(t.begin(), t.end());
}

std::vector<float> Floats(const std::vector<unsigned char>& b, size_t first, size_t count) {
  std::vector<float> out(count);
  std::memcpy(out.data(), b.data() + first * 4, count * 4);
  return out;
}

TEST(NmrPipeTest, HeaderWordsAndDataOrder) {
  TempDir dir;
  for (const bool complex : {false, true}) {
    for (const bool increasing : {false, true}) {
      Spectrum s;
      const long n = complex ? 64 : 63;
      MakeSpectrum(s, n, 400.13f, increasing ? -1000.0f : 3000.0f, increasing ? 3000.0f : -1000.0f, complex);
      const std::string path = dir.file("x.ft1");
      std::string error;
      ASSERT_TRUE(tav::WriteNmrPipe(s, path, error)) << error;
      const std::vector<unsigned char> b = ReadBytes(path);
      ASSERT_EQ(b.size(), (512u + n * (complex ? 2u : 1u)) * 4u);
      EXPECT_EQ(std::vector<unsigned char>(b.begin() + 4, b.begin() + 12),
                (std::vector<unsigned char>{0xef, 0xee, 0x6e, 0x4f, 0x7b, 0x14, 0x16, 0x40}));
      const std::vector<float> h = Floats(b, 0, 512);
      const double sw = 4000.0, spacing = sw / n;
      EXPECT_EQ(h[0], 0.0f);
      EXPECT_EQ(h[9], 1.0f);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[16 * 4])), "1H");
      EXPECT_EQ(h[24], 2.0f);
      EXPECT_EQ(h[25], 1.0f);
      EXPECT_EQ(h[26], 3.0f);
      EXPECT_EQ(h[27], 4.0f);
      EXPECT_EQ(h[15], 1.0f);
      EXPECT_EQ(h[32], 1.0f);
      EXPECT_EQ(h[55], 1.0f);
      EXPECT_EQ(h[56], complex ? 0.0f : 1.0f);
      EXPECT_EQ(h[106], h[56]);
      EXPECT_EQ(h[57], 0.0f);
      for (int w : {95, 96, 97, 99, 386}) EXPECT_EQ(h[w], static_cast<float>(n)) << w;
      EXPECT_EQ(h[100], static_cast<float>(sw));
      // The origin is the lowest sample, not F2; the carrier sits at
      // 1-based point int(N/2)+1 from the highest.
      const double highest = increasing ? -1000.0 + (n - 1) * spacing : 3000.0;
      const double lowest = highest - (n - 1) * spacing;
      EXPECT_EQ(h[101], static_cast<float>(lowest));
      EXPECT_EQ(h[79], static_cast<float>(n / 2 + 1));
      EXPECT_EQ(h[66], static_cast<float>((highest - (n / 2) * spacing) / 400.13));
      EXPECT_NEAR(h[66] * h[119] - h[100] * (n - h[79]) / n, h[101], 1e-3) << "ORIG = CAR*OBS - SW*(N-CENTER)/N";
      EXPECT_EQ(h[119], 400.13f);
      EXPECT_EQ(h[152], 0.0f);
      EXPECT_EQ(h[219], 1.0f);
      EXPECT_EQ(h[220], 1.0f);
      EXPECT_EQ(h[221], 0.0f);
      EXPECT_EQ(h[399], 1.0f);
      EXPECT_EQ(h[442], 1.0f);
      // Stored from the highest frequency down.
      const std::vector<float> re = Floats(b, 512, static_cast<size_t>(n));
      for (long j = 0; j < n; ++j) {
        const long k = increasing ? n - 1 - j : j;
        ASSERT_EQ(re[static_cast<size_t>(j)], s.Real()[static_cast<size_t>(k)]) << j;
        if (complex) {
          ASSERT_EQ(Floats(b, 512 + n + j, 1)[0], s.Imag()[static_cast<size_t>(k)]) << j;
        }
      }
    }
  }
}

TEST(NmrPipeTest, TimeDomainFlagFollowsFlagOne) {
  TempDir dir;
  Spectrum s;
  MakeSpectrum(s, 8, 100, 10, -10, false);
  s.SetSpecFlag(1, 0);
  std::string error;
  ASSERT_TRUE(tav::WriteNmrPipe(s, dir.file("t.ft1"), error));
  EXPECT_EQ(Floats(ReadBytes(dir.file("t.ft1")), 220, 1)[0], 0.0f);
}

std::map<std::string, std::string> Parameters(const std::string& path, std::string* first = nullptr) {
  std::map<std::string, std::string> p;
  std::istringstream in(ReadText(path));
  std::string line;
  while (std::getline(in, line)) {
    if (first && first->empty()) *first = line;
    if (line.rfind("##$", 0) != 0) continue;
    const size_t eq = line.find("= ");
    p[line.substr(3, eq - 3)] = line.substr(eq + 2);
  }
  return p;
}

TEST(FolderTest, ParametersAgreeAndIntegersCarryTheScale) {
  TempDir dir;
  for (const bool increasing : {false, true}) {
    Spectrum s;
    MakeSpectrum(s, 128, 400.13f, increasing ? -2000.0f : 6000.0f, increasing ? 6000.0f : -2000.0f, true);
    const std::string path = dir.file(increasing ? "up" : "down");
    std::string error;
    ASSERT_TRUE(tav::WritePdata(s, path, "my spectrum", error)) << error;
    std::string firstProcs, firstAcqus;
    auto procs = Parameters(path + "/pdata/1/procs", &firstProcs);
    auto acqus = Parameters(path + "/acqus", &firstAcqus);
    EXPECT_EQ(firstProcs, "##TITLE= Parameter file, my spectrum");
    EXPECT_EQ(firstAcqus, "##TITLE= Parameter file, my spectrum");
    EXPECT_EQ(ReadText(path + "/acqu"), ReadText(path + "/acqus"));
    EXPECT_EQ(ReadText(path + "/pdata/1/proc"), ReadText(path + "/pdata/1/procs"));
    EXPECT_EQ(ReadText(path + "/pdata/1/title"), "my spectrum\n");
    const double step = 8000.0 / 128, highest = increasing ? -2000.0 + 127 * step : 6000.0;
    EXPECT_EQ(std::stod(procs["OFFSET"]), highest / 400.13);
    EXPECT_EQ(std::stod(procs["SW_p"]), 8000.0);
    EXPECT_EQ(std::stod(procs["SF"]), 400.13);
    for (const char* k : {"SI", "XDIM", "FTSIZE", "STSI"}) EXPECT_EQ(procs[k], "128") << k;
    for (const char* k : {"BYTORDP", "DTYPP", "STSR", "SR", "MC2", "PHC0", "PHC1"}) EXPECT_EQ(procs[k], "0") << k;
    EXPECT_EQ(procs["AXNUC"], "<1H>");
    // acqus carries the same axis: width, and the carrier at the window's middle.
    EXPECT_EQ(acqus["SW_h"], procs["SW_p"]);
    EXPECT_EQ(std::stod(acqus["BF1"]), 400.13);
    const double carrier = (std::stod(acqus["SFO1"]) - std::stod(acqus["BF1"])) * 1e6;
    EXPECT_NEAR(carrier + 8000.0 / 2, highest, 1e-6);
    EXPECT_NEAR(std::stod(acqus["O1"]), carrier, 1e-6);
    EXPECT_NEAR(std::stod(acqus["SW"]), 8000.0 / std::stod(acqus["SFO1"]), 1e-12);
    EXPECT_EQ(acqus["TD"], "256");
    EXPECT_EQ(acqus["AQ_mod"], "3");
    EXPECT_EQ(acqus["NUC1"], "<1H>");
    // Little-endian integers from the highest frequency down; one exponent
    // for both parts, the largest in (2^29, 2^30].
    const int nc = std::stoi(procs["NC_proc"]);
    const std::vector<unsigned char> r = ReadBytes(path + "/pdata/1/1r"), i = ReadBytes(path + "/pdata/1/1i");
    ASSERT_EQ(r.size(), 512u);
    ASSERT_EQ(i.size(), 512u);
    std::int64_t biggest = 0;
    for (size_t j = 0; j < 128; ++j) {
      const size_t k = increasing ? 127 - j : j;
      for (const auto* part : {&r, &i}) {
        const auto& b = *part;
        const std::int32_t v = static_cast<std::int32_t>(static_cast<std::uint32_t>(b[4 * j]) | (static_cast<std::uint32_t>(b[4 * j + 1]) << 8) |
                                                         (static_cast<std::uint32_t>(b[4 * j + 2]) << 16) | (static_cast<std::uint32_t>(b[4 * j + 3]) << 24));
        const float expected = part == &r ? s.Real()[k] : s.Imag()[k];
        EXPECT_NEAR(std::ldexp(static_cast<double>(v), nc), expected, std::ldexp(1.0, nc)) << j;
        biggest = std::max<std::int64_t>(biggest, std::llabs(v));
      }
    }
    EXPECT_GT(biggest, 1 << 29);
    EXPECT_LE(biggest, 1 << 30);
  }
}

TEST(FolderTest, RealOnlySpectrumHasNo1i) {
  TempDir dir;
  Spectrum s;
  MakeSpectrum(s, 100, 100, 1000, -1000, false);
  std::string error;
  ASSERT_TRUE(tav::WritePdata(s, dir.file("r"), "r", error));
  EXPECT_TRUE(FileExists(dir.file("r/pdata/1/1r")));
  EXPECT_FALSE(FileExists(dir.file("r/pdata/1/1i")));
}

TEST(JcampTest, ComplexSpectraUseNtuplesAndRealOnesXydata) {
  TempDir dir;
  for (const bool complex : {false, true}) {
    Spectrum s;
    MakeSpectrum(s, complex ? 256 : 200, 400.13f, 4000, -1000, complex);
    std::string error;
    const std::string path = dir.file("x.dx");
    ASSERT_TRUE(tav::WriteJcamp(s, path, "x\r\ny", true, error)) << error;
    const std::string text = ReadText(path);
    EXPECT_EQ(text.rfind("##TITLE= x  y\n##JCAMP-DX= 5.01\n", 0), 0u) << "a title stays on its line";
    EXPECT_NE(text.find("##.OBSERVE FREQUENCY= 400.13\n"), std::string::npos);
    EXPECT_NE(text.find("##.OBSERVE NUCLEUS= ^1H\n"), std::string::npos);
    EXPECT_EQ(text.find("##$OFFSET"), std::string::npos);
    if (complex) {
      EXPECT_NE(text.find("##DATA CLASS= NTUPLES\n"), std::string::npos);
      EXPECT_NE(text.find("##DATA TABLE= (X++(R..R)), XYDATA\n"), std::string::npos);
      EXPECT_NE(text.find("##DATA TABLE= (X++(I..I)), XYDATA\n"), std::string::npos);
      EXPECT_NE(text.find("##LAST= " + tav::ShortestDouble(4000 - 255 * (5000.0 / 256)) + ", "), std::string::npos);
    } else {
      EXPECT_NE(text.find("##DATA CLASS= XYDATA\n"), std::string::npos);
      EXPECT_NE(text.find("##LASTX= -975\n"), std::string::npos) << "the last sample, not F2";
      EXPECT_NE(text.find("##NPOINTS= 200\n"), std::string::npos);
      EXPECT_EQ(text.find("NTUPLES"), std::string::npos);
    }
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) EXPECT_LE(line.size(), 80u) << line;
  }
}

}  // namespace
