// Writing without an owner window: the name as given, nothing replaced
// without consent, and a failed write leaves neither a partial output nor a
// damaged earlier one; a replace never leaves the name empty, and what a run
// owns goes with an interrupt or, once its owner is gone, with a sweep.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "../../companion/tavspectrum/fsops.h"
#include "../../companion/tavspectrum/staging.h"
#include "../../companion/tavspectrum/ui.h"
#include "../../companion/tavspectrum/writers.h"
#include "tavspectrum.h"
#include "test_support.h"

namespace {

using Names = std::vector<std::string>;
// Replaces per test of concurrent writing: fewer where Wine makes each slow.
#ifdef _WIN32
constexpr int kReplaces = 10;
#else
constexpr int kReplaces = 30;
#endif
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
  Names Entries(const std::string& sub = "") {
    Names e = tav::ListFolder(sub.empty() ? dir_.path() : dir_.file(sub));
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

// The folder is never absent, whichever way the system replaces it.
TEST_F(SafeWriteTest, AReplacedFolderNeverLeavesItsName) {
  ASSERT_EQ(Write("p", OUTFILE_PDATA), 1);
  std::atomic<bool> done{false};
  std::atomic<int> absent{0};
  std::thread watcher([&] {
    while (!done) absent += tav::KindOf(dir_.file("p/pdata/1/procs")) == tav::PathKind::None;
  });
  for (int i = 0; i < kReplaces; ++i) {
    Make(i % 2 ? 48 : 64);  // with and without an imaginary part, the last without
    ASSERT_EQ(Write("p", OUTFILE_PDATA, true), 1);
  }
  done = true;
  watcher.join();
  EXPECT_EQ(absent, 0);
  EXPECT_EQ(Entries("p/pdata/1"), (Names{"1r", "proc", "procs", "title"})) << "the 1i of an earlier output is gone";
  EXPECT_EQ(Entries(), Names{"p"});
}

// Writers replacing one folder at once all succeed, and one output stands whole.
TEST_F(SafeWriteTest, ConcurrentReplacesAllSucceed) {
  ASSERT_EQ(Write("p", OUTFILE_PDATA), 1);
  std::atomic<int> failed{0};
  std::vector<std::thread> writers;
  for (long si : {16, 32, 48, 64}) {
    writers.emplace_back([&, si] {
      Spectrum s;
      s.Init(0, si, 100, 1000, -1000);
      s.SetSpecFlag(2, 1);
      TAVHELPINFO info = info_;
      info.Flags = TAV_REPLACE_EXISTING;
      for (int i = 0; i < kReplaces; ++i) failed += s.WriteNMRSpectrum(nullptr, dir_.file("p").c_str(), OUTFILE_PDATA, &info) != 1;
    });
  }
  for (std::thread& t : writers) t.join();
  EXPECT_EQ(failed, 0);
  const std::string procs = ReadText(dir_.file("p/pdata/1/procs"));
  const size_t si = procs.find("##$SI= ");
  ASSERT_NE(si, std::string::npos);
  EXPECT_EQ(Content("p", OUTFILE_PDATA).size(), 4 * std::stoul(procs.substr(si + 7))) << "procs and 1r agree";
  EXPECT_EQ(Entries(), Names{"p"});
}

// Where names cannot be exchanged the files are replaced inside the folder.
TEST_F(SafeWriteTest, AFolderReplacedInsideHoldsTheNewOutputAlone) {
  ASSERT_EQ(Write("p", OUTFILE_PDATA), 1);
  Make(48);
  ASSERT_EQ(Write("q", OUTFILE_PDATA), 1);
  const std::string fresh = Content("q", OUTFILE_PDATA);
  std::string error;
  ASSERT_TRUE(tav::ReplaceInside(dir_.file("q"), dir_.file("p"), error)) << error;
  EXPECT_EQ(Content("p", OUTFILE_PDATA), fresh);
  EXPECT_EQ(Entries("p/pdata/1"), (Names{"1r", "proc", "procs", "title"}));
}

// A file the user puts into the folder while the new output is written is
// found at the replace, and kept.
TEST_F(SafeWriteTest, WhatAppearsInTheFolderDuringTheWriteIsNeverRemoved) {
  ASSERT_EQ(Write("p", OUTFILE_PDATA), 1);
  const std::string before = Content("p", OUTFILE_PDATA);
  Make(32);
  tav::WorkFolder work;
  std::string error;
  ASSERT_TRUE(work.Make(dir_.file("p")));
  ASSERT_TRUE(tav::WritePdata(s_, work.Made(), "p", error)) << error;
  Put("p/notes.txt", "mine");
  EXPECT_FALSE(tav::Install(work, dir_.file("p"), true, true, error));
  EXPECT_FALSE(tav::ReplaceInside(work.Made(), dir_.file("p"), error));
  work.Remove();
  EXPECT_EQ(ReadText(dir_.file("p/notes.txt")), "mine");
  EXPECT_EQ(Content("p", OUTFILE_PDATA), before);
  EXPECT_EQ(Entries(), Names{"p"});
}

TEST(OwnedPathsTest, AnInterruptRemovesWhatIsRegisteredAndNothingElse) {
  TempDir dir;
  for (const char* folder : {"work", "work/new"}) ASSERT_TRUE(tav::MakeFolder(dir.file(folder)));
  for (const char* file : {"log", "work/new/1r", "kept"}) std::fclose(std::fopen(dir.file(file).c_str(), "wb"));
  const int log = CVAddOwned(dir.file("log").c_str());
  CVAddOwned(dir.file("work").c_str());
  CVDropOwned(CVAddOwned(dir.file("kept").c_str()));
  CVRemoveOwned();
  EXPECT_EQ(tav::ListFolder(dir.path()), Names{"kept"});
  // A slot the interrupt freed serves again; the old handle no longer reaches it.
  ASSERT_GE(CVAddOwned(dir.file("kept").c_str()), 0);
  CVDropOwned(log);
  CVRemoveOwned();
  EXPECT_TRUE(tav::ListFolder(dir.path()).empty());
}

TEST(OwnedPathsTest, ASweepRemovesOnlyWhatEndedProcessesLeftHere) {
  // "purpose.host.pid.start.": this process; another start of its number is a process gone.
  const std::string own = CVOwnedPrefix("quillon-work");
  Names part;
  for (size_t at = 0, dot; (dot = own.find('.', at)) != std::string::npos; at = dot + 1) part.push_back(own.substr(at, dot - at));
  ASSERT_EQ(part.size(), 4u) << own;
  char other[16];
  std::snprintf(other, sizeof other, "%lx", (std::stoul(part[3], nullptr, 16) + 1) & 0xffffffffUL);
  const std::string host = part[1], gone = part[2] + "." + other + ".0";
  TempDir dir;
  const Names kept = {own + "1", "quillon-work.elsewhere." + gone, "quillon-work.x", "tst-quillon." + host + "." + gone};
  for (const std::string& n : kept) ASSERT_TRUE(tav::MakeFolder(dir.file(n)));
  ASSERT_TRUE(tav::MakeFolder(dir.file("quillon-work." + host + "." + gone)));
  std::fclose(std::fopen(dir.file("quillon-work." + host + "." + gone + "/1r").c_str(), "wb"));
  CVSweepOwned(dir.path(), "quillon-work");
  Names left = tav::ListFolder(dir.path()), expected = kept;
  std::sort(left.begin(), left.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
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

// Windows' paths leave no room for such names in the test folder.
TEST_F(SafeWriteTest, NamesUpToTheFileSystemsLimitAreWritten) {
  EXPECT_EQ(Write(std::string(255, 'c'), OUTFILE_CSV), 1);
  EXPECT_EQ(Write(std::string(255, 'p'), OUTFILE_PDATA), 1);
  EXPECT_EQ(Write(std::string(256, 'x'), OUTFILE_CSV), 0);
  EXPECT_EQ(Entries(), (Names{std::string(255, 'c'), std::string(255, 'p')}));
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
