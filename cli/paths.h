// Which paths a write could touch: no output may replace or remove the input,
// nor another output of the same run.
#ifndef QUILLON_CLI_PATHS_H
#define QUILLON_CLI_PATHS_H

#include <string>

// True when writing `output` could replace or remove `path`: the same file
// (by any name, also a hard link) or a folder that holds it.
bool Covers(const std::string& output, const std::string& path);

#endif
