#include "outfile.h"

#include "tavutils.h"

namespace tav {

OutFile::OutFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) { failed_ = file_ == nullptr; }

OutFile::~OutFile() {
  if (file_ != nullptr) std::fclose(file_);
}

void OutFile::Write(const void* data, size_t size) {
  if (failed_ || size == 0) return;
  // Once a stop is asked for, the write fails and the writer's clean-up runs.
  if (CVStopRequested()) {
    failed_ = true;
    return;
  }
  if (std::fwrite(data, 1, size, file_) != size) failed_ = true;
}

void OutFile::Line(const std::string& text) {
  Write(text.data(), text.size());
  Write("\n", 1);
}

bool OutFile::Close(std::string& error) {
  if (file_ == nullptr) {
    error = "cannot create the file";
    return false;
  }
  const bool flushed = std::fflush(file_) == 0 && std::ferror(file_) == 0;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (failed_ || !flushed || !closed) {
    error = CVStopRequested() ? "the conversion was interrupted" : "the file could not be written completely";
    return false;
  }
  return true;
}

}  // namespace tav
