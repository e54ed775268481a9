// Real drawings: each one plays back (or is refused) without misuse, and
// traces exactly the vertices an independent reader finds in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/pointlog.h"
#include "spectrum/settings.h"
#include "test_support.h"
#include "wpg_test_support.h"

namespace {

const std::string kData = std::string(QUILLON_TEST_DATA) + "/wpg/";

std::vector<unsigned char> Bytes(const std::string& path) {
  const std::string text = ReadText(path);
  return std::vector<unsigned char>(text.begin(), text.end());
}

// vertices/NAME.txt holds what wpg2svg reads from NAME.wpg (see
// wpg2svg-vertices.mjs); drawings that hold only bitmaps trace nothing.
TEST(WpgFilesTest, RealDrawingsTraceTheVerticesTheIndependentReaderFinds) {
  ResetProgram();
  TempDir dir;
  std::strcpy(SpectrumSettings.Name, dir.file("out.dx").c_str());
  std::strcpy(PointLogCopy, dir.file("points.txt").c_str());
  ReplaceExistingOutput = 1;
  SpectrumSettings.Mode = SOURCE_WPG;
  std::vector<std::string> names = FilesWithPrefix(kData, "");
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) { return n.size() < 4 || n.substr(n.size() - 4) != ".wpg"; }),
              names.end());
  ASSERT_GE(names.size(), 10u);
  for (const std::string& name : names) {
    LoadDrawing(Bytes(kData + name), 1000, 700);
    ASSERT_EQ(IsWpgFile(), 1) << name;
    // Displayed once with the decorations, then traced.
    RecordingCanvas paint, trace;
    DrawHintStrip(paint);
    DrawPageFrame(DisplayRect, paint);
    PlayLoaded(paint);
    Recording = 1;
    std::remove(dir.file("points.txt").c_str());
    PlayLoaded(trace);
    for (const RecordingCanvas* c : {&paint, &trace}) {
      EXPECT_EQ(c->errors, std::vector<std::string>{}) << name;
      EXPECT_EQ(c->Live(), std::vector<std::string>{}) << name;
    }
    EXPECT_EQ(Recording, 0);
    EXPECT_EQ(ReadText(dir.file("points.txt")), ReadText(kData + "vertices/" + name.substr(0, name.size() - 4) + ".txt"))
        << name;
    // The page of the first version's start record; the second version's
    // stream is none, and keeps the default page.
    const std::pair<int, int> page(WpgState->PageWidth, WpgState->PageHeight);
    if (name == "exiftool_WPG.wpg" || name == "gm_input2_TC1.wpg") {
      EXPECT_EQ(page, name[0] == 'e' ? std::make_pair(10617, 4614) : std::make_pair(10800, 7800)) << name;
    }
  }
  PointLogCopy[0] = '\0';
  ResetProgram();
}

}  // namespace
