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
    return s_.WriteNMRSpectrum(nullptr, name.c_str(), format, &info_);
  }
  std::vector<std::string> Entries() {
    std::vector<std::string> e = tav::ListFolder(dir_.path());
    std::sort(e.begin(), e.end());
    return e;
  }
  void WriteFile(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
  }

  TempDir dir_;
  Spectrum s_;
  TAVHELPINFO info_;
};

TEST_F(SafeWriteTest, WritesUnderTheNameAsGivenAndLeavesNothingElse) {
  for (outfile f : kFileFormats) {
    const std::string name = dir_.file("out-" + std::to_string(OutfileToInt(f)) + ".any");
    EXPECT_EQ(Write(name, f), 1);
    EXPECT_EQ(tav::KindOf(name), tav::PathKind::File);
  }
  EXPECT_EQ(Write(dir_.file("folder/"), OUTFILE_PDATA), 1);
  EXPECT_EQ(tav::KindOf(dir_.file("folder")), tav::PathKind::Folder);
  EXPECT_TRUE(FileExists(dir_.file("folder/pdata/1/1r")));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"folder", "out-0.any", "out-1.any", "out-3.any", "out-4.any"}));
}

TEST_F(SafeWriteTest, ExistingOutputIsKeptWithoutConsent) {
  for (outfile f : kFileFormats) {
    const std::string name = dir_.file("x");
    WriteFile(name, "precious");
    EXPECT_EQ(Write(name, f), 0);
    EXPECT_EQ(ReadText(name), "precious");
    info_.Flags = TAV_REPLACE_EXISTING;
    EXPECT_EQ(s_.WriteNMRSpectrum(nullptr, name.c_str(), f, nullptr), 0) << "no record, no consent";
  }
  ASSERT_EQ(Write(dir_.file("p"), OUTFILE_PDATA), 1);
  const std::string before = ReadText(dir_.file("p/pdata/1/1r"));
  Make(32);
  EXPECT_EQ(Write(dir_.file("p"), OUTFILE_PDATA), 0);
  EXPECT_EQ(ReadText(dir_.file("p/pdata/1/1r")), before);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"p", "x"}));
}

TEST_F(SafeWriteTest, ReplacesWithTheFlagFilesAndOurOwnFolders) {
  for (outfile f : kFileFormats) {
    WriteFile(dir_.file("x"), "old");
    EXPECT_EQ(Write(dir_.file("x"), f, true), 1);
    EXPECT_NE(ReadText(dir_.file("x")), "old");
  }
  ASSERT_EQ(Write(dir_.file("p"), OUTFILE_PDATA), 1);
  Make(32);
  EXPECT_EQ(Write(dir_.file("p"), OUTFILE_PDATA, true), 1);
  EXPECT_EQ(ReadText(dir_.file("p/pdata/1/1r")).size(), 32u * 4);
  // A file may give way to a folder output as well.
  EXPECT_EQ(Write(dir_.file("x"), OUTFILE_PDATA, true), 1);
  EXPECT_EQ(tav::KindOf(dir_.file("x")), tav::PathKind::Folder);
  EXPECT_EQ(Entries(), (std::vector<std::string>{"p", "x"}));
}

TEST_F(SafeWriteTest, FoldersThatAreNotOurOutputAreNeverReplaced) {
  ASSERT_TRUE(tav::MakeFolder(dir_.file("data")));
  WriteFile(dir_.file("data/fid"), "raw");
  ASSERT_TRUE(tav::MakeFolder(dir_.file("data/pdata")));
  EXPECT_EQ(Write(dir_.file("data"), OUTFILE_PDATA, true), 0);
  EXPECT_EQ(ReadText(dir_.file("data/fid")), "raw");
  EXPECT_FALSE(tav::ReplaceProblem(dir_.file("data"), OUTFILE_PDATA).empty());
  // A second processing number is somebody's work too.
  ASSERT_EQ(Write(dir_.file("p"), OUTFILE_PDATA), 1);
  ASSERT_TRUE(tav::MakeFolder(dir_.file("p/pdata/2")));
  EXPECT_EQ(Write(dir_.file("p"), OUTFILE_PDATA, true), 0);
  EXPECT_TRUE(FileExists(dir_.file("p/pdata/2")));
  // A file output never replaces a folder, however harmless.
  ASSERT_TRUE(tav::MakeFolder(dir_.file("empty")));
  for (outfile f : kFileFormats) EXPECT_EQ(Write(dir_.file("empty"), f, true), 0);
  EXPECT_EQ(tav::KindOf(dir_.file("empty")), tav::PathKind::Folder);
  EXPECT_EQ(Write(dir_.file("empty"), OUTFILE_PDATA, true), 1) << "an empty folder holds nothing to lose";
  EXPECT_EQ(Entries(), (std::vector<std::string>{"data", "empty", "p"}));
}

