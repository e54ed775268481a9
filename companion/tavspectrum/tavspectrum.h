// tavspectrum: the spectrum object and its writer.
#ifndef TAVSPECTRUM_H
#define TAVSPECTRUM_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "tavnmrfiles.h"
#include "tavutils.h"

class Spectrum {
 public:
  Spectrum();
  ~Spectrum();
  Spectrum(const Spectrum&) = delete;
  Spectrum& operator=(const Spectrum&) = delete;

  // A spectrum of `si` points from f1 to f2 Hz (sample k at f1 + k*(f2-f1)/si)
  // at spectrometer frequency `sf` MHz. `kind` is 0 (1D). Returns 1 on success;
  // 0 (and an empty spectrum) for another kind, si < 1, sf <= 0 or a value
  // that is not finite.
  int Init(int kind, long si, float sf, float f1, float f2);
  // Stores the real intensity of point `index`; out-of-range indices are
  // ignored. An imaginary part computed earlier no longer matches and is dropped.
  void SetRealInt(long index, float value);
  // Flag 1: the data are a frequency-domain spectrum (NMRPipe's FDF2FTFLAG).
  // Flag 2: the real part is valid; nothing is written or transformed without it.
  void SetSpecFlag(long flag, int value);
  long GetSI() const;
  // The observed nucleus every format names ("1H" until set). Returns 1 when
  // `name` is one (IsNucleusName); any other name is refused and the nucleus
  // stays as it was.
  int SetNucleus(const char* name);
  // Code 8: the imaginary part from the real part (discrete Hilbert transform),
  // for a valid frequency-domain real part of a power-of-two size. Returns 1
  // when done, 0 when refused.
  int Transform(unsigned code);
  // Writes the spectrum under `name` in `format`. With an owner window the user
  // confirms the name in a Save dialog; without one the name is used as given.
  // Returns non-zero only when everything was written.
  int WriteNMRSpectrum(TAVWINDOW owner, const char* name, outfile format, TAVHELPINFO* info);

  // Read access for writers and tests.
  float SF() const { return sf_; }
  float F1() const { return f1_; }
  float F2() const { return f2_; }
  const std::vector<float>& Real() const { return real_; }
  // The dispersion belonging to the real (absorption) part, over increasing
  // frequency: a line at f0 has a negative imaginary part above f0.
  const std::vector<float>& Imag() const { return imag_; }
  bool HasImag() const { return hasImag_; }
  const std::string& Nucleus() const { return nucleus_; }
  int Flag(long flag) const;

 private:
  long si_ = 0;
  float sf_ = 0, f1_ = 0, f2_ = 0;
  std::vector<float> real_, imag_;
  bool hasImag_ = false;
  int flags_[3] = {0, 0, 0};
  std::string nucleus_ = "1H";
};

// Writes `size` bytes as the file `name` as safely as a spectrum: into a work
// folder beside it, renamed into place only when complete. An existing file
// is replaced only with `replace`, a folder never. Returns 1 when written;
// 0 with the reason in `error`, nothing left behind and an earlier file intact.
int WriteFileSafely(const char* name, const void* data, std::size_t size, bool replace, std::string* error);

// A nucleus as NMR names it: a mass number (1 to 299, at least the element's
// atomic number) and an element symbol as written ("1H", "13C", "19F", "31P").
bool IsNucleusName(const char* name);
// One more file of a conversion (the traced points, a preview), made by the
// spectrum's own rules: written in a work folder beside the target and put in
// place only when complete; never over a folder, over an existing file only
// with consent; whatever is not put in place is removed with the object.
class StagedOutput {
 public:
  StagedOutput();
  ~StagedOutput();
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // Checks the name and makes the work folder; false with a reason.
  bool Begin(const std::string& target, bool replace, std::string& error);
  // Where to write the contents; empty before Begin and after Commit.
  const std::string& Path() const { return path_; }
  // Puts the finished file in place; false with a reason (nothing is left then).
  bool Commit(std::string& error);

 private:
  struct Work;
  std::unique_ptr<Work> work_;
  std::string path_;
};

#endif
