#include <cstdio>

#include "ui.h"

namespace tav {

// There is no window to ask through natively; the name is used as given.
NameChoice ChooseOutputName(TAVWINDOW, std::string&, outfile&) { return NameChoice::Chosen; }

void ReportWriteError(TAVWINDOW, const std::string& name, const std::string& reason) {
  std::fprintf(stderr, "Cannot write the spectrum \"%s\": %s.\n", name.c_str(), reason.c_str());
}

}  // namespace tav
