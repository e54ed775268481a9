// What the output libraries show in Windows: the format list of the settings
// dialog, the Save dialog with its questions, and the failure message.
#include <windows.h>

#include <commdlg.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../companion/tavspectrum/fsops.h"
#include "shell_test_support.h"
#include "tavnmrfiles.h"
#include "tavspectrum.h"

using namespace shelltest;

namespace {

TEST(FormatListTest, FillsTheNamesInListOrderAndSelectsTheIndex) {
  const std::vector<std::string> names = {"JCAMP-DX", "JCAMP-DX compressed", "Processed data folder", "NMRPipe",
                                          "Text table"};
  // A sorted combo box must not reorder the list; a bad index selects the first.
  for (DWORD sort : {0ul, static_cast<DWORD>(CBS_SORT)}) {
    HWND parent = Popup(0, 0, 300, 200);
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | sort, 10, 10, 200, 150,
                                 parent, reinterpret_cast<HMENU>(107), GetModuleHandleA(nullptr), nullptr);
    // Filled again, as when the dialog opens a second time, the names are not repeated.
    for (const auto& index : {std::pair<int, LRESULT>{3, 3}, {1, 1}, {9, 0}, {-1, 0}}) {
      EXPECT_EQ(InitDlgOutfileListBox(parent, 107, index.first), 1);
      std::vector<std::string> items;
      for (LRESULT i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
        char text[64] = {};
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
      }
      EXPECT_EQ(items, names) << "sorted " << sort;
      EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), index.second) << index.first;
    }
    EXPECT_EQ(IntToOutfile(1), OUTFILE_JCAMP_DIF);
    EXPECT_EQ(InitDlgOutfileListBox(parent, 999, 2), 0) << "no such control";
    DestroyWindow(parent);
  }
}

// What a dialog showed: a message box's text, or the Save dialog's name and folder.
struct Shown {
  bool save;
  std::string text, folder;
};
using Step = std::function<void(HWND dialog)>;

Step Answer(int button) {
  return [button](HWND dialog) { Press(dialog, button); };
}
Step SaveAs(const std::string& name) {
  return [name](HWND dialog) { ChooseInFileDialog(dialog, name); };
}

class SaveDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner_ = Popup(0, 0, 400, 300);
    ASSERT_EQ(s_.Init(0, 64, 100, 1000, -1000), 1);
    for (long k = 0; k < 64; ++k) s_.SetRealInt(k, static_cast<float>(k));
    s_.SetSpecFlag(1, 1);
    s_.SetSpecFlag(2, 1);
  }
  void TearDown() override { DestroyWindow(owner_); }
  // Writes to `name` with the owner window; each dialog shown is handled by the next step.
  int Write(const std::string& name, outfile format, std::vector<Step> steps) {
    shown_.clear();
    DialogDriver driver([&](HWND dialog, const DialogDriver::Seen& seen) {
      char spec[MAX_PATH] = {}, folder[MAX_PATH] = {};
      const bool save = GetDlgItem(dialog, 0x47c) != nullptr || GetDlgItem(dialog, 0x480) != nullptr;
      SendMessageA(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(spec));
      SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
      shown_.push_back({save, save ? spec : seen.texts, folder});
      if (shown_.size() <= steps.size())
        steps[shown_.size() - 1](dialog);
      else
        Press(dialog, IDCANCEL);  // more dialogs than the test expected
    });
    TAVHELPINFO info = {};
    info.Owner = owner_;
    return s_.WriteNMRSpectrum(owner_, name.c_str(), format, &info);
  }
  std::string Path(const std::string& name) const { return dir_.File(name); }
  std::vector<std::string> Entries() { return tav::ListFolder(dir_.path); }

  TempFolder dir_;
  HWND owner_ = nullptr;
  Spectrum s_;
  std::vector<Shown> shown_;
};

