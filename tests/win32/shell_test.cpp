// The main window and its commands: the message table, titles, layout on
// resize, the file-change check, Retrieve, Close, Create spectrum, Help, the
// Open dialog's remembered folder, start-up, the menu and the accelerators.
#include <windows.h>
#include <commdlg.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "native/wpg_test_support.h"
#include "picture/bitmap.h"
#include "resources/resource.h"
#include "shell/marks.h"
#include "shell/shell_win32.h"
#include "shell/view.h"
#include "shell/view_win32.h"
#include "shell_test_support.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "spectrum/progress.h"
#include "spectrum/settings.h"
#include "tavnmrfiles.h"
#include "tavutils_win32.h"

using namespace shelltest;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

// A 24-bit bitmap file, white, with the listed pixels ({x, y}, y from the top) black.
std::vector<unsigned char> Bitmap24(int width, int height, const std::vector<std::pair<int, int>>& black) {
  const int rowBytes = (width * 3 + 3) & ~3;
  std::vector<unsigned char> b(54 + rowBytes * height, 0xFF);
  const std::uint32_t fields[] = {static_cast<std::uint32_t>(b.size()), 0, 54, 40, static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height), 24u << 16 | 1, 0, 0, 0, 0, 0, 0};
  b[0] = 'B';
  b[1] = 'M';
  std::memcpy(&b[2], fields, sizeof fields);
  for (const auto& p : black) std::fill_n(&b[54 + (height - 1 - p.second) * rowBytes + 3 * p.first], 3, 0);
  return b;
}

// Retrieve's file choice in these tests: the next path, or a cancel.
std::string g_nextPath;
int g_chooserCalls = 0;
std::int32_t ChooseNext(HWND) {
  ++g_chooserCalls;
  std::snprintf(CurrentPath, sizeof CurrentPath, "%s", g_nextPath.c_str());
  return g_nextPath.empty() ? 0 : 1;
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    portableIni_ = std::string(module).substr(0, std::strlen(module) - 4) + ".ini";
    CVGetFileName(Self(), userIni_, CV_FILE_USER_INI);
    DeleteFileA(portableIni_.c_str());
    DeleteFileA(userIni_);
    ResetSettings();
    FreePicture();
    RegisterMainClass(Self());  // 0 once the class exists: that is fine here
    InstallProgramSeams();
    SetPictureChooser(ChooseNext);
    g_nextPath.clear();
    g_chooserCalls = 0;
    ASSERT_EQ(Start(), 1);
    window_ = static_cast<HWND>(MainWindow);
    SetWindowPos(window_, nullptr, 10, 10, 640, 480, SWP_NOZORDER);
  }
  void TearDown() override {
    Start(false);
    SetPictureChooser(nullptr);
    SetMessageSink(nullptr);
    SetScanGauge(nullptr);
    DeleteFileA(portableIni_.c_str());
    DeleteFileA(userIni_);
    ResetSettings();
  }
  // Ends the main window, and starts a new one.
  std::int32_t Start(bool again = true) {
    if (MainWindow != nullptr) DestroyWindow(static_cast<HWND>(MainWindow));
    MainWindow = nullptr;
    MSG quit;  // WM_DESTROY's must not end a later dialog
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    return again ? InitInstance(Self(), SW_SHOWNORMAL) : 0;
  }
  void Command(int id) { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void Focus() { SendMessageA(window_, WM_SETFOCUS, 0, 0); }
  // Retrieves `path` (empty: the choice is cancelled), answering any message
  // with OK; returns the dialogs seen.
  std::vector<DialogDriver::Seen> Retrieve(const std::string& path) {
    g_nextPath = path;
    DialogDriver driver;
    Command(CM_RETRIEVE);
    return driver.seen;
  }
  void Load(const std::string& path, const std::vector<unsigned char>& bytes) {
    ASSERT_TRUE(WriteBytes(path, bytes));
    ASSERT_TRUE(Retrieve(path).empty());
    ASSERT_TRUE(DibInfo != nullptr || WpgState != nullptr);
  }
  std::string Title() { return WindowText(window_); }

  HWND window_ = nullptr;
  TempFolder folder_;
  std::string portableIni_;
  char userIni_[MAX_PATH] = {};
};

