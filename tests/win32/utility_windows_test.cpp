// The utility library's windows and files: file names, ini data, messages,
// the progress gauge, dialog fields, the About box and the help viewer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>

#include "resources/resource.h"
#include "shell_test_support.h"
#include "tavutils.h"
#include "tavutils_win32.h"

using namespace shelltest;

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

std::string ProgramFolder() {
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  *(std::strrchr(module, '\\') + 1) = '\0';
  return module;
}

TEST(FileNamesTest, KindsNameTheIniFilesAndTheHelpDocument) {
  char name[260];
  ASSERT_EQ(CVGetFileName(Self(), name, CV_FILE_PORTABLE_INI), 1);
  EXPECT_EQ(std::string(name), ProgramFolder() + "win_tests.ini");
  ASSERT_EQ(CVGetFileName(Self(), name, CV_FILE_HELP), 1);
  EXPECT_EQ(std::string(name), ProgramFolder() + "win_tests-help.html");

  char data[MAX_PATH];
  ASSERT_GT(GetEnvironmentVariableA("APPDATA", data, MAX_PATH), 0u);
  ASSERT_EQ(CVGetFileName(Self(), name, CV_FILE_USER_INI), 1);
  EXPECT_EQ(std::string(name), std::string(data) + "\\win_tests\\win_tests.ini");
  // The folder exists at once; the file only once something is written.
  const DWORD folder = GetFileAttributesA((std::string(data) + "\\win_tests").c_str());
  ASSERT_NE(folder, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(folder & FILE_ATTRIBUTE_DIRECTORY);
  DeleteFileA(name);
  EXPECT_FALSE(Exists(name));
  ASSERT_TRUE(WritePrivateProfileStringA("Defaults", "Path", "C:", name));
  EXPECT_TRUE(Exists(name));
  DeleteFileA(name);

  std::strcpy(name, "stale");
  EXPECT_EQ(CVGetFileName(Self(), name, 4), 0);
  EXPECT_STREQ(name, "");
}

class IniDatumTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::snprintf(info_.FileName, sizeof info_.FileName, "%s", folder_.File("data.ini").c_str());
  }
  void Store(const char* section, const char* key, const char* value) {
    ASSERT_TRUE(WritePrivateProfileStringA(section, key, value, info_.FileName));
  }
  int Read(int id, const char* section, float* value) {
    return CVGetIniDatum(Self(), id, 0, section, value, &info_, 0);
  }
  TempFolder folder_;
  TAVHELPINFO info_ = {};
};

TEST_F(IniDatumTest, KeysComeFromTheRecordsAndValuesParseWhole) {
  float value = -7.0f;
  EXPECT_EQ(Read(IDR_DIGITS, "Files", &value), -1) << "no file, no value";
  EXPECT_EQ(value, -7.0f);

  Store("Files", "Digits", "2.9");
  Store("FILES", "portable", "0.5");
  ASSERT_NE(Read(IDR_DIGITS, "Files", &value), -1);
  EXPECT_FLOAT_EQ(value, 2.9f);
  // Sections are the same whatever their case: "FILES" and "Files" are one.
  ASSERT_NE(Read(IDR_PORTABLE, "FILES", &value), -1);
  EXPECT_FLOAT_EQ(value, 0.5f);
  ASSERT_NE(Read(IDR_DIGITS, "FILES", &value), -1);
  EXPECT_FLOAT_EQ(value, 2.9f);

  for (const char* bad : {"", "two", "2.9x", "1e999"}) {
    Store("Files", "Digits", bad);
    value = -7.0f;
    EXPECT_EQ(Read(IDR_DIGITS, "Files", &value), -1) << '"' << bad << '"';
    EXPECT_EQ(value, -7.0f) << bad;
  }
  Store("Files", "Digits", " 4 ");
  ASSERT_NE(Read(IDR_DIGITS, "Files", &value), -1);
  EXPECT_EQ(value, 4.0f);
}

