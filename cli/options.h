// The converter's command line.
#ifndef QUILLON_CLI_OPTIONS_H
#define QUILLON_CLI_OPTIONS_H

#include <string>

#include "cli/convert.h"

enum ParseResult { PARSE_OK, PARSE_HELP, PARSE_USAGE };

// Reads the command line into `options` and into the settings and globals it
// sets (SpectrumSettings, Choices, ReplaceExistingOutput). On PARSE_USAGE
// `problem` says what is wrong.
int ParseCommandLine(int argc, char** argv, ConvertOptions* options, std::string* problem);

// The text of --help.
const char* ConverterUsage();

#endif
