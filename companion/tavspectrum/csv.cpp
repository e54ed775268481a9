// The text table: Hz, ppm, real and (when present) imaginary intensity, one
// row per point from F1 on, in the C locale's number format.
#include <string>

#include "axis.h"
#include "numtext.h"
#include "outfile.h"
#include "writers.h"

namespace tav {

bool WriteCsv(const Spectrum& s, const std::string& path, std::string& error) {
  const Axis axis = AxisOf(s);
  const bool complex = s.HasImag();
  OutFile out(path);
  out.Line(complex ? "hz,ppm,real,imag" : "hz,ppm,real");
  std::string row;
  for (long k = 0; k < axis.si; ++k) {
    const size_t i = static_cast<size_t>(k);
    row = Format("%.6f", axis.Hz(k));
    row += ',';
    row += Format("%.9f", axis.Ppm(k));
    row += ',';
    row += Format("%.9g", static_cast<double>(s.Real()[i]));
    if (complex) {
      row += ',';
      row += Format("%.9g", static_cast<double>(s.Imag()[i]));
    }
    out.Line(row);
  }
  return out.Close(error);
}

}  // namespace tav
