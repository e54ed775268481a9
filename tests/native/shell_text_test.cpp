// The shell's text handling: the Open dialog's filter, the remembered folder
// and the window titles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "shell/file_choice.h"
#include "shell/state.h"
#include "spectrum/messages.h"

namespace {

// The NUL-separated pieces of a filter, up to the double NUL.
std::vector<std::string> Pieces(const char* filter) {
  std::vector<std::string> pieces;
  for (const char* p = filter; *p != '\0'; p += std::strlen(p) + 1) pieces.push_back(p);
  return pieces;
}

TEST(OpenFilterTest, TheLastCharacterSeparatesThePairs) {
  char filter[80];
  std::strcpy(filter, MessageText(IDS_OPEN_FILTER));
  ASSERT_TRUE(MakeOpenFilter(filter));
  EXPECT_EQ(Pieces(filter),
            (std::vector<std::string>{"Bitmaps(*.BMP)", "*.bmp;*.dib;*.rle", "WPG Files(*.WPG)", "*.wpg"}));
  EXPECT_EQ(filter[55], '\0');
  EXPECT_EQ(filter[56], '\0') << "ended by two NULs";

  char other[] = "Text#*.txt#All#*.*#";
  ASSERT_TRUE(MakeOpenFilter(other));
  EXPECT_EQ(Pieces(other), (std::vector<std::string>{"Text", "*.txt", "All", "*.*"}));
  char empty[] = "";
  EXPECT_FALSE(MakeOpenFilter(empty));
}

TEST(RememberedFolderTest, TheFolderIsThePathCutAtItsLastBackslash) {
  char folder[260] = "untouched";
  ASSERT_TRUE(FolderOfPath("C:\\spectra\\h1\\a.bmp", folder, sizeof folder));
  EXPECT_STREQ(folder, "C:\\spectra\\h1");
  ASSERT_TRUE(FolderOfPath("C:\\a.bmp", folder, sizeof folder));
  EXPECT_STREQ(folder, "C:") << "a root folder is its drive alone";
  ASSERT_TRUE(FolderOfPath("\\\\server\\share\\a.bmp", folder, sizeof folder));
  EXPECT_STREQ(folder, "\\\\server\\share");
  std::strcpy(folder, "untouched");
  EXPECT_FALSE(FolderOfPath("a.bmp", folder, sizeof folder));
  EXPECT_STREQ(folder, "untouched");
  char small[4];
  EXPECT_FALSE(FolderOfPath("C:\\long\\a.bmp", small, sizeof small));
}

TEST(RememberedFolderTest, ADriveAloneOpensAtItsRoot) {
  char folder[260];
  InitialFolder("C:", folder, sizeof folder);
  EXPECT_STREQ(folder, "C:\\");
  InitialFolder("d:", folder, sizeof folder);
  EXPECT_STREQ(folder, "d:\\");
  InitialFolder("C:\\spectra", folder, sizeof folder);
  EXPECT_STREQ(folder, "C:\\spectra");
  InitialFolder("", folder, sizeof folder);
  EXPECT_STREQ(folder, "") << "empty leaves the choice to the system";
  InitialFolder("1:", folder, sizeof folder);
  EXPECT_STREQ(folder, "1:");
}

class TitlesTest : public ::testing::Test {
 protected:
  void SetUp() override { FreePicture(); }
  void TearDown() override { FreePicture(); }
  void LoadBitmapAt(const std::string& path) {
    FreePicture();
    DibInfo = static_cast<DIBINFO*>(std::calloc(1, sizeof(DIBINFO)));
    std::snprintf(CurrentPath, sizeof CurrentPath, "%s", path.c_str());
  }
};

TEST_F(TitlesTest, UntitledAndLoadedForms) {
  std::strcpy(CurrentPath, "C:\\old.bmp");
  ComposeTitles();
  EXPECT_STREQ(FullTitle, "Quillon - (Untitled)");
  EXPECT_STREQ(ShortTitle, "Quillon");
  LoadBitmapAt("C:\\spectra\\h1.proton.bmp");
  ComposeTitles();
  EXPECT_STREQ(FullTitle, "Quillon - C:\\spectra\\h1.proton.bmp");
  EXPECT_STREQ(ShortTitle, "Quillon h1.proton");
  LoadBitmapAt("C:\\spectra\\trace");
  ComposeTitles();
  EXPECT_STREQ(ShortTitle, "Quillon trace");
  LoadBitmapAt("C:\\dotted.folder\\trace");
  ComposeTitles();
  EXPECT_STREQ(ShortTitle, "Quillon trace") << "only the file name's dot counts";
}

TEST_F(TitlesTest, TitlesThatDoNotFitAreCutSoundly) {
  const std::string longPath = "C:\\" + std::string(200, 'f') + "\\" + std::string(50, 'n') + ".bmp";
  ASSERT_EQ(longPath.size(), 258u);
  LoadBitmapAt(longPath);
  ComposeTitles();
  const std::string full = FullTitle;
  EXPECT_LE(full.size(), 259u);
  EXPECT_EQ(full.rfind("Quillon - ...", 0), 0u) << "the start of the path gives way";
  EXPECT_EQ(full.substr(full.size() - 10), std::string(CurrentPath).substr(std::strlen(CurrentPath) - 10))
      << "the file name stays";
  const std::string shortTitle = ShortTitle;
  EXPECT_EQ(shortTitle.size(), 31u);
  EXPECT_EQ(shortTitle, "Quillon " + std::string(23, 'n'));
}

}  // namespace
