#include <cstring>

#include "tavnmrfiles.h"

namespace {
struct FormatInfo {
  outfile format;
  const char* listName;
  const char* commandName;
  const char* extension;
};
// List order is the order of the settings dialog's list and of OutfileToInt.
const FormatInfo kFormats[OUTFILE_COUNT] = {
    {OUTFILE_JCAMP, "JCAMP-DX", "jcamp", "dx"},
    {OUTFILE_JCAMP_DIF, "JCAMP-DX compressed", "jcamp-dif", "dx"},
    {OUTFILE_PDATA, "Processed data folder", "pdata", ""},
    {OUTFILE_NMRPIPE, "NMRPipe", "nmrpipe", "ft1"},
    {OUTFILE_CSV, "Text table", "csv", "csv"},
};
}  // namespace

int OutfileToInt(outfile format) {
  for (int i = 0; i < OUTFILE_COUNT; ++i)
    if (kFormats[i].format == format) return i;
  return 0;
}

outfile IntToOutfile(int index) {
  if (index < 0 || index >= OUTFILE_COUNT) return OUTFILE_JCAMP;
  return kFormats[index].format;
}

const char* OutfileListName(int index) {
  return index >= 0 && index < OUTFILE_COUNT ? kFormats[index].listName : nullptr;
}

const char* OutfileCommandName(int index) {
  return index >= 0 && index < OUTFILE_COUNT ? kFormats[index].commandName : nullptr;
}

const char* OutfileExtension(outfile format) { return kFormats[OutfileToInt(format)].extension; }

outfile GetOutputDefault(TAVHELPINFO*) { return OUTFILE_JCAMP; }
