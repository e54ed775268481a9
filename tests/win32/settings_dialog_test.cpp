// The settings dialog, driven as a user would: what it shows, what OK, Cancel
// and Help do to the record and the output format.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "resources/resource.h"
#include "shell/state.h"
#include "shell_test_support.h"
#include "spectrum/settings.h"
#include "spectrum/settings_dialog_win32.h"
#include "tavnmrfiles.h"
#include "tavutils_win32.h"

using namespace shelltest;

namespace {

const char kTitle[] = "Define Spectrum Settings";

std::string Item(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ResetSettings();
    owner_ = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  }
  void TearDown() override {
    DestroyWindow(owner_);
    ResetSettings();
  }
  // Runs the dialog on SpectrumSettings; `drive` sees it initialised.
  std::int32_t Run(const std::function<void(HWND)>& drive) {
    DialogWatcher watcher([&](HWND dialog, const std::string& title) {
      if (title == kTitle) drive(dialog);
    });
    const std::int32_t result = EditSettings(&SpectrumSettings, owner_);
    seen_ = watcher.Count(kTitle);
    return result;
  }
  HWND owner_ = nullptr;
  int seen_ = 0;
};

TEST_F(SettingsDialogTest, ShowsTheInitialSettingsAndOkTakesTheEdits) {
  SpectrumSettings.Mode = SOURCE_BITMAP;
  SpectrumSettings.Width = 640;
  SpectrumSettings.Height = 480;
  SpectrumSettings.FileTime = 12345;
  std::string shown[6], description[3];
  const std::int32_t result = Run([&](HWND dialog) {
    const int ids[6] = {IDC_SI, IDC_SF, IDC_F1, IDC_F2, IDC_NAME, IDC_LINE_WIDTH};
    for (int i = 0; i < 6; ++i) shown[i] = Item(dialog, ids[i]);
    description[0] = Item(dialog, IDC_PICTURE_LINE1);
    description[1] = Item(dialog, IDC_PICTURE_LINE2);
    description[2] = Item(dialog, IDC_PICTURE_LINE3);
    SetDlgItemTextA(dialog, IDC_SF, "400.13");
    SetDlgItemTextA(dialog, IDC_SI, "2048");
    SetDlgItemTextA(dialog, IDC_F1, "3200");
    SetDlgItemTextA(dialog, IDC_F2, "200.5");
    SetDlgItemTextA(dialog, IDC_NAME, "C:\\spectra\\ethanol.dx");
    SetDlgItemTextA(dialog, IDC_LINE_WIDTH, "3");
    SendDlgItemMessageA(dialog, IDC_FORMAT, CB_SETCURSEL, 3, 0);
    Press(dialog, IDOK);
  });
  ASSERT_EQ(seen_, 1);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(shown[0], "1024");
  EXPECT_EQ(shown[1], "100.000");
  EXPECT_EQ(shown[2], "25000.000");
  EXPECT_EQ(shown[3], "-25000.000");
  EXPECT_EQ(shown[4], "001001.1r");
  EXPECT_EQ(shown[5], "0");
  EXPECT_EQ(description[0], "Bitmap dimensions:");
  EXPECT_EQ(description[1], "width:    640");
  EXPECT_EQ(description[2], "height:    480");

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
  const std::int32_t result = Run([](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SI, "77");
    SetDlgItemTextA(dialog, IDC_SF, "500");
    SetDlgItemTextA(dialog, IDC_NAME, "changed");
    SendDlgItemMessageA(dialog, IDC_FORMAT, CB_SETCURSEL, 4, 0);
    Press(dialog, IDCANCEL);
  });
  ASSERT_EQ(seen_, 1);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(std::memcmp(&before, &SpectrumSettings, sizeof before), 0);
  EXPECT_EQ(OutputFormat, IntToOutfile(4));
}

TEST_F(SettingsDialogTest, DescribesTheLoadedKindOfPicture) {
  struct Case {
    std::int32_t mode;
    const char* lines[3];
  } cases[] = {
      {SOURCE_WPG, {"WPG file data", "", ""}},
      {SOURCE_BITMAP, {"Bitmap dimensions:", "width: 123456", "height:      7"}},
      {SOURCE_NONE, {"", "", ""}},
      {5, {"", "", ""}},
  };
  for (const Case& c : cases) {
    SpectrumSettings.Mode = c.mode;
    SpectrumSettings.Width = 123456;
    SpectrumSettings.Height = 7;
    std::string lines[3];
    Run([&](HWND dialog) {
      lines[0] = Item(dialog, IDC_PICTURE_LINE1);
      lines[1] = Item(dialog, IDC_PICTURE_LINE2);
      lines[2] = Item(dialog, IDC_PICTURE_LINE3);
      Press(dialog, IDCANCEL);
    });
    ASSERT_EQ(seen_, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(lines[i], c.lines[i]) << "mode " << c.mode << " line " << i;
  }
}

TEST_F(SettingsDialogTest, FloatsFollowDecimalsAndBadNumbersKeepTheLastGoodValue) {
  Decimals = 1;
  std::string sf;
  Run([&](HWND dialog) {
    sf = Item(dialog, IDC_SF);
    SetDlgItemTextA(dialog, IDC_SI, "4096");
    SetDlgItemTextA(dialog, IDC_SI, "40 96");    // does not parse
    SetDlgItemTextA(dialog, IDC_F1, "1.5e3");
    SetDlgItemTextA(dialog, IDC_F2, "-12,5");    // not a number here
    SetDlgItemTextA(dialog, IDC_LINE_WIDTH, "-5");
    Press(dialog, IDOK);
  });
  EXPECT_EQ(sf, "100.0");
  EXPECT_EQ(SpectrumSettings.SI, 4096);
  EXPECT_EQ(SpectrumSettings.F1, 1500.0f);
  EXPECT_EQ(SpectrumSettings.F2, -25000.0f);
  EXPECT_EQ(SpectrumSettings.LineWidth, -5) << "a line width of 0 or less is allowed";

  Run([](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_SI, "0");
    Press(dialog, IDOK);
  });
  EXPECT_EQ(SpectrumSettings.SI, 4096) << "no spectrum has fewer than one point";
}

