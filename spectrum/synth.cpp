#include "spectrum/synth.h"

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "tavspectrum.h"
#include "tavutils.h"

namespace {

// How many of the positions marked so far lie below a position: a bit per
// position, and a Fenwick tree over words of 64 positions, small enough to
// stay in the cache for a million points.
class PositionCounts {
 public:
  explicit PositionCounts(std::size_t n) : bits_(n / 64 + 1, 0), tree_(n / 64 + 2, 0) {}
  void Mark(std::size_t position) {
    bits_[position / 64] |= std::uint64_t{1} << (position % 64);
    for (std::size_t i = position / 64 + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
  }
  std::int64_t Below(std::size_t position) const {
    std::int64_t sum = std::bitset<64>(bits_[position / 64] & ((std::uint64_t{1} << (position % 64)) - 1)).count();
    for (std::size_t i = position / 64; i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }

 private:
  std::vector<std::uint64_t> bits_;
  std::vector<std::int32_t> tree_;
};

// Which member of a group of equal x the exchange sort puts first, from the
// number of points of smaller x between a member and the next (the last
// member's: after it). The exchange sort carries the group's members as a
// queue: each smaller point that passes moves its front to its back, and each
// member it reaches joins at the back. Followed backwards from the queue's
// final front, that is one step per member.
std::size_t FrontOfGroup(const std::vector<std::int64_t>& between) {
  const std::size_t m = between.size();
  std::int64_t j = between[m - 1] % static_cast<std::int64_t>(m);
  for (std::size_t k = m; k > 1; --k) {
    if (j == static_cast<std::int64_t>(k - 1)) return k - 1;
    j = (j + between[k - 2]) % static_cast<std::int64_t>(k - 1);
  }
  return 0;
}

// Sorts keys by their high 32 bits, keys of equal high halves keeping their
// order: a radix sort in three passes of 11 bits, a pass skipped when all
// keys share its digit (as the high digits of small coordinates do).
void SortByHighHalf(std::vector<std::uint64_t>& keys) {
  std::vector<std::uint64_t> other(keys.size());
  for (unsigned shift = 32; shift < 64; shift += 11) {
    std::vector<std::size_t> start(2049, 0);
    for (std::uint64_t k : keys) ++start[((k >> shift) & 2047) + 1];
    if (std::find(start.begin(), start.end(), keys.size()) != start.end()) continue;
    for (std::size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
    for (std::uint64_t k : keys) other[start[(k >> shift) & 2047]++] = k;
    keys.swap(other);
  }
}

}  // namespace

void SortByX(LogPoint* points, std::int32_t count) {
  if (count < 2) return;
  const std::size_t n = static_cast<std::size_t>(count);
  // By x, then by log position: x in the high half, the position below it.
  std::vector<std::uint64_t> keys(n);
  for (std::size_t i = 0; i < n; ++i)
    keys[i] = std::uint64_t{static_cast<std::uint32_t>(points[i].x) ^ 0x80000000u} << 32 | i;
  SortByHighHalf(keys);
  const auto position = [&keys](std::size_t k) { return static_cast<std::size_t>(keys[k] & 0xFFFFFFFFu); };

  std::vector<LogPoint> sorted(n);
  PositionCounts smaller(n);
  std::int64_t marked = 0;
  std::vector<std::int64_t> between;
  for (std::size_t start = 0; start < n;) {
    std::size_t end = start + 1;
    while (end < n && keys[end] >> 32 == keys[start] >> 32) ++end;
    std::size_t front = 0;
    if (end - start > 1) {
      between.clear();
      std::int64_t below = smaller.Below(position(start));
      for (std::size_t k = start + 1; k <= end; ++k) {
        const std::int64_t next = k < end ? smaller.Below(position(k)) : marked;
        between.push_back(next - below);
        below = next;
      }
      front = FrontOfGroup(between);
    }
    std::size_t out = start;
    sorted[out++] = points[position(start + front)];
    for (std::size_t k = start; k < end; ++k) {
      if (k != start + front) sorted[out++] = points[position(k)];
      smaller.Mark(position(k));
    }
    marked += static_cast<std::int64_t>(end - start);
    start = end;
  }
  std::copy(sorted.begin(), sorted.end(), points);
}

// Every working value is a float, rounded as it is formed, so the samples are
// exactly those of single-precision arithmetic on every toolchain.
namespace {

// Every working value is a float, rounded as it is formed, so the samples are
// exactly those of single-precision arithmetic on every toolchain.
template <typename Point, typename YOf>
bool ResampleCurve(const Point* points, std::int32_t count, std::int32_t si, Spectrum& spectrum, YOf yOf) {
  const float x0 = static_cast<float>(points[0].x);
  float xprev = x0;
  float yprev = yOf(points[0]);
  const float range = static_cast<float>(points[count - 1].x) - x0;
  const float step = range / static_cast<float>(si);
  std::int32_t k = 0;
  for (std::int32_t e = 1; e < count; ++e) {
    const float xe = static_cast<float>(points[e].x);
    const float ye = yOf(points[e]);
    const float dx = xe - xprev;
    if (dx == 0.0f) continue;  // the first point of a vertical run counts
    const float slope = (ye - yprev) / dx;
    float xk = x0 + static_cast<float>(k) * step;
    while (xk < xe) {
      if (k >= si) return false;
      const float value = (xk - xprev) * slope + yprev;
      spectrum.SetRealInt(k, value);
      ++k;
      xk = x0 + static_cast<float>(k) * step;
    }
    xprev = xe;
    yprev = ye;
  }
  return true;
}

}  // namespace

bool ResamplePoints(const LogPoint* points, std::int32_t count, std::int32_t si, Spectrum& spectrum) {
  return ResampleCurve(points, count, si, spectrum, [](const LogPoint& p) { return static_cast<float>(p.y); });
}

namespace {

// What was traced, for showing it and reporting it.
template <typename Point>
void RecordTrace(const Point* points, std::int32_t count, float f1, float f2) {
  LastTrace.valid = true;
  LastTrace.points.clear();
  LastTrace.points.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) LastTrace.points.push_back({double(points[i].x), double(points[i].y)});
  LastTrace.f1 = f1;
  LastTrace.f2 = f2;
  LastTrace.sf = SpectrumSettings.SF;
  LastTrace.si = SpectrumSettings.SI;
}

// The x range of the loaded picture, in the units its trace writes x in.
bool PictureXRange(double* lo, double* hi) {
  if (SpectrumSettings.Mode == SOURCE_BITMAP && SpectrumSettings.Width > 0) {
    *lo = -0.5;
    *hi = SpectrumSettings.Width - 0.5;
    return true;
  }
  if (SpectrumSettings.Mode == SOURCE_WPG && WpgState != nullptr) {
    *lo = 0;
    *hi = WpgState->PageWidth;
    return true;
  }
  return false;
}

// The frequencies of the first and last traced x: from the two calibrated
// axis positions when the user gave them, else the settings' F1 and F2.
void FrequencyLimits(double xFirst, double xLast, float* f1, float* f2) {
  *f1 = SpectrumSettings.F1;
  *f2 = SpectrumSettings.F2;
  const AxisCalibration& axis = Choices.calibration;
  if (!axis.set) return;
  *f1 = static_cast<float>(axis.HzAt(xFirst, SpectrumSettings.SF));
  *f2 = static_cast<float>(axis.HzAt(xLast, SpectrumSettings.SF));
  double lo = 0, hi = 0;
  if (PictureXRange(&lo, &hi) && (std::min(axis.c1, axis.c2) < lo || std::max(axis.c1, axis.c2) > hi)) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "The axis positions %g and %g lie outside the picture (x from %g to %g): the frequencies may be "
                  "far off.",
                  axis.c1, axis.c2, lo, hi);
    LastTrace.warnings.push_back(text);
  }
}

// Everything after the points are known, whichever trace made them.
template <typename Point, typename YOf>
int WriteCurve(Spectrum& spectrum, TAVHELPINFO& info, const Point* points, std::int32_t count, YOf yOf) {
  float f1 = 0, f2 = 0;
  FrequencyLimits(points[0].x, points[count - 1].x, &f1, &f2);
  spectrum.Init(0, SpectrumSettings.SI, SpectrumSettings.SF, f1, f2);
  RecordTrace(points, count, f1, f2);
  // Should rounding let sampling reach k = SI early, all SI samples are set
  // already: the spectrum is complete and is written.
  ResampleCurve(points, count, SpectrumSettings.SI, spectrum, yOf);
  spectrum.SetSpecFlag(1, 1);
  spectrum.SetSpecFlag(2, 1);
  if (CVIsPow2(spectrum.GetSI())) spectrum.Transform(8);
  spectrum.SetNucleus(Choices.nucleus.c_str());
  LastTrace.samples = spectrum.Real();
  return spectrum.WriteNMRSpectrum(MainWindow, SpectrumSettings.Name, OutputFormat, &info);
}

// Nothing traced leaves no first point to start from; SI below 1 no step.
bool CanSynthesize(std::int32_t count) {
  if (count <= 0) {
    ShowMessage(IDS_NO_CURVE);
    return false;
  }
  if (SpectrumSettings.SI < 1) {
    ShowMessage(IDS_BAD_SI);
    return false;
  }
  return true;
}

// The log's lines as CVlgets gives them (up to and with the next line feed,
// at most kLineBufferSize - 1 characters, into LineBuffer), read in large
// blocks: a million points must not cost a million system calls.
class LogLines {
 public:
  explicit LogLines(qio::File file) : file_(file), block_(new char[kBlock]) {}
  bool Next() {
    std::size_t used = 0;
    while (used + 1 < static_cast<std::size_t>(kLineBufferSize)) {
      if (at_ == end_ && !Fill()) break;
      const char c = block_[at_++];
      LineBuffer[used++] = c;
      if (c == '\n') break;
    }
    LineBuffer[used] = '\0';
    return used > 0;
  }

