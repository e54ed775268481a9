// The main window and its commands: the message table, titles, layout on
// resize, the file-change check, Retrieve, Close, Create spectrum, Help,
// About, the Open dialog's remembered folder and the accelerators.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/wpg.h"
#include "resources/resource.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell_test_support.h"
#include "spectrum/messages.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"
#include "tavutils_win32.h"

using namespace shelltest;

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// Retrieve's file choice in these tests: the next path, or a cancel.
std::string g_nextPath;
int g_chooserCalls = 0;
std::int32_t ChooseNext(HWND) {
  ++g_chooserCalls;
  CurrentPath[0] = '\0';
  if (g_nextPath.empty()) return 0;
  std::snprintf(CurrentPath, sizeof CurrentPath, "%s", g_nextPath.c_str());
  return 1;
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

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    FreePicture();
    CurrentPath[0] = '\0';
    RegisterMainClass(Self());  // 0 once the class exists: that is fine here
    InstallProgramSeams();
    SetPictureChooser(ChooseNext);
    g_nextPath.clear();
    g_chooserCalls = 0;
    ASSERT_EQ(InitInstance(Self(), SW_SHOWNORMAL), 1);
    window_ = static_cast<HWND>(MainWindow);
    SetWindowPos(window_, nullptr, 10, 10, 640, 480, SWP_NOZORDER);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    // WM_DESTROY posted a quit message; it must not end a later test's dialog.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    SetPictureChooser(nullptr);
    SetMessageSink(nullptr);
    SetScanGauge(nullptr);
    MainWindow = nullptr;
    ResetSettings();
  }
  void Command(int id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  // Retrieves `path`, answering any message with OK; returns the dialogs seen.
  std::vector<DialogWatcher::Seen> Retrieve(const std::string& path) {
    g_nextPath = path;
    DialogWatcher watcher([](HWND dialog, const std::string&) { Press(dialog, IDOK); });
    Command(CM_RETRIEVE);
    return watcher.seen();
  }
  std::string Title() { return WindowText(window_); }

  HWND window_ = nullptr;
  TempFolder folder_;
};

TEST_F(ShellTest, MessageTableRoutesCommands100To200AndHandlesWithZero) {
  DialogWatcher watcher([](HWND dialog, const std::string&) { Press(dialog, IDOK); });
  EXPECT_EQ(SendMessageA(window_, WM_COMMAND, 99, 0), 0);
  EXPECT_EQ(SendMessageA(window_, WM_COMMAND, 201, 0), 0);
  EXPECT_EQ(SendMessageA(window_, WM_COMMAND, 150, 0), 0);
  EXPECT_EQ(g_chooserCalls, 0);
  EXPECT_TRUE(watcher.seen().empty());
  // 100 arrives as offset 0 (Retrieve), whatever the notification code.
  EXPECT_EQ(SendMessageA(window_, WM_COMMAND, MAKEWPARAM(100, 1), 0), 0);
  EXPECT_EQ(g_chooserCalls, 1);
  // 200 arrives as offset 100 (About).
  EXPECT_EQ(SendMessageA(window_, WM_COMMAND, 200, 0), 0);
  EXPECT_EQ(watcher.titles(), std::vector<std::string>{"About Quillon"});
  EXPECT_EQ(watcher.seen()[0].owner, window_);

  for (UINT message : {WM_SIZE, WM_ACTIVATE, WM_SETFOCUS, WM_PAINT})
    EXPECT_EQ(SendMessageA(window_, message, 0, 0), 0) << message;
  // What the table does not handle goes to the default procedure.
  EXPECT_EQ(SendMessageA(window_, WM_GETTEXTLENGTH, 0, 0), static_cast<LRESULT>(std::strlen("Quillon - (Untitled)")));
}

