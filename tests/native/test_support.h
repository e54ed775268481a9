// Shared helpers of the core tests.
#ifndef QUILLON_TESTS_TEST_SUPPORT_H
#define QUILLON_TESTS_TEST_SUPPORT_H

#include <string>
#include <utility>
#include <vector>

// A fresh empty folder, removed with its contents at the end of the scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Collects the ids of the messages shown while it lives.
class MessageCapture {
 public:
  MessageCapture();
  ~MessageCapture();
  const std::vector<int>& ids() const;
};

// Puts the program's globals back as they are at start-up.
void ResetProgram();

// Runs one conversion of `points` through a real point log (the drawing road:
// log, reopen, BuildSpectrum, delete). Returns BuildSpectrum's result.
int ConvertPoints(const std::vector<std::pair<long, long>>& points);

// The X and Y values of a JCAMP-DX XYDATA file as a reader computes them
// (FIRSTX/LASTX/NPOINTS for x, integers times YFACTOR for y). Empty on failure.
struct JcampData {
  double firstX = 0, lastX = 0, sf = 0;
  std::vector<double> x, y;
};
JcampData ReadJcampAffn(const std::string& path);

std::string ReadText(const std::string& path);
bool FileExists(const std::string& path);
// Names of the files in `dir` whose names start with `prefix`.
std::vector<std::string> FilesWithPrefix(const std::string& dir, const std::string& prefix);

#endif
