// The utility library's windows and files: file names, ini data, messages,
// the progress gauge, the About box and the help viewer. Its dialog fields
// are tried in the settings dialog.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <regex>
#include <string>

#include "resources/resource.h"
#include "shell_test_support.h"
#include "tavutils.h"
#include "tavutils_win32.h"

using namespace shelltest;
using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

TEST(FileNamesTest, KindsNameTheIniFilesAndTheHelpDocument) {
  char module[MAX_PATH], data[MAX_PATH], name[260];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  const std::string folder(module, std::strrchr(module, '\\') + 1);
  ASSERT_GT(GetEnvironmentVariableA("APPDATA", data, MAX_PATH), 0u);
  const std::pair<int, std::string> kinds[] = {{CV_FILE_PORTABLE_INI, folder + "win_tests.ini"},
                                               {CV_FILE_HELP, folder + "win_tests-help.html"},
                                               {CV_FILE_USER_INI, std::string(data) + "\\win_tests\\win_tests.ini"}};
  for (const auto& kind : kinds) {
    ASSERT_EQ(CVGetFileName(Self(), name, kind.first), 1) << kind.first;
    EXPECT_EQ(std::string(name), kind.second);
  }
  // The per-user folder exists at once, so that the first write succeeds.
  const DWORD attributes = GetFileAttributesA((std::string(data) + "\\win_tests").c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(CVGetFileName(Self(), name, 4), 0);
  EXPECT_STREQ(name, "");
}

// How ini texts are read is tried at start-up; here what it refuses.
TEST(IniDatumTest, OnlyNumbersWholeAndWithinTheRecordsLimitsAreTaken) {
  TempFolder folder;
  TAVHELPINFO info = {};
  std::snprintf(info.FileName, sizeof info.FileName, "%s", folder.File("data.ini").c_str());
  float value = -7.0f;
  EXPECT_EQ(CVGetIniDatum(Self(), IDR_DIGITS, 0, "Files", &value, &info, 0), -1) << "no file, no value";
  // Digits runs from 0 to 4; 77 has no 12-byte record.
  for (const auto& c : {std::pair<int, const char*>{IDR_DIGITS, "2.9x"}, {IDR_DIGITS, ""}, {IDR_DIGITS, "1e999"},
                        {IDR_DIGITS, "-1"}, {77, "1"}}) {
    ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", c.second, info.FileName));
    EXPECT_EQ(CVGetIniDatum(Self(), c.first, 0, "Files", &value, &info, 0), -1) << '"' << c.second << '"';
  }
  EXPECT_EQ(value, -7.0f);
  ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", " 4 ", info.FileName));
  EXPECT_NE(CVGetIniDatum(Self(), IDR_DIGITS, 0, "files", &value, &info, 0), -1);
  EXPECT_EQ(value, 4.0f);
  EXPECT_EQ(CVGetIniDatum(Self(), IDR_DIGITS, 0, "Files", &value, nullptr, 0), -1);
}

TEST(ErrorMessageTest, ShowsTheStringsOwnedByTheActiveWindowAndReturnsZero) {
  HWND owner = Popup(0, 0, 100, 100);
  SetActiveWindow(owner);
  DialogDriver driver;
  EXPECT_EQ(CVErrMess(Self(), 1, 2, 6), 0);
  EXPECT_EQ(CVErrMess(Self(), 301, 0, 2), 0);
  ASSERT_EQ(driver.seen.size(), 2u);
  EXPECT_EQ(driver.seen[0].title, "Quillon");
  EXPECT_EQ(driver.seen[0].owner, owner);
  EXPECT_THAT(driver.seen[0].texts, HasSubstr("Could not convert bitmap\nCould not open DIB file"));
  EXPECT_THAT(driver.seen[1].texts, AllOf(HasSubstr("Cannot open file."), Not(HasSubstr("file. "))));
  DestroyWindow(owner);
}

TEST(GaugeTest, KeepsItsPercentInTheRecordAndDrawsTheBar) {
  EXPECT_EQ(CVGetGauge(nullptr), nullptr);
  HWND owner = Popup(50, 50, 600, 400);
  TAVGAUGEINFO record = {owner, 0, 55, "Bitmap Conversion", "Scanning bitmap..."};
  HWND gauge = static_cast<HWND>(CVGetGauge(&record));
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(WindowText(gauge), "Bitmap Conversion");
  EXPECT_EQ(GetWindow(gauge, GW_OWNER), owner);
  RECT place;
  GetWindowRect(gauge, &place);
  EXPECT_NEAR((place.left + place.right) / 2, 350, 1) << "centred over the owner";
  EXPECT_NEAR((place.top + place.bottom) / 2, 250, 1);
  EXPECT_FALSE(IsWindowVisible(gauge)) << "shown only when the scan begins";
  auto send = [&](unsigned command, int percent) {
    SendMessageA(gauge, WM_COMMAND, command, static_cast<LPARAM>(percent) << 16);
  };
  // The share of the bar's inside that shows the highlight colour.
  auto filled = [&] {
    HDC dc = GetDC(gauge);
    int n = 0;
    for (int x = 17; x < 320 - 17; ++x) n += GetPixel(dc, x, 50) == GetSysColor(COLOR_HIGHLIGHT);
    ReleaseDC(gauge, dc);
    return n / (320.0 - 34);
  };
  send(CV_GAUGE_BEGIN, 0);
  EXPECT_TRUE(IsWindowVisible(gauge));
  EXPECT_EQ(record.CurrentPercent, 0);
  for (int percent : {0, 37, 99}) {
    send(CV_GAUGE_PERCENT, percent);
    EXPECT_EQ(record.CurrentPercent, percent);
    EXPECT_NEAR(filled(), percent / 100.0, 0.02) << percent;
  }
  send(CV_GAUGE_PERCENT, 250);
  EXPECT_EQ(record.CurrentPercent, 100) << "beyond the whole bar";
  send(CV_GAUGE_CLOSE, 0);
  EXPECT_FALSE(IsWindow(gauge));
  DestroyWindow(owner);
}

TEST(AboutBoxTest, FillsThePlaceholdersAndIsOwnedByTheRecordsWindow) {
  HWND owner = Popup(0, 0, 300, 300);
  // The owner's handle in its 32 significant bits, the template, the placeholders' ids, the date string.
  std::int32_t info[10] = {static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(owner)),
                           IDD_ABOUT, IDC_ABOUT_LINE1, IDC_ABOUT_LINE2, IDC_ABOUT_VERSION, IDC_ABOUT_VERSION_EXTRA,
                           20000, IDC_ABOUT_LINE3, IDC_ABOUT_MEMORY, IDC_ABOUT_RESOURCES};
  std::vector<std::string> texts;
  DialogDriver driver([&](HWND dialog, const DialogDriver::Seen&) {
    for (int id : {100, 102, 101, 104, 103, 105, 106}) texts.push_back(WindowText(GetDlgItem(dialog, id)));
    EXPECT_NE(SendDlgItemMessageA(dialog, IDOK, BM_GETIMAGE, IMAGE_ICON, 0), 0) << "the OK button's icon";
    EXPECT_NE(SendDlgItemMessageA(dialog, IDC_ABOUT_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "bitmap 1500";
    Press(dialog, IDOK);
  });
  EXPECT_EQ(ShowAbout(info), 1);
  ASSERT_EQ(driver.Titles(), std::vector<std::string>{"About Quillon"});
  EXPECT_EQ(driver.seen[0].owner, owner);
  char date[40], month[8] = {};
  LoadStringA(Self(), 20000, date, sizeof date);
  int day = 0, year = 0;
  ASSERT_EQ(std::sscanf(date, "%3s %d %d", month, &day, &year), 3) << date;
  EXPECT_TRUE(std::strstr("JanFebMarAprMayJunJulAugSepOctNovDec", month) && day >= 1 && day <= 31 && year >= 2026)
      << "the build date " << date;
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(texts[0], "Quillon for Windows");
  EXPECT_THAT(texts[1], HasSubstr("Copyright"));
  EXPECT_TRUE(std::regex_match(texts[2], std::regex("[0-9]+\\.[0-9]+\\.[0-9]+"))) << texts[2];
  EXPECT_EQ(texts[3], date);
  EXPECT_EQ(texts[4], "Turns pictures into NMR spectra.");
  EXPECT_TRUE(std::regex_match(texts[5], std::regex("[0-9,]+ KB"))) << texts[5];
  EXPECT_TRUE(std::regex_match(texts[6], std::regex("[0-9]+ / [0-9]+"))) << texts[6];
  DestroyWindow(owner);
}

TEST(HelpTest, OpensTheDocumentAtTheTopicOrSaysWhyNot) {
  TempFolder folder;
  const std::string document = folder.File("Quillon Help.html");
  ASSERT_TRUE(WriteBytes(document, {'<', 'p', '>'}));
  std::string url = "file:///" + folder.path + "/Quillon%20Help.html#ZK:CREATE";
  std::replace(url.begin(), url.end(), '\\', '/');
  // A folder named Jos\u00e9, as the program's ANSI calls name it.
  char jose[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, L"Jos\u00e9", -1, jose, sizeof jose, nullptr, nullptr);
  ASSERT_TRUE(CreateDirectoryA(folder.File(jose).c_str(), nullptr));
  const std::string accented = folder.File(jose) + "\\quillon-help.html";
  ASSERT_TRUE(WriteBytes(accented, {'<', 'p', '>'}));
  HelpRecorder help;
  DialogDriver driver;
  EXPECT_EQ(DisplayPDFHelp(document.c_str(), "ZK:CREATE"), 1);
  EXPECT_EQ(DisplayPDFHelp("C:\\nowhere\\quillon-help.html", "INDEX"), 0);
  EXPECT_EQ(DisplayPDFHelp(accented.c_str(), "INDEX"), 1);
  ASSERT_EQ(help.urls.size(), 2u);
  EXPECT_EQ(help.urls[0], url);
  EXPECT_THAT(help.urls[1], EndsWith("/Jos%C3%A9/quillon-help.html#INDEX")) << "escaped as UTF-8";
  CVSetHelpOpener([](const char*, const char*) { return 0; });  // no viewer
  EXPECT_EQ(DisplayPDFHelp(document.c_str(), "INDEX"), 0);
  ASSERT_EQ(driver.seen.size(), 2u);
  EXPECT_THAT(driver.seen[0].texts, HasSubstr("C:\\nowhere\\quillon-help.html"));
  EXPECT_THAT(driver.seen[1].texts, HasSubstr("web browser"));
}

}  // namespace
