// The settings dialog and the Save dialog, driven as a user would: what they
// show, what OK, Cancel and Help do to the record and the output format, the
// format list, the questions before replacing, and a failed write reported.
#include <windows.h>
#include <commdlg.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../../companion/tavspectrum/fsops.h"
#include "resources/resource.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell_test_support.h"
#include "spectrum/messages.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "spectrum/settings_dialog_win32.h"
#include "tavnmrfiles.h"
#include "tavspectrum.h"

using namespace shelltest;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Matcher;
using ::testing::StartsWith;

namespace {

std::vector<std::string> Texts(HWND dialog, std::initializer_list<int> ids) {
  std::vector<std::string> texts;
  for (int id : ids) texts.push_back(WindowText(GetDlgItem(dialog, id)));
  return texts;
}

std::vector<std::string> ComboItems(HWND dialog, int id) {
  std::vector<std::string> items(SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0));
  for (size_t i = 0; i < items.size(); ++i) {
    char text[64] = {};
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items[i] = text;
  }
  return items;
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
  const bool pink =
      brush != nullptr && GetObjectA(brush, sizeof lb, &lb) == sizeof lb && lb.lbColor == RGB(255, 224, 224);
  EXPECT_EQ(red, pink) << "text and background disagree";
  return red;
}

// What OK did: whether the dialog ended, the message it showed, and whether
// the field asked about was shown invalid before and had the focus after.
struct OkOutcome {
  std::int32_t result = -1;
  bool invalid = false, focused = false;
  std::string message;
};

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AppInstance = GetModuleHandleA(nullptr);
    ResetSettings();
    InstallProgramSeams();
  }
  void TearDown() override {
    DestroyWindow(owner_);
    ResetSettings();
    SetMessageSink(nullptr);
    SetScanGauge(nullptr);
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
  // Types the texts given ({id, text}), presses OK and, when the dialog stays
  // open, Cancel; `field` is the one whose marking and focus are reported.
  OkOutcome PressOk(std::vector<std::pair<int, const char*>> texts, int field) {
    OkOutcome got;
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen& seen) {
      if (seen.title != "Define Spectrum Settings") {
        got.message += seen.texts;
        Press(dialog, IDOK);
        return;
      }
      for (const auto& t : texts) SetDlgItemTextA(dialog, t.first, t.second);
      got.invalid = ShownInvalid(dialog, field);
      SendMessageA(dialog, WM_COMMAND, IDOK, 0);
      got.focused = GetFocus() == GetDlgItem(dialog, field);
      if (IsWindowVisible(dialog)) Press(dialog, IDCANCEL);
    });
    got.result = EditSettings(&SpectrumSettings, owner_);
    return got;
  }
  HWND owner_ = Popup(0, 0, 800, 600);
};