TEST_F(ShellTest, TitlesBeforeAndAfterALoadAndWhenMinimised) {
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
  const std::string path = folder_.File("h1.proton.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(8, 8, {{1, 1}})));
  EXPECT_TRUE(Retrieve(path).empty());
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_EQ(Title(), "Quillon - " + path);
  ShowWindow(window_, SW_MINIMIZE);
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(Title(), "Quillon h1.proton");
  ShowWindow(window_, SW_RESTORE);
  SendMessageA(window_, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(Title(), "Quillon - " + path);
}

TEST_F(ShellTest, ResizingLaysABitmapOutAgainButNotADrawing) {
  const std::string bmp = folder_.File("a.bmp");
  ASSERT_TRUE(WriteBytes(bmp, Bitmap24(8, 8, {{1, 1}})));
  Retrieve(bmp);
  ASSERT_NE(DibInfo, nullptr);
  SetWindowPos(window_, nullptr, 0, 0, 500, 420, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(window_, &client);
  EXPECT_EQ(ClientWidth, client.right);
  EXPECT_EQ(ClientHeight, client.bottom);
  EXPECT_EQ(DisplayRect.left, 14);
  EXPECT_EQ(DisplayRect.top, 14);
  EXPECT_EQ(DisplayRect.right, client.right - 28);
  EXPECT_EQ(DisplayRect.bottom, client.bottom - 28);

  const std::string wpg = folder_.File("b.wpg");
  ASSERT_TRUE(WriteBytes(wpg, DiagonalWpg()));
  Retrieve(wpg);
  ASSERT_NE(WpgState, nullptr);
  const DISPLAYRECT laidOut = DisplayRect;
  SetWindowPos(window_, nullptr, 0, 0, 700, 300, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(window_, &client);
  EXPECT_EQ(ClientWidth, client.right);
  EXPECT_EQ(std::memcmp(&laidOut, &DisplayRect, sizeof laidOut), 0);
}

TEST_F(ShellTest, AChangedBitmapIsReadAgainWhenTheWindowGetsTheFocus) {
  const std::string path = folder_.File("changing.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(16, 8, {{1, 1}})));
  Retrieve(path);
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_GT(SpectrumSettings.FileTime, 0);
  SpectrumSettings.SI = 5;
  SendMessageA(window_, WM_SETFOCUS, 0, 0);
  EXPECT_EQ(SpectrumSettings.SI, 5) << "an unchanged file is not read again";

  ASSERT_TRUE(WriteBytes(path, Bitmap24(40, 8, {{2, 2}})));
  SetWindowTextA(window_, "stale");
  SendMessageA(window_, WM_SETFOCUS, 0, 0);
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_EQ(DibInfo->PixelWidth, 40);
  EXPECT_EQ(SpectrumSettings.Width, 40);
  EXPECT_EQ(SpectrumSettings.SI, 64);
  EXPECT_EQ(Title(), "Quillon - " + path);
}

TEST_F(ShellTest, ADeletedBitmapStaysShownAndIsNoLongerWatched) {
  const std::string path = folder_.File("gone.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(16, 8, {{1, 1}})));
  Retrieve(path);
  ASSERT_NE(DibInfo, nullptr);
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  SendMessageA(window_, WM_SETFOCUS, 0, 0);
  EXPECT_EQ(SpectrumSettings.FileTime, -1);
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_EQ(DibInfo->PixelWidth, 16);
  ASSERT_TRUE(WriteBytes(path, Bitmap24(32, 8, {{1, 1}})));
  SendMessageA(window_, WM_SETFOCUS, 0, 0);
  EXPECT_EQ(DibInfo->PixelWidth, 16) << "watched again only after a new Retrieve";
}

TEST_F(ShellTest, ABitmapThatNoLongerLoadsLeavesTheWindowEmpty) {
  const std::string path = folder_.File("broken.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(16, 8, {{1, 1}})));
  Retrieve(path);
  ASSERT_NE(DibInfo, nullptr);
  ASSERT_TRUE(WriteBytes(path, {'B', 'M', 1, 2, 3}));
  DialogWatcher watcher([](HWND dialog, const std::string&) { Press(dialog, IDOK); });
  SendMessageA(window_, WM_SETFOCUS, 0, 0);
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_NE(watcher.seen()[0].texts.find("Could not convert bitmap"), std::string::npos) << watcher.seen()[0].texts;
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
}

TEST_F(ShellTest, RetrieveTellsDrawingsAndBitmapsByTheirFirstBytes) {
  SpectrumSettings.SI = 333;
  const std::string wpg = folder_.File("drawing.bmp");  // the name does not matter
  ASSERT_TRUE(WriteBytes(wpg, DiagonalWpg()));
  EXPECT_TRUE(Retrieve(wpg).empty());
  ASSERT_NE(WpgState, nullptr);
  EXPECT_EQ(DibInfo, nullptr);
  ASSERT_NE(FileBuffer, nullptr) << "a drawing plays back from the file image";
  EXPECT_EQ(FileBufferLength, DiagonalWpg().size());
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_WPG);
  EXPECT_EQ(SpectrumSettings.SI, 333) << "a drawing keeps SI";
  EXPECT_EQ(Title(), "Quillon - " + wpg);

  const std::string bmp = folder_.File("picture.wpg");
  ASSERT_TRUE(WriteBytes(bmp, Bitmap24(20, 10, {{3, 3}})));
  EXPECT_TRUE(Retrieve(bmp).empty());
  EXPECT_EQ(WpgState, nullptr);
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_EQ(FileBuffer, nullptr);
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  EXPECT_EQ(SpectrumSettings.SI, 32);
}

TEST_F(ShellTest, UnrecognisedFilesAreReportedAndLeaveNoPicture) {
  std::vector<unsigned char> lower = Bitmap24(8, 8, {});
  lower[0] = 'b';
  lower[1] = 'm';
  const std::vector<std::vector<unsigned char>> files = {lower, {'B'}, {}, {'G', 'I', 'F', '8', '9', 'a'}};
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string good = folder_.File("good.bmp");
    ASSERT_TRUE(WriteBytes(good, Bitmap24(8, 8, {})));
    Retrieve(good);
    ASSERT_NE(DibInfo, nullptr);
    const std::string path = folder_.File("odd" + std::to_string(i));
    ASSERT_TRUE(WriteBytes(path, files[i]));
    const auto seen = Retrieve(path);
    ASSERT_EQ(seen.size(), 1u) << "file " << i;
    EXPECT_NE(seen[0].texts.find("File format not recognized"), std::string::npos) << seen[0].texts;
    EXPECT_EQ(DibInfo, nullptr);
    EXPECT_EQ(WpgState, nullptr);
    EXPECT_EQ(FileBuffer, nullptr);
    EXPECT_EQ(Title(), "Quillon - (Untitled)");
  }
  const auto seen = Retrieve(folder_.File("missing.bmp"));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].texts.find("Cannot open file."), std::string::npos) << seen[0].texts;
}

TEST_F(ShellTest, CancellingTheChoiceDiscardsThePicture) {
  const std::string path = folder_.File("kept.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(8, 8, {})));
  Retrieve(path);
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_TRUE(Retrieve("").empty());
  EXPECT_EQ(g_chooserCalls, 2);
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(SpectrumSettings.FileTime, -1);
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
}

TEST_F(ShellTest, CloseWithNothingLoadedStillRetitlesAndRedraws) {
  SetWindowTextA(window_, "something else");
  UpdateWindow(window_);
  Command(CM_CLOSE);
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
  EXPECT_TRUE(GetUpdateRect(window_, nullptr, FALSE)) << "the window was invalidated";

  const std::string path = folder_.File("closed.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(8, 8, {})));
  Retrieve(path);
  ASSERT_NE(DibInfo, nullptr);
  Command(CM_CLOSE);
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(SpectrumSettings.FileTime, -1);
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP) << "Mode keeps the kind closed";
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
}

TEST_F(ShellTest, APaintDrawsTheBitmapWhereDisplayRectSays) {
  std::vector<std::pair<int, int>> all;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) all.push_back({x, y});
  const std::string path = folder_.File("black.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(4, 4, all)));
  Retrieve(path);
  UpdateWindow(window_);
  HDC dc = GetDC(window_);
  const int right = DisplayRect.left + DisplayRect.right, bottom = DisplayRect.top + DisplayRect.bottom;
  EXPECT_EQ(GetPixel(dc, 15, 15), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, right, bottom), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 14, 40), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 40, 14), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, right + 1, 40), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 40, bottom + 1), RGB(255, 255, 255));
  ReleaseDC(window_, dc);
}

