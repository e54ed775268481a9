#include <algorithm>
#include <string>
#include <vector>

#include "asdf.h"
#include "axis.h"
#include "numtext.h"
#include "outfile.h"
#include "writers.h"

namespace tav {

namespace {

double RealUnits(const ScaledOrdinates& y, size_t i) { return static_cast<double>(y.ints[i]) * y.factor; }

std::string MinText(const ScaledOrdinates& y) {
  return ShortestDouble(static_cast<double>(*std::min_element(y.ints.begin(), y.ints.end())) * y.factor);
}
std::string MaxText(const ScaledOrdinates& y) {
  return ShortestDouble(static_cast<double>(*std::max_element(y.ints.begin(), y.ints.end())) * y.factor);
}

void Header(OutFile& out, const Axis& axis, const Spectrum& s, const std::string& title, const char* dataClass) {
  out.Line("##TITLE= " + OneLine(title));
  out.Line("##JCAMP-DX= 5.01");
  out.Line("##DATA TYPE= NMR SPECTRUM");
  out.Line(std::string("##DATA CLASS= ") + dataClass);
  out.Line("##ORIGIN= Quillon, traced from a picture");
  out.Line("##OWNER= public domain");
  // Without these two, viewers assume 400 MHz and 1H and take Hz for ppm.
  out.Line("##.OBSERVE FREQUENCY= " + ShortestDouble(axis.sf));
  out.Line("##.OBSERVE NUCLEUS= ^" + s.Nucleus());
}

void Table(OutFile& out, const Axis& axis, const ScaledOrdinates& y, bool compressed) {
  const auto xText = [&axis](long k) { return Format("%.6f", axis.Hz(k)); };
  for (const std::string& line : TableLines(y.ints, xText, compressed)) out.Line(line);
}

void WriteXyData(OutFile& out, const Axis& axis, const Spectrum& s, const std::string& title, bool compressed) {
  const ScaledOrdinates y = ScaleOrdinates(s.Real());
  Header(out, axis, s, title, "XYDATA");
  out.Line("##.SHIFT REFERENCE= (INTERNAL, TMS, 1, " + ShortestDouble(axis.Ppm(0)) + ")");
  out.Line("##XUNITS= HZ");
  out.Line("##YUNITS= ARBITRARY UNITS");
  out.Line("##XFACTOR= 1");
  out.Line("##YFACTOR= " + y.factorText);
  out.Line("##FIRSTX= " + ShortestDouble(axis.Hz(0)));
  // The last sample, one step short of F2.
  out.Line("##LASTX= " + ShortestDouble(axis.LastHz()));
  out.Line("##DELTAX= " + ShortestDouble(axis.step));
  out.Line("##NPOINTS= " + std::to_string(axis.si));
  out.Line("##FIRSTY= " + ShortestDouble(RealUnits(y, 0)));
  out.Line("##MINY= " + MinText(y));
  out.Line("##MAXY= " + MaxText(y));
  out.Line("##XYDATA= (X++(Y..Y))");
  Table(out, axis, y, compressed);
  out.Line("##END=");
}

// Real and imaginary parts as two pages of one NTUPLES block.
void WriteNtuples(OutFile& out, const Axis& axis, const Spectrum& s, const std::string& title, bool compressed) {
  const ScaledOrdinates r = ScaleOrdinates(s.Real());
  const ScaledOrdinates i = ScaleOrdinates(s.Imag());
  const size_t last = static_cast<size_t>(axis.si - 1);
  const std::string n = std::to_string(axis.si);
  const std::string form = compressed ? "ASDF" : "AFFN";
  Header(out, axis, s, title, "NTUPLES");
  out.Line("##NTUPLES= NMR SPECTRUM");
  out.Line("##VAR_NAME= FREQUENCY, SPECTRUM/REAL, SPECTRUM/IMAG, PAGE NUMBER");
  out.Line("##SYMBOL= X, R, I, N");
  out.Line("##VAR_TYPE= INDEPENDENT, DEPENDENT, DEPENDENT, PAGE");
  out.Line("##VAR_FORM= AFFN, " + form + ", " + form + ", AFFN");
  out.Line("##VAR_DIM= " + n + ", " + n + ", " + n + ", 2");
  out.Line("##UNITS= HZ, ARBITRARY UNITS, ARBITRARY UNITS,");
  out.Line("##FIRST= " + ShortestDouble(axis.Hz(0)) + ", " + ShortestDouble(RealUnits(r, 0)) + ", " +
           ShortestDouble(RealUnits(i, 0)) + ", 1");
  out.Line("##LAST= " + ShortestDouble(axis.LastHz()) + ", " + ShortestDouble(RealUnits(r, last)) + ", " +
           ShortestDouble(RealUnits(i, last)) + ", 2");
  out.Line("##MIN= " + ShortestDouble(axis.LowestHz()) + ", " + MinText(r) + ", " + MinText(i) + ", 1");
  out.Line("##MAX= " + ShortestDouble(axis.HighestHz()) + ", " + MaxText(r) + ", " + MaxText(i) + ", 2");
  out.Line("##FACTOR= 1, " + r.factorText + ", " + i.factorText + ", 1");
  out.Line("##PAGE= N=1");
  out.Line("##DATA TABLE= (X++(R..R)), XYDATA");
  Table(out, axis, r, compressed);
  out.Line("##PAGE= N=2");
  out.Line("##DATA TABLE= (X++(I..I)), XYDATA");
  Table(out, axis, i, compressed);
  out.Line("##END NTUPLES= NMR SPECTRUM");
  out.Line("##END=");
}

}  // namespace

bool WriteJcamp(const Spectrum& s, const std::string& path, const std::string& title, bool compressed,
                std::string& error) {
  const Axis axis = AxisOf(s);
  OutFile out(path);
  // A real-only NTUPLES block is read unscaled by some readers: real-only
  // spectra use XYDATA.
  if (s.HasImag())
    WriteNtuples(out, axis, s, title, compressed);
  else
    WriteXyData(out, axis, s, title, compressed);
  return out.Close(error);
}

}  // namespace tav
