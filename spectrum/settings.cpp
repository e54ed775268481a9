#include "spectrum/settings.h"

#include "spectrum/choices.h"

SPECTRUMSETTINGS SpectrumSettings = kInitialSettings;
outfile OutputFormat = OUTFILE_JCAMP;
std::int32_t Decimals = 3;
qio::File PointLogFile = qio::kInvalid;
std::int32_t PointCount = 0;
std::int32_t Recording = 0;
char LineBuffer[kLineBufferSize];
std::int32_t ReplaceExistingOutput = 0;

void ResetSettings() {
  SpectrumSettings = kInitialSettings;
  OutputFormat = OUTFILE_JCAMP;
  Decimals = 3;
  PointLogFile = qio::kInvalid;
  PointCount = 0;
  Recording = 0;
  ReplaceExistingOutput = 0;
  ResetChoices();
}