// The WM_COMMAND messages sent to gauge windows.
std::vector<std::pair<WPARAM, LPARAM>> g_gaugeMessages;
LRESULT CALLBACK WatchGauge(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (sent->message == WM_COMMAND && ClassOf(sent->hwnd) == kCVGaugeClass)
      g_gaugeMessages.push_back({sent->wParam, sent->lParam});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

class CreateSpectrumTest : public ShellTest {
 protected:
  // Runs Create spectrum; the settings dialog ends with `button`, the Save
  // dialog with OK.
  void Create(int button) {
    g_gaugeMessages.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchGauge, nullptr, GetCurrentThreadId());
    DialogWatcher watcher([&](HWND dialog, const std::string& title) {
      if (title == "Define Spectrum Settings") {
        SetDlgItemTextA(dialog, IDC_NAME, output_.c_str());
        SendDlgItemMessageA(dialog, IDC_FORMAT, CB_SETCURSEL, 0, 0);
        Press(dialog, button);
      } else {
        Press(dialog, IDOK);
      }
    });
    Command(CM_CREATE);
    UnhookWindowsHookEx(hook);
    titles_ = watcher.titles();
    created_ = watcher.createdClasses();
  }
  bool GaugeMade() const {
    for (const std::string& c : created_)
      if (c == kCVGaugeClass) return true;
    return false;
  }
  std::string output_ = folder_.File("made.dx");
  std::vector<std::string> titles_, created_;
};

