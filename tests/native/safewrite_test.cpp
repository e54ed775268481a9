// Writing without an owner window: the name as given, nothing replaced
// without consent, and a failed write leaves neither a partial output nor a
// damaged earlier one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "../../companion/tavspectrum/fsops.h"
#include "../../companion/tavspectrum/ui.h"
#include "tavspectrum.h"
#include "test_support.h"

namespace {

using Names = std::vector<std::string>;
const outfile kFileFormats[] = {OUTFILE_JCAMP, OUTFILE_JCAMP_DIF, OUTFILE_NMRPIPE, OUTFILE_CSV};

class SafeWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&info_, 0, sizeof info_);
    std::strcpy(info_.FileName, "quillon.ini");
    Make(64);
  }
  void Make(long si) {
    ASSERT_EQ(s_.Init(0, si, 100, 1000, -1000), 1);
    for (long k = 0; k < si; ++k) s_.SetRealInt(k, static_cast<float>(k % 7));
    s_.SetSpecFlag(1, 1);
    s_.SetSpecFlag(2, 1);
    s_.Transform(8);
  }
  int Write(const std::string& name, outfile format, bool replace = false) {
    info_.Flags = replace ? TAV_REPLACE_EXISTING : 0;
    return s_.WriteNMRSpectrum(nullptr, dir_.file(name).c_str(), format, &info_);
  }
  // The bytes that stand for an output: a file, or a folder's real part.
  std::string Content(const std::string& name, outfile format) {
    return ReadText(dir_.file(format == OUTFILE_PDATA ? name + "/pdata/1/1r" : name));
  }
  Names Entries() {
    Names e = tav::ListFolder(dir_.path());
    std::sort(e.begin(), e.end());
    return e;
  }
  void Put(const std::string& name, const std::string& text) {
    FILE* f = std::fopen(dir_.file(name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }

  TempDir dir_;
  Spectrum s_;
  TAVHELPINFO info_;
};

TEST_F(SafeWriteTest, ReplacesOnlyWithConsent) {
  for (outfile f : kFileFormats) {
    const std::string name = "out-" + std::to_string(OutfileToInt(f));
    EXPECT_EQ(Write(name, f), 1);
    EXPECT_EQ(tav::KindOf(dir_.file(name)), tav::PathKind::File);
    Put("x", "precious");
    EXPECT_EQ(Write("x", f), 0);
    info_.Flags = TAV_REPLACE_EXISTING;
    EXPECT_EQ(s_.WriteNMRSpectrum(nullptr, dir_.file("x").c_str(), f, nullptr), 0) << "no record, no consent";
    EXPECT_EQ(ReadText(dir_.file("x")), "precious");
    EXPECT_EQ(Write("x", f, true), 1);
    EXPECT_NE(ReadText(dir_.file("x")), "precious");
  }
  EXPECT_EQ(Write("p/", OUTFILE_PDATA), 1);
  const std::string before = Content("p", OUTFILE_PDATA);
  Make(32);
  EXPECT_EQ(Write("p", OUTFILE_PDATA), 0);
  EXPECT_EQ(Content("p", OUTFILE_PDATA), before);
  EXPECT_EQ(Write("p", OUTFILE_PDATA, true), 1);
  EXPECT_EQ(Content("p", OUTFILE_PDATA).size(), 32u * 4);
  // A file may give way to a folder output.
  EXPECT_EQ(Write("x", OUTFILE_PDATA, true), 1);
  EXPECT_EQ(tav::KindOf(dir_.file("x")), tav::PathKind::Folder);
  EXPECT_EQ(Entries(), (Names{"out-0", "out-1", "out-3", "out-4", "p", "x"})) << "no work file is left";
}

TEST_F(SafeWriteTest, FoldersThatAreNotOurOutputAreNeverReplaced) {
  ASSERT_TRUE(tav::MakeFolder(dir_.file("data")));
  Put("data/fid", "raw");
  ASSERT_TRUE(tav::MakeFolder(dir_.file("data/pdata")));
  EXPECT_EQ(Write("data", OUTFILE_PDATA, true), 0);
  EXPECT_EQ(ReadText(dir_.file("data/fid")), "raw");
  // A second processing number is somebody's work too.
  ASSERT_EQ(Write("p", OUTFILE_PDATA), 1);
  ASSERT_TRUE(tav::MakeFolder(dir_.file("p/pdata/2")));
  EXPECT_EQ(Write("p", OUTFILE_PDATA, true), 0);
  EXPECT_TRUE(FileExists(dir_.file("p/pdata/2")));
  // A file output never replaces a folder, however harmless.
  ASSERT_TRUE(tav::MakeFolder(dir_.file("empty")));
  for (outfile f : kFileFormats) EXPECT_EQ(Write("empty", f, true), 0);
  EXPECT_EQ(Write("empty", OUTFILE_PDATA, true), 1) << "an empty folder holds nothing to lose";
  EXPECT_EQ(Entries(), (Names{"data", "empty", "p"}));
}

TEST_F(SafeWriteTest, NothingIsWrittenForAnInvalidSpectrumNameOrPlace) {
  s_.SetSpecFlag(2, 0);
  EXPECT_EQ(Write("a.dx", OUTFILE_JCAMP), 0) << "no valid real part";
  s_.SetSpecFlag(2, 1);
  s_.SetRealInt(5, std::numeric_limits<float>::infinity());
  EXPECT_EQ(Write("a.dx", OUTFILE_JCAMP), 0) << "an infinite intensity";
  s_.SetRealInt(5, 0.0f);
  EXPECT_EQ(s_.WriteNMRSpectrum(nullptr, "", OUTFILE_JCAMP, &info_), 0);
  EXPECT_EQ(s_.WriteNMRSpectrum(nullptr, nullptr, OUTFILE_JCAMP, &info_), 0);
  EXPECT_EQ(Write("a.dx", static_cast<outfile>(7)), 0);
  EXPECT_EQ(Write("missing/a.dx", OUTFILE_JCAMP), 0);
  EXPECT_EQ(Spectrum().WriteNMRSpectrum(nullptr, dir_.file("e.dx").c_str(), OUTFILE_JCAMP, &info_), 0);
  EXPECT_TRUE(Entries().empty());
}

#ifndef _WIN32
// A file-size limit makes the system refuse bytes part-way through a write,
// even for root: the real failure of a full disk.
TEST_F(SafeWriteTest, FailedWriteLeavesNoPartialOutputAndKeepsTheEarlierOne) {
  for (outfile f : {OUTFILE_JCAMP, OUTFILE_JCAMP_DIF, OUTFILE_NMRPIPE, OUTFILE_CSV, OUTFILE_PDATA}) {
    Make(16);
    ASSERT_EQ(Write("earlier", f), 1);
    const std::string before = Content("earlier", f);
    Make(4096);  // more than 8 KiB in every format
    void (*handler)(int) = signal(SIGXFSZ, SIG_IGN);
    rlimit previous, limit;
    getrlimit(RLIMIT_FSIZE, &previous);
    limit = previous;
    limit.rlim_cur = 8192;
    setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(Write("fresh", f), 0) << OutfileToInt(f);
    EXPECT_EQ(Write("earlier", f, true), 0) << OutfileToInt(f);
    setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, handler);
    EXPECT_EQ(Content("earlier", f), before);
    EXPECT_EQ(Entries(), Names{"earlier"}) << "no partial output, no work folder";
    ASSERT_TRUE(tav::RemoveTree(dir_.file("earlier")));
  }
}
#endif

