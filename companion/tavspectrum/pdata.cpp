// The processed data folder: <name>/acqus (and its copy acqu) and
// <name>/pdata/1/ with 1r, 1i, procs (and its copy proc) and title.
#include <cmath>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "axis.h"
#include "fsops.h"
#include "numtext.h"
#include "outfile.h"
#include "writers.h"

namespace tav {

int FolderExponent(const std::vector<float>& real, const std::vector<float>& imag) {
  double maxAbs = 0.0;
  for (float v : real) maxAbs = std::fmax(maxAbs, std::fabs(static_cast<double>(v)));
  for (float v : imag) maxAbs = std::fmax(maxAbs, std::fabs(static_cast<double>(v)));
  if (!(maxAbs > 0.0)) return 0;
  // maxAbs = m * 2^e with m in [0.5, 1): ceil(log2(maxAbs)) is e, or e - 1
  // when maxAbs is a power of two.
  int e = 0;
  const double m = std::frexp(maxAbs, &e);
  const int ceilLog2 = m == 0.5 ? e - 1 : e;
  return ceilLog2 - 30;
}

namespace {

struct Param {
  const char* key;
  std::string value;
};

bool WriteParameters(const std::string& path, const std::string& title, const std::vector<Param>& params,
                     std::string& error) {
  OutFile out(path);
  // Readers find no parameter block unless the file begins with ##TITLE=.
  out.Line("##TITLE= Parameter file, " + OneLine(title));
  out.Line("##JCAMPDX= 5.0");
  out.Line("##DATATYPE= Parameter Values");
  out.Line("##ORIGIN= Quillon, traced from a picture");
  out.Line("##OWNER= public domain");
  for (const Param& p : params) out.Line(std::string("##$") + p.key + "= " + p.value);
  out.Line("##END=");
  return out.Close(error);
}

// int32, little-endian on every platform (BYTORDP 0), in storage order.
bool WriteIntegers(const std::string& path, const std::vector<float>& samples, int exponent, std::string& error) {
  std::vector<unsigned char> bytes;
  bytes.reserve(samples.size() * 4);
  for (float v : samples) {
    const long long n = std::llround(std::ldexp(static_cast<double>(v), -exponent));
    const std::uint32_t u = static_cast<std::uint32_t>(static_cast<std::int32_t>(n));
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<unsigned char>(u >> (8 * b)));
  }
  OutFile out(path);
  out.Write(bytes.data(), bytes.size());
  return out.Close(error);
}

bool WriteText(const std::string& path, const std::string& text, std::string& error) {
  OutFile out(path);
  out.Line(text);
  return out.Close(error);
}

}  // namespace

bool WritePdata(const Spectrum& s, const std::string& path, const std::string& title, std::string& error) {
  const Axis axis = AxisOf(s);
  const std::string si = std::to_string(axis.si);
  const double width = axis.Width();
  // The first stored point is the highest frequency; the carrier sits at the
  // middle of the window, where readers that use acqus put it.
  const double carrier = axis.HighestHz() - width / 2.0;
  const double sfo1 = axis.sf + carrier * 1e-6;
  const int exponent = FolderExponent(s.Real(), s.HasImag() ? s.Imag() : std::vector<float>());

  const std::vector<Param> acqus = {
      {"AQ_mod", "3"},
      {"BF1", FloatText(axis.sf)},
      {"BYTORDA", "0"},
      {"DATE", std::to_string(static_cast<long long>(std::time(nullptr)))},
      {"DTYPA", "0"},
      {"NS", "1"},
      {"NUC1", "<" + s.Nucleus() + ">"},
      {"O1", FloatText(carrier)},
      {"SFO1", FloatText(sfo1)},
      {"SW", FloatText(width / sfo1)},
      {"SW_h", FloatText(width)},
      {"TD", std::to_string(2 * axis.si)},
  };
  const std::vector<Param> procs = {
      {"AXNUC", "<" + s.Nucleus() + ">"},
      {"BYTORDP", "0"},
      {"DTYPP", "0"},
      {"FTSIZE", si},
      {"MC2", "0"},
      {"NC_proc", std::to_string(exponent)},
      {"OFFSET", FloatText(axis.HighestHz() / axis.sf)},
      {"PHC0", "0"},
      {"PHC1", "0"},
      {"SF", FloatText(axis.sf)},
      {"SI", si},
      {"SR", "0"},
      {"STSI", si},
      {"STSR", "0"},
      {"SW_p", FloatText(width)},
      {"XDIM", si},
  };

  const std::string pdata = path + "/pdata", proc = pdata + "/1";
  if (!MakeFolder(path) || !MakeFolder(pdata) || !MakeFolder(proc)) {
    error = "cannot create the folder";
    return false;
  }
  return WriteParameters(path + "/acqus", title, acqus, error) &&
         WriteParameters(path + "/acqu", title, acqus, error) &&
         WriteParameters(proc + "/procs", title, procs, error) &&
         WriteParameters(proc + "/proc", title, procs, error) &&
         WriteIntegers(proc + "/1r", HighToLow(axis, s.Real()), exponent, error) &&
         (!s.HasImag() || WriteIntegers(proc + "/1i", HighToLow(axis, s.Imag()), exponent, error)) &&
         WriteText(proc + "/title", OneLine(title), error);
}

}  // namespace tav
