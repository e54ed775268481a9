// The shell's text handling: the Open dialog's filter, the remembered folder
// and the window titles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "shell/file_choice.h"
#include "shell/kept_choices.h"
#include "shell/state.h"
#include "spectrum/messages.h"

namespace {

using Strings = std::vector<std::string>;

// The NUL-separated pieces of a filter, up to the double NUL.
Strings Pieces(const char* filter) {
  Strings pieces;
  for (const char* p = filter; *p != '\0'; p += std::strlen(p) + 1) pieces.push_back(p);
  return pieces;
}

TEST(OpenFilterTest, TheLastCharacterSeparatesThePairs) {
  char filter[80];
  std::strcpy(filter, MessageText(IDS_OPEN_FILTER));
  ASSERT_TRUE(MakeOpenFilter(filter));
  EXPECT_EQ(Pieces(filter), (Strings{"Bitmaps(*.BMP)", "*.bmp;*.dib;*.rle", "WPG Files(*.WPG)", "*.wpg"}));
  EXPECT_EQ(filter[56], '\0') << "ended by two NULs";
  char other[] = "Text#*.txt#All#*.*#";
  ASSERT_TRUE(MakeOpenFilter(other));
  EXPECT_EQ(Pieces(other), (Strings{"Text", "*.txt", "All", "*.*"}));
  char empty[] = "";
  EXPECT_FALSE(MakeOpenFilter(empty));
}

TEST(RememberedFolderTest, ThePathCutAtItsLastBackslashAndADriveOpensAtItsRoot) {
  char folder[260];
  for (const auto& c : {std::pair<const char*, const char*>{"C:\\spectra\\h1\\a.bmp", "C:\\spectra\\h1"},
                        {"C:\\a.bmp", "C:"}, {"\\\\server\\share\\a.bmp", "\\\\server\\share"}}) {
    ASSERT_TRUE(FolderOfPath(c.first, folder, sizeof folder));
    EXPECT_STREQ(folder, c.second);
  }
  std::strcpy(folder, "untouched");
  EXPECT_FALSE(FolderOfPath("a.bmp", folder, sizeof folder));
  EXPECT_STREQ(folder, "untouched");
  char small[4];
  EXPECT_FALSE(FolderOfPath("C:\\long\\a.bmp", small, sizeof small));
  for (const auto& c : {std::pair<const char*, const char*>{"C:", "C:\\"}, {"d:", "d:\\"},
                        {"C:\\spectra", "C:\\spectra"},
                        {"", ""}, {"1:", "1:"}}) {
    InitialFolder(c.first, folder, sizeof folder);
    EXPECT_STREQ(folder, c.second) << c.first;
  }
}

TEST(CommandLineTest, APathQuotedOrNotWithItsBlanksAndNothingElse) {
  const struct {
    const char* line;
    const char* path;  // null: none
  } cases[] = {{"picture.png", "picture.png"},
               {"  \"C:\\My Pictures\\h 1.png\"  ", "C:\\My Pictures\\h 1.png"},
               {"C:\\My Pictures\\h 1.png \r\n", "C:\\My Pictures\\h 1.png"},
               {"\"unclosed name.bmp", "unclosed name.bmp"},
               {"", nullptr},
               {"   ", nullptr},
               {"\"\"", nullptr}};
  for (const auto& c : cases) {
    char path[260] = "untouched";
    EXPECT_EQ(PathFromCommandLine(c.line, path, sizeof path), c.path != nullptr) << c.line;
    if (c.path != nullptr) {
      EXPECT_STREQ(path, c.path);
    }
  }
  char small[8];
  EXPECT_FALSE(PathFromCommandLine("C:\\a\\long.png", small, sizeof small)) << "does not fit";
}

// The kept choices read back as they were written; what does not read keeps
// the choice as it is.
TEST(KeptChoicesTest, WrittenChoicesReadBackAndBadOnesAreLeftAlone) {
  ConversionChoices written;
  written.mode = TRACE_AUTO;
  written.autoTrace.dark = DARK_COLOUR;
  written.autoTrace.threshold = 77;
  written.autoTrace.colour = 0x1F77B4;
  written.autoTrace.tolerance = 30;
  written.nucleus = "13C";
  std::map<std::string, std::string> ini;
  for (const auto& kv : KeptChoices(written)) ini[kv.first] = kv.second;
  EXPECT_EQ(ini["Colour"], "1F77B4:30");
  ConversionChoices read;
  TakeKeptChoices(&read, [&](const std::string& key) { return ini[key]; });
  EXPECT_EQ(KeptChoices(read), KeptChoices(written));

  const std::map<std::string, std::string> bad = {
      {"Trace", "sometimes"}, {"Ink", "ink"}, {"Threshold", "256"}, {"Colour", "12345G"}, {"Nucleus", "C13"}};
  ConversionChoices kept = written;
  TakeKeptChoices(&kept, [&](const std::string& key) { return bad.at(key); });
  EXPECT_EQ(KeptChoices(kept), KeptChoices(written));
  ConversionChoices fresh;
  TakeKeptChoices(&fresh, [](const std::string&) { return std::string(); });
  EXPECT_EQ(KeptChoices(fresh), KeptChoices(ConversionChoices{})) << "nothing kept yet: the classic choices";
}

TEST(TitlesTest, UntitledLoadedAndCutForms) {
  FreePicture();
  std::strcpy(CurrentPath, "C:\\old.bmp");
  ComposeTitles();
  EXPECT_STREQ(FullTitle, "Quillon - (Untitled)");
  EXPECT_STREQ(ShortTitle, "Quillon");
  DibInfo = static_cast<DIBINFO*>(std::calloc(1, sizeof(DIBINFO)));
  for (const auto& c : {std::pair<const char*, const char*>{"C:\\spectra\\h1.proton.bmp", "Quillon h1.proton"},
                        {"C:\\spectra\\trace", "Quillon trace"},
                        {"C:\\dotted.folder\\trace", "Quillon trace"}}) {  // only the file name's dot counts
    std::strcpy(CurrentPath, c.first);
    ComposeTitles();
    EXPECT_EQ(FullTitle, "Quillon - " + std::string(c.first));
    EXPECT_STREQ(ShortTitle, c.second);
  }
  // Too long: the start of the path gives way, the file name stays.
  const std::string longPath = "C:\\" + std::string(200, 'f') + "\\" + std::string(50, 'n') + ".bmp";
  std::strcpy(CurrentPath, longPath.c_str());
  ComposeTitles();
  const std::string full = FullTitle;
  EXPECT_LE(full.size(), 259u);
  EXPECT_EQ(full.rfind("Quillon - ...", 0), 0u);
  EXPECT_EQ(full.substr(full.size() - 10), longPath.substr(longPath.size() - 10));
  EXPECT_EQ(std::string(ShortTitle), "Quillon " + std::string(23, 'n'));
  PicturePasted = true;  // a pasted picture has no file to name
  ComposeTitles();
  EXPECT_STREQ(FullTitle, "Quillon - (Pasted)");
  EXPECT_STREQ(ShortTitle, "Quillon (Pasted)");
  FreePicture();
  EXPECT_FALSE(PicturePasted);
}

}  // namespace
