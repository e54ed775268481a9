// A file being written by one of the writers: errors are remembered, not
// checked at every call, and the result is known only when it is closed.
#ifndef TAVSPECTRUM_OUTFILE_H
#define TAVSPECTRUM_OUTFILE_H

#include <cstdio>
#include <string>

namespace tav {

class OutFile {
 public:
  explicit OutFile(const std::string& path);
  ~OutFile();
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  void Write(const void* data, size_t size);
  // One line of text, ended by LF on every platform.
  void Line(const std::string& text);
  // Closes the file; false (with a reason) when anything failed.
  bool Close(std::string& error);

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

}  // namespace tav

#endif