TEST_F(IniDatumTest, LimitsOfTheRecordRefuseValuesOutsideThem) {
  float value = -7.0f;
  // Digits runs from 0 to 4.
  Store("Files", "Digits", "5");
  EXPECT_EQ(Read(IDR_DIGITS, "Files", &value), -1);
  Store("Files", "Digits", "-1");
  EXPECT_EQ(Read(IDR_DIGITS, "Files", &value), -1);
  EXPECT_EQ(value, -7.0f);
  // portable has equal limits, which put none.
  Store("FILES", "portable", "12345");
  ASSERT_NE(Read(IDR_PORTABLE, "FILES", &value), -1);
  EXPECT_EQ(value, 12345.0f);
  // An id without a 12-byte record names no datum.
  EXPECT_EQ(Read(77, "Files", &value), -1);
  EXPECT_EQ(CVGetIniDatum(Self(), IDR_DIGITS, 0, "Files", &value, nullptr, 0), -1);
}

TEST(ErrorMessageTest, ShowsTheStringsOwnedByTheActiveWindowAndReturnsZero) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                               Self(), nullptr);
  SetActiveWindow(owner);
  DialogWatcher watcher([](HWND box, const std::string&) { Press(box, IDOK); });
  EXPECT_EQ(CVErrMess(Self(), 1, 2, 6), 0);
  EXPECT_EQ(CVErrMess(Self(), 301, 0, 2), 0);
  ASSERT_EQ(watcher.seen().size(), 2u);
  EXPECT_EQ(watcher.seen()[0].title, "Quillon");
  EXPECT_NE(watcher.seen()[0].texts.find("Could not convert bitmap\nCould not open DIB file"), std::string::npos)
      << watcher.seen()[0].texts;
  EXPECT_EQ(watcher.seen()[0].owner, owner);
  EXPECT_NE(watcher.seen()[1].texts.find("Cannot open file."), std::string::npos);
  EXPECT_EQ(watcher.seen()[1].texts.find("Cannot open file. "), std::string::npos) << "trailing blank shown";
  DestroyWindow(owner);
}

class GaugeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 50, 50, 600, 400, nullptr, nullptr, Self(),
                             nullptr);
    record_ = static_cast<TAVGAUGEINFO*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 64));
    record_->Owner = owner_;
    record_->Title = "Bitmap Conversion";
    record_->Message = "Scanning bitmap...";
  }
  void TearDown() override {
    if (gauge_ != nullptr && IsWindow(gauge_)) DestroyWindow(gauge_);
    HeapFree(GetProcessHeap(), 0, record_);
    DestroyWindow(owner_);
  }
  // The share of the bar's inside that shows the highlight colour.
  double FilledShare() {
    HDC dc = GetDC(gauge_);
    const COLORREF done = GetSysColor(COLOR_HIGHLIGHT);
    int filled = 0, all = 0;
    for (int x = 17; x < 320 - 17; ++x, ++all) filled += GetPixel(dc, x, 50) == done;
    ReleaseDC(gauge_, dc);
    return static_cast<double>(filled) / all;
  }
  HWND Send(unsigned command, int percent) {
    SendMessageA(gauge_, WM_COMMAND, command, static_cast<LPARAM>(percent) << 16);
    return gauge_;
  }
  HWND owner_ = nullptr;
  TAVGAUGEINFO* record_ = nullptr;
  HWND gauge_ = nullptr;
};

TEST_F(GaugeTest, KeepsItsPercentInTheRecordAndDrawsTheBar) {
  gauge_ = static_cast<HWND>(CVGetGauge(record_));
  ASSERT_NE(gauge_, nullptr);
  EXPECT_EQ(WindowText(gauge_), "Bitmap Conversion");
  EXPECT_EQ(GetWindow(gauge_, GW_OWNER), owner_);
  EXPECT_FALSE(IsWindowVisible(gauge_)) << "shown only when the scan begins";
  record_->CurrentPercent = 55;
  Send(CV_GAUGE_BEGIN, 0);
  EXPECT_TRUE(IsWindowVisible(gauge_));
  EXPECT_EQ(record_->CurrentPercent, 0);
  Send(CV_GAUGE_PERCENT, 0);
  EXPECT_EQ(FilledShare(), 0.0);
  Send(CV_GAUGE_PERCENT, 37);
  EXPECT_EQ(record_->CurrentPercent, 37);
  EXPECT_NEAR(FilledShare(), 0.37, 0.02);
  Send(CV_GAUGE_PERCENT, 99);
  EXPECT_EQ(record_->CurrentPercent, 99);
  EXPECT_NEAR(FilledShare(), 0.99, 0.02);
  Send(CV_GAUGE_PERCENT, 250);
  EXPECT_EQ(record_->CurrentPercent, 100) << "beyond the whole bar";
  // Centred over its owner.
  RECT g, o;
  GetWindowRect(gauge_, &g);
  GetWindowRect(owner_, &o);
  EXPECT_NEAR((g.left + g.right) / 2, (o.left + o.right) / 2, 1);
  EXPECT_NEAR((g.top + g.bottom) / 2, (o.top + o.bottom) / 2, 1);
  Send(CV_GAUGE_CLOSE, 0);
  EXPECT_FALSE(IsWindow(gauge_));
  EXPECT_EQ(record_->CurrentPercent, 100) << "the record stays the program's";
}

