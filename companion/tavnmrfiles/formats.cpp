#include <cstring>
#include <string>

#include "ini.h"
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

// [Output] Format= in the ini file the record names, by command-line or list
// name; JCAMP-DX when the file, the entry or the name is missing or unknown.
outfile GetOutputDefault(TAVHELPINFO* info) {
  if (info == nullptr) return OUTFILE_JCAMP;
  const std::string file(info->FileName, strnlen(info->FileName, sizeof info->FileName));
  std::string name;
  if (!tav::ReadIniValue(file.c_str(), tav::kOutputSection, tav::kFormatKey, name)) return OUTFILE_JCAMP;
  for (int i = 0; i < OUTFILE_COUNT; ++i)
    if (tav::SameIniName(name, kFormats[i].commandName) || tav::SameIniName(name, kFormats[i].listName)) return kFormats[i].format;
  return OUTFILE_JCAMP;
}
