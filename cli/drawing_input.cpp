#include "cli/convert.h"
#include "spectrum/messages.h"

int ConvertDrawing(const ConvertOptions&) {
  ShowMessage(IDS_FORMAT_UNKNOWN);
  return -1;
}
