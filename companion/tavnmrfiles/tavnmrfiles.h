// tavnmrfiles: the NMR output formats, their names, and a file-time query.
#ifndef TAVNMRFILES_H
#define TAVNMRFILES_H

#include <cstdint>

#include "tavutils.h"

// Output formats. The values are the library's own; the program converts them
// to and from list positions only with OutfileToInt / IntToOutfile.
enum outfile {
  OUTFILE_JCAMP = 0x4a01,      // JCAMP-DX 5.01, XYDATA in plain numbers
  OUTFILE_JCAMP_DIF = 0x4a02,  // JCAMP-DX 5.01, compressed DIFDUP
  OUTFILE_PDATA = 0x5001,      // processed data folder (acqus, pdata/1/1r 1i procs)
  OUTFILE_NMRPIPE = 0x5002,    // NMRPipe 1D .ft1
  OUTFILE_CSV = 0x4301,        // text table
};

constexpr int OUTFILE_COUNT = 5;

outfile GetOutputDefault(TAVHELPINFO* info);
int OutfileToInt(outfile format);
outfile IntToOutfile(int index);
// Fills combo box `id` of `dialog` with the format names and selects `index`.
int InitDlgOutfileListBox(TAVWINDOW dialog, int id, int index);
// A positive stamp that changes whenever the file's contents change; -1 when
// the file cannot be examined. The contents are read only when the file
// system cannot vouch for a stamp taken earlier.
std::int32_t GetTimeLastModified(const char* path);

// What the file system alone tells of `path` since GetTimeLastModified gave
// `stamp` for it, without reading the file. Safe from any thread.
enum : int {
  TAV_STAMP_GONE = -1,    // it cannot be examined
  TAV_STAMP_SAME = 0,     // it is as it was
  TAV_STAMP_CHANGED = 1,  // it changed
  TAV_STAMP_UNKNOWN = 2,  // only its contents can tell: GetTimeLastModified reads them
};
int CompareTimeLastModified(const char* path, std::int32_t stamp);

// Names of a format: as listed to the user ("JCAMP-DX") and as typed on a
// command line ("jcamp"). Null for an index out of range.
const char* OutfileListName(int index);
const char* OutfileCommandName(int index);
// The file extension that a format writes ("dx", "ft1", "csv"; "" for a folder).
const char* OutfileExtension(outfile format);

#endif