TEST_F(ShellTest, MessageTableRoutesCommands100To200AndHandlesWithZero) {
  DialogDriver driver;
  for (WPARAM id : {99, 150, 201}) EXPECT_EQ(SendMessageA(window_, WM_COMMAND, id, 0), 0) << id;
  EXPECT_EQ(g_chooserCalls, 0);
  EXPECT_TRUE(driver.seen.empty());
  // 100 arrives as offset 0 (Retrieve) whatever the notification code, 200 as offset 100 (About).
  EXPECT_EQ(SendMessageA(window_, WM_COMMAND, MAKEWPARAM(100, 1), 0), 0);
  EXPECT_EQ(g_chooserCalls, 1);
  EXPECT_EQ(SendMessageA(window_, WM_COMMAND, 200, 0), 0);
  ASSERT_EQ(driver.Titles(), std::vector<std::string>{"About Quillon"});
  EXPECT_EQ(driver.seen[0].owner, window_);
  for (UINT message : {WM_SIZE, WM_ACTIVATE, WM_SETFOCUS, WM_PAINT})
    EXPECT_EQ(SendMessageA(window_, message, 0, 0), 0) << message;
  // What the table does not handle goes to the default procedure.
  EXPECT_EQ(SendMessageA(window_, WM_GETTEXTLENGTH, 0, 0), 20) << "Quillon - (Untitled)";
}

TEST_F(ShellTest, ResizingLaysABitmapOutAgainButNotADrawing) {
  Load(folder_.File("a.bmp"), Bitmap24(8, 8, {{1, 1}}));
  SetWindowPos(window_, nullptr, 0, 0, 500, 420, SWP_NOMOVE | SWP_NOZORDER);
  RECT client;
  GetClientRect(window_, &client);
  EXPECT_EQ(ClientWidth, client.right);
  EXPECT_EQ(ClientHeight, client.bottom);
  EXPECT_EQ(std::vector<int>({DisplayRect.left, DisplayRect.top, DisplayRect.right, DisplayRect.bottom}),
            std::vector<int>({14, 14, client.right - 28, client.bottom - 28}));

  Load(folder_.File("b.wpg"), FortyByteDrawing());
  const DISPLAYRECT laidOut = DisplayRect;
  SetWindowPos(window_, nullptr, 0, 0, 700, 300, SWP_NOMOVE | SWP_NOZORDER);
  GetClientRect(window_, &client);
  EXPECT_EQ(ClientWidth, client.right);
  EXPECT_EQ(std::memcmp(&laidOut, &DisplayRect, sizeof laidOut), 0);
}

TEST_F(ShellTest, TheFocusRereadsAChangedBitmapForgetsADeletedOneAndEmptiesABrokenOne) {
  const std::string path = folder_.File("changing.bmp");
  Load(path, Bitmap24(16, 8, {{1, 1}}));
  EXPECT_GT(SpectrumSettings.FileTime, 0);
  SpectrumSettings.SI = 5;
  Focus();
  EXPECT_EQ(SpectrumSettings.SI, 5) << "an unchanged file is not read again";
  ASSERT_TRUE(WriteBytes(path, Bitmap24(40, 8, {{2, 2}})));
  SetWindowTextA(window_, "stale");
  Focus();
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_EQ(DibInfo->PixelWidth, 40);
  EXPECT_EQ(SpectrumSettings.SI, 64);
  EXPECT_EQ(Title(), "Quillon - " + path);

  ASSERT_TRUE(DeleteFileA(path.c_str()));
  Focus();
  EXPECT_EQ(SpectrumSettings.FileTime, -1);
  ASSERT_NE(DibInfo, nullptr) << "a deleted file stays shown";
  ASSERT_TRUE(WriteBytes(path, Bitmap24(32, 8, {})));
  Focus();
  EXPECT_EQ(DibInfo->PixelWidth, 40) << "watched again only after a new Retrieve";

  Load(path, Bitmap24(32, 8, {}));
  ASSERT_TRUE(WriteBytes(path, {'B', 'M', 1, 2, 3}));
  DialogDriver driver;
  Focus();
  ASSERT_EQ(driver.seen.size(), 1u);
  EXPECT_THAT(driver.seen[0].texts, HasSubstr("Could not convert bitmap"));
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
}

// Rewritten with its size and time kept, a file shows its change only in its
// contents: they are read beside the window, which goes on at once and
// re-reads the picture when the stamp comes back.
TEST_F(ShellTest, TheFocusLeavesTheContentsCheckToRunBesideTheWindow) {
  const std::string path = folder_.File("same-size.bmp");
  Load(path, Bitmap24(16, 8, {{1, 1}}));
  WIN32_FILE_ATTRIBUTE_DATA before;
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &before));
  ASSERT_TRUE(WriteBytes(path, Bitmap24(16, 8, {{5, 5}})));
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &before.ftLastWriteTime));
  CloseHandle(h);
  SpectrumSettings.SI = 5;
  Focus();
  EXPECT_EQ(SpectrumSettings.SI, 5) << "the window does not wait for the contents";
  for (int i = 0; i < 100 && SpectrumSettings.SI == 5; ++i) Pump(50);
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_EQ(SpectrumSettings.SI, 16) << "re-read when the contents told";
  EXPECT_EQ(DibInfo->Bits[2 * 48 + 3 * 5], 0) << "the new picture: (5, 5) is black";
}

