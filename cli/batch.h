// Several pictures in one run. The core keeps one picture and its settings
// in global state, so each picture is converted by a process of this same
// program in its ordinary one-picture mode, at most -j at a time: its output
// and exit code are those of its own run, and a picture that crashes or
// hangs the decoder harms only its own process. Each tells the batch what
// the report needs through a summary file (--summary).
#ifndef QUILLON_CLI_BATCH_H
#define QUILLON_CLI_BATCH_H

#include <string>
#include <vector>

#include "cli/convert.h"
#include "tavnmrfiles.h"

struct BatchPicture {
  std::string input;                  // the picture's path
  std::string name;                   // its output's name without extension, relative to the output folder
  std::string output;                 // the spectrum to write
  std::vector<std::string> settings;  // options of its own, from the manifest
};

// Converts every picture `options` names in `format`; the exit code is the
// highest of theirs.
int RunBatch(const ConvertOptions& options, outfile format);

// True when a file of this name is taken from a folder: by its extension,
// never a hidden file.
bool IsPictureName(const std::string& name);

// The pictures the inputs name: a file as it is, a folder's pictures
// (with --recursive also those of its subfolders, keeping their relative
// names), in the order given and each folder's sorted. False with `problem`
// when a folder cannot be read.
bool FindPictures(const std::vector<std::string>& inputs, bool recursive, std::vector<BatchPicture>* pictures,
                  std::string* problem);

// Gives each picture its output: `folder`/name.extension, or beside the
// picture when `folder` is empty. False, naming both, when two pictures
// would be written to the same name.
bool NameOutputs(std::vector<BatchPicture>& pictures, const std::string& folder, const std::string& extension,
                 std::string* problem);

#endif
