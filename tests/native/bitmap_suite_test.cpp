// Every file of the bitmap suite (good, questionable and bad) either loads and
// traces or is refused with the load-failure message; under the sanitizers no
// read strays outside the loaded block. Pictures the suite stores in several
// ways must trace alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "spectrum/messages.h"
#include "test_support.h"

namespace {

using namespace bmptest;
namespace fs = std::filesystem;

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

TEST(BitmapSuiteTest, EveryFileLoadsAndTracesOrIsRefusedAndPicturesTraceAlike) {
  ResetProgram();
  TempDir dir;
  std::map<std::string, Points> traces;
  int traced = 0;
  for (const char* folder : {"b", "g", "q", "x"}) {
    for (const auto& entry : fs::directory_iterator(fs::u8path(std::string(QUILLON_TEST_DATA) + "/bmpsuite/" + folder))) {
      if (entry.path().extension() != ".bmp") continue;
      const std::string name = std::string(folder) + "/" + entry.path().filename().string();
      MessageCapture messages;
      const bool loaded = Open(entry.path().generic_string()) == 1;
      EXPECT_EQ(loaded, kRefused.count(name) == 0) << name;
      if (!loaded) {
        EXPECT_EQ(messages.shown(), (MessageCapture::Shown{{1, 2, 6}})) << name;
        continue;
      }
      const std::uint16_t bits = DibInfo->BitCount;
      const TraceOutcome o = TraceLoaded(dir);
      traces[name] = o.points;
      FreeDibInfo();
      if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
        EXPECT_FALSE(o.logged) << name;
        EXPECT_EQ(messages.shown(), (MessageCapture::Shown{{IDS_UNTRACEABLE_DEPTH, 0, 2}})) << name;
        continue;
      }
      ++traced;
      EXPECT_TRUE(o.logged) << name;
      // Either a spectrum, or (nothing dark) the one message that says so.
      EXPECT_EQ(o.result != 0, !o.points.empty()) << name;
      const MessageCapture::Shown noCurve = {{IDS_NO_CURVE, 0, 2}};
      EXPECT_EQ(messages.shown(), o.points.empty() ? noCurve : MessageCapture::Shown{}) << name;
      for (std::size_t i = 1; i < o.points.size(); ++i) EXPECT_LT(o.points[i - 1].first, o.points[i].first) << name;
    }
  }
  ASSERT_EQ(traces.size() + kRefused.size(), 91u) << "the suite's files are missing from " QUILLON_TEST_DATA;
  EXPECT_EQ(traced, 50);

  // The suite stores one picture in many ways; its pure-black pixels are the
  // same in each, so the traces must be too.
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
    EXPECT_GT(traces.at(group[0]).size(), 40u) << group[0];
    for (const std::string& name : group) EXPECT_EQ(traces.at(name), traces.at(group[0])) << name;
  }
  // No black at all, or no table entry that is black.
  EXPECT_TRUE(traces.at("g/pal1bg.bmp").empty());
  EXPECT_TRUE(traces.at("q/pal1p1.bmp").empty());
  ResetProgram();
}

}  // namespace
