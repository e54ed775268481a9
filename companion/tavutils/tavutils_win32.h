// The Windows side of the utility library beyond tavutils.h: what its windows
// share, and the hooks by which tests watch them without launching anything.
#ifndef TAVUTILS_WIN32_H
#define TAVUTILS_WIN32_H

#include <windows.h>

// Opens `url` (a file: URL with the topic as its fragment) of the help document
// `document`. Returns non-zero when a viewer was started.
using CVHelpOpener = int (*)(const char* document, const char* url);
// Replaces how DisplayPDFHelp opens the document; null restores the viewer
// that Windows associates with the document. Returns the previous opener.
CVHelpOpener CVSetHelpOpener(CVHelpOpener opener);

// The caption of the library's message boxes: the program's product name from
// its version resource, else its file name without extension.
void CVProgramCaption(HINSTANCE instance, char* caption, int size);

// A message box with the program's caption, owned by the active window
// (task-modal when there is none).
void CVMessageBox(HINSTANCE instance, const char* text, UINT icon);

// A string of the program's version resource (US English block), such as
// "ProductName" or "LegalCopyright"; false, with `out` empty, when absent.
bool CVVersionText(HINSTANCE instance, const char* field, char* out, int size);

// The window class of the progress gauge.
constexpr const char kCVGaugeClass[] = "TavGauge";

#endif