TEST_F(ShellTest, RetrieveTellsDrawingsAndBitmapsByTheirFirstBytesAndTitlesTheWindow) {
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
  SpectrumSettings.SI = 333;
  const std::string wpg = folder_.File("drawing.bmp");  // the name does not matter
  Load(wpg, FortyByteDrawing());
  EXPECT_EQ(DibInfo, nullptr);
  ASSERT_NE(FileBuffer, nullptr) << "a drawing plays back from the file image";
  EXPECT_EQ(FileBufferLength, 40u);
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_WPG);
  EXPECT_EQ(SpectrumSettings.SI, 333) << "a drawing keeps SI";
  EXPECT_EQ(Title(), "Quillon - " + wpg);

  const std::string bmp = folder_.File("h1.proton.wpg");
  Load(bmp, Bitmap24(20, 10, {{3, 3}}));
  EXPECT_EQ(WpgState, nullptr);
  EXPECT_EQ(FileBuffer, nullptr);
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP);
  EXPECT_EQ(SpectrumSettings.SI, 32);
  EXPECT_EQ(Title(), "Quillon - " + bmp);
  ShowWindow(window_, SW_MINIMIZE);
  SendMessageA(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(Title(), "Quillon h1.proton") << "the short title when minimised";
  ShowWindow(window_, SW_RESTORE);
  SendMessageA(window_, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(Title(), "Quillon - " + bmp);
}

TEST_F(ShellTest, FilesNotRecognisedOrNotReadAndACancelLeaveNoPicture) {
  std::vector<unsigned char> lower = Bitmap24(8, 8, {});
  lower[0] = 'b';
  lower[1] = 'm';
  const char* unknown = "File format not recognized";
  const struct {
    const char* name;  // empty: the choice is cancelled
    bool written;
    std::vector<unsigned char> bytes;
    const char* message;
  } cases[] = {{"lower", true, lower, unknown}, {"one", true, {'B'}, unknown}, {"empty", true, {}, unknown},
               {"gif", true, {'G', 'I', 'F', '8', '9', 'a'}, "The GIF picture could not be read"},
               {"missing", false, {}, "Cannot open file."},
               {"", false, {}, nullptr}};
  for (const auto& c : cases) {
    Load(folder_.File("good.bmp"), Bitmap24(8, 8, {}));
    const std::string path = *c.name ? folder_.File(c.name) : "";
    ASSERT_TRUE(!c.written || WriteBytes(path, c.bytes));
    const auto seen = Retrieve(path);
    ASSERT_EQ(seen.size(), c.message ? 1u : 0u) << c.name;
    EXPECT_THAT(seen.empty() ? "" : seen[0].texts, HasSubstr(c.message ? c.message : "")) << c.name;
    EXPECT_TRUE(DibInfo == nullptr && WpgState == nullptr && FileBuffer == nullptr) << c.name;
    EXPECT_EQ(SpectrumSettings.FileTime, -1) << c.name;
    EXPECT_EQ(Title(), "Quillon - (Untitled)") << c.name;
  }
}

TEST_F(ShellTest, CloseRetitlesAndRedrawsWithOrWithoutAPicture) {
  SetWindowTextA(window_, "something else");
  UpdateWindow(window_);
  Command(CM_CLOSE);
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
  EXPECT_TRUE(GetUpdateRect(window_, nullptr, FALSE)) << "the window was invalidated";

  Load(folder_.File("closed.bmp"), Bitmap24(8, 8, {}));
  Command(CM_CLOSE);
  EXPECT_EQ(DibInfo, nullptr);
  EXPECT_EQ(SpectrumSettings.FileTime, -1);
  EXPECT_EQ(SpectrumSettings.Mode, SOURCE_BITMAP) << "Mode keeps the kind closed";
  EXPECT_EQ(Title(), "Quillon - (Untitled)");
}

// The gauges made and the WM_COMMAND messages sent to them.
int g_gauges = 0;
std::vector<std::pair<WPARAM, LPARAM>> g_gaugeMessages;
LRESULT CALLBACK WatchGauge(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  char name[32] = {};
  if (code == HC_ACTION && GetClassNameA(sent->hwnd, name, sizeof name) && std::string(name) == kCVGaugeClass) {
    g_gauges += sent->message == WM_CREATE;
    if (sent->message == WM_COMMAND) g_gaugeMessages.push_back({sent->wParam, sent->lParam});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(ShellTest, CreateSpectrumTracesAfterOkInTheSettingsWithAGaugeForBitmapsOnly) {
  const std::string output = folder_.File("made.dx");
  std::vector<std::string> titles;
  auto create = [&](int button) {  // the settings end with `button`, the Save dialog with OK
    g_gauges = 0;
    g_gaugeMessages.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchGauge, nullptr, GetCurrentThreadId());
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen& seen) {
      const bool settings = seen.title == "Define Spectrum Settings";
      if (settings) SetDlgItemTextA(dialog, IDC_NAME, output.c_str());
      Press(dialog, settings ? button : IDOK);
    });
    Command(CM_CREATE);
    UnhookWindowsHookEx(hook);
    titles = driver.Titles();
  };
  create(IDOK);
  EXPECT_TRUE(titles.empty()) << "nothing loaded, nothing asked";
  std::vector<std::pair<int, int>> line;
  for (int x = 0; x < 200; ++x) line.push_back({x, x / 4});
  Load(folder_.File("line.bmp"), Bitmap24(200, 60, line));
  create(IDCANCEL);
  EXPECT_EQ(titles, std::vector<std::string>{"Define Spectrum Settings"});
  EXPECT_EQ(g_gauges, 0);
  EXPECT_FALSE(Exists(output));

  create(IDOK);
  EXPECT_EQ(titles, (std::vector<std::string>{"Define Spectrum Settings", "Save spectrum as"}));
  EXPECT_EQ(g_gauges, 1);
  EXPECT_EQ(ReadText(output).rfind("##TITLE=", 0), 0u) << "the spectrum was written";
  // The gauge keeps its percent, so a 200-column scan reports each of 1 to 99 once.
  ASSERT_EQ(g_gaugeMessages.size(), 2u + 99u + 1u);
  EXPECT_EQ(g_gaugeMessages[0].first, CV_GAUGE_BEGIN);
  for (int p = 0; p <= 99; ++p)
    EXPECT_EQ(g_gaugeMessages[1 + p], std::make_pair(WPARAM{CV_GAUGE_PERCENT}, static_cast<LPARAM>(p) << 16)) << p;
  EXPECT_EQ(g_gaugeMessages.back().first, CV_GAUGE_CLOSE);

  ASSERT_TRUE(DeleteFileA(output.c_str()));
  Load(folder_.File("diagonal.wpg"), FortyByteDrawing());
  create(IDOK);
  EXPECT_EQ(titles.size(), 2u);
  EXPECT_EQ(ReadText(output).rfind("##TITLE=", 0), 0u) << "traced by one recorded playback";
  EXPECT_EQ(Recording, 0);
  EXPECT_EQ(g_gauges, 0);
  EXPECT_NE(WpgState, nullptr) << "the drawing stays loaded";
}

