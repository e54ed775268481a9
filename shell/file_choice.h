// Text handling of the Open dialog and of the remembered folder, kept apart
// from the dialog so that it can be checked anywhere.
#ifndef QUILLON_SHELL_FILE_CHOICE_H
#define QUILLON_SHELL_FILE_CHOICE_H

#include <cstddef>

// Turns a filter text whose last character is its separator ("Bitmaps|*.bmp|")
// into the Open dialog's list of NUL-separated description/pattern pairs,
// ended by two NULs (the text's own terminator is the second). False for an
// empty text.
bool MakeOpenFilter(char* text);

// The folder of a full path: the path cut at its last backslash, the
// backslash dropped ("C:\spectra\a.bmp" gives "C:\spectra", "C:\a.bmp" gives
// "C:"). False, with `folder` untouched, when the path has no backslash or the
// folder does not fit.
bool FolderOfPath(const char* path, char* folder, std::size_t size);

// The folder to open the Open dialog in, from the remembered one: a drive
// alone ("C:") means its root folder ("C:\"), not the drive's current folder.
void InitialFolder(const char* remembered, char* folder, std::size_t size);

// The picture named on the command line (the text after the program's name):
// a quoted path up to its closing quote, else the whole line without the
// blanks around it, so that a path with blanks needs no quotes. False when
// the line names nothing or the path does not fit.
bool PathFromCommandLine(const char* line, char* path, std::size_t size);

#endif
