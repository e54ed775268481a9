// The output-file library: format names and indices, the default format from
// the ini file, and the file stamp.
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

TEST(OutfileTest, ListAndCommandNamesInListOrder) {
  const char* list[] = {"JCAMP-DX", "JCAMP-DX compressed", "Processed data folder", "NMRPipe", "Text table"};
  const char* command[] = {"jcamp", "jcamp-dif", "pdata", "nmrpipe", "csv"};
  const outfile formats[] = {OUTFILE_JCAMP, OUTFILE_JCAMP_DIF, OUTFILE_PDATA, OUTFILE_NMRPIPE, OUTFILE_CSV};
  ASSERT_EQ(OUTFILE_COUNT, 5);
  for (int i = 0; i < OUTFILE_COUNT; ++i) {
    EXPECT_STREQ(OutfileListName(i), list[i]);
    EXPECT_STREQ(OutfileCommandName(i), command[i]);
    EXPECT_EQ(IntToOutfile(i), formats[i]);
    EXPECT_EQ(OutfileToInt(formats[i]), i);
  }
  EXPECT_EQ(OutfileListName(5), nullptr);
  EXPECT_EQ(OutfileCommandName(-1), nullptr);
  EXPECT_EQ(IntToOutfile(-1), OUTFILE_JCAMP);
  EXPECT_EQ(IntToOutfile(5), OUTFILE_JCAMP);
  EXPECT_STREQ(OutfileExtension(OUTFILE_JCAMP_DIF), "dx");
  EXPECT_STREQ(OutfileExtension(OUTFILE_PDATA), "");
  EXPECT_STREQ(OutfileExtension(OUTFILE_NMRPIPE), "ft1");
}

TEST(IniTest, LooksUpLikePrivateProfileCalls) {
  const std::string text =
      "; comment\n[Defaults]\nFormat=csv\n\n[ output ]\r\n  FORMAT =  \"jcamp-dif\" \r\nFormat=pdata\n[Other]\nx=1\n";
  std::string v;
  ASSERT_TRUE(tav::FindIniValue(text, "Output", "Format", v));
  EXPECT_EQ(v, "jcamp-dif") << "case, blanks, quotes and CR; the first entry counts";
  ASSERT_TRUE(tav::FindIniValue(text, "defaults", "format", v));
  EXPECT_EQ(v, "csv");
  EXPECT_FALSE(tav::FindIniValue(text, "Other", "Format", v));
  EXPECT_FALSE(tav::FindIniValue(text, "Missing", "x", v));
  EXPECT_FALSE(tav::FindIniValue("Format=csv\n", "Output", "Format", v)) << "no section, no entry";
  ASSERT_TRUE(tav::FindIniValue("[Output]\nFormat=\n", "Output", "Format", v));
  EXPECT_EQ(v, "");
}

class OutputDefaultTest : public ::testing::Test {
 protected:
  outfile DefaultFor(const std::string& ini) {
    const std::string path = dir_.file("q.ini");
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs(ini.c_str(), f);
    std::fclose(f);
    TAVHELPINFO info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.FileName, path.c_str(), sizeof info.FileName - 1);
    return GetOutputDefault(&info);
  }
  TempDir dir_;
};

TEST_F(OutputDefaultTest, ReadsTheFormatByNameFromTheIniFile) {
  EXPECT_EQ(DefaultFor("[Output]\nFormat=nmrpipe\n"), OUTFILE_NMRPIPE);
  EXPECT_EQ(DefaultFor("[Defaults]\nPath=C:\\\n[OUTPUT]\nformat = PDATA\n"), OUTFILE_PDATA);
  EXPECT_EQ(DefaultFor("[Output]\nFormat=jcamp-dif\n"), OUTFILE_JCAMP_DIF);
  EXPECT_EQ(DefaultFor("[Output]\nFormat=Text table\n"), OUTFILE_CSV) << "the list name works too";
  EXPECT_EQ(DefaultFor("[Output]\nFormat=csv\n"), OUTFILE_CSV);
}

TEST_F(OutputDefaultTest, JcampWhenAnythingIsMissingOrUnknown) {
  EXPECT_EQ(DefaultFor("[Output]\nFormat=spc\n"), OUTFILE_JCAMP);
  EXPECT_EQ(DefaultFor("[Output]\nStyle=csv\n"), OUTFILE_JCAMP);
  EXPECT_EQ(DefaultFor("[Other]\nFormat=csv\n"), OUTFILE_JCAMP);
  EXPECT_EQ(DefaultFor(""), OUTFILE_JCAMP);
  EXPECT_EQ(GetOutputDefault(nullptr), OUTFILE_JCAMP);
  TAVHELPINFO info;
  std::memset(&info, 0, sizeof info);
  std::strcpy(info.FileName, dir_.file("none.ini").c_str());
  EXPECT_EQ(GetOutputDefault(&info), OUTFILE_JCAMP);
  std::memset(info.FileName, 'a', sizeof info.FileName);  // no terminating NUL
  EXPECT_EQ(GetOutputDefault(&info), OUTFILE_JCAMP);
}

void Put(const std::string& path, const std::string& text) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
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
  EXPECT_EQ(GetTimeLastModified(path.c_str()), first) << "an unchanged file keeps its stamp";
  // Rewritten at once with the same size, and its time set back: only the
  // contents tell the difference.
  Put(path, "BM other version");
  fs::last_write_time(path, when);
  const std::int32_t second = GetTimeLastModified(path.c_str());
  EXPECT_GT(second, 0);
  EXPECT_NE(second, first);
  Put(path, "BM first version");
  fs::last_write_time(path, when);
  EXPECT_EQ(GetTimeLastModified(path.c_str()), first) << "the same file state gives the same stamp";
  // The time alone changes the stamp as well.
  fs::last_write_time(path, when + std::chrono::seconds(5));
  EXPECT_NE(GetTimeLastModified(path.c_str()), first);
  Put(dir.file("empty"), "");
  EXPECT_GT(GetTimeLastModified(dir.file("empty").c_str()), 0);
}

TEST(FileStampTest, MinusOneWhenTheFileCannotBeExamined) {
  TempDir dir;
  EXPECT_EQ(GetTimeLastModified(dir.file("missing.bmp").c_str()), -1);
  EXPECT_EQ(GetTimeLastModified(dir.path().c_str()), -1) << "a folder is no picture";
  EXPECT_EQ(GetTimeLastModified(nullptr), -1);
  EXPECT_EQ(GetTimeLastModified(""), -1);
}

}  // namespace