TEST_F(ShellTest, KeysTypedAheadIntoAConversionNeverReachTheMainWindowButKeysAfterItDo) {
  std::vector<std::pair<int, int>> line;
  for (int x = 0; x < 40; ++x) line.push_back({x, x / 4});
  Load(folder_.File("line.bmp"), Bitmap24(40, 20, line));
  const std::string output = folder_.File("typed.dx");
  // The exit key x and Alt+F4, posted to the main window while the Save
  // dialog runs (its loop hands them on) or after it ended (they are left queued).
  auto typeAhead = [&] {
    PostMessageA(window_, WM_CHAR, 'x', 1);
    PostMessageA(window_, WM_SYSKEYDOWN, VK_F4, 1 | KF_ALTDOWN << 16);
  };
  for (const bool whileOpen : {true, false}) {
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen& seen) {
      if (seen.title == "Define Spectrum Settings") SetDlgItemTextA(dialog, IDC_NAME, output.c_str());
      if (whileOpen && seen.title != "Define Spectrum Settings") typeAhead();
      Press(dialog, IDOK);
      if (!whileOpen && seen.title != "Define Spectrum Settings") typeAhead();
    });
    Command(CM_CREATE);
    EXPECT_EQ(driver.Titles(), (std::vector<std::string>{"Define Spectrum Settings", "Save spectrum as"}));
    PostQuitMessage(5);
    RunMessageLoop();  // as the program's own loop goes on after the command
    EXPECT_TRUE(IsWindow(window_)) << (whileOpen ? "typed while the Save dialog ran" : "left behind it");
    EXPECT_TRUE(DeleteFileA(output.c_str())) << "the spectrum was written";
  }
  PostMessageA(window_, WM_CHAR, 'x', 1);
  PostQuitMessage(5);
  RunMessageLoop();
  EXPECT_FALSE(IsWindow(window_)) << "x ends the program again";
}

TEST_F(ShellTest, HelpOpensTheContentsAndTheIndex) {
  HelpRecorder help;
  Command(CM_HELP_CONTENTS);
  Command(CM_HELP_SEARCH);
  EXPECT_THAT(help.urls, ElementsAre(EndsWith("#CONTENTS"), EndsWith("#INDEX")));
}

