// The settings dialog, driven as a user would: what it shows, what OK, Cancel
// and Help do to the record and the output format.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/resource.h"
#include "shell/state.h"
#include "shell_test_support.h"
#include "spectrum/settings.h"
#include "spectrum/settings_dialog_win32.h"
#include "tavnmrfiles.h"

using namespace shelltest;
using ::testing::ElementsAre;
using ::testing::EndsWith;

namespace {

std::string Item(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
std::vector<std::string> Items(HWND dialog, std::initializer_list<int> ids) {
  std::vector<std::string> texts;
  for (int id : ids) texts.push_back(Item(dialog, id));
  return texts;
}

double Field(int id) {
  const SPECTRUMSETTINGS& s = SpectrumSettings;
  if (id == IDC_SI) return s.SI;
  if (id == IDC_LINE_WIDTH) return s.LineWidth;
  return id == IDC_SF ? s.SF : id == IDC_F1 ? s.F1 : s.F2;
}

// Whether the dialog colours a field as invalid: red text on a pink brush.
bool ShownInvalid(HWND dialog, int id) {
  HDC dc = CreateCompatibleDC(nullptr);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                                           reinterpret_cast<LPARAM>(GetDlgItem(dialog, id))));
  const bool red = GetTextColor(dc) == RGB(192, 0, 0);
  DeleteDC(dc);
  LOGBRUSH lb = {};
  const bool pink = brush != nullptr && GetObjectA(brush, sizeof lb, &lb) == sizeof lb && lb.lbColor == RGB(255, 224, 224);
  EXPECT_EQ(red, pink) << "text and background disagree";
  return red;
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ResetSettings();
    owner_ = Popup(0, 0, 800, 600);
  }
  void TearDown() override {
    DestroyWindow(owner_);
    ResetSettings();
  }
  // Runs the dialog on SpectrumSettings: `drive` sees it initialised, then
  // the texts given ({id, text}) are typed and `button` ends it.
  std::int32_t Run(std::vector<std::pair<int, const char*>> texts, int button,
                   const std::function<void(HWND)>& drive = nullptr) {
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen&) {
      if (drive) drive(dialog);
      for (const auto& t : texts) SetDlgItemTextA(dialog, t.first, t.second);
      Press(dialog, button);
    });
    const std::int32_t result = EditSettings(&SpectrumSettings, owner_);
    EXPECT_EQ(driver.Titles(), std::vector<std::string>{"Define Spectrum Settings"});
    return result;
  }
  HWND owner_ = nullptr;
};

TEST_F(SettingsDialogTest, ShowsTheInitialSettingsAndOkTakesTheEdits) {
  SpectrumSettings.Mode = SOURCE_BITMAP;
  SpectrumSettings.Width = 640;
  SpectrumSettings.Height = 480;
  SpectrumSettings.FileTime = 12345;
  std::vector<std::string> shown, description;
  RECT place = {};
  const std::int32_t result = Run({{IDC_SF, "400.13"}, {IDC_SI, "2048"}, {IDC_F1, "3200"}, {IDC_F2, "200.5"},
                                   {IDC_NAME, "C:\\spectra\\ethanol.dx"}, {IDC_LINE_WIDTH, "3"}},
                                  IDOK, [&](HWND dialog) {
                                    GetWindowRect(dialog, &place);
                                    shown = Items(dialog, {IDC_SI, IDC_SF, IDC_F1, IDC_F2, IDC_NAME, IDC_LINE_WIDTH});
                                    description = Items(dialog, {IDC_PICTURE_LINE1, IDC_PICTURE_LINE2, IDC_PICTURE_LINE3});
                                    SendDlgItemMessageA(dialog, IDC_FORMAT, CB_SETCURSEL, 3, 0);
                                  });
  EXPECT_EQ(result, 1);
  EXPECT_NEAR((place.left + place.right) / 2, 400, 1) << "centred over the owner";
  EXPECT_NEAR((place.top + place.bottom) / 2, 300, 1);
  EXPECT_EQ(shown, (std::vector<std::string>{"1024", "100.000", "25000.000", "-25000.000", "001001.1r", "0"}));
  EXPECT_EQ(description, (std::vector<std::string>{"Bitmap dimensions:", "width:    640", "height:    480"}));
  EXPECT_FLOAT_EQ(SpectrumSettings.SF, 400.13f);
  EXPECT_EQ(SpectrumSettings.SI, 2048);
  EXPECT_EQ(SpectrumSettings.F1, 3200.0f);
  EXPECT_EQ(SpectrumSettings.F2, 200.5f);
  EXPECT_STREQ(SpectrumSettings.Name, "C:\\spectra\\ethanol.dx");
  EXPECT_EQ(SpectrumSettings.LineWidth, 3);
  EXPECT_EQ(OutputFormat, IntToOutfile(3));
  // The description fields travel through unchanged.
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  EXPECT_EQ(SpectrumSettings.Width, 640);
  EXPECT_EQ(SpectrumSettings.Height, 480);
  EXPECT_EQ(SpectrumSettings.FileTime, 12345);
}

TEST_F(SettingsDialogTest, CancelKeepsTheRecordButNotTheFormerFormat) {
  const SPECTRUMSETTINGS before = SpectrumSettings;
  OutputFormat = OUTFILE_JCAMP;
  Decimals = 1;
  std::string sf;
  EXPECT_EQ(Run({{IDC_SI, "77"}, {IDC_SF, "500"}, {IDC_NAME, "changed"}}, IDCANCEL,
                [&](HWND dialog) {
                  sf = Item(dialog, IDC_SF);
                  SendDlgItemMessageA(dialog, IDC_FORMAT, CB_SETCURSEL, 4, 0);
                }),
            0);
  EXPECT_EQ(sf, "100.0") << "shown with Decimals";
  EXPECT_EQ(std::memcmp(&before, &SpectrumSettings, sizeof before), 0);
  EXPECT_EQ(OutputFormat, IntToOutfile(4));
}