TEST(OutputNameTest, ExtensionsOfOtherFormatsAreReplaced) {
  struct Case {
    const char* name;
    outfile format;
    const char* suggested;
  };
  for (const Case& c : {Case{"001001.1r", OUTFILE_JCAMP, "001001.dx"},
                        Case{"001001.1r", OUTFILE_JCAMP_DIF, "001001.dx"},
                        Case{"001001.1r", OUTFILE_PDATA, "001001"}, Case{"001001.1r", OUTFILE_NMRPIPE, "001001.ft1"},
                        Case{"C:\\data\\run.DX", OUTFILE_CSV, "C:\\data\\run.csv"},
                        Case{"run.jdx", OUTFILE_JCAMP, "run.jdx"},  // the same format's extension stays
                        Case{"run.ft", OUTFILE_NMRPIPE, "run.ft"},
                        Case{"run.txt", OUTFILE_JCAMP, "run.txt"},  // the user's own choice stays
                        Case{"run", OUTFILE_NMRPIPE, "run.ft1"}, Case{"my.dir/run", OUTFILE_CSV, "my.dir/run.csv"},
                        Case{"out/", OUTFILE_PDATA, "out"}, Case{"out.csv", OUTFILE_PDATA, "out"}})
    EXPECT_EQ(tav::SuggestOutputName(c.name, c.format), c.suggested) << c.name;
  EXPECT_EQ(tav::OutputPath("out//", OUTFILE_PDATA), "out");
  EXPECT_EQ(tav::OutputPath("C:\\", OUTFILE_PDATA), "C:\\");
  EXPECT_EQ(tav::OutputPath("/", OUTFILE_PDATA), "/");
  EXPECT_EQ(tav::OutputPath("out/", OUTFILE_CSV), "out/");
}

}  // namespace
