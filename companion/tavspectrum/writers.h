// The format writers behind Spectrum::WriteNMRSpectrum. Each writes one
// complete output at `path` (a file, or a folder for the processed-data
// format) and returns false with a reason when it cannot. `title` names the
// spectrum inside the output (the output's own name, not the temporary one it
// is written under).
#ifndef TAVSPECTRUM_WRITERS_H
#define TAVSPECTRUM_WRITERS_H

#include <string>

#include "tavspectrum.h"

namespace tav {

bool WriteJcamp(const Spectrum& s, const std::string& path, const std::string& title, bool compressed,
                std::string& error);
bool WritePdata(const Spectrum& s, const std::string& path, const std::string& title, std::string& error);
bool WriteNmrPipe(const Spectrum& s, const std::string& path, std::string& error);
bool WriteCsv(const Spectrum& s, const std::string& path, std::string& error);

// NC_proc of the folder format: the exponent that puts the largest |value| of
// both parts in (2^29, 2^30] as an integer; 0 for an all-zero spectrum.
int FolderExponent(const std::vector<float>& real, const std::vector<float>& imag);

// NMRPipe's header: 512 float words.
constexpr int kPipeHeaderWords = 512;

}  // namespace tav

#endif