TEST_F(GaugeTest, NoRecordNoGauge) { EXPECT_EQ(CVGetGauge(nullptr), nullptr); }

// Dialog fields, in a dialog of the program's resources driven by a test procedure.
struct FieldDialog {
  std::int32_t longField = 1024;
  float floatField = 100.0f;
  int check = 0;
  int low = 0, high = 0;
  int stored = 0;
};

INT_PTR CALLBACK FieldProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    return TRUE;
  }
  auto* f = reinterpret_cast<FieldDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
  if (message == WM_COMMAND && f != nullptr) {
    if (LOWORD(wParam) == IDC_SI)
      f->stored += CVUpdateDlgLong(dialog, IDC_SI, HIWORD(wParam), &f->longField, f->check, f->low, f->high, 0);
    if (LOWORD(wParam) == IDC_SF)
      f->stored += CVUpdateDlgFloat(dialog, IDC_SF, HIWORD(wParam), &f->floatField, 0, 0.0f, 0.0f, 0, 3);
  }
  return FALSE;
}

class FieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 100, 80, 700, 500, nullptr, nullptr,
                             Self(), nullptr);
    dialog_ = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_SETTINGS), owner_, FieldProc,
                                 reinterpret_cast<LPARAM>(&fields_));
    ASSERT_NE(dialog_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(dialog_);
    DestroyWindow(owner_);
  }
  void Type(int id, const char* text) { SetDlgItemTextA(dialog_, id, text); }
  // What the dialog answers for the edit's colours: true when shown as invalid
  // (red text on a pink brush).
  bool ShownInvalid(int id) {
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(0, 0, 0));
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
        dialog_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id))));
    const bool red = GetTextColor(dc) == RGB(192, 0, 0);
    DeleteDC(dc);
    LOGBRUSH lb = {};
    const bool pink = brush != nullptr && GetObjectA(brush, sizeof lb, &lb) == sizeof lb && lb.lbColor == RGB(255, 224, 224);
    EXPECT_EQ(red, pink) << "text and background disagree";
    return red;
  }
  FieldDialog fields_;
  HWND owner_ = nullptr;
  HWND dialog_ = nullptr;
};

TEST_F(FieldsTest, IntegerStoredOnlyWhenTheWholeTextParses) {
  CVSetDlgLong(dialog_, IDC_SI, 2048);
  char text[32];
  GetDlgItemTextA(dialog_, IDC_SI, text, sizeof text);
  EXPECT_STREQ(text, "2048");
  EXPECT_EQ(fields_.longField, 2048) << "setting the text notifies, and the value is stored";
  EXPECT_FALSE(ShownInvalid(IDC_SI));

  Type(IDC_SI, " 512 ");
  EXPECT_EQ(fields_.longField, 512);
  for (const char* bad : {"12x", "", "  ", "5 12", "1.5", "99999999999", "0x20", "--3"}) {
    Type(IDC_SI, bad);
    EXPECT_EQ(fields_.longField, 512) << '"' << bad << '"';
    EXPECT_TRUE(ShownInvalid(IDC_SI)) << bad;
  }
  Type(IDC_SI, "-2147483648");
  EXPECT_EQ(fields_.longField, INT32_MIN);
  EXPECT_FALSE(ShownInvalid(IDC_SI)) << "a good value clears the mark";
  // Other notifications store nothing.
  fields_.longField = 7;
  EXPECT_EQ(CVUpdateDlgLong(dialog_, IDC_SI, EN_KILLFOCUS, &fields_.longField, 0, 0, 0, 0), 0);
  EXPECT_EQ(fields_.longField, 7);
}