TEST_F(ShellTest, TheOpenDialogRemembersTheFolderAndARootAsItsDriveAlone) {
  SetPictureChooser(nullptr);
  auto remembered = [&] {
    char path[MAX_PATH] = {};
    GetPrivateProfileStringA("Defaults", "Path", "<none>", path, sizeof path, userIni_);
    return std::string(path);
  };
  char root[64];
  std::snprintf(root, sizeof root, "C:\\quillon-root-%lu.bmp", GetCurrentProcessId());
  for (const std::string& path : {folder_.File("chosen.bmp"), std::string(root)}) {
    ASSERT_TRUE(WriteBytes(path, Bitmap24(8, 8, {})));
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen&) { ChooseInFileDialog(dialog, path); });
    EXPECT_EQ(ChoosePictureFile(window_), 1);
    EXPECT_EQ(driver.seen.size(), 1u);
    EXPECT_STRCASEEQ(CurrentPath, path.c_str());
    if (path != root) {
      EXPECT_STRCASEEQ(remembered().c_str(), folder_.path.c_str());
    }
  }
  DeleteFileA(root);
  EXPECT_EQ(remembered(), "C:");

  std::string folder;
  DialogDriver driver([&](HWND dialog, const DialogDriver::Seen&) {
    Pump(100);  // the dialog settles on its folder after it is shown
    char current[MAX_PATH] = {};
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(current));
    folder = current;
    Press(dialog, IDCANCEL);
  });
  std::strcpy(CurrentPath, "C:\\old.bmp");
  EXPECT_EQ(ChoosePictureFile(window_), 0);
  EXPECT_EQ(folder, "C:\\");
  EXPECT_STREQ(CurrentPath, "") << "a cancelled choice leaves no path";
  EXPECT_EQ(remembered(), "C:") << "a cancel writes nothing";
}

TEST_F(ShellTest, ThePerUserIniServesUnlessTheProgramIsPortable) {
  const char* portable = portableIni_.c_str();
  ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", "2.9", userIni_));
  ASSERT_TRUE(WritePrivateProfileStringA("Output", "Format", "csv", userIni_));
  ASSERT_EQ(Start(), 1);
  EXPECT_STREQ(IniInfo.FileName, userIni_);
  EXPECT_EQ(Decimals, 2) << "2.9 truncates to 2";
  EXPECT_EQ(OutputFormat, OUTFILE_CSV);
  EXPECT_EQ(WindowText(static_cast<HWND>(MainWindow)), "Quillon - (Untitled)");
  EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(MainWindow)));
  EXPECT_NE(AccelTable, nullptr);

  ASSERT_TRUE(WritePrivateProfileStringA("FILES", "portable", "0.5", portable));
  ASSERT_EQ(Start(), 1);
  EXPECT_STREQ(IniInfo.FileName, userIni_) << "a portable of 0.5 counts as 0";

  ASSERT_TRUE(WritePrivateProfileStringA("FILES", "portable", "1", portable));
  ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", "1", portable));
  ASSERT_EQ(Start(), 1);
  EXPECT_STREQ(IniInfo.FileName, portable);
  EXPECT_EQ(Decimals, 1);
  EXPECT_EQ(OutputFormat, GetOutputDefault(&IniInfo)) << "no format in the portable ini";
  // The folder last opened is remembered in the per-user file all the same.
  const std::string chosen = folder_.File("portable.bmp");
  ASSERT_TRUE(WriteBytes(chosen, Bitmap24(8, 8, {})));
  SetPictureChooser(nullptr);
  {
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen&) { ChooseInFileDialog(dialog, chosen); });
    ASSERT_EQ(ChoosePictureFile(static_cast<HWND>(MainWindow)), 1);
  }
  char kept[2][MAX_PATH] = {};
  GetPrivateProfileStringA("Defaults", "Path", "", kept[0], MAX_PATH, userIni_);
  GetPrivateProfileStringA("Defaults", "Path", "", kept[1], MAX_PATH, portable);
  EXPECT_STRCASEEQ(kept[0], folder_.path.c_str());
  EXPECT_STREQ(kept[1], "");

  ASSERT_TRUE(WritePrivateProfileStringA("Files", "Digits", "7", portable));
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(Decimals, 1) << "a Digits outside its limits is not taken";
}

