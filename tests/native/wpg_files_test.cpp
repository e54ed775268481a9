// Real drawings and the drawings of known spectra: each one plays back (or is
// refused) without misuse, and traces exactly the vertices an independent
// reader finds in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

const std::string kData = QUILLON_TEST_DATA;

std::vector<unsigned char> Bytes(const std::string& path) {
  const std::string text = ReadText(path);
  return std::vector<unsigned char>(text.begin(), text.end());
}

std::vector<std::string> Drawings(const std::string& dir) {
  std::vector<std::string> names;
  for (const std::string& n : FilesWithPrefix(dir, ""))
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".wpg") == 0) names.push_back(n);
  std::sort(names.begin(), names.end());
  return names;
}

// The integers of the JSON array that follows `key` after `from`.
std::vector<long> JsonIntegers(const std::string& json, const std::string& from, const std::string& key) {
  std::vector<long> values;
  size_t at = json.find("\"" + from + "\"");
  if (at == std::string::npos) return values;
  at = json.find("\"" + key + "\"", at);
  if (at == std::string::npos) return values;
  at = json.find('[', at);
  const size_t end = json.find(']', at);
  if (at == std::string::npos || end == std::string::npos) return values;
  const char* p = json.c_str() + at + 1;
  const char* stop = json.c_str() + end;
  while (p < stop) {
    char* next = nullptr;
    const long v = std::strtol(p, &next, 10);
    if (next == p) {
      ++p;
      continue;
    }
    values.push_back(v);
    p = next;
  }
  return values;
}

long JsonNumber(const std::string& json, const std::string& from, const std::string& key) {
  size_t at = json.find("\"" + from + "\"");
  at = json.find("\"" + key + "\"", at);
  at = json.find(':', at);
  return std::strtol(json.c_str() + at + 1, nullptr, 10);
}

class WpgFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    std::strcpy(SpectrumSettings.Name, dir_.file("out.dx").c_str());
    std::strcpy(PointLogCopy, dir_.file("points.txt").c_str());
    ReplaceExistingOutput = 1;
    SpectrumSettings.Mode = SOURCE_WPG;
  }
  void TearDown() override {
    PointLogCopy[0] = '\0';
    ResetProgram();
  }
  // Displays the drawing once, then traces it; returns the point lines.
  std::string PlayAndTrace(const std::string& path) {
    LoadDrawing(Bytes(path), 1000, 700);
    if (!IsWpgFile()) return "refused";
    RecordingCanvas paint;
    DrawHintStrip(paint);
    DrawPageFrame(DisplayRect, paint);
    PlayLoaded(paint);
    EXPECT_EQ(paint.errors, std::vector<std::string>{}) << path;
    EXPECT_EQ(paint.Live(), std::vector<std::string>{}) << path;
    RecordingCanvas trace;
    Recording = 1;
    PlayLoaded(trace);
    EXPECT_EQ(trace.errors, std::vector<std::string>{}) << path;
    EXPECT_EQ(trace.Live(), std::vector<std::string>{}) << path;
    EXPECT_EQ(Recording, 0);
    return ReadText(dir_.file("points.txt"));
  }

  TempDir dir_;
};

TEST_F(WpgFilesTest, RealDrawingsTraceTheVerticesTheIndependentReaderFinds) {
  // vertices/NAME.txt holds what wpg2svg reads from NAME.wpg (see
  // wpg2svg-vertices.mjs); drawings that hold only bitmaps trace nothing.
  const std::vector<std::string> names = Drawings(kData + "/wpg");
  ASSERT_GE(names.size(), 10u);
  for (const std::string& name : names) {
    const std::string stem = name.substr(0, name.size() - 4);
    const std::string expected = ReadText(kData + "/wpg/vertices/" + stem + ".txt");
    EXPECT_EQ(PlayAndTrace(kData + "/wpg/" + name), expected) << name;
  }
}

TEST_F(WpgFilesTest, RealDrawingsKeepTheirPageSize) {
  LoadDrawing(Bytes(kData + "/wpg/exiftool_WPG.wpg"));
  EXPECT_EQ(WpgState->PageWidth, 10617);
  EXPECT_EQ(WpgState->PageHeight, 4614);
  // The second version's stream is no start record for us: the default page.
  LoadDrawing(Bytes(kData + "/wpg/gm_input2_TC1.wpg"));
  EXPECT_EQ(WpgState->PageWidth, 10800);
  EXPECT_EQ(WpgState->PageHeight, 7800);
}

TEST_F(WpgFilesTest, DrawingsOfSpectraTraceTheirPlottedVerticesInBothLayouts) {
  const std::vector<std::string> names = Drawings(kData + "/spectra");
  ASSERT_EQ(names.size(), 4u);
  for (const std::string& name : names) {
    const std::string json = ReadText(kData + "/spectra/" + name.substr(0, name.size() - 4) + ".json");
    const std::vector<long> x = JsonIntegers(json, "expected_point_log", "x");
    const std::vector<long> y = JsonIntegers(json, "expected_point_log", "y");
    ASSERT_EQ(x.size(), y.size()) << name;
    ASSERT_GT(x.size(), 1000u) << name;
    std::string expected;
    for (size_t i = 0; i < x.size(); ++i) expected += std::to_string(x[i]) + " " + std::to_string(y[i]) + "\n";
    EXPECT_EQ(PlayAndTrace(kData + "/spectra/" + name), expected) << name;
    EXPECT_EQ(PointCount, static_cast<std::int32_t>(x.size())) << name;
    EXPECT_EQ(WpgState->PageWidth, JsonNumber(json, "page", "width")) << name;
    EXPECT_EQ(WpgState->PageHeight, JsonNumber(json, "page", "height")) << name;
  }
}

}  // namespace