TEST_F(SettingsDialogTest, DescribesTheLoadedKindOfPicture) {
  const struct {
    std::int32_t mode;
    std::vector<std::string> lines;
  } cases[] = {{SOURCE_WPG, {"WPG file data", "", ""}},
               {SOURCE_BITMAP, {"Bitmap dimensions:", "width: 123456", "height:      7"}},
               {SOURCE_NONE, {"", "", ""}},
               {5, {"", "", ""}}};
  for (const auto& c : cases) {
    SpectrumSettings.Mode = c.mode;
    SpectrumSettings.Width = 123456;
    SpectrumSettings.Height = 7;
    std::vector<std::string> lines;
    Run({}, IDCANCEL, [&](HWND dialog) { lines = Items(dialog, {IDC_PICTURE_LINE1, IDC_PICTURE_LINE2, IDC_PICTURE_LINE3}); });
    EXPECT_EQ(lines, c.lines) << "mode " << c.mode;
  }
}

TEST_F(SettingsDialogTest, AFieldTakesOnlyTextThatParsesWholeAndShowsTheRestInvalid) {
  const struct {
    int id;
    const char* text;
    bool good;
    double value;
  } cases[] = {{IDC_SI, " 512 ", true, 512},   {IDC_SI, "2147483647", true, 2147483647.0},
               {IDC_SI, "12x", false, 0},      {IDC_SI, "", false, 0},
               {IDC_SI, "1.5", false, 0},      {IDC_SI, "0x20", false, 0},
               {IDC_SI, "99999999999", false, 0}, {IDC_SI, "0", false, 0},  // fewer than one point
               {IDC_LINE_WIDTH, "-5", true, -5}, {IDC_SF, "1e3", true, 1000},
               {IDC_F1, " -3.25 ", true, -3.25}, {IDC_SF, "4OO", false, 0},
               {IDC_SF, "1e39", false, 0},     {IDC_SF, "nan", false, 0},
               {IDC_F1, "inf", false, 0},      {IDC_F2, "-12,5", false, 0},
               {IDC_F2, "12 MHz", false, 0}};
  for (const auto& c : cases) {
    ResetSettings();
    const double before = Field(c.id);
    bool invalid = false;
    Run({}, IDOK, [&](HWND dialog) {
      SetDlgItemTextA(dialog, c.id, c.text);
      invalid = ShownInvalid(dialog, c.id);
    });
    EXPECT_EQ(invalid, !c.good) << '"' << c.text << '"';
    EXPECT_EQ(Field(c.id), c.good ? c.value : before) << '"' << c.text << '"';
  }
  const std::string longName(300, 'n');
  Run({{IDC_NAME, longName.c_str()}}, IDOK);
  EXPECT_EQ(std::string(SpectrumSettings.Name), longName.substr(0, 259)) << "a long name is cut";
}

TEST_F(SettingsDialogTest, ButtonsShowTheirIcons) {
  std::vector<std::pair<long, long>> sizes;
  Run({}, IDCANCEL, [&](HWND dialog) {
    for (int id : {IDOK, IDCANCEL, IDC_HELP_BUTTON}) {
      auto icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, id, BM_GETIMAGE, IMAGE_ICON, 0));
      ICONINFO info = {};
      BITMAP bm = {};
      if (icon != nullptr && GetIconInfo(icon, &info)) {
        GetObjectA(info.hbmColor, sizeof bm, &bm);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
      }
      sizes.push_back({bm.bmWidth, bm.bmHeight});
    }
  });
  // The check mark, the cross and the question mark differ in size.
  EXPECT_EQ(sizes, (std::vector<std::pair<long, long>>{{56, 33}, {57, 34}, {56, 32}}));
}

TEST_F(SettingsDialogTest, HelpOpensTheSettingsTopicAndLeavesTheDialogOpen) {
  HelpRecorder help;
  const SPECTRUMSETTINGS before = SpectrumSettings;
  bool openAfterHelp = false;
  EXPECT_EQ(Run({}, IDOK,
                [&](HWND dialog) {
                  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HELP_BUTTON, BN_CLICKED), 0);
                  Pump(100);  // a dialog ended by Help would be gone by now
                  openAfterHelp = IsWindowVisible(dialog);
                }),
            1);
  EXPECT_TRUE(openAfterHelp);
  EXPECT_THAT(help.urls, ElementsAre(EndsWith("-help.html#ZK:CREATE")));
  EXPECT_EQ(std::memcmp(&before, &SpectrumSettings, sizeof before), 0);
}

TEST_F(SettingsDialogTest, WithoutARecordOrATemplateNothingChanges) {
  OutputFormat = OUTFILE_CSV;
  EXPECT_EQ(DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS), owner_, SettingsDlgProc, 0),
            0);
  EXPECT_EQ(OutputFormat, OUTFILE_CSV);
  const SPECTRUMSETTINGS before = SpectrumSettings;
  AppInstance = GetModuleHandleA("kernel32.dll");  // has no template 2
  EXPECT_EQ(EditSettings(&SpectrumSettings, owner_), 0);
  EXPECT_EQ(std::memcmp(&before, &SpectrumSettings, sizeof before), 0);
}

}  // namespace