bool HasScrollBars(HWND window) {
  return (GetWindowLongA(window, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) == (WS_HSCROLL | WS_VSCROLL);
}

TEST_F(ShellTest, DoubleClicksZoomInUpToTheLimitAndBackOutWithScrollBarsOnlyWhileZoomed) {
  Load(folder_.File("zoom.bmp"), Bitmap24(80, 40, {{10, 10}}));
  const int classicWidth = ClientWidth;
  const LPARAM at = MAKELPARAM(200, 150);
  for (int step = 1; step <= PictureView::kMaxZoomStep; ++step) {
    SendMessageA(window_, WM_LBUTTONDBLCLK, 0, at);
    EXPECT_EQ(View.ZoomStep(), step);
  }
  EXPECT_TRUE(HasScrollBars(window_));
  EXPECT_LT(ClientWidth, classicWidth) << "the bars take their room";
  SendMessageA(window_, WM_LBUTTONDBLCLK, 0, at);
  EXPECT_EQ(View.ZoomStep(), 0) << "at the limit the next double-click goes back out";
  EXPECT_FALSE(HasScrollBars(window_));
  EXPECT_EQ(ClientWidth, classicWidth);
  Command(CM_ZOOM_IN);
  Command(CM_ZOOM_IN);
  SendMessageA(window_, WM_LBUTTONDBLCLK, MK_SHIFT, at);
  EXPECT_EQ(View.ZoomStep(), 1) << "Shift+double-click zooms out one step";
  SendMessageA(window_, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), at);
  EXPECT_EQ(View.ZoomStep(), 0);
  Command(CM_ZOOM_IN);
  Load(folder_.File("other.bmp"), Bitmap24(8, 8, {}));
  EXPECT_EQ(View.ZoomStep(), 0) << "another picture starts whole";
  EXPECT_FALSE(HasScrollBars(window_));
}

// A drawing zoomed draws through the view: its line where the view maps it.
TEST_F(ShellTest, AZoomedDrawingIsPlayedThroughTheViewsMapping) {
  Load(folder_.File("line.wpg"), FortyByteDrawing());  // a line across the default page
  Command(CM_ZOOM_IN);
  ASSERT_EQ(View.ZoomStep(), 1);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, ClientWidth, ClientHeight);
  ReleaseDC(nullptr, screen);
  HGDIOBJ kept = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, ClientWidth, ClientHeight, WHITENESS);
  DrawPicture(dc);
  for (double t : {0.3, 0.5, 0.7}) {
    const ViewPoint c = View.ToClient({10800 * t, 7800 * t});
    if (c.x < 0 || c.y < 0 || c.x >= ClientWidth || c.y >= View.ViewHeight()) continue;
    bool black = false;
    for (int d = 0; d < 9; ++d) black |= GetPixel(dc, static_cast<int>(c.x) + d % 3 - 1, static_cast<int>(c.y) + d / 3 - 1) == 0;
    EXPECT_TRUE(black) << t;
  }
  SelectObject(dc, kept);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST_F(ShellTest, TwoClicksAndTheirValuesCalibrateTheAxisUntilThePictureChanges) {
  Load(folder_.File("axis.bmp"), Bitmap24(200, 50, {}));
  const ViewPoint first = View.ToClient({20.5, 25}), second = View.ToClient({180.5, 25});
  std::vector<std::string> shown;
  DialogDriver driver([&](HWND dialog, const DialogDriver::Seen&) {
    shown = {WindowText(GetDlgItem(dialog, IDC_MARK1_X)), WindowText(GetDlgItem(dialog, IDC_MARK2_X))};
    SetDlgItemTextA(dialog, IDC_MARK1_VALUE, "8");
    SetDlgItemTextA(dialog, IDC_MARK2_VALUE, "0");
    Press(dialog, IDOK);
  });
  Command(CM_CALIBRATE);
  EXPECT_EQ(CurrentPointerTask(), PointerTask::PlaceMarks);
  for (const ViewPoint& p : {first, second})
    SendMessageA(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(static_cast<int>(p.x), static_cast<int>(p.y)));
  EXPECT_EQ(driver.Titles(), std::vector<std::string>{"Calibrate Axis"});
  // A click lands on a window pixel, so the column is the picture's under it, to a window pixel's width.
  const double perPixel = 200.0 / (View.ToClient({200, 25}).x - View.ToClient({0, 25}).x);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_NEAR(std::stod(shown[0]), 20, perPixel);
  EXPECT_NEAR(std::stod(shown[1]), 180, perPixel);
  const AxisCalibration& axis = Choices.calibration;
  ASSERT_TRUE(axis.set);
  EXPECT_NEAR(axis.c1, 20, 0.5);
  EXPECT_EQ(std::vector<double>({axis.v1, axis.v2, double(axis.hz)}), std::vector<double>({8, 0, 0}));
  Command(CM_CLOSE);
  EXPECT_FALSE(Choices.calibration.set) << "a calibration belongs to its picture";
  EXPECT_EQ(Marks.count, 0);
}