 private:
  static constexpr std::size_t kBlock = 65536;
  bool Fill() {
    const long got = qio::Read(file_, block_.get(), kBlock);
    at_ = 0;
    end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    return end_ > 0;
  }
  qio::File file_;
  std::unique_ptr<char[]> block_;
  std::size_t at_ = 0, end_ = 0;
};

// One integer as "%ld" reads it: blanks, a sign, digits. Values beyond the
// 64-bit range come out beyond the 32-bit range too, which is all that the
// caller needs of them.
bool ParseLong(const char*& p, std::int64_t* value) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (*p < '0' || *p > '9') return false;
  std::int64_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (v < INT64_MAX / 10) v = v * 10 + (*p - '0');
  *value = negative ? -v : v;
  return true;
}

// Reads the log from its start; false when a line is missing or malformed.
bool ReadPoints(LogPoint* points, std::int32_t count) {
  if (!qio::Rewind(PointLogFile)) return false;
  LogLines lines(PointLogFile);
  for (std::int32_t i = 0; i < count; ++i) {
    if (!lines.Next()) return false;
    const char* p = LineBuffer;
    std::int64_t x = 0, y = 0;
    if (!ParseLong(p, &x) || !ParseLong(p, &y)) return false;
    if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return false;
    points[i].x = static_cast<std::int32_t>(x);
    points[i].y = static_cast<std::int32_t>(y);
  }
  return true;
}

