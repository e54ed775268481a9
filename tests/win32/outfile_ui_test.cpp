// What the output libraries show in Windows: the format list of the settings
// dialog, the Save dialog with its questions, and the failure message. The
// dialogs are driven by a timer that runs inside their modal loops and looks
// for them in this thread only.
#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "../../companion/tavspectrum/fsops.h"
#include "tavnmrfiles.h"
#include "tavspectrum.h"

namespace {

// ---- the format list --------------------------------------------------------

class ListBoxTest : public ::testing::Test {
 protected:
  HWND Make(DWORD extraStyle) {
    parent_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    combo_ = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | extraStyle, 10, 10, 200,
                             150, parent_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(107)),
                             GetModuleHandleA(nullptr), nullptr);
    return combo_;
  }
  void TearDown() override {
    if (parent_) DestroyWindow(parent_);
  }
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    const LRESULT n = SendMessageA(combo_, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      char buf[64] = {};
      SendMessageA(combo_, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
      items.push_back(buf);
    }
    return items;
  }
  LRESULT Selected() { return SendMessageA(combo_, CB_GETCURSEL, 0, 0); }

  HWND parent_ = nullptr, combo_ = nullptr;
};

const std::vector<std::string> kListNames = {"JCAMP-DX", "JCAMP-DX compressed", "Processed data folder", "NMRPipe",
                                             "Text table"};

TEST_F(ListBoxTest, FillsTheNamesInOrderAndSelectsTheIndex) {
  ASSERT_NE(Make(0), nullptr);
  EXPECT_EQ(InitDlgOutfileListBox(parent_, 107, 3), 1);
  EXPECT_EQ(Items(), kListNames);
  EXPECT_EQ(Selected(), 3);
  // Filling again (the dialog opened a second time) does not repeat the names.
  EXPECT_EQ(InitDlgOutfileListBox(parent_, 107, 1), 1);
  EXPECT_EQ(Items(), kListNames);
  EXPECT_EQ(Selected(), 1);
  EXPECT_EQ(IntToOutfile(static_cast<int>(Selected())), OUTFILE_JCAMP_DIF);
}

TEST_F(ListBoxTest, KeepsListOrderInASortedComboAndMendsBadIndices) {
  ASSERT_NE(Make(CBS_SORT), nullptr);
  EXPECT_EQ(InitDlgOutfileListBox(parent_, 107, 9), 1);
  EXPECT_EQ(Items(), kListNames);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(InitDlgOutfileListBox(parent_, 107, -1), 1);
  EXPECT_EQ(Selected(), 0);
  EXPECT_EQ(InitDlgOutfileListBox(parent_, 999, 2), 0) << "no such control";
}

// ---- the default format from a relative ini name -----------------------------

TEST(OutputDefaultWin32Test, ARelativeIniNameMeansTheWindowsFolder) {
  const char* name = "quillon-outfile-test.ini";
  char windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
  const std::string full = std::string(windows) + "\\" + name;
  ASSERT_TRUE(WritePrivateProfileStringA("Output", "Format", "nmrpipe", name));
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, name);  // flush the profile cache
  ASSERT_NE(GetFileAttributesA(full.c_str()), INVALID_FILE_ATTRIBUTES) << "the entry landed in " << full;
  TAVHELPINFO info = {};
  std::strcpy(info.FileName, name);
  EXPECT_EQ(GetOutputDefault(&info), OUTFILE_NMRPIPE);
  DeleteFileA(full.c_str());
  EXPECT_EQ(GetOutputDefault(&info), OUTFILE_JCAMP);
}

// ---- driving the Save dialog and the message boxes -----------------------------

enum class Kind { Save, Box };

struct Seen {
  Kind kind;
  std::string text;    // the box's message, or the name the Save dialog shows
  std::string folder;  // the Save dialog's folder
};

// Each step handles one dialog as it appears; the timer runs inside the
// modal loops, so the steps run in the order the dialogs show.
using Step = std::function<void(HWND dialog, const Seen& seen)>;
std::vector<Step> g_steps;
std::vector<Seen> g_seen;
std::vector<HWND> g_handled;

