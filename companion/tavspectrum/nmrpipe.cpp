// NMRPipe 1D: 512 float words of header, then N real values, followed by N
// imaginary values for complex data; stored from high to low frequency, in
// the machine's own byte order (readers find it from the 2.345 in word 2).
#include <cstring>
#include <string>
#include <vector>

#include "axis.h"
#include "outfile.h"
#include "writers.h"

namespace tav {

namespace {

enum PipeWord {
  FDMAGIC = 0,
  FDFLTFORMAT = 1,
  FDFLTORDER = 2,
  FDDIMCOUNT = 9,
  FDF3SIZE = 15,
  FDF2LABEL = 16,
  FDDIMORDER1 = 24,
  FDF4SIZE = 32,
  FDF1QUADFLAG = 55,
  FDF2QUADFLAG = 56,
  FDPIPEFLAG = 57,
  FDF2CAR = 66,
  FDF2CENTER = 79,
  FDF2APOD = 95,
  FDF2FTSIZE = 96,
  FDREALSIZE = 97,
  FDSIZE = 99,
  FDF2SW = 100,
  FDF2ORIG = 101,
  FDQUADFLAG = 106,
  FDF2OBS = 119,
  FDF2UNITS = 152,
  FDSPECNUM = 219,
  FDF2FTFLAG = 220,
  FDTRANSPOSED = 221,
  FDF2TDSIZE = 386,
  FD2DVIRGIN = 399,
  FDFILECOUNT = 442,
};

}  // namespace

bool WriteNmrPipe(const Spectrum& s, const std::string& path, std::string& error) {
  const Axis axis = AxisOf(s);
  const long n = axis.si;
  const bool complex = s.HasImag();
  float h[kPipeHeaderWords] = {};
  const auto f = [](double v) { return static_cast<float>(v); };
  h[FDMAGIC] = 0;
  h[FDFLTFORMAT] = 4008636160.0f;  // the value of (float)0xEEEEEEEE, not its bit pattern
  h[FDFLTORDER] = 2.345f;
  h[FDDIMCOUNT] = 1;
  h[FDF3SIZE] = 1;
  h[FDF4SIZE] = 1;
  // Eight bytes, NUL-padded; a nucleus name takes at most six.
  char label[8] = {};
  s.Nucleus().copy(label, sizeof label - 1);
  std::memcpy(&h[FDF2LABEL], label, sizeof label);
  h[FDDIMORDER1] = 2;
  h[FDDIMORDER1 + 1] = 1;
  h[FDDIMORDER1 + 2] = 3;
  h[FDDIMORDER1 + 3] = 4;
  h[FDF1QUADFLAG] = 1;
  h[FDF2QUADFLAG] = complex ? 0 : 1;
  h[FDQUADFLAG] = h[FDF2QUADFLAG];
  h[FDPIPEFLAG] = 0;
  // The carrier is at 1-based point int(N/2)+1 of the stored (high to low) order;
  // the origin is the last stored point, the lowest frequency.
  const long center = n / 2 + 1;
  const double width = axis.Width();
  const double spacing = width / static_cast<double>(n);
  const double carrierHz = axis.HighestHz() - static_cast<double>(center - 1) * spacing;
  h[FDF2CAR] = f(carrierHz / axis.sf);
  h[FDF2CENTER] = f(static_cast<double>(center));
  h[FDF2APOD] = f(static_cast<double>(n));
  h[FDF2FTSIZE] = f(static_cast<double>(n));
  h[FDREALSIZE] = f(static_cast<double>(n));
  h[FDSIZE] = f(static_cast<double>(n));
  h[FDF2TDSIZE] = f(static_cast<double>(n));
  h[FDF2SW] = f(width);
  h[FDF2ORIG] = f(axis.LowestHz());
  h[FDF2OBS] = s.SF();
  h[FDF2UNITS] = 0;
  h[FDSPECNUM] = 1;
  h[FDF2FTFLAG] = s.Flag(1) ? 1.0f : 0.0f;
  h[FDTRANSPOSED] = 0;
  h[FD2DVIRGIN] = 1;
  h[FDFILECOUNT] = 1;

  OutFile out(path);
  out.Write(h, sizeof h);
  const std::vector<float> real = HighToLow(axis, s.Real());
  out.Write(real.data(), real.size() * sizeof(float));
  if (complex) {
    const std::vector<float> imag = HighToLow(axis, s.Imag());
    out.Write(imag.data(), imag.size() * sizeof(float));
  }
  return out.Close(error);
}

}  // namespace tav