TEST_F(SettingsDialogTest, ShowsTheInitialSettingsAndOkTakesTheEdits) {
  SpectrumSettings.Mode = SOURCE_BITMAP;
  SpectrumSettings.Width = 640;
  SpectrumSettings.Height = 480;
  SpectrumSettings.FileTime = 12345;
  OutputFormat = OUTFILE_NMRPIPE;
  std::vector<std::string> shown, formats;
  LRESULT selected = -1, reselected = -1;
  RECT place = {};
  const std::int32_t result = Run(
      {{IDC_SF, "400.13"}, {IDC_SI, "2048"}, {IDC_F1, "3200"}, {IDC_F2, "200.5"}, {IDC_NAME, "C:\\s\\ethanol.dx"},
       {IDC_LINE_WIDTH, "3"}},
      IDOK, [&](HWND dialog) {
        GetWindowRect(dialog, &place);
        shown = Texts(dialog, {IDC_SI, IDC_SF, IDC_F1, IDC_F2, IDC_NAME, IDC_LINE_WIDTH, IDC_PICTURE_LINE1,
                               IDC_PICTURE_LINE2, IDC_PICTURE_LINE3});
        selected = SendDlgItemMessageA(dialog, IDC_FORMAT, CB_GETCURSEL, 0, 0);
        for (int id : {IDOK, IDCANCEL, IDC_HELP_BUTTON})
          EXPECT_NE(SendDlgItemMessageA(dialog, id, BM_GETIMAGE, IMAGE_ICON, 0), 0) << "the icon of button " << id;
        // Filled again, the list keeps its five names; an index that names no format selects the first.
        EXPECT_EQ(InitDlgOutfileListBox(dialog, IDC_FORMAT, 9), 1);
        EXPECT_EQ(InitDlgOutfileListBox(dialog, 999, 2), 0) << "no such control";
        reselected = SendDlgItemMessageA(dialog, IDC_FORMAT, CB_GETCURSEL, 0, 0);
        formats = ComboItems(dialog, IDC_FORMAT);
        SendDlgItemMessageA(dialog, IDC_FORMAT, CB_SETCURSEL, 1, 0);
      });
  EXPECT_EQ(result, 1);
  EXPECT_NEAR((place.left + place.right) / 2, 400, 1) << "centred over the owner";
  EXPECT_NEAR((place.top + place.bottom) / 2, 300, 1);
  EXPECT_EQ(shown, (std::vector<std::string>{"1024", "100.000", "25000.000", "-25000.000", "001001.1r", "0",
                                             "Bitmap dimensions:", "width:    640", "height:    480"}));
  EXPECT_EQ(formats, (std::vector<std::string>{"JCAMP-DX", "JCAMP-DX compressed", "Processed data folder", "NMRPipe",
                                               "Text table"}));
  EXPECT_EQ(selected, 3);
  EXPECT_EQ(reselected, 0);
  EXPECT_EQ(OutputFormat, OUTFILE_JCAMP_DIF);
  std::vector<double> values;
  for (int id : {IDC_SF, IDC_SI, IDC_F1, IDC_F2, IDC_LINE_WIDTH}) values.push_back(Field(id));
  EXPECT_EQ(values, (std::vector<double>{400.13f, 2048, 3200, 200.5, 3}));
  EXPECT_STREQ(SpectrumSettings.Name, "C:\\s\\ethanol.dx");
  // The description fields travel through unchanged.
  EXPECT_EQ(std::vector<int>({SpectrumSettings.Mode, SpectrumSettings.Width, SpectrumSettings.Height,
                              static_cast<int>(SpectrumSettings.FileTime)}),
            std::vector<int>({SOURCE_BITMAP, 640, 480, 12345}));
}

TEST_F(SettingsDialogTest, CancelKeepsTheRecordButNotTheFormerFormat) {
  const SPECTRUMSETTINGS before = SpectrumSettings;
  Decimals = 1;
  std::string sf;
  EXPECT_EQ(Run({{IDC_SI, "77"}, {IDC_SF, "500"}, {IDC_NAME, "changed"}}, IDCANCEL,
                [&](HWND dialog) {
                  sf = WindowText(GetDlgItem(dialog, IDC_SF));
                  SendDlgItemMessageA(dialog, IDC_FORMAT, CB_SETCURSEL, 4, 0);
                }),
            0);
  EXPECT_EQ(sf, "100.0") << "shown with Decimals";
  EXPECT_EQ(std::memcmp(&before, &SpectrumSettings, sizeof before), 0);
  EXPECT_EQ(OutputFormat, OUTFILE_CSV);
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
    Run({}, IDCANCEL,
        [&](HWND dialog) { lines = Texts(dialog, {IDC_PICTURE_LINE1, IDC_PICTURE_LINE2, IDC_PICTURE_LINE3}); });
    EXPECT_EQ(lines, c.lines) << "mode " << c.mode;
  }
}

