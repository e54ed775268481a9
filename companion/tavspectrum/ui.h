// What the spectrum library shows to the user while it writes.
#ifndef TAVSPECTRUM_UI_H
#define TAVSPECTRUM_UI_H

#include <string>

#include "tavspectrum.h"

namespace tav {

// With an owner window: lets the user confirm or change the output name and
// asks before an existing file or folder is replaced. False when cancelled.
bool ChooseOutputName(TAVWINDOW owner, std::string& name, outfile format);

// Tells the user that the spectrum could not be written and why.
void ReportWriteError(TAVWINDOW owner, const std::string& name, const std::string& reason);

}  // namespace tav

#endif
