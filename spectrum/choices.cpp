#include "spectrum/choices.h"

ConversionChoices Choices;
TraceRecord LastTrace;

void ResetChoices() {
  Choices = ConversionChoices{};
  LastTrace = TraceRecord{};
}