TEST_F(FieldsTest, LimitsAskedForRefuseValuesBeyondThem) {
  fields_.check = CV_FIELD_LOW;
  fields_.low = 1;
  Type(IDC_SI, "300");
  EXPECT_EQ(fields_.longField, 300);
  Type(IDC_SI, "0");
  EXPECT_EQ(fields_.longField, 300);
  EXPECT_TRUE(ShownInvalid(IDC_SI));
  Type(IDC_SI, "1");
  EXPECT_EQ(fields_.longField, 1);
  fields_.check = CV_FIELD_LOW | CV_FIELD_HIGH;
  fields_.high = 10;
  Type(IDC_SI, "11");
  EXPECT_EQ(fields_.longField, 1);
  Type(IDC_SI, "10");
  EXPECT_EQ(fields_.longField, 10);
}

TEST_F(FieldsTest, FloatShownWithTheDecimalsAndStoredWhenItParses) {
  CVSetDlgFloat(dialog_, IDC_SF, 400.13f, 3);
  char text[32];
  GetDlgItemTextA(dialog_, IDC_SF, text, sizeof text);
  EXPECT_STREQ(text, "400.130");
  CVSetDlgFloat(dialog_, IDC_SF, -25000.0f, 1);
  GetDlgItemTextA(dialog_, IDC_SF, text, sizeof text);
  EXPECT_STREQ(text, "-25000.0");
  CVSetDlgFloat(dialog_, IDC_SF, 2.5f, 0);
  GetDlgItemTextA(dialog_, IDC_SF, text, sizeof text);
  EXPECT_STREQ(text, "2");  // printf rounds half to even

  Type(IDC_SF, "1e3");
  EXPECT_EQ(fields_.floatField, 1000.0f);
  Type(IDC_SF, " -3.25 ");
  EXPECT_EQ(fields_.floatField, -3.25f);
  for (const char* bad : {"4OO", "", "1.2.3", "1e39", "-3.5e40", "nan", "inf", "12 MHz"}) {
    Type(IDC_SF, bad);
    EXPECT_EQ(fields_.floatField, -3.25f) << '"' << bad << '"';
    EXPECT_TRUE(ShownInvalid(IDC_SF)) << bad;
  }
  Type(IDC_SF, "600.25");
  EXPECT_EQ(fields_.floatField, 600.25f);
  EXPECT_FALSE(ShownInvalid(IDC_SF));
}

