// Shared helpers of the core tests.
#ifndef QUILLON_TESTS_TEST_SUPPORT_H
#define QUILLON_TESTS_TEST_SUPPORT_H

#include <string>
#include <tuple>
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

// Collects the messages shown while it lives: id, second id, style.
class MessageCapture {
 public:
  using Shown = std::vector<std::tuple<int, int, int>>;
  MessageCapture();
  ~MessageCapture();
  std::vector<int> ids() const;
  const Shown& shown() const;
  void clear();
};

// Puts the program's globals back as they are at start-up.
void ResetProgram();

// Runs one conversion of `points` through a real point log (log, reopen,
// BuildSpectrum, delete). Returns BuildSpectrum's result.
int ConvertPoints(const std::vector<std::pair<long, long>>& points);

// The real column of a text-table spectrum file; empty when there is none.
std::vector<double> ReadCsvReal(const std::string& path);

std::string ReadText(const std::string& path);
bool FileExists(const std::string& path);
// Names of the files in `dir` whose names start with `prefix`.
std::vector<std::string> FilesWithPrefix(const std::string& dir, const std::string& prefix);

#endif
