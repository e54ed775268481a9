// What one conversion of a batch tells the batch (its summary), and the
// batch's report: one row per picture, as CSV or JSON.
#ifndef QUILLON_CLI_BATCH_REPORT_H
#define QUILLON_CLI_BATCH_REPORT_H

#include <string>
#include <vector>

struct PictureSummary {
  int exitCode = -1;    // the code the conversion ends with
  std::string message;  // what the conversion told the user last; empty when nothing
  std::string output;   // the spectrum written; empty when none was
  bool traced = false;  // a trace reached synthesis: the fields below hold
  long long points = 0;
  double f1 = 0, f2 = 0;  // Hz, as the spectrum states them
  int si = 0;
  std::string mode;  // "classic" or "auto"
  std::vector<std::string> warnings;
};

std::string SummaryJson(const PictureSummary& summary);
// False when `text` is no summary (a conversion cut short writes none, or half of one).
bool ParseSummary(const std::string& text, PictureSummary* summary);

enum PictureStatus {
  PICTURE_WRITTEN,
  PICTURE_REFUSED,        // the picture or its settings were refused, or nothing was found in it
  PICTURE_FAILED,         // the output could not be written, or the conversion ended abnormally
  PICTURE_NOT_CONVERTED,  // the batch was interrupted before it ended
};

struct PictureResult {
  std::string input;
  PictureStatus status = PICTURE_NOT_CONVERTED;
  int exitCode = -1;  // -1: the conversion ended without an exit code of its own, or never ran
  std::string message;
  PictureSummary summary;
  long long milliseconds = -1;  // -1: never started
};

const char* StatusName(PictureStatus status);
PictureStatus StatusOfExit(int code);
// The batch's exit code: the highest of its pictures' codes, where a
// conversion that ended without one (a crash) counts as "not written".
int WorstExitCode(const std::vector<PictureResult>& results);

std::string ReportCsv(const std::vector<PictureResult>& results);
std::string ReportJson(const std::vector<PictureResult>& results);

#endif