TEST_F(SettingsDialogTest, ANameOfMoreThan259CharactersIsCut) {
  const std::string longName(300, 'n');
  Run([&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_NAME, longName.c_str());
    Press(dialog, IDOK);
  });
  EXPECT_EQ(std::string(SpectrumSettings.Name), longName.substr(0, 259));
}

TEST_F(SettingsDialogTest, ButtonsShowTheirIcons) {
  SIZE sizes[3] = {};
  Run([&](HWND dialog) {
    const int ids[3] = {IDOK, IDCANCEL, IDC_HELP_BUTTON};
    for (int i = 0; i < 3; ++i) {
      auto icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, ids[i], BM_GETIMAGE, IMAGE_ICON, 0));
      ICONINFO info = {};
      if (icon != nullptr && GetIconInfo(icon, &info)) {
        BITMAP bm = {};
        GetObjectA(info.hbmColor, sizeof bm, &bm);
        sizes[i] = {bm.bmWidth, bm.bmHeight};
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
      }
    }
    Press(dialog, IDCANCEL);
  });
  EXPECT_EQ(sizes[0].cx, 56);
  EXPECT_EQ(sizes[0].cy, 33);
  EXPECT_EQ(sizes[1].cx, 57);
  EXPECT_EQ(sizes[1].cy, 34);
  EXPECT_EQ(sizes[2].cx, 56);
  EXPECT_EQ(sizes[2].cy, 32);
}

struct HelpSeen {
  int calls = 0;
  std::string url;
} g_help;

int RecordHelp(const char*, const char* url) {
  ++g_help.calls;
  g_help.url = url;
  return 1;
}

TEST_F(SettingsDialogTest, HelpOpensTheSettingsTopicAndLeavesTheDialogOpen) {
  char document[MAX_PATH];
  ASSERT_EQ(CVGetFileName(AppInstance, document, CV_FILE_HELP), 1);
  ASSERT_TRUE(WriteBytes(document, {'<', 'p', '>'}));
  g_help = HelpSeen();
  CVSetHelpOpener(RecordHelp);
  const SPECTRUMSETTINGS before = SpectrumSettings;
  // Still open a while after Help: a dialog ended by it would be gone.
  static HWND shown;
  static bool openAfterHelp;
  openAfterHelp = false;
  const std::int32_t result = Run([&](HWND dialog) {
    shown = dialog;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_HELP_BUTTON, BN_CLICKED), 0);
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      openAfterHelp = IsWindow(shown) && IsWindowVisible(shown);
      Press(shown, IDOK);
    });
  });
  CVSetHelpOpener(nullptr);
  DeleteFileA(document);
  EXPECT_TRUE(openAfterHelp);
  EXPECT_EQ(result, 1);
  ASSERT_EQ(g_help.calls, 1);
  const std::string tail = "-help.html#ZK:CREATE";
  ASSERT_GE(g_help.url.size(), tail.size());
  EXPECT_EQ(g_help.url.substr(g_help.url.size() - tail.size()), tail);
  EXPECT_EQ(std::memcmp(&before, &SpectrumSettings, sizeof before), 0);
}

TEST_F(SettingsDialogTest, AMissingRecordEndsTheDialogAtOnceAndKeepsTheFormat) {
  OutputFormat = OUTFILE_CSV;
  const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SETTINGS), owner_,
                                         SettingsDlgProc, 0);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(OutputFormat, OUTFILE_CSV);
}

TEST_F(SettingsDialogTest, ADialogThatCannotBeMadeCountsAsCancel) {
  const SPECTRUMSETTINGS before = SpectrumSettings;
  AppInstance = GetModuleHandleA("kernel32.dll");  // has no template 2
  EXPECT_EQ(EditSettings(&SpectrumSettings, owner_), 0);
  AppInstance = GetModuleHandleA(nullptr);
  EXPECT_EQ(std::memcmp(&before, &SpectrumSettings, sizeof before), 0);
}

}  // namespace