TEST_F(ShellTest, EscWhilePlacingAndCancelInTheDialogKeepTheCalibrationThereWas) {
  Load(folder_.File("axis.bmp"), Bitmap24(200, 50, {}));
  const AxisCalibration before = {true, 10, 4, 190, 1, false};
  Choices.calibration = before;
  Marks.count = 2;
  Marks.at[0] = {10.5, 25};
  Marks.at[1] = {190.5, 25};
  {
    DialogDriver driver([](HWND dialog, const DialogDriver::Seen&) { Press(dialog, IDC_PLACE_MARKS); });
    Command(CM_CALIBRATE);
  }
  EXPECT_EQ(CurrentPointerTask(), PointerTask::PlaceMarks);
  SendMessageA(window_, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(CurrentPointerTask(), PointerTask::None);
  EXPECT_EQ(std::vector<double>({Choices.calibration.c1, Choices.calibration.c2}), std::vector<double>({10, 190}));
  EXPECT_EQ(Marks.count, 2);
  DialogDriver driver([](HWND dialog, const DialogDriver::Seen&) {
    SetDlgItemTextA(dialog, IDC_MARK1_VALUE, "7");
    Press(dialog, IDCANCEL);
  });
  Command(CM_CALIBRATE);
  EXPECT_EQ(Choices.calibration.v1, 4);
}

TEST_F(ShellTest, TracingChoicesAreKeptInTheIniFileAndABadNucleusIsRefused) {
  std::string refused;
  DialogDriver* self = nullptr;
  DialogDriver driver([&](HWND dialog, const DialogDriver::Seen& seen) {
    if (seen.title != "Tracing") {
      refused = seen.texts;
      self->Again(seen.owner);
      Press(dialog, IDOK);
      return;
    }
    SendDlgItemMessageA(dialog, IDC_TRACE_AUTO, BM_CLICK, 0, 0);
    SendDlgItemMessageA(dialog, IDC_INK_THRESHOLD, BM_CLICK, 0, 0);
    SetDlgItemTextA(dialog, IDC_THRESHOLD, "90");
    SetDlgItemTextA(dialog, IDC_NUCLEUS, refused.empty() ? "C13" : "13C");
    Press(dialog, IDOK);
  });
  self = &driver;
  Command(CM_TRACING);
  EXPECT_THAT(refused, HasSubstr("'C13' is not a nucleus"));
  EXPECT_EQ(driver.Titles(), (std::vector<std::string>{"Tracing", "Quillon", "Tracing"})) << "the dialog stays open";
  ResetSettings();
  ASSERT_EQ(Start(), 1);
  EXPECT_EQ(Choices.mode, TRACE_AUTO) << "read back at the next start";
  EXPECT_EQ(Choices.autoTrace.dark, DARK_THRESHOLD);
  EXPECT_EQ(Choices.autoTrace.threshold, 90);
  EXPECT_EQ(Choices.nucleus, "13C");
}

TEST_F(ShellTest, AfterAConversionItsWarningsAreToldAndItsTraceShownUntilThePictureChanges) {
  // A frame along the picture's top edge: the classic trace runs along it.
  std::vector<std::pair<int, int>> framed;
  for (int x = 0; x < 60; ++x) framed.push_back({x, 0});
  Load(folder_.File("framed.bmp"), Bitmap24(60, 30, framed));
  const std::string output = folder_.File("framed.dx");
  DialogDriver driver([&](HWND dialog, const DialogDriver::Seen& seen) {
    if (seen.title == "Define Spectrum Settings") SetDlgItemTextA(dialog, IDC_NAME, output.c_str());
    Press(dialog, IDOK);
  });
  Command(CM_CREATE);
  ASSERT_EQ(driver.Titles(), (std::vector<std::string>{"Define Spectrum Settings", "Save spectrum as", "Quillon"}));
  EXPECT_THAT(driver.seen[2].texts, HasSubstr("edge"));
  EXPECT_TRUE(Exists(output));
  EXPECT_EQ(GetMenuState(GetMenu(window_), CM_SHOW_TRACE, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
  Command(CM_SHOW_TRACE);
  EXPECT_EQ(GetMenuState(GetMenu(window_), CM_SHOW_TRACE, MF_BYCOMMAND) & MF_CHECKED, 0u);
  Command(CM_SHOW_TRACE);
}

// Packed bitmaps as the clipboard holds them, and a PNG where a program offers one.
TEST_F(ShellTest, PasteTakesThePictureOnTheClipboardAsAPictureWithoutAFile) {
  const std::vector<unsigned char> bmp = Bitmap24(12, 6, {{3, 2}});
  const std::string pngFile = ReadText(std::string(QUILLON_TEST_DATA) + "/pictures/ethanol_800x400_lw1_noaa_8bit.png");
  const std::vector<unsigned char> png(pngFile.begin(), pngFile.end());
  const struct {
    const char* what;
    UINT format;
    std::vector<unsigned char> bytes;
    int width;
  } cases[] = {{"DIB", CF_DIB, std::vector<unsigned char>(bmp.begin() + 14, bmp.end()), 12},
               {"PNG", RegisterClipboardFormatA("PNG"), png, 800}};
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenClipboard(window_));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, c.bytes.size());
    std::memcpy(GlobalLock(block), c.bytes.data(), c.bytes.size());
    GlobalUnlock(block);
    SetClipboardData(c.format, block);
    CloseClipboard();
    Load(folder_.File("before.bmp"), Bitmap24(8, 8, {}));
    Command(CM_PASTE);
    ASSERT_NE(DibInfo, nullptr) << c.what;
    EXPECT_EQ(DibInfo->PixelWidth, c.width) << c.what;
    EXPECT_EQ(Title(), "Quillon - (Pasted)") << c.what;
    EXPECT_EQ(SpectrumSettings.FileTime, -1) << "no file to watch";
  }
  ASSERT_TRUE(OpenClipboard(window_));
  EmptyClipboard();
  CloseClipboard();
  DialogDriver driver;
  Command(CM_PASTE);
  ASSERT_EQ(driver.seen.size(), 1u);
  EXPECT_THAT(driver.seen[0].texts, HasSubstr("The clipboard holds no picture."));
  EXPECT_NE(DibInfo, nullptr) << "the picture shown stays";
}

