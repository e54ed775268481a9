// Pictures of known spectra made by other plotters: the traced points are
// exactly what the independently decoded lowest and highest pure-black rows of
// each column give by the line-width rule.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap_files_test.h"
#include "picture/bitmap.h"
#include "test_support.h"

#ifndef QUILLON_TEST_DATA
#define QUILLON_TEST_DATA "tests/data"
#endif

namespace {

using namespace bmptest;
namespace fs = std::filesystem;

// The integers of the array that follows `"key":` at or after `from`.
std::vector<long> IntArray(const std::string& json, const std::string& key, std::size_t from) {
  std::vector<long> values;
  std::size_t at = json.find("\"" + key + "\"", from);
  if (at == std::string::npos) return values;
  at = json.find('[', at);
  const std::size_t end = json.find(']', at);
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

long IntField(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\"");
  if (at == std::string::npos) return -1;
  return std::strtol(json.c_str() + json.find(':', at) + 1, nullptr, 10);
}

struct Sidecar {
  std::vector<long> columns, first, last;
  long lineWidth = -1;
};

Sidecar ReadSidecar(const std::string& path) {
  const std::string json = ReadText(path);
  Sidecar s;
  // The index rule's own trace where it differs from the pure-black one.
  std::size_t trace = json.find("\"trace_by_index_rule\"");
  if (trace == std::string::npos) trace = json.find("\"trace\"");
  if (trace == std::string::npos) return s;
  s.columns = IntArray(json, "columns", trace);
  s.first = IntArray(json, "first_row", trace);
  s.last = IntArray(json, "last_row", trace);
  s.lineWidth = IntField(json, "LineWidth_px");
  return s;
}

class SpectraTraceTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetProgram(); }
  void TearDown() override { ResetProgram(); }
  TempDir dir_;
};

TEST_F(SpectraTraceTest, PointsAreTheSidecarsRowsByTheLineWidthRule) {
  const fs::path root = fs::u8path(std::string(QUILLON_TEST_DATA) + "/spectra");
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(root)) {
    if (entry.path().extension() != ".bmp") continue;
    const std::string name = entry.path().filename().string();
    fs::path json = entry.path();
    json.replace_extension(".json");
    const Sidecar truth = ReadSidecar(json.generic_string());
    ASSERT_FALSE(truth.columns.empty()) << name;
    ASSERT_EQ(truth.first.size(), truth.columns.size()) << name;
    ASSERT_EQ(truth.last.size(), truth.columns.size()) << name;
    ASSERT_GT(truth.lineWidth, 0) << name;

    ASSERT_EQ(Open(entry.path().generic_string()), 1) << name;
    for (long lineWidth : {truth.lineWidth, 2 * truth.lineWidth + 1}) {
      const TraceOutcome o = TraceLoaded(dir_, static_cast<std::int32_t>(lineWidth));
      Points expected;
      for (std::size_t i = 0; i < truth.columns.size(); ++i) {
        const long first = truth.first[i], last = truth.last[i];
        expected.emplace_back(truth.columns[i], last - first > lineWidth ? last - lineWidth : (first + last) / 2);
      }
      EXPECT_EQ(o.points, expected) << name << " with line width " << lineWidth;
      // Line width 0 always takes the middle of the run.
      if (lineWidth == truth.lineWidth) {
        const TraceOutcome middle = TraceLoaded(dir_, 0);
        ASSERT_EQ(middle.points.size(), truth.columns.size()) << name;
        for (std::size_t i = 0; i < truth.columns.size(); ++i)
          ASSERT_EQ(middle.points[i].second, (truth.first[i] + truth.last[i]) / 2) << name << " column " << truth.columns[i];
      }
      EXPECT_NE(o.result, 0) << name;
    }
    ++pictures;
  }
  EXPECT_EQ(pictures, 16);
}

}  // namespace
