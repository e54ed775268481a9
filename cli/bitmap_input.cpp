#include "cli/convert.h"
#include "spectrum/messages.h"

int ConvertBitmap(const ConvertOptions&) {
  ShowMessage(IDS_FORMAT_UNKNOWN);
  return -1;
}
