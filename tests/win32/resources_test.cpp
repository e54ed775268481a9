// The resources compiled into the program, read back through the Windows API.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string LoadText(int id) {
  char buf[300] = {};
  const int n = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buf, sizeof buf);
  return std::string(buf, static_cast<size_t>(n));
}

TEST(ResourcesTest, StringTableKeepsTextsExactly) {
  EXPECT_EQ(LoadText(1), "Could not convert bitmap");
  EXPECT_EQ(LoadText(2), "Could not open DIB file");
  EXPECT_EQ(LoadText(301), "Cannot open file. ");
  EXPECT_EQ(LoadText(306), "File format not recognized");
  const std::string filter = LoadText(200);
  EXPECT_EQ(filter.size(), 56u);
  EXPECT_EQ(filter.back(), '|');
  EXPECT_EQ(LoadText(400), "Double-click to zoom in and out.");
}

TEST(ResourcesTest, BuildDateIsMonthDayYear) {
  const std::string date = LoadText(20000);
  char month[8] = {};
  int day = 0, year = 0;
  ASSERT_EQ(std::sscanf(date.c_str(), "%3s %d %d", month, &day, &year), 3) << date;
  EXPECT_NE(std::strstr("JanFebMarAprMayJunJulAugSepOctNovDec", month), nullptr) << date;
  EXPECT_TRUE(day >= 1 && day <= 31) << date;
  EXPECT_GE(year, 2026) << date;
}

}  // namespace