TEST_F(CreateSpectrumTest, NothingLoadedDoesNothingAtAll) {
  Create(IDOK);
  EXPECT_TRUE(titles_.empty());
  EXPECT_FALSE(Exists(output_));
}

TEST_F(CreateSpectrumTest, ABitmapIsTracedWithAGaugeAfterOk) {
  const std::string path = folder_.File("peak.bmp");
  ASSERT_TRUE(WriteBytes(path, PeakBitmap(200, 60)));
  Retrieve(path);
  ASSERT_NE(DibInfo, nullptr);
  Create(IDOK);
  ASSERT_EQ(titles_.size(), 2u);
  EXPECT_EQ(titles_[0], "Define Spectrum Settings");
  EXPECT_TRUE(GaugeMade());
  ASSERT_TRUE(Exists(output_)) << "the spectrum was written";
  EXPECT_EQ(ReadBytes(output_).size() > 100, true);
  // The gauge keeps its percent, so a 200-column scan reports each of 1 to 99 once.
  ASSERT_EQ(g_gaugeMessages.size(), 2u + 99u + 1u);
  EXPECT_EQ(g_gaugeMessages[0].first, CV_GAUGE_BEGIN);
  EXPECT_EQ(g_gaugeMessages[1].first, CV_GAUGE_PERCENT);
  EXPECT_EQ(g_gaugeMessages[1].second, 0);
  for (int p = 1; p <= 99; ++p) {
    EXPECT_EQ(g_gaugeMessages[1 + p].first, CV_GAUGE_PERCENT);
    EXPECT_EQ(g_gaugeMessages[1 + p].second, static_cast<LPARAM>(p) << 16);
  }
  EXPECT_EQ(g_gaugeMessages.back().first, CV_GAUGE_CLOSE);
}

TEST_F(CreateSpectrumTest, CancelInTheSettingsTracesNothing) {
  const std::string path = folder_.File("peak.bmp");
  ASSERT_TRUE(WriteBytes(path, PeakBitmap(50, 30)));
  Retrieve(path);
  Create(IDCANCEL);
  EXPECT_EQ(titles_, std::vector<std::string>{"Define Spectrum Settings"});
  EXPECT_FALSE(GaugeMade());
  EXPECT_TRUE(g_gaugeMessages.empty());
  EXPECT_FALSE(Exists(output_));
}

TEST_F(CreateSpectrumTest, ADrawingIsTracedByOneRecordedPlayback) {
  const std::string path = folder_.File("diagonal.wpg");
  ASSERT_TRUE(WriteBytes(path, DiagonalWpg()));
  Retrieve(path);
  ASSERT_NE(WpgState, nullptr);
  Create(IDOK);
  ASSERT_EQ(titles_.size(), 2u);
  ASSERT_TRUE(Exists(output_));
  EXPECT_EQ(Recording, 0);
  EXPECT_FALSE(GaugeMade()) << "only bitmap scans show a gauge";
  ASSERT_NE(WpgState, nullptr) << "the drawing stays loaded";
}

