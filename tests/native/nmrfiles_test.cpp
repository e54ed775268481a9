// The output-file library: the default format from the ini file, and the
// file stamp.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "../../companion/tavnmrfiles/ini.h"
#include "tavnmrfiles.h"
#include "test_support.h"

namespace {

void Put(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

TEST(OutputDefaultTest, ReadsTheFormatByNameAndFallsBackToJcamp) {
  TempDir dir;
  TAVHELPINFO info;
  std::memset(&info, 0, sizeof info);
  std::strcpy(info.FileName, dir.file("q.ini").c_str());
  const std::pair<const char*, outfile> cases[] = {
      {"[Output]\nFormat=nmrpipe\n", OUTFILE_NMRPIPE},
      {"[Defaults]\nPath=C:\\\n[OUTPUT]\r\nformat = PDATA\r\nFormat=csv\n", OUTFILE_PDATA},
      {"[Output]\nFormat=Text table\n", OUTFILE_CSV},  // the list name works too
      {"[Output]\nFormat=spc\n", OUTFILE_JCAMP},
      {"[Output]\nStyle=csv\n", OUTFILE_JCAMP},
      {"[Other]\nFormat=csv\n", OUTFILE_JCAMP},
      {"Format=csv\n", OUTFILE_JCAMP},  // no section, no entry
      {"[Output]\nFormat=\n", OUTFILE_JCAMP},
  };
  for (const auto& c : cases) {
    Put(info.FileName, c.first);
    EXPECT_EQ(GetOutputDefault(&info), c.second) << c.first;
  }
  EXPECT_EQ(GetOutputDefault(nullptr), OUTFILE_JCAMP);
  std::strcpy(info.FileName, dir.file("none.ini").c_str());
  EXPECT_EQ(GetOutputDefault(&info), OUTFILE_JCAMP);
  std::memset(info.FileName, 'a', sizeof info.FileName);  // no terminating NUL
  EXPECT_EQ(GetOutputDefault(&info), OUTFILE_JCAMP);
  // The portable reader takes blanks, quotes and CR as the Windows calls do.
  std::string v;
  ASSERT_TRUE(tav::FindIniValue("[ output ]\r\n  FORMAT =  \"jcamp-dif\" \r\n", "Output", "Format", v));
  EXPECT_EQ(v, "jcamp-dif");
  EXPECT_EQ(IntToOutfile(-1), OUTFILE_JCAMP);
  EXPECT_EQ(IntToOutfile(OUTFILE_COUNT), OUTFILE_JCAMP);
}

TEST(FileStampTest, ChangesWithTheContentsEvenAtTheSameTimeAndSize) {
  TempDir dir;
  const std::string path = dir.file("picture.bmp");
  Put(path, "BM first version");
  namespace fs = std::filesystem;
  // A time that the runtime can set back exactly (some keep whole seconds only).
  const fs::file_time_type when = fs::last_write_time(path);
  fs::last_write_time(path, when);
  const std::int32_t first = GetTimeLastModified(path.c_str());
  EXPECT_GT(first, 0);
  // Rewritten at once with the same size and its time set back: only the
  // contents tell the difference.
  Put(path, "BM other version");
  fs::last_write_time(path, when);
  const std::int32_t second = GetTimeLastModified(path.c_str());
  EXPECT_GT(second, 0);
  EXPECT_NE(second, first);
  Put(path, "BM first version");
  fs::last_write_time(path, when);
  EXPECT_EQ(GetTimeLastModified(path.c_str()), first) << "the same file state gives the same stamp";
  fs::last_write_time(path, when + std::chrono::seconds(5));
  EXPECT_NE(GetTimeLastModified(path.c_str()), first) << "the time alone changes it as well";
  Put(dir.file("empty"), "");
  EXPECT_GT(GetTimeLastModified(dir.file("empty").c_str()), 0);
  const std::string missing = dir.file("missing.bmp");
  for (const char* bad : {missing.c_str(), dir.path().c_str(), "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(GetTimeLastModified(bad), -1) << (bad ? bad : "null");
}

}  // namespace
