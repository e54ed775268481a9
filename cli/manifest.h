// Settings per picture for a batch: a CSV file whose header names its
// columns, one row per picture. Each value becomes the converter option of
// the column's name for that picture alone.
#ifndef QUILLON_CLI_MANIFEST_H
#define QUILLON_CLI_MANIFEST_H

#include <string>
#include <vector>

struct ManifestRow {
  unsigned line = 0;                 // in the file, for messages
  std::string file;                  // the picture, as written
  std::vector<std::string> options;  // "--sf=400.13", ... for the cells given
};

// Reads manifest text (`name` for messages); false with `problem` on any fault.
bool ParseManifest(const std::string& name, std::string text, std::vector<ManifestRow>* rows, std::string* problem);
bool ReadManifest(const std::string& path, std::vector<ManifestRow>* rows, std::string* problem);

#endif