TEST_F(SettingsDialogTest, OkTakesOnlyFieldsThatParseWholeWithinTheirLimitsAndSaysWhichAndWhyNot) {
  const struct {
    int id;
    const char* text;
    double value;     // stored on OK
    const char* why;  // null: taken
  } cases[] = {{IDC_SI, " 512 ", 512, nullptr},
               {IDC_SI, "2147483647", 2147483647.0, nullptr},
               {IDC_SI, "12x", 0, "SI: '12x' is not a whole number"},
               {IDC_SI, "", 0, "SI: '' is not a whole number"},
               {IDC_SI, "1.5", 0, "'1.5' is not a whole number"},
               {IDC_SI, "0x20", 0, "'0x20' is not a whole number"},
               {IDC_SI, "99999999999", 0, "SI must be at most 2147483647"},
               {IDC_SI, "0", 0, "SI must be at least 1"},
               {IDC_LINE_WIDTH, "3", 3, nullptr},
               {IDC_LINE_WIDTH, "-5", 0, "line width must be at least 0"},
               {IDC_LINE_WIDTH, "65536", 0, "line width must be at most 65535"},
               {IDC_SF, "1e3", 1000, nullptr},
               {IDC_SF, "0", 0, "SF must be greater than 0"},
               {IDC_SF, "-400.13", 0, "SF must be greater than 0"},
               {IDC_SF, "abc", 0, "SF: 'abc' is not a number"},
               {IDC_SF, "4OO", 0, "SF: '4OO' is not a number"},
               {IDC_SF, "1e39", 0, "SF must be at most 3.402823466e+38"},
               {IDC_SF, "nan", 0, "'nan' is not a number"},
               {IDC_F1, " -3.25 ", -3.25, nullptr},
               {IDC_F1, "1719,5", 0, "F1: '1719,5' is not a number"},
               {IDC_F1, "inf", 0, "'inf' is not a number"},
               {IDC_F2, "12 MHz", 0, "F2: '12 MHz' is not a number"},
               {IDC_F2, "-1e39", 0, "F2 must be at least -3.402823466e+38"}};
  for (const auto& c : cases) {
    ResetSettings();
    const double before = Field(c.id);
    const OkOutcome got = PressOk({{c.id, c.text}}, c.id);
    EXPECT_EQ(got.invalid, c.why != nullptr) << '"' << c.text << '"';
    EXPECT_EQ(got.result, c.why ? 0 : 1) << '"' << c.text << '"';
    EXPECT_EQ(Field(c.id), c.why ? before : c.value) << '"' << c.text << '"';
    EXPECT_THAT(got.message, c.why ? Matcher<std::string>(HasSubstr(c.why)) : IsEmpty()) << '"' << c.text << '"';
    EXPECT_EQ(got.focused, c.why != nullptr) << '"' << c.text << '"';
  }
  const std::string longName(300, 'n');
  Run({{IDC_NAME, longName.c_str()}}, IDOK);
  EXPECT_EQ(std::string(SpectrumSettings.Name), longName.substr(0, 259)) << "a long name is cut";
}

TEST_F(SettingsDialogTest, EqualFrequencyLimitsAreRefusedUntilOneChanges) {
  const OkOutcome equal = PressOk({{IDC_F1, "200"}, {IDC_F2, " 200.0 "}}, IDC_F2);
  EXPECT_EQ(equal.result, 0);
  EXPECT_THAT(equal.message, HasSubstr("F1 and F2 are equal"));
  EXPECT_TRUE(equal.focused);
  EXPECT_EQ(PressOk({{IDC_F1, "200"}, {IDC_F2, "199.999"}}, IDC_F2).result, 1);
  EXPECT_EQ(std::vector<float>({SpectrumSettings.F1, SpectrumSettings.F2}), std::vector<float>({200, 199.999f}));
}

// The dialog's controls: class, text, rectangle on the screen.
struct Control {
  HWND window;
  std::string type, text;
  RECT place;
};
std::vector<Control> Controls(HWND dialog) {
  std::vector<Control> all;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    char type[32] = {};
    GetClassNameA(c, type, sizeof type);
    Control control = {c, type, WindowText(c), {}};
    GetWindowRect(c, &control.place);
    all.push_back(control);
  }
  return all;
}

TEST_F(SettingsDialogTest, EveryLabelShowsItsWholeTextClearOfTheControls) {
  SpectrumSettings.Mode = SOURCE_BITMAP;
  SpectrumSettings.Width = 65535;
  SpectrumSettings.Height = 65535;
  int labels = 0;
  Run({}, IDCANCEL, [&](HWND dialog) {
    const std::vector<Control> controls = Controls(dialog);
    for (const Control& label : controls) {
      if (_stricmp(label.type.c_str(), "Static") != 0 || label.text.empty()) continue;
      ++labels;
      HDC dc = GetDC(label.window);
      const auto font = reinterpret_cast<HGDIOBJ>(SendMessageA(label.window, WM_GETFONT, 0, 0));
      const HGDIOBJ kept = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
      RECT needed = {}, room = {};
      DrawTextA(dc, label.text.c_str(), -1, &needed, DT_CALCRECT | DT_SINGLELINE);
      SelectObject(dc, kept);
      ReleaseDC(label.window, dc);
      GetClientRect(label.window, &room);
      EXPECT_TRUE(needed.right <= room.right && needed.bottom <= room.bottom) << label.text;
      for (const Control& other : controls) {
        const bool field = other.type == "Edit" || other.type == "ComboBox" ||
                           (other.type == "Button" && !(GetWindowLongA(other.window, GWL_STYLE) & BS_GROUPBOX));
        RECT overlap;
        EXPECT_FALSE(field && IntersectRect(&overlap, &label.place, &other.place)) << label.text << " over " << other.text;
      }
    }
  });
  EXPECT_EQ(labels, 15);
}

