// The output-file library: the default format from the ini file, and the
// file stamp with what the file system alone can tell of it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "../../companion/tavnmrfiles/filestamp.h"
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

// A stamp holds without a read once the file had stood still for a tick when
// it was taken, and for as long as nothing the file system tells moves.
TEST(FileStampTest, TheFileSystemVouchesForAStampTakenOfASettledFile) {
  using Memory = tav::StampMemory;
  const tav::FileFacts settled{1, 2, 100, 1000, 1000, 5000, 3000};
  struct Case {
    const char* what;
    tav::FileFacts taken, now;
    std::int32_t asked;
    Memory::Verdict verdict;
    bool recalled;  // GetTimeLastModified needs no read
  };
  const auto with = [&settled](std::uint64_t tav::FileFacts::*field, std::uint64_t value) {
    tav::FileFacts f = settled;
    f.*field = value;
    return f;
  };
  const Case cases[] = {
      {"nothing moved", settled, with(&tav::FileFacts::now, 9000), 77, Memory::kSame, true},
      {"taken within a tick of a change", with(&tav::FileFacts::now, 3500), settled, 77, Memory::kUnknown, false},
      {"its time ahead of the clock", with(&tav::FileFacts::written, 6000), with(&tav::FileFacts::written, 6000), 77,
       Memory::kUnknown, false},
      {"a new size", settled, with(&tav::FileFacts::size, 101), 77, Memory::kChanged, false},
      {"a new time", settled, with(&tav::FileFacts::written, 1001), 77, Memory::kChanged, false},
      {"its status changed, time and size as they were", settled, with(&tav::FileFacts::changed, 1001), 77,
       Memory::kUnknown, false},
      {"another file in its place", settled, with(&tav::FileFacts::file, 3), 77, Memory::kUnknown, false},
      {"a stamp it did not give", settled, settled, 78, Memory::kUnknown, true},
  };
  for (const Case& c : cases) {
    Memory memory;
    memory.Remember("a.bmp", c.taken, 77);
    EXPECT_EQ(memory.Compare("a.bmp", c.now, c.asked), c.verdict) << c.what;
    std::int32_t stamp = 0;
    EXPECT_EQ(memory.Recall("a.bmp", c.now, &stamp), c.recalled) << c.what;
    EXPECT_EQ(memory.Compare("b.bmp", c.now, c.asked), Memory::kUnknown) << c.what;
  }
}

TEST(FileStampTest, CompareAsksTheFileSystemOnly) {
  TempDir dir;
  const std::string path = dir.file("picture.bmp");
  Put(path, "BM first version");
  const std::int32_t stamp = GetTimeLastModified(path.c_str());
  // Just written: within a tick of its last change only the contents can tell.
  EXPECT_EQ(CompareTimeLastModified(path.c_str(), stamp), TAV_STAMP_UNKNOWN);
  Put(path, "BM a longer version");
  EXPECT_EQ(CompareTimeLastModified(path.c_str(), stamp), TAV_STAMP_CHANGED);
  std::remove(path.c_str());
  EXPECT_EQ(CompareTimeLastModified(path.c_str(), stamp), TAV_STAMP_GONE);
}

}  // namespace
