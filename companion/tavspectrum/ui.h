// What the spectrum library shows to the user while it writes, and the
// naming rules that the Save dialog and the write share.
#ifndef TAVSPECTRUM_UI_H
#define TAVSPECTRUM_UI_H

#include <string>

#include "tavspectrum.h"

namespace tav {

enum class NameChoice {
  Cancelled,
  Chosen,         // nothing of that name exists (or nothing was asked)
  ChosenReplace,  // the user agreed to replace what exists
};

// With an owner window: a Save dialog pre-filled with SuggestOutputName(name),
// asking before an existing file or folder is replaced, and asking whether a
// name typed with another format's extension is to be written in that format
// (then `format` holds it). Without one (and natively, where there are no
// windows) the name is kept and nothing is asked.
NameChoice ChooseOutputName(TAVWINDOW owner, std::string& name, outfile& format);

// Tells the user that the spectrum could not be written and why.
void ReportWriteError(TAVWINDOW owner, const std::string& name, const std::string& reason);

// The name offered for `format`: an extension that belongs to another format
// is replaced by this format's ("001001.1r" -> "001001.dx"), a missing one
// added; the folder format has none ("001001.1r" -> "001001"). Other
// extensions are the user's choice and stay.
std::string SuggestOutputName(const std::string& name, outfile format);

// The format that the extension of `name` belongs to, when it belongs to one
// and not to `format` ("x.csv" under JCAMP-DX: the text table; the JCAMP-DX
// forms share theirs, and the first of them is given). False when the name
// has no extension, one of `format`'s own, or one no format uses.
bool OtherFormatOfName(const std::string& name, outfile format, outfile* other);

// The output path a name stands for: a folder name loses trailing separators.
std::string OutputPath(const std::string& name, outfile format);

// Why what exists at `path` must not be replaced by an output of `format`
// (a folder by a file; a folder holding anything but a processed spectrum);
// empty when it may be, with the user's consent.
std::string ReplaceProblem(const std::string& path, outfile format);

}  // namespace tav

#endif
