// The format writers behind Spectrum::WriteNMRSpectrum. Each writes one
// complete output at `path` (a file, or a folder for the processed-data
// format) and returns false with a reason when it cannot.
#ifndef TAVSPECTRUM_WRITERS_H
#define TAVSPECTRUM_WRITERS_H

#include <string>

#include "tavspectrum.h"

namespace tav {

// The frequency of sample k: F1 + k*(F2-F1)/SI, in double precision.
double SampleHz(const Spectrum& s, long k);

// `title` names the spectrum inside the file (the output's own name, not the
// temporary one it is written under).
bool WriteJcamp(const Spectrum& s, const std::string& path, const std::string& title, bool compressed,
                std::string& error);

// Formats a double with the fewest digits that read back to the same value.
std::string ShortestDouble(double v);
// The fewest digits that read back to the same float: the value as the user typed it.
std::string ShortestFloat(float v);

}  // namespace tav

#endif
