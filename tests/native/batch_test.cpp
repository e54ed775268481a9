// The pieces of a batch that decide what the user gets: output names, the
// exit code, the report's rows, the manifest.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/batch.h"
#include "cli/batch_report.h"
#include "cli/manifest.h"

namespace {

BatchPicture Picture(const char* input, const char* name) {
  BatchPicture p;
  p.input = input;
  p.name = name;
  return p;
}

PictureResult Result(const char* input, PictureStatus status, int code, const char* message = "") {
  PictureResult r;
  r.input = input;
  r.status = status;
  r.exitCode = code;
  r.message = message;
  return r;
}

TEST(BatchTest, OutputNamesAndClashes) {
  struct Case {
    std::vector<BatchPicture> pictures;
    std::string folder, extension;
    std::string firstOutput;  // empty: refused as a clash
  };
  const bool caseBlind =
#ifdef _WIN32
      true;
#else
      false;
#endif
  const Case cases[] = {
      {{Picture("in/a.bmp", "a"), Picture("in/b.png", "b")}, "out", "dx", "out/a.dx"},
      {{Picture("in/a.bmp", "a"), Picture("in/a.png", "a")}, "out", "dx", ""},
      {{Picture("in/x/a.bmp", "x/a"), Picture("in/y/a.bmp", "y/a")}, "out", "dx", "out/x/a.dx"},
      {{Picture("in/a.bmp", "a"), Picture("in/A.bmp", "A")}, "out", "csv", caseBlind ? "" : "out/a.csv"},
      {{Picture("in/a.bmp", "a"), Picture("other/a.bmp", "a")}, "", "dx", "in/a.dx"},
      {{Picture("in/a.bmp", "a")}, "out", "", "out/a"},
  };
  for (const Case& c : cases) {
    std::vector<BatchPicture> pictures = c.pictures;
    std::string problem;
    const bool named = NameOutputs(pictures, c.folder, c.extension, &problem);
    EXPECT_EQ(named, !c.firstOutput.empty()) << c.pictures[1 % c.pictures.size()].input << ": " << problem;
    if (named) EXPECT_EQ(pictures[0].output, std::string(c.firstOutput));
    else EXPECT_NE(problem.find(c.pictures[1].input), std::string::npos) << problem;
  }
}

TEST(BatchTest, PicturesInFoldersByExtension) {
  for (const char* name : {"a.bmp", "b.JPEG", "c.tif", "d.wpg"}) EXPECT_TRUE(IsPictureName(name)) << name;
  for (const char* name : {"a.json", "notes", "._a.bmp", ".bmp"}) EXPECT_FALSE(IsPictureName(name)) << name;
}

TEST(BatchTest, WorstExitCode) {
  const auto with = [](std::vector<std::pair<PictureStatus, int>> ends) {
    std::vector<PictureResult> results;
    for (auto [status, code] : ends) results.push_back(Result("x", status, code));
    return WorstExitCode(results);
  };
  EXPECT_EQ(with({{PICTURE_WRITTEN, 0}, {PICTURE_WRITTEN, 0}}), 0);
  EXPECT_EQ(with({{PICTURE_REFUSED, 4}, {PICTURE_REFUSED, 3}, {PICTURE_WRITTEN, 0}}), 4);
  EXPECT_EQ(with({{PICTURE_REFUSED, 3}, {PICTURE_FAILED, -1}}), 5);  // a crash
  EXPECT_EQ(with({{PICTURE_WRITTEN, 0}, {PICTURE_NOT_CONVERTED, -1}}), 0);
}

PictureResult Written() {
  PictureResult r = Result("in/a, \"b\".bmp", PICTURE_WRITTEN, 0);
  r.summary = {0, "", "out/a.dx", true, 800, 4001.3, -25000, 1024, "auto", {"gap", "edge"}};
  r.milliseconds = 12;
  return r;
}

TEST(BatchTest, ReportRows) {
  const PictureResult refused = Result("b.bmp", PICTURE_REFUSED, 3, "File format not recognized");
  const std::string csv = ReportCsv({Written(), refused});
  EXPECT_NE(csv.find("\n\"in/a, \"\"b\"\".bmp\",written,0,,out/a.dx,800,4001.3,-25000,1024,auto,gap | edge,12\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find("\nb.bmp,refused,3,File format not recognized,,,,,,,,\n"), std::string::npos) << csv;
  const std::string json = ReportJson({refused});
  for (const char* field : {"\"output\": null", "\"points\": null", "\"milliseconds\": null", "\"exit_code\": 3"})
    EXPECT_NE(json.find(field), std::string::npos) << field << " in " << json;
}

TEST(BatchTest, SummaryReadBackOrRefused) {
  const PictureSummary sent = Written().summary;
  const std::string text = SummaryJson(sent);
  PictureSummary got;
  ASSERT_TRUE(ParseSummary(text, &got));
  EXPECT_EQ(SummaryJson(got), text);
  EXPECT_FALSE(ParseSummary(text.substr(0, text.size() / 2), &got));
}

TEST(BatchTest, Manifest) {
  struct Case {
    const char* text;
    std::vector<std::string> options;  // of the first row; empty with a problem expected
    const char* problem;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF" "File,SF,Nucleus\r\na.bmp,400.13,13C\r\n", {"--sf=400.13", "--nucleus=13C"}, nullptr},
      {"file,x-axis,x-unit\n\n\"a b.png\", \"120=4,680=1\" ,\n", {"--x-axis=120=4,680=1"}, nullptr},
      {"sf\n400\n", {}, "no column \"file\""},
      {"file,width\na.bmp,3\n", {}, "width"},
      {"file,sf\n,400\n", {}, "line 2"},
  };
  for (const Case& c : cases) {
    std::vector<ManifestRow> rows;
    std::string problem;
    const bool read = ParseManifest("m.csv", c.text, &rows, &problem);
    EXPECT_EQ(read, c.problem == nullptr) << c.text << ": " << problem;
    if (read) EXPECT_EQ(rows.at(0).options, c.options) << c.text;
    else EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
  }
}

}  // namespace