BOOL CALLBACK FindDialog(HWND window, LPARAM result) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && IsWindowEnabled(window)) {
    *reinterpret_cast<HWND*>(result) = window;
    return FALSE;
  }
  return TRUE;
}

HWND FileNameControl(HWND dialog) {
  HWND c = GetDlgItem(dialog, 0x47c);  // cmb13, the Explorer-style name box
  return c != nullptr ? c : GetDlgItem(dialog, 0x480);  // edt1
}

std::string TextOf(HWND window) {
  char buf[MAX_PATH] = {};
  GetWindowTextA(window, buf, sizeof buf);
  return buf;
}

void CALLBACK Drive(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
  if (dialog == nullptr) return;
  for (HWND h : g_handled)
    if (h == dialog) return;
  g_handled.push_back(dialog);
  Seen seen;
  if (FileNameControl(dialog) != nullptr) {
    seen.kind = Kind::Save;
    char shown[MAX_PATH] = {}, folder[MAX_PATH] = {};
    if (SendMessageA(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(shown)) < 0)
      std::strcpy(shown, TextOf(FileNameControl(dialog)).c_str());
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    seen.text = shown;
    seen.folder = folder;
  } else {
    seen.kind = Kind::Box;
    seen.text = TextOf(GetDlgItem(dialog, 0xffff));
  }
  g_seen.push_back(seen);
  if (g_seen.size() <= g_steps.size()) {
    g_steps[g_seen.size() - 1](dialog, seen);
  } else {
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // more dialogs than the test expected
  }
}

Step Press(int button) {
  return [button](HWND dialog, const Seen&) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0); };
}
Step SaveAs(const std::string& name) {
  return [name](HWND dialog, const Seen&) {
    SetWindowTextA(FileNameControl(dialog), name.c_str());
    SendMessageA(dialog, CDM_SETCONTROLTEXT, 0x47c, reinterpret_cast<LPARAM>(name.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  };
}

// Folder names compared as Windows does: without case, with a trailing separator or not.
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  while (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

class SaveDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (int i = 0;; ++i) {
      dir_ = std::string(temp) + "quillon-save-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(i);
      if (CreateDirectoryA(dir_.c_str(), nullptr)) break;
      ASSERT_LT(i, 100);
    }
    owner_ = CreateWindowExA(0, "STATIC", "Quillon", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner_, nullptr);
    ASSERT_EQ(s_.Init(0, 64, 100, 1000, -1000), 1);
    for (long k = 0; k < 64; ++k) s_.SetRealInt(k, static_cast<float>(k));
    s_.SetSpecFlag(1, 1);
    s_.SetSpecFlag(2, 1);
    g_steps.clear();
    g_seen.clear();
    g_handled.clear();
  }
  void TearDown() override {
    DestroyWindow(owner_);
    tav::RemoveTree(dir_);
  }
  int Write(const std::string& name, outfile format, std::vector<Step> steps) {
    g_steps = std::move(steps);
    g_seen.clear();
    g_handled.clear();
    TAVHELPINFO info = {};
    info.Owner = owner_;
    std::strcpy(info.FileName, "quillon.ini");
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, Drive);
    const int result = s_.WriteNMRSpectrum(owner_, name.c_str(), format, &info);
    KillTimer(nullptr, timer);
    return result;
  }
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  void Put(const std::string& name, const std::string& text) {
    FILE* f = std::fopen(Path(name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }
  std::string Read(const std::string& name) {
    std::string text;
    if (FILE* f = std::fopen(Path(name).c_str(), "rb")) {
      char buf[256];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
      std::fclose(f);
    }
    return text;
  }
  std::vector<std::string> Entries() {
    std::vector<std::string> e = tav::ListFolder(dir_);
    std::sort(e.begin(), e.end());
    return e;
  }

  std::string dir_;
  HWND owner_ = nullptr;
  Spectrum s_;
};

TEST_F(SaveDialogTest, OffersTheNameWithTheFormatsExtensionInItsFolder) {
  EXPECT_EQ(Write(Path("001001.1r"), OUTFILE_JCAMP, {SaveAs("chosen.dx")}), 1);
  ASSERT_EQ(g_seen.size(), 1u) << "the Save dialog was shown once";
  EXPECT_EQ(g_seen[0].kind, Kind::Save);
  EXPECT_EQ(g_seen[0].text, "001001.dx");
  EXPECT_EQ(Lower(g_seen[0].folder), Lower(dir_));
  EXPECT_EQ(Read("chosen.dx").rfind("##TITLE= chosen.dx\n", 0), 0u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"chosen.dx"});
}

TEST_F(SaveDialogTest, CancelWritesNothing) {
  EXPECT_EQ(Write(Path("x.csv"), OUTFILE_NMRPIPE, {Press(IDCANCEL)}), 0);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].text, "x.ft1");
  EXPECT_TRUE(Entries().empty());
}

