// Every file of the bitmap suite (good, questionable and bad) either loads and
// traces or is refused with the load-failure message; under the sanitizers no
// read strays outside the loaded block. Pictures the suite stores in several
// ways must trace alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "spectrum/messages.h"
#include "spectrum/trace.h"
#include "test_support.h"

#ifndef QUILLON_TEST_DATA
#define QUILLON_TEST_DATA "tests/data"
#endif

namespace {

using namespace bmptest;
namespace fs = std::filesystem;

std::vector<std::tuple<int, int, int>> g_shown;
void Record(int id, int secondId, int style) { g_shown.emplace_back(id, secondId, style); }

// Files no bitmap can be made of, each for its own reason.
const std::set<std::string> kRefused = {
    "b/badbitcount.bmp",     // 30000 bits per pixel: rows far beyond the file
    "b/badpalettesize.bmp",  // a colour table of 305 million entries
    "b/badwidth.bmp",        // negative width
    "b/reallybig.bmp",       // 3000000 x 2000000 pixels
    "b/rletopdown.bmp",      // compressed rows stored top-down
    "b/shortfile.bmp",       // cut inside its rows
    "q/pal1huffmsb.bmp",     // Huffman compression
    "q/pal8os2sp.bmp",       // short colour table: the rows run past the file
    "q/rgb24jpeg.bmp",       // JPEG inside
    "q/rgb24png.bmp",        // PNG inside
    "q/rgb24rle24.bmp",      // 24-bit run-length compression
    "x/ba-bm.bmp",           // a bitmap array, no "BM"
};

struct SuiteResult {
  bool loaded = false;
  std::uint16_t bits = 0;
  TraceOutcome trace;
  std::vector<std::tuple<int, int, int>> messages;
};

class BitmapSuiteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetProgram();
    MessageSink previous = SetMessageSink(Record);
    TempDir dir;
    const fs::path root = fs::u8path(std::string(QUILLON_TEST_DATA) + "/bmpsuite");
    for (const char* folder : {"b", "g", "q", "x"}) {
      for (const auto& entry : fs::directory_iterator(root / folder)) {
        if (entry.path().extension() != ".bmp") continue;
        const std::string name = std::string(folder) + "/" + entry.path().filename().string();
        g_shown.clear();
        SuiteResult r;
        r.loaded = Open(entry.path().generic_string()) == 1;
        if (r.loaded) {
          r.bits = DibInfo->BitCount;
          r.trace = TraceLoaded(dir);
        }
        r.messages = g_shown;
        FreeDibInfo();
        results_[name] = r;
      }
    }
    SetMessageSink(previous);
    ResetProgram();
  }
  static std::map<std::string, SuiteResult> results_;
};
std::map<std::string, SuiteResult> BitmapSuiteTest::results_;

TEST_F(BitmapSuiteTest, EveryFileLoadsOrIsRefusedWithTheLoadFailureMessage) {
  ASSERT_EQ(results_.size(), 91u) << "the suite's files are missing from " QUILLON_TEST_DATA;
  for (const auto& [name, r] : results_) {
    if (kRefused.count(name) != 0) {
      EXPECT_FALSE(r.loaded) << name;
      EXPECT_EQ(r.messages, (std::vector<std::tuple<int, int, int>>{{1, 2, 6}})) << name;
    } else {
      EXPECT_TRUE(r.loaded) << name;
    }
  }
}

TEST_F(BitmapSuiteTest, LoadedFilesTraceOrAreToldTheirDepthCannotBe) {
  int traced = 0;
  for (const auto& [name, r] : results_) {
    if (!r.loaded) continue;
    const bool traceable = r.bits == 1 || r.bits == 4 || r.bits == 8 || r.bits == 24;
    EXPECT_EQ(r.trace.logged, traceable) << name;
    if (traceable) {
      ++traced;
      // Either a spectrum, or (nothing dark) the one message that says so.
      if (r.trace.points.empty()) {
        EXPECT_EQ(r.messages, (std::vector<std::tuple<int, int, int>>{{IDS_NO_CURVE, 0, 2}})) << name;
      } else {
        EXPECT_NE(r.trace.result, 0) << name;
        EXPECT_TRUE(r.messages.empty()) << name;
      }
      for (std::size_t i = 1; i < r.trace.points.size(); ++i)
        EXPECT_LT(r.trace.points[i - 1].first, r.trace.points[i].first) << name;
    } else {
      EXPECT_EQ(r.messages, (std::vector<std::tuple<int, int, int>>{{IDS_UNTRACEABLE_DEPTH, 0, 2}})) << name;
    }
  }
  EXPECT_EQ(traced, 50);
}

// The suite stores one picture in many ways; its pure-black pixels are the
// same in each, so the traces must be too.
TEST_F(BitmapSuiteTest, OnePictureStoredManyWaysTracesAlike) {
  const std::vector<std::vector<std::string>> groups = {
      // 8 bits: plain, full table, core header, compressed, top-down, longer
      // headers, oversize table, compressed with skipped (undefined) pixels.
      {"g/pal8.bmp", "g/pal8-0.bmp", "g/pal8os2.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp",
       "g/pal8v5.bmp", "q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp", "q/pal8os2-hs.bmp", "q/pal8oversizepal.bmp",
       "q/pal8rletrns.bmp", "b/pal8badindex.bmp"},
      {"g/pal4.bmp", "g/pal4rle.bmp", "q/pal4rletrns.bmp"},
      // Black first or white first in the table.
      {"g/pal1.bmp", "g/pal1wb.bmp", "b/badheadersize.bmp", "b/badplanes.bmp"},
      {"g/rgb24.bmp", "g/rgb24pal.bmp", "q/rgb24largepal.bmp", "q/rgb24prof.bmp", "g/pal8gs.bmp"},
  };
  for (const auto& group : groups) {
    const Points& first = results_.at(group[0]).trace.points;
    EXPECT_GT(first.size(), 40u) << group[0];
    for (const std::string& name : group) EXPECT_EQ(results_.at(name).trace.points, first) << name;
  }
  // No black at all, or no table entry that is black.
  EXPECT_TRUE(results_.at("g/pal1bg.bmp").trace.points.empty());
  EXPECT_TRUE(results_.at("q/pal1p1.bmp").trace.points.empty());
}

}  // namespace