TEST_F(SaveDialogTest, OffersTheNameWithTheFormatsExtensionInItsFolderAndCancelWritesNothing) {
  EXPECT_EQ(Write(Path("x.csv"), OUTFILE_NMRPIPE, {Answer(IDCANCEL)}), 0);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "x.ft1");
  EXPECT_TRUE(Entries().empty());

  EXPECT_EQ(Write(Path("001001.1r"), OUTFILE_JCAMP, {SaveAs("chosen.dx")}), 1);
  ASSERT_EQ(shown_.size(), 1u) << "the Save dialog was shown once";
  EXPECT_TRUE(shown_[0].save);
  EXPECT_EQ(shown_[0].text, "001001.dx");
  EXPECT_STRCASEEQ(shown_[0].folder.c_str(), dir_.path.c_str());
  EXPECT_EQ(ReadText(Path("chosen.dx")).rfind("##TITLE= chosen.dx\n", 0), 0u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"chosen.dx"});
}

TEST_F(SaveDialogTest, AsksBeforeReplacingAFileAndKeepsItOnNo) {
  ASSERT_TRUE(WriteBytes(Path("001001.dx"), {'o', 'l', 'd'}));
  EXPECT_EQ(Write(Path("001001.dx"), OUTFILE_JCAMP_DIF, {Answer(IDOK), Answer(IDNO), Answer(IDCANCEL)}), 0);
  ASSERT_EQ(shown_.size(), 3u);
  EXPECT_FALSE(shown_[1].save);
  EXPECT_NE(shown_[1].text.find("exists already"), std::string::npos) << shown_[1].text;
  EXPECT_NE(shown_[1].text.find("replace"), std::string::npos) << shown_[1].text;
  EXPECT_TRUE(shown_[2].save) << "No goes back to the Save dialog";
  EXPECT_EQ(ReadText(Path("001001.dx")), "old");
  EXPECT_EQ(Entries(), std::vector<std::string>{"001001.dx"});

  EXPECT_EQ(Write(Path("001001.dx"), OUTFILE_JCAMP_DIF, {Answer(IDOK), Answer(IDYES)}), 1);
  EXPECT_EQ(shown_.size(), 2u);
  EXPECT_EQ(ReadText(Path("001001.dx")).rfind("##TITLE= 001001.dx\n", 0), 0u);
  EXPECT_EQ(Entries(), std::vector<std::string>{"001001.dx"});
}

TEST_F(SaveDialogTest, FolderOutputIsNamedWithoutExtensionAndReplacedOnlyWhenItIsOurs) {
  EXPECT_EQ(Write(Path("001001.1r"), OUTFILE_PDATA, {Answer(IDOK)}), 1);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0].text, "001001");
  EXPECT_TRUE(Exists(Path("001001\\pdata\\1\\1r")));
  EXPECT_TRUE(Exists(Path("001001\\acqus")));

  // Typing the name of an existing folder opens it in the dialog: opening
  // one of our spectrum folders chooses it.
  EXPECT_EQ(Write(Path("001001"), OUTFILE_PDATA, {SaveAs(Path("001001")), Answer(IDYES)}), 1);
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_NE(shown_[1].text.find("The folder"), std::string::npos) << shown_[1].text;

  ASSERT_TRUE(WriteBytes(Path("001001\\fid"), {'r', 'a', 'w'}));
  EXPECT_EQ(Write(Path("001001"), OUTFILE_PDATA, {SaveAs(Path("001001")), Answer(IDOK), Answer(IDCANCEL)}), 0);
  ASSERT_EQ(shown_.size(), 3u);
  EXPECT_NE(shown_[1].text.find("cannot be replaced"), std::string::npos) << shown_[1].text;
  EXPECT_EQ(ReadText(Path("001001\\fid")), "raw");
  EXPECT_EQ(Entries(), std::vector<std::string>{"001001"});
}

TEST_F(SaveDialogTest, AFailureIsReportedInAMessage) {
  s_.SetSpecFlag(2, 0);
  EXPECT_EQ(Write(Path("x.dx"), OUTFILE_JCAMP, {Answer(IDOK)}), 0);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_FALSE(shown_[0].save);
  EXPECT_NE(shown_[0].text.find("Cannot write the spectrum"), std::string::npos) << shown_[0].text;
  EXPECT_TRUE(Entries().empty());
}

}  // namespace