TEST_F(SafeWriteTest, NothingIsWrittenForAnInvalidSpectrumNameOrPlace) {
  s_.SetSpecFlag(2, 0);
  EXPECT_EQ(Write(dir_.file("a.dx"), OUTFILE_JCAMP), 0);
  s_.SetSpecFlag(2, 1);
  s_.SetRealInt(5, std::numeric_limits<float>::infinity());
  EXPECT_EQ(Write(dir_.file("a.dx"), OUTFILE_JCAMP), 0) << "an infinite intensity";
  s_.SetRealInt(5, 0.0f);
  EXPECT_EQ(Write("", OUTFILE_JCAMP), 0);
  EXPECT_EQ(s_.WriteNMRSpectrum(nullptr, nullptr, OUTFILE_JCAMP, &info_), 0);
  EXPECT_EQ(Write(dir_.file("a.dx"), static_cast<outfile>(7)), 0);
  EXPECT_EQ(Write(dir_.file("missing/a.dx"), OUTFILE_JCAMP), 0);
  Spectrum empty;
  EXPECT_EQ(empty.WriteNMRSpectrum(nullptr, dir_.file("e.dx").c_str(), OUTFILE_JCAMP, &info_), 0);
  EXPECT_TRUE(Entries().empty());
}

#ifndef _WIN32
// A file-size limit makes the system refuse bytes part-way through a
// write, even for root: the real failure of a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit l = previous_;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_;
  void (*previousHandler_)(int);
};

TEST_F(SafeWriteTest, FailedWriteLeavesNoPartialOutputAndKeepsTheEarlierOne) {
  Make(4096);  // every format needs more than 8 KiB
  for (outfile f : {OUTFILE_JCAMP, OUTFILE_JCAMP_DIF, OUTFILE_NMRPIPE, OUTFILE_CSV, OUTFILE_PDATA}) {
    const std::string fresh = dir_.file("fresh"), earlier = dir_.file("earlier");
    Make(16);
    ASSERT_EQ(Write(earlier, f, true), 1);
    const std::string before = f == OUTFILE_PDATA ? ReadText(earlier + "/pdata/1/1r") : ReadText(earlier);
    Make(4096);
    {
      FileSizeLimit limit(8192);
      EXPECT_EQ(Write(fresh, f), 0) << OutfileToInt(f);
      EXPECT_EQ(Write(earlier, f, true), 0) << OutfileToInt(f);
    }
    EXPECT_EQ(tav::KindOf(fresh), tav::PathKind::None);
    EXPECT_EQ(f == OUTFILE_PDATA ? ReadText(earlier + "/pdata/1/1r") : ReadText(earlier), before);
    EXPECT_EQ(Entries(), std::vector<std::string>{"earlier"}) << "no work folder is left";
    ASSERT_TRUE(tav::RemoveTree(earlier));
  }
}
#endif

TEST(OutputNameTest, ExtensionsOfOtherFormatsAreReplaced) {
  EXPECT_EQ(tav::SuggestOutputName("001001.1r", OUTFILE_JCAMP), "001001.dx");
  EXPECT_EQ(tav::SuggestOutputName("001001.1r", OUTFILE_JCAMP_DIF), "001001.dx");
  EXPECT_EQ(tav::SuggestOutputName("001001.1r", OUTFILE_PDATA), "001001");
  EXPECT_EQ(tav::SuggestOutputName("001001.1r", OUTFILE_NMRPIPE), "001001.ft1");
  EXPECT_EQ(tav::SuggestOutputName("001001.1r", OUTFILE_CSV), "001001.csv");
  EXPECT_EQ(tav::SuggestOutputName("C:\\data\\run.DX", OUTFILE_CSV), "C:\\data\\run.csv");
  EXPECT_EQ(tav::SuggestOutputName("run.jdx", OUTFILE_JCAMP), "run.jdx") << "an extension of the same format stays";
  EXPECT_EQ(tav::SuggestOutputName("run.ft", OUTFILE_NMRPIPE), "run.ft");
  EXPECT_EQ(tav::SuggestOutputName("run.txt", OUTFILE_JCAMP), "run.txt") << "the user's own choice stays";
  EXPECT_EQ(tav::SuggestOutputName("run", OUTFILE_NMRPIPE), "run.ft1");
  EXPECT_EQ(tav::SuggestOutputName("my.dir/run", OUTFILE_CSV), "my.dir/run.csv");
  EXPECT_EQ(tav::SuggestOutputName("out/", OUTFILE_PDATA), "out");
  EXPECT_EQ(tav::SuggestOutputName("out.csv", OUTFILE_PDATA), "out");
  EXPECT_EQ(tav::OutputPath("out//", OUTFILE_PDATA), "out");
  EXPECT_EQ(tav::OutputPath("C:\\", OUTFILE_PDATA), "C:\\");
  EXPECT_EQ(tav::OutputPath("/", OUTFILE_PDATA), "/");
  EXPECT_EQ(tav::OutputPath("out/", OUTFILE_CSV), "out/");
}

}  // namespace
