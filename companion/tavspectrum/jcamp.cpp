#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "writers.h"

namespace tav {

double SampleHz(const Spectrum& s, long k) {
  const double f1 = s.F1(), f2 = s.F2();
  return f1 + static_cast<double>(k) * (f2 - f1) / static_cast<double>(s.GetSI());
}

std::string ShortestFloat(float v) {
  char buf[40];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(v));
    if (std::strtof(buf, nullptr) == v) break;
  }
  return buf;
}

std::string ShortestDouble(double v) {
  char buf[40];
  for (int digits = 6; digits <= 17; ++digits) {
    std::snprintf(buf, sizeof buf, "%.*g", digits, v);
    if (std::strtod(buf, nullptr) == v) break;
  }
  return buf;
}

namespace {

// Integer ordinates with one scale: the factor is written first and the
// integers are computed from the factor as written, so that int*YFACTOR
// reproduces every value to 1e-9 of the largest.
struct Scaled {
  std::string factorText;
  double factor = 1.0;
  std::vector<long long> ints;
};

Scaled ScaleOrdinates(const std::vector<float>& y) {
  double maxAbs = 0.0;
  for (float v : y) maxAbs = std::fmax(maxAbs, std::fabs(static_cast<double>(v)));
  Scaled s;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.6g", maxAbs > 0.0 ? maxAbs / 1e9 : 1.0);
  s.factorText = buf;
  s.factor = std::strtod(buf, nullptr);
  s.ints.reserve(y.size());
  for (float v : y) s.ints.push_back(std::llround(static_cast<double>(v) / s.factor));
  return s;
}

}  // namespace

bool WriteJcamp(const Spectrum& s, const std::string& path, const std::string& title, bool compressed,
                std::string& error) {
  if (compressed) {
    error = "the compressed JCAMP-DX form is not available";
    return false;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    error = "cannot create the file";
    return false;
  }
  const long si = s.GetSI();
  const double firstX = SampleHz(s, 0), lastX = SampleHz(s, si - 1);
  const double deltaX = (static_cast<double>(s.F2()) - s.F1()) / static_cast<double>(si);
  const Scaled y = ScaleOrdinates(s.Real());

  std::fprintf(f, "##TITLE= %s\n", title.c_str());
  std::fprintf(f, "##JCAMP-DX= 5.01\n");
  std::fprintf(f, "##DATA TYPE= NMR SPECTRUM\n");
  std::fprintf(f, "##DATA CLASS= XYDATA\n");
  std::fprintf(f, "##ORIGIN= Quillon, traced from a picture\n");
  std::fprintf(f, "##OWNER= public domain\n");
  std::fprintf(f, "##.OBSERVE FREQUENCY= %s\n", ShortestFloat(s.SF()).c_str());
  std::fprintf(f, "##.OBSERVE NUCLEUS= ^1H\n");
  std::fprintf(f, "##XUNITS= HZ\n");
  std::fprintf(f, "##YUNITS= ARBITRARY UNITS\n");
  std::fprintf(f, "##XFACTOR= 1\n");
  std::fprintf(f, "##YFACTOR= %s\n", y.factorText.c_str());
  std::fprintf(f, "##FIRSTX= %s\n", ShortestDouble(firstX).c_str());
  std::fprintf(f, "##LASTX= %s\n", ShortestDouble(lastX).c_str());
  std::fprintf(f, "##DELTAX= %s\n", ShortestDouble(deltaX).c_str());
  std::fprintf(f, "##NPOINTS= %ld\n", si);
  std::fprintf(f, "##FIRSTY= %s\n", ShortestDouble(static_cast<double>(y.ints[0]) * y.factor).c_str());
  std::fprintf(f, "##XYDATA= (X++(Y..Y))\n");
  long k = 0;
  while (k < si) {
    char line[100];
    int len = std::snprintf(line, sizeof line, "%.6f", SampleHz(s, k));
    do {
      char num[32];
      int n = std::snprintf(num, sizeof num, " %lld", y.ints[static_cast<size_t>(k)]);
      if (len + n > 80) break;
      std::memcpy(line + len, num, static_cast<size_t>(n) + 1);
      len += n;
      ++k;
    } while (k < si);
    std::fprintf(f, "%s\n", line);
  }
  std::fprintf(f, "##END=\n");
  const bool ok = std::ferror(f) == 0;
  if (std::fclose(f) != 0 || !ok) {
    error = "the file could not be written completely";
    return false;
  }
  return true;
}

}  // namespace tav
