#include "asdf.h"

#include <cmath>
#include <cstdio>

#include "numtext.h"

namespace tav {

ScaledOrdinates ScaleOrdinates(const std::vector<float>& y) {
  double maxAbs = 0.0;
  for (float v : y) maxAbs = std::fmax(maxAbs, std::fabs(static_cast<double>(v)));
  ScaledOrdinates s;
  s.factorText = maxAbs > 0.0 ? Format("%.6g", maxAbs / 1e9) : "1";
  s.factor = ParseNumber(s.factorText);
  s.ints.reserve(y.size());
  for (float v : y) s.ints.push_back(std::llround(static_cast<double>(v) / s.factor));
  return s;
}

namespace {

// The first digit of |v| becomes a letter from `positive` (1..9) or
// `negative`, the other digits follow as they are.
std::string Pseudo(long long v, char zero, char positive, char negative) {
  if (v == 0) return std::string(1, zero);
  char digits[32];
  const unsigned long long mag = v < 0 ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  std::snprintf(digits, sizeof digits, "%llu", mag);
  std::string out = digits;
  out[0] = static_cast<char>((v < 0 ? negative : positive) + (digits[0] - '1'));
  return out;
}

}  // namespace

std::string Sqz(long long v) { return Pseudo(v, '@', 'A', 'a'); }
std::string Dif(long long v) { return Pseudo(v, '%', 'J', 'j'); }

std::string Dup(long long n) {
  std::string out = std::to_string(n);
  out[0] = out[0] == '9' ? 's' : static_cast<char>('S' + (out[0] - '1'));
  return out;
}

namespace {

std::vector<std::string> AffnLines(const std::vector<long long>& ints, const std::function<std::string(long)>& xText) {
  std::vector<std::string> lines;
  const long n = static_cast<long>(ints.size());
  long k = 0;
  while (k < n) {
    std::string line = xText(k);
    do {
      const std::string token = " " + std::to_string(ints[static_cast<size_t>(k)]);
      if (line.size() + token.size() > kJcampLineLimit && line.find(' ') != std::string::npos) break;
      line += token;
      ++k;
    } while (k < n);
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> DifDupLines(const std::vector<long long>& ints,
                                     const std::function<std::string(long)>& xText) {
  std::vector<std::string> lines;
  const long n = static_cast<long>(ints.size());
  auto at = [&](long i) { return ints[static_cast<size_t>(i)]; };
  long start = 0;
  bool endsOnDif = false;
  while (start < n) {
    std::string line = xText(start) + " " + Sqz(at(start));
    long j = start + 1;
    endsOnDif = false;
    while (j < n) {
      const long long diff = at(j) - at(j - 1);
      long run = 1;
      while (j + run < n && at(j + run) - at(j + run - 1) == diff) ++run;
      const std::string dif = Dif(diff);
      if (line.size() + dif.size() > kJcampLineLimit) break;
      // A run stays within its line: shorten it to what fits.
      long take = run;
      while (take > 1 && line.size() + dif.size() + Dup(take).size() > kJcampLineLimit) --take;
      line += dif;
      if (take > 1) line += Dup(take);
      j += take;
      endsOnDif = true;
    }
    lines.push_back(line);
    // After differences the next line repeats this line's last point as a
    // check; a line of one SQZ value is not repeated.
    start = endsOnDif ? j - 1 : j;
    if (endsOnDif && j >= n) break;
  }
  if (endsOnDif) lines.push_back(xText(n - 1) + " " + Sqz(at(n - 1)));
  return lines;
}

}  // namespace

std::vector<std::string> TableLines(const std::vector<long long>& ints,
                                    const std::function<std::string(long)>& xText, bool compressed) {
  return compressed ? DifDupLines(ints, xText) : AffnLines(ints, xText);
}

}  // namespace tav