TEST_F(ShellTest, APictureNamedOnTheCommandLineIsRetrievedWithItsFullPath) {
  const std::string path = folder_.File("with blanks.bmp");
  ASSERT_TRUE(WriteBytes(path, Bitmap24(16, 8, {})));
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(folder_.path.c_str());
  RetrievePictureFile(window_, "with blanks.bmp");
  SetCurrentDirectoryA(current);
  ASSERT_NE(DibInfo, nullptr);
  EXPECT_STRCASEEQ(Title().c_str(), ("Quillon - " + path).c_str());
  EXPECT_GT(SpectrumSettings.FileTime, 0) << "watched as a retrieved file";
}

TEST(ResourcesTest, MenuHoldsTheCommandsInOrder) {
  HMENU menu = LoadMenuA(Self(), MAKEINTRESOURCEA(IDM_MAIN));
  std::vector<std::string> items;  // "id text" for a command, "-" for a separator
  char text[128];
  for (int m = 0; m < GetMenuItemCount(menu); ++m) {
    GetMenuStringA(menu, m, text, sizeof text, MF_BYPOSITION);
    items.push_back(text);
    HMENU sub = GetSubMenu(menu, m);
    for (int i = 0; i < GetMenuItemCount(sub); ++i) {
      const UINT state = GetMenuState(sub, i, MF_BYPOSITION);
      GetMenuStringA(sub, i, text, sizeof text, MF_BYPOSITION);
      items.push_back(state & MF_SEPARATOR ? "-" : std::to_string(GetMenuItemID(sub, i)) + " " + text);
    }
  }
  // 0x08 right-aligns the F1. Edit and View come between the classic File and Help.
  EXPECT_EQ(items, (std::vector<std::string>{"&File", "100 &Retrieve WPG, BMP...\tF5", "102 &Close bitmap\tCtrl-F4",
                                             "-", "101 &Create spectrum...\tF6", "-", "110 E&xit\tX",
                                             "&Edit", "1101 &Paste\tCtrl+V", "-", "1102 Calibrate &axis...",
                                             "1103 &Tracing...", "&View", "1110 Zoom &in\t+", "1111 Zoom &out\t-",
                                             "1112 &Whole picture\tCtrl+0", "-", "1113 Show &trace",
                                             "1114 &Pointer position", "&Help",
                                             "120 &Contents\x08" "F1", "121 &Search for...", "-",
                                             "200 &About Quillon..."}));
  DestroyMenu(menu);
}

TEST(ResourcesTest, AcceleratorsExitOnlyOnTheTypedLowerCaseX) {
  ACCEL got[16] = {};
  const int count = CopyAcceleratorTableA(LoadAcceleratorsA(Self(), MAKEINTRESOURCEA(IDA_MAIN)), got, 16);
  ASSERT_EQ(count, 12);
  // The classic five first, as they were; the keys of the new commands follow.
  const ACCEL wanted[12] = {{FVIRTKEY, VK_F5, 100}, {FVIRTKEY | FCONTROL, VK_F4, 102}, {FVIRTKEY, VK_F1, 120},
                            {0, 'x', 110}, {FVIRTKEY, VK_F6, 101}, {FVIRTKEY | FCONTROL, 'V', CM_PASTE},
                            {0, '+', CM_ZOOM_IN}, {0, '=', CM_ZOOM_IN}, {FVIRTKEY, VK_ADD, CM_ZOOM_IN},
                            {0, '-', CM_ZOOM_OUT}, {FVIRTKEY, VK_SUBTRACT, CM_ZOOM_OUT},
                            {FVIRTKEY | FCONTROL, '0', CM_WHOLE_PICTURE}};
  for (int i = 0; i < count; ++i)  // 0x80 marks the last entry
    EXPECT_TRUE((got[i].fVirt & 0x7F) == wanted[i].fVirt && got[i].key == wanted[i].key && got[i].cmd == wanted[i].cmd)
        << i;
}

}  // namespace