int Synthesize(Spectrum& spectrum, TAVHELPINFO& info) {
  if (PointLogFile == qio::kInvalid) {
    ShowMessage(IDS_LOG_UNREADABLE);
    return 0;
  }
  if (!CanSynthesize(PointCount)) return 0;
  std::unique_ptr<LogPoint[]> points(new (std::nothrow) LogPoint[static_cast<size_t>(PointCount)]());
  if (!points) {
    ShowMessage(IDS_NO_MEMORY);
    return 0;
  }
  if (!ReadPoints(points.get(), PointCount)) {
    ShowMessage(IDS_LOG_UNREADABLE);
    return 0;
  }
  if (SpectrumSettings.Mode != SOURCE_BITMAP && PointCount > 1) SortByX(points.get(), PointCount);
  return WriteCurve(spectrum, info, points.get(), PointCount, [](const LogPoint& p) { return static_cast<float>(p.y); });
}

// A fresh spectrum and help record around `body`; Recording is 0 afterwards.
template <typename Body>
int WithSpectrum(Body body) {
  TAVHELPINFO info;
  std::memset(&info, 0, sizeof info);
  info.Owner = MainWindow;
  std::strncpy(info.FileName, "quillon.ini", sizeof info.FileName);
  info.Flags = ReplaceExistingOutput ? TAV_REPLACE_EXISTING : 0;
  int result = 0;
  try {
    Spectrum spectrum;
    result = body(spectrum, info);
  } catch (const std::bad_alloc&) {
    ShowMessage(IDS_NO_MEMORY);
    result = 0;
  }
  Recording = 0;
  return result;
}

}  // namespace

int BuildSpectrum() {
  LastTrace = TraceRecord{};
  return WithSpectrum(Synthesize);
}

int BuildSpectrumFromPoints(const TracedPoint* points, std::int32_t count, double baseline) {
  return WithSpectrum([&](Spectrum& spectrum, TAVHELPINFO& info) {
    if (!CanSynthesize(count)) return 0;
    return WriteCurve(spectrum, info, points, count,
                      [baseline](const TracedPoint& p) { return static_cast<float>(p.y - baseline); });
  });
}