TEST_F(FieldsTest, CenterDialogCentresOverItsOwner) {
  CVCenterDialog(dialog_);
  RECT d, o;
  GetWindowRect(dialog_, &d);
  GetWindowRect(owner_, &o);
  EXPECT_NEAR((d.left + d.right) / 2, (o.left + o.right) / 2, 1);
  EXPECT_NEAR((d.top + d.bottom) / 2, (o.top + o.bottom) / 2, 1);
  // An owner far off the screen does not take the dialog with it.
  SetWindowPos(owner_, nullptr, -5000, -5000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  CVCenterDialog(dialog_);
  GetWindowRect(dialog_, &d);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_GE(d.left, work.left);
  EXPECT_GE(d.top, work.top);
}

TEST(AboutBoxTest, FillsThePlaceholdersAndIsOwnedByTheRecordsWindow) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr, Self(),
                               nullptr);
  std::int32_t info[10] = {static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(owner)),
                           IDD_ABOUT,
                           IDC_ABOUT_LINE1,
                           IDC_ABOUT_LINE2,
                           IDC_ABOUT_VERSION,
                           IDC_ABOUT_VERSION_EXTRA,
                           20000,
                           IDC_ABOUT_LINE3,
                           IDC_ABOUT_MEMORY,
                           IDC_ABOUT_RESOURCES};
  std::string texts[7];
  HWND about = nullptr;
  bool okHasImage = false;
  DialogWatcher watcher([&](HWND dialog, const std::string&) {
    about = dialog;
    const int ids[7] = {100, 102, 101, 104, 103, 105, 106};
    for (int i = 0; i < 7; ++i) texts[i] = WindowText(GetDlgItem(dialog, ids[i]));
    okHasImage = SendDlgItemMessageA(dialog, IDOK, BM_GETIMAGE, IMAGE_ICON, 0) != 0;
    Press(dialog, IDOK);
  });
  EXPECT_EQ(ShowAbout(info), 1);
  ASSERT_EQ(watcher.titles(), std::vector<std::string>{"About Quillon"});
  EXPECT_EQ(watcher.seen()[0].owner, owner);
  EXPECT_EQ(texts[0], "Quillon for Windows");
  EXPECT_NE(texts[1].find("Copyright"), std::string::npos) << texts[1];
  EXPECT_TRUE(std::regex_match(texts[2], std::regex("[0-9]+\\.[0-9]+\\.[0-9]+"))) << texts[2];
  char date[40];
  LoadStringA(Self(), 20000, date, sizeof date);
  EXPECT_EQ(texts[3], date);
  EXPECT_EQ(texts[4], "Turns pictures into NMR spectra.");
  EXPECT_TRUE(std::regex_match(texts[5], std::regex("[0-9,]+ KB"))) << texts[5];
  EXPECT_TRUE(std::regex_match(texts[6], std::regex("[0-9]+ / [0-9]+"))) << texts[6];
  EXPECT_TRUE(okHasImage) << "the OK button's icon style needs an image";
  DestroyWindow(owner);
}

struct HelpCall {
  int calls = 0;
  std::string document, url;
};
HelpCall g_help;

int RecordHelp(const char* document, const char* url) {
  ++g_help.calls;
  g_help.document = document;
  g_help.url = url;
  return 1;
}

TEST(HelpTest, OpensTheDocumentAtTheTopic) {
  TempFolder folder;
  const std::string document = folder.File("Quillon Help.html");
  ASSERT_TRUE(WriteBytes(document, {'<', 'p', '>'}));
  g_help = HelpCall();
  CVSetHelpOpener(RecordHelp);
  EXPECT_EQ(DisplayPDFHelp(document.c_str(), "ZK:CREATE"), 1);
  ASSERT_EQ(g_help.calls, 1);
  EXPECT_EQ(g_help.document, document);
  std::string expected = "file:///" + document + "#ZK:CREATE";
  for (char& c : expected) c = c == '\\' ? '/' : c;
  expected.replace(expected.find("Quillon Help"), 12, "Quillon%20Help");
  EXPECT_EQ(g_help.url, expected);
  CVSetHelpOpener(nullptr);
}

TEST(HelpTest, AMissingDocumentIsReportedAndNothingOpened) {
  g_help = HelpCall();
  CVSetHelpOpener(RecordHelp);
  DialogWatcher watcher([](HWND box, const std::string&) { Press(box, IDOK); });
  EXPECT_EQ(DisplayPDFHelp("C:\\nowhere\\quillon-help.html", "CONTENTS"), 0);
  EXPECT_EQ(g_help.calls, 0);
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_NE(watcher.seen()[0].texts.find("C:\\nowhere\\quillon-help.html"), std::string::npos)
      << watcher.seen()[0].texts;
  CVSetHelpOpener(nullptr);
}

int NoViewer(const char*, const char*) { return 0; }

TEST(HelpTest, ADocumentNoViewerOpensIsReported) {
  TempFolder folder;
  const std::string document = folder.File("quillon-help.html");
  ASSERT_TRUE(WriteBytes(document, {'<', 'p', '>'}));
  CVSetHelpOpener(NoViewer);
  DialogWatcher watcher([](HWND box, const std::string&) { Press(box, IDOK); });
  EXPECT_EQ(DisplayPDFHelp(document.c_str(), "INDEX"), 0);
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_NE(watcher.seen()[0].texts.find("web browser"), std::string::npos) << watcher.seen()[0].texts;
  CVSetHelpOpener(nullptr);
}

}  // namespace