TEST_F(SaveDialogTest, AsksBeforeReplacingAFileAndKeepsItOnNo) {
  Put("001001.dx", "precious");
  EXPECT_EQ(Write(Path("001001.dx"), OUTFILE_JCAMP_DIF, {Press(IDOK), Press(IDNO), Press(IDCANCEL)}), 0);
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[0].kind, Kind::Save);
  EXPECT_EQ(g_seen[1].kind, Kind::Box);
  EXPECT_NE(g_seen[1].text.find("exists already"), std::string::npos) << g_seen[1].text;
  EXPECT_NE(g_seen[1].text.find("replace"), std::string::npos) << g_seen[1].text;
  EXPECT_EQ(g_seen[2].kind, Kind::Save) << "No goes back to the Save dialog";
  EXPECT_EQ(Read("001001.dx"), "precious");
  EXPECT_EQ(Entries(), std::vector<std::string>{"001001.dx"});

  EXPECT_EQ(Write(Path("001001.dx"), OUTFILE_JCAMP_DIF, {Press(IDOK), Press(IDYES)}), 1);
  EXPECT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(Read("001001.dx").rfind("##TITLE= 001001.dx\n", 0), 0u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"001001.dx"});
}

TEST_F(SaveDialogTest, FolderOutputIsNamedWithoutExtensionAndReplacedOnlyWhenItIsOurs) {
  EXPECT_EQ(Write(Path("001001.1r"), OUTFILE_PDATA, {Press(IDOK)}), 1);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].text, "001001");
  EXPECT_NE(GetFileAttributesA(Path("001001\\pdata\\1\\1r").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesA(Path("001001\\acqus").c_str()), INVALID_FILE_ATTRIBUTES);

  // Typing the name of an existing folder opens it in the dialog: opening
  // one of our spectrum folders chooses it.
  EXPECT_EQ(Write(Path("001001"), OUTFILE_PDATA, {SaveAs(Path("001001")), Press(IDYES)}), 1);
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_NE(g_seen[1].text.find("The folder"), std::string::npos) << g_seen[1].text;

  Put("001001\\fid", "raw");
  EXPECT_EQ(Write(Path("001001"), OUTFILE_PDATA, {SaveAs(Path("001001")), Press(IDOK), Press(IDCANCEL)}), 0);
  ASSERT_EQ(g_seen.size(), 3u);
  EXPECT_EQ(g_seen[1].kind, Kind::Box);
  EXPECT_NE(g_seen[1].text.find("cannot be replaced"), std::string::npos) << g_seen[1].text;
  EXPECT_EQ(Read("001001\\fid"), "raw");
  EXPECT_EQ(Entries(), std::vector<std::string>{"001001"});
}

TEST_F(SaveDialogTest, AFailureIsReportedInAMessage) {
  s_.SetSpecFlag(2, 0);
  EXPECT_EQ(Write(Path("x.dx"), OUTFILE_JCAMP, {Press(IDOK)}), 0);
  ASSERT_EQ(g_seen.size(), 1u);
  EXPECT_EQ(g_seen[0].kind, Kind::Box);
  EXPECT_NE(g_seen[0].text.find("Cannot write the spectrum"), std::string::npos) << g_seen[0].text;
  EXPECT_TRUE(Entries().empty());
}

}  // namespace