TEST_F(SettingsDialogTest, NoTwoControlsShareAMnemonic) {
  std::map<char, std::string> owners;
  Run({}, IDCANCEL, [&](HWND dialog) {
    for (const Control& c : Controls(dialog)) {
      const size_t amp = c.text.find('&');
      if (amp == std::string::npos || amp + 1 >= c.text.size()) continue;
      const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(c.text[amp + 1])));
      EXPECT_TRUE(owners.emplace(key, c.text).second) << c.text << " and " << owners[key];
    }
  });
  EXPECT_GE(owners.size(), 10u);
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

// Writes through the Save dialog. Each dialog shown is answered in turn by
// `answers` (a button's name, or a name to type) and noted as "save NAME" or
// "box MESSAGE".
class SaveDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(s_.Init(0, 64, 100, 1000, -1000), 1);
    for (long k = 0; k < 64; ++k) s_.SetRealInt(k, static_cast<float>(k));
    s_.SetSpecFlag(1, 1);
    s_.SetSpecFlag(2, 1);
  }
  void TearDown() override { DestroyWindow(owner_); }
  int Write(const std::string& name, outfile format, const std::vector<std::string>& answers) {
    const std::map<std::string, int> buttons = {{"OK", IDOK}, {"Cancel", IDCANCEL}, {"Yes", IDYES}, {"No", IDNO}};
    shown_.clear();
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen& seen) {
      char shownName[MAX_PATH] = {};
      const bool save = GetDlgItem(dialog, 0x47c) != nullptr || GetDlgItem(dialog, 0x480) != nullptr;
      SendMessageA(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(shownName));
      if (save) SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder_));
      shown_.push_back(save ? "save " + std::string(shownName) : "box " + seen.texts);
      const std::string answer = shown_.size() <= answers.size() ? answers[shown_.size() - 1] : "Cancel";
      if (buttons.count(answer) != 0)
        Press(dialog, buttons.at(answer));
      else
        ChooseInFileDialog(dialog, answer);
    });
    TAVHELPINFO info = {};
    info.Owner = owner_;
    return s_.WriteNMRSpectrum(owner_, name.c_str(), format, &info);
  }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  std::vector<std::string> Entries() { return tav::ListFolder(dir_.path); }

  TempFolder dir_;
  HWND owner_ = Popup(0, 0, 400, 300);
  Spectrum s_;
  std::vector<std::string> shown_;
  char folder_[MAX_PATH] = {};
};

TEST_F(SaveDialogTest, OffersTheNameWithTheFormatsExtensionInItsFolderAndCancelWritesNothing) {
  EXPECT_EQ(Write(Path("x.csv"), OUTFILE_NMRPIPE, {"Cancel"}), 0);
  EXPECT_THAT(shown_, ElementsAre("save x.ft1"));
  EXPECT_TRUE(Entries().empty());
  EXPECT_EQ(Write(Path("001001.1r"), OUTFILE_JCAMP, {"chosen.dx"}), 1);
  EXPECT_THAT(shown_, ElementsAre("save 001001.dx"));
  EXPECT_STRCASEEQ(folder_, dir_.path.c_str());
  EXPECT_THAT(ReadText(Path("chosen.dx")), StartsWith("##TITLE= chosen.dx\n"));
  EXPECT_THAT(Entries(), ElementsAre("chosen.dx"));
}