TEST_F(ShellTest, HelpAndAboutWorkWithAndWithoutAPicture) {
  char document[MAX_PATH];
  ASSERT_EQ(CVGetFileName(Self(), document, CV_FILE_HELP), 1);
  ASSERT_TRUE(WriteBytes(document, {'<', 'p', '>'}));
  CVSetHelpOpener(RecordHelp);
  for (bool loaded : {false, true}) {
    if (loaded) {
      const std::string path = folder_.File("help.bmp");
      ASSERT_TRUE(WriteBytes(path, Bitmap24(8, 8, {})));
      Retrieve(path);
      ASSERT_NE(DibInfo, nullptr);
    }
    g_help = HelpSeen();
    Command(CM_HELP_CONTENTS);
    EXPECT_EQ(g_help.calls, 1);
    EXPECT_EQ(g_help.url.substr(g_help.url.find('#')), "#CONTENTS");
    Command(CM_HELP_SEARCH);
    EXPECT_EQ(g_help.calls, 2);
    EXPECT_EQ(g_help.url.substr(g_help.url.find('#')), "#INDEX");
    DialogWatcher watcher([](HWND dialog, const std::string&) { Press(dialog, IDOK); });
    Command(CM_ABOUT);
    EXPECT_EQ(watcher.Count("About Quillon"), 1) << (loaded ? "with" : "without") << " a picture";
  }
  CVSetHelpOpener(nullptr);
  DeleteFileA(document);
}

// ---- the Open dialog and the remembered folder ------------------------------

class OpenDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetPictureChooser(nullptr);
    CVGetFileName(Self(), ini_, CV_FILE_USER_INI);
    DeleteFileA(ini_);
  }
  void TearDown() override {
    DeleteFileA(ini_);
    ShellTest::TearDown();
  }
  std::string Remembered() {
    char path[MAX_PATH] = {};
    GetPrivateProfileStringA("Defaults", "Path", "<none>", path, sizeof path, ini_);
    return path;
  }
  char ini_[MAX_PATH] = {};
};

TEST_F(OpenDialogTest, TheChosenFileAndItsFolderAreRemembered) {
  const std::string path = folder_.File("chosen.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(8, 8, {})));
  DialogWatcher watcher([&](HWND dialog, const std::string&) { ChooseInFileDialog(dialog, path); });
  EXPECT_EQ(ChoosePictureFile(window_), 1);
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_STRCASEEQ(CurrentPath, path.c_str());
  EXPECT_STRCASEEQ(Remembered().c_str(), folder_.path().c_str());
}

TEST_F(OpenDialogTest, ARootFolderIsRememberedAsTheDriveAloneAndReopenedAtItsRoot) {
  char root[64];
  std::snprintf(root, sizeof root, "C:\\quillon-root-%lu.bmp", GetCurrentProcessId());
  ASSERT_TRUE(WriteBytes(root, Bitmap24(8, 8, {})));
  {
    DialogWatcher watcher([&](HWND dialog, const std::string&) { ChooseInFileDialog(dialog, root); });
    EXPECT_EQ(ChoosePictureFile(window_), 1);
    ASSERT_EQ(watcher.seen().size(), 1u);
  }
  DeleteFileA(root);
  EXPECT_EQ(Remembered(), "C:");

  // The dialog settles on its folder after it is activated: look a little later.
  static HWND dialogShown;
  static std::string folder;
  dialogShown = nullptr;
  folder.clear();
  DialogWatcher watcher([&](HWND dialog, const std::string&) {
    dialogShown = dialog;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      char current[MAX_PATH] = {};
      SendMessageA(dialogShown, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(current));
      folder = current;
      Press(dialogShown, IDCANCEL);
    });
  });
  std::strcpy(CurrentPath, "C:\\old.bmp");
  EXPECT_EQ(ChoosePictureFile(window_), 0);
  ASSERT_EQ(watcher.seen().size(), 1u);
  EXPECT_EQ(folder, "C:\\");
  EXPECT_STREQ(CurrentPath, "") << "a cancelled choice leaves no path";
  EXPECT_EQ(Remembered(), "C:") << "a cancel writes nothing";
}

