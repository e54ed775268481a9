// Ini text as the output-file library reads its default format: from a file,
// by section and key, without regard to case.
#include <cstdio>

#include "fuzz_support.h"
#include "tavnmrfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TAVHELPINFO info = {};
  std::snprintf(info.FileName, sizeof info.FileName, "%s", fuzz::PrivatePath("quillon.ini").c_str());
  std::FILE* f = std::fopen(info.FileName, "wb");
  if (f == nullptr) fuzz::Fail("cannot write the ini file");
  const bool written = std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !written) fuzz::Fail("cannot write the ini file");
  GetOutputDefault(&info);
  return 0;
}