TEST_F(SaveDialogTest, AsksBeforeReplacingAFileAndKeepsItOnNo) {
  ASSERT_TRUE(WriteBytes(Path("001001.dx"), {'o', 'l', 'd'}));
  const auto question = AllOf(StartsWith("box"), HasSubstr("exists already"), HasSubstr("replace"));
  // No goes back to the Save dialog.
  EXPECT_EQ(Write(Path("001001.dx"), OUTFILE_JCAMP_DIF, {"OK", "No", "Cancel"}), 0);
  EXPECT_THAT(shown_, ElementsAre("save 001001.dx", question, StartsWith("save")));
  EXPECT_EQ(ReadText(Path("001001.dx")), "old");
  EXPECT_EQ(Write(Path("001001.dx"), OUTFILE_JCAMP_DIF, {"OK", "Yes"}), 1);
  EXPECT_THAT(shown_, ElementsAre("save 001001.dx", question));
  EXPECT_THAT(ReadText(Path("001001.dx")), StartsWith("##TITLE= 001001.dx\n"));
  EXPECT_THAT(Entries(), ElementsAre("001001.dx"));
}

TEST_F(SaveDialogTest, FolderOutputIsNamedWithoutExtensionAndReplacedOnlyWhenItIsOurs) {
  EXPECT_EQ(Write(Path("001001.1r"), OUTFILE_PDATA, {"OK"}), 1);
  EXPECT_THAT(shown_, ElementsAre("save 001001"));
  EXPECT_TRUE(Exists(Path("001001\\pdata\\1\\1r")) && Exists(Path("001001\\acqus")));
  // Typing the name of an existing folder opens it in the dialog: opening
  // one of our spectrum folders chooses it.
  EXPECT_EQ(Write(Path("001001"), OUTFILE_PDATA, {Path("001001"), "Yes"}), 1);
  EXPECT_THAT(shown_, ElementsAre(StartsWith("save"), HasSubstr("The folder")));
  ASSERT_TRUE(WriteBytes(Path("001001\\fid"), {'r', 'a', 'w'}));
  EXPECT_EQ(Write(Path("001001"), OUTFILE_PDATA, {Path("001001"), "OK", "Cancel"}), 0);
  EXPECT_THAT(shown_, ElementsAre(StartsWith("save"), HasSubstr("cannot be replaced"), StartsWith("save")));
  EXPECT_EQ(ReadText(Path("001001\\fid")), "raw");
  EXPECT_THAT(Entries(), ElementsAre("001001"));
}

TEST_F(SaveDialogTest, ANameTypedWithAnotherFormatsExtensionIsWrittenInThatFormatOnlyOnYes) {
  EXPECT_EQ(Write(Path("x.dx"), OUTFILE_JCAMP, {"y.csv", "Yes"}), 1);
  EXPECT_THAT(shown_, ElementsAre("save x.dx", AllOf(StartsWith("box"), HasSubstr("Text table"), HasSubstr("JCAMP-DX"))));
  EXPECT_THAT(ReadText(Path("y.csv")), StartsWith("hz,ppm,real")) << "a text table";
  // No: back to the dialog, the name given the chosen format's extension.
  EXPECT_EQ(Write(Path("x.csv"), OUTFILE_CSV, {"z.jdx", "No", "Cancel"}), 0);
  EXPECT_THAT(shown_, ElementsAre("save x.csv", HasSubstr("JCAMP-DX"), "save z.csv"));
  // The JCAMP-DX forms share their extensions; one no format uses is the user's.
  EXPECT_EQ(Write(Path("x.dx"), OUTFILE_JCAMP_DIF, {"a.jdx"}), 1);
  EXPECT_EQ(Write(Path("x.dx"), OUTFILE_CSV, {"b.txt"}), 1);
  EXPECT_THAT(shown_, ElementsAre("save x.csv"));
  EXPECT_THAT(Entries(), ElementsAre("a.jdx", "b.txt", "y.csv"));
}

TEST_F(SaveDialogTest, AFailureIsReportedInAMessage) {
  s_.SetSpecFlag(2, 0);
  EXPECT_EQ(Write(Path("x.dx"), OUTFILE_JCAMP, {"OK"}), 0);
  EXPECT_THAT(shown_, ElementsAre(AllOf(StartsWith("box"), HasSubstr("Cannot write the spectrum"))));
  EXPECT_TRUE(Entries().empty());
}

}  // namespace