// ---- start-up and the message loop -------------------------------------------

TEST_F(ShellTest, AcceleratorsRunTheirCommandsAndOnlyLowerCaseXExits) {
  struct Step {
    int n = 0;
    bool aliveAfterUpperX = false;
    int chooserAfterF5 = 0;
  };
  static Step step;
  step = Step();
  SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND w = static_cast<HWND>(MainWindow);
    switch (step.n++) {
      case 0:
        PostMessageA(w, WM_KEYDOWN, VK_F5, 0);
        break;
      case 1:
        step.chooserAfterF5 = g_chooserCalls;
        PostMessageA(w, WM_CHAR, 'X', 0);
        break;
      case 2:
        step.aliveAfterUpperX = IsWindow(w);
        PostMessageA(w, WM_CHAR, 'x', 0);
        KillTimer(nullptr, id);
        break;
    }
  });
  EXPECT_EQ(RunMessageLoop(), 0);
  EXPECT_EQ(step.chooserAfterF5, 1);
  EXPECT_TRUE(step.aliveAfterUpperX);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(DibInfo, nullptr);
}

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    portable_ = module;
    portable_ = portable_.substr(0, portable_.rfind('.')) + ".ini";
    CVGetFileName(Self(), user_, CV_FILE_USER_INI);
    DeleteFileA(portable_.c_str());
    DeleteFileA(user_);
    ResetSettings();
    RegisterMainClass(Self());
  }
  void TearDown() override {
    if (MainWindow != nullptr) DestroyWindow(static_cast<HWND>(MainWindow));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    MainWindow = nullptr;
    DeleteFileA(portable_.c_str());
    DeleteFileA(user_);
    ResetSettings();
  }
  std::string portable_;
  char user_[MAX_PATH] = {};
};

TEST_F(StartUpTest, ThePerUserIniServesUnlessTheProgramIsPortable) {
  ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", "2.9", user_));
  ASSERT_TRUE(WritePrivateProfileStringA("Output", "Format", "csv", user_));
  ASSERT_EQ(InitInstance(Self(), SW_SHOWNORMAL), 1);
  EXPECT_STREQ(IniInfo.FileName, user_);
  EXPECT_EQ(Decimals, 2) << "2.9 truncates to 2";
  EXPECT_EQ(OutputFormat, OUTFILE_CSV);
  EXPECT_EQ(IniInfo.Owner, nullptr);
  EXPECT_EQ(IniInfo.Flags, 0);
  EXPECT_EQ(WindowText(static_cast<HWND>(MainWindow)), "Quillon - (Untitled)");
  EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(MainWindow)));
  EXPECT_NE(AccelTable, nullptr);
  DestroyWindow(static_cast<HWND>(MainWindow));

  // "portable" of 0.5 counts as 0.
  ASSERT_TRUE(WritePrivateProfileStringA("FILES", "portable", "0.5", portable_.c_str()));
  ASSERT_EQ(InitInstance(Self(), SW_SHOWNORMAL), 1);
  EXPECT_STREQ(IniInfo.FileName, user_);
  DestroyWindow(static_cast<HWND>(MainWindow));

  ASSERT_TRUE(WritePrivateProfileStringA("FILES", "portable", "1", portable_.c_str()));
  ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", "1", portable_.c_str()));
  Decimals = 3;
  ASSERT_EQ(InitInstance(Self(), SW_SHOWNORMAL), 1);
  EXPECT_STREQ(IniInfo.FileName, portable_.c_str());
  EXPECT_EQ(Decimals, 1);
  EXPECT_EQ(OutputFormat, GetOutputDefault(&IniInfo)) << "no format in the portable ini";
}

TEST_F(StartUpTest, DigitsOutsideTheirLimitsKeepThree) {
  ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", "7", user_));
  ASSERT_EQ(InitInstance(Self(), SW_SHOWNORMAL), 1);
  EXPECT_EQ(Decimals, 3);
}

}  // namespace
