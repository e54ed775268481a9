#include "spectrum/autotrace.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>

#include "picture/bitmap.h"
#include "spectrum/autotrace_parts.h"
#include "spectrum/trace_warnings.h"

namespace {


// A horizontal run of dark pixels and the component it belongs to.
struct Run {
  std::int32_t row, x0, x1;
  std::int32_t parent;  // union-find over runs
};

struct Component {
  std::int32_t x0, x1, y0, y1;
  std::int64_t pixels = 0;
  bool kept = false;
};

std::int32_t Root(std::vector<Run>& runs, std::int32_t i) {
  while (runs[i].parent != i) {
    runs[i].parent = runs[runs[i].parent].parent;
    i = runs[i].parent;
  }
  return i;
}

// The dark marks of the box as 8-connected components of runs.
class Marks {
 public:
  Marks(const InkImage& image, const PixelRect& box) : box_(box) {
    rowStart_.reserve(static_cast<std::size_t>(box.y1 - box.y0 + 2));
    for (std::int32_t r = box.y0; r <= box.y1; ++r) {
      rowStart_.push_back(static_cast<std::int32_t>(runs_.size()));
      ForEachDarkRun(image, r, box.x0, box.x1, [&](std::int32_t from, std::int32_t to) {
        runs_.push_back({r, from, to, static_cast<std::int32_t>(runs_.size())});
      });
    }
    rowStart_.push_back(static_cast<std::int32_t>(runs_.size()));
    for (std::int32_t r = 1; r + 1 < static_cast<std::int32_t>(rowStart_.size()); ++r) {
      std::int32_t i = rowStart_[r - 1], j = rowStart_[r];
      const std::int32_t iEnd = rowStart_[r], jEnd = rowStart_[r + 1];
      while (i < iEnd && j < jEnd) {
        if (runs_[i].x1 + 1 >= runs_[j].x0 && runs_[j].x1 + 1 >= runs_[i].x0) {
          const std::int32_t a = Root(runs_, i), b = Root(runs_, j);
          if (a != b) runs_[std::max(a, b)].parent = std::min(a, b);
        }
        if (runs_[i].x1 < runs_[j].x1) ++i;
        else ++j;
      }
    }
    label_.resize(runs_.size());
    std::vector<std::int32_t> index(runs_.size(), -1);
    for (std::size_t k = 0; k < runs_.size(); ++k) {
      const std::int32_t root = Root(runs_, static_cast<std::int32_t>(k));
      if (index[root] < 0) {
        index[root] = static_cast<std::int32_t>(components_.size());
        components_.push_back({runs_[k].x0, runs_[k].x1, runs_[k].row, runs_[k].row});
      }
      Component& c = components_[index[root]];
      label_[k] = index[root];
      c.x0 = std::min(c.x0, runs_[k].x0);
      c.x1 = std::max(c.x1, runs_[k].x1);
      c.y1 = std::max(c.y1, runs_[k].row);
      c.pixels += runs_[k].x1 - runs_[k].x0 + 1;
    }
  }

  std::vector<Component>& Components() { return components_; }
  const std::vector<Component>& Components() const { return components_; }
  const std::vector<Run>& Runs() const { return runs_; }
  std::int32_t Label(std::size_t run) const { return label_[run]; }

  // The lowest and highest row of component `c` in column x; false if none.
  bool Span(std::int32_t c, std::int32_t x, std::int32_t* lo, std::int32_t* hi) const {
    bool any = false;
    const Component& comp = components_[c];
    for (std::int32_t r = comp.y0; r <= comp.y1; ++r) {
      for (std::int32_t k = rowStart_[r - box_.y0]; k < rowStart_[r - box_.y0 + 1]; ++k) {
        if (label_[k] != c || runs_[k].x0 > x || runs_[k].x1 < x) continue;
        if (!any) *lo = r;
        *hi = r;
        any = true;
      }
    }
    return any;
  }

  // Whether a pixel of a kept component lies within `reach` of component c.
  bool NearKept(std::int32_t c, std::int32_t reach) const {
    const Component& comp = components_[c];
    const std::int32_t from = std::max(box_.y0, comp.y0 - reach), to = std::min(box_.y1, comp.y1 + reach);
    for (std::int32_t r = comp.y0; r <= comp.y1; ++r) {
      for (std::int32_t k = rowStart_[r - box_.y0]; k < rowStart_[r - box_.y0 + 1]; ++k) {
        if (label_[k] != c) continue;
        for (std::int32_t q = std::max(from, r - reach); q <= std::min(to, r + reach); ++q) {
          for (std::int32_t m = rowStart_[q - box_.y0]; m < rowStart_[q - box_.y0 + 1]; ++m) {
            if (components_[label_[m]].kept && runs_[m].x0 <= runs_[k].x1 + reach && runs_[m].x1 + reach >= runs_[k].x0)
              return true;
          }
        }
      }
    }
    return false;
  }

 private:
  PixelRect box_;
  std::vector<Run> runs_;
  std::vector<std::int32_t> rowStart_;
  std::vector<std::int32_t> label_;
  std::vector<Component> components_;
};

// The curve: the component that spans most columns, the pieces that continue
// it across short gaps to either side, and pieces that touch it. Labels,
// legends, ticks and specks overlap what is kept or stand apart.
bool ChooseCurve(Marks& marks, const PixelRect& box) {
  std::vector<Component>& comps = marks.Components();
  if (comps.empty()) return false;
  const std::int32_t width = box.x1 - box.x0 + 1;
  std::size_t main = 0;
  for (std::size_t i = 1; i < comps.size(); ++i) {
    const std::int32_t span = comps[i].x1 - comps[i].x0, best = comps[main].x1 - comps[main].x0;
    if (span > best || (span == best && comps[i].pixels > comps[main].pixels)) main = i;
  }
  if (comps[main].x1 - comps[main].x0 + 1 < std::max(8, width / 20)) return false;
  comps[main].kept = true;
  std::int32_t left = comps[main].x0, right = comps[main].x1;

  // Along x: the nearest piece beyond an end whose first column meets the
  // curve's last one in height, until none is left.
  const std::int32_t widestGap = std::max(8, width / 10);
  for (int side = 0; side < 2; ++side) {
    for (;;) {
      const std::int32_t end = side == 0 ? left : right;
      std::int32_t endLo = 0, endHi = -1;
      for (std::size_t i = 0; i < comps.size(); ++i) {
        std::int32_t lo, hi;
        if (comps[i].kept && marks.Span(static_cast<std::int32_t>(i), end, &lo, &hi)) {
          endLo = endHi < endLo ? lo : std::min(endLo, lo);
          endHi = std::max(endHi, hi);
        }
      }
      std::int64_t bestCost = -1;
      std::size_t best = 0;
      for (std::size_t i = 0; i < comps.size(); ++i) {
        const Component& c = comps[i];
        if (c.kept || c.pixels < 2) continue;
        const std::int32_t gap = side == 0 ? end - c.x1 : c.x0 - end;
        const bool extends = side == 0 ? c.x0 < end : c.x1 > end;
        if (gap < -2 || gap > widestGap || !extends) continue;
        std::int32_t lo, hi;
        if (!marks.Span(static_cast<std::int32_t>(i), side == 0 ? c.x1 : c.x0, &lo, &hi)) continue;
        const std::int32_t rise = lo > endHi ? lo - endHi : endLo > hi ? endLo - hi : 0;
        if (rise > 4 + 2 * std::max(gap, 0)) continue;
        const std::int64_t cost = std::int64_t{std::max(gap, 0)} * 4 + rise;
        if (bestCost < 0 || cost < bestCost) bestCost = cost, best = i;
      }
      if (bestCost < 0) break;
      comps[best].kept = true;
      left = std::min(left, comps[best].x0);
      right = std::max(right, comps[best].x1);
    }
  }
  // Pieces broken off the curve by a pixel or two: a peak's tip, a flank.
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < comps.size(); ++i) {
      if (comps[i].kept || comps[i].pixels < 2 || comps[i].x1 < left || comps[i].x0 > right) continue;
      if (comps[i].x1 - comps[i].x0 > width / 10) continue;  // a line of its own, not a broken piece
      if (marks.NearKept(static_cast<std::int32_t>(i), 2)) comps[i].kept = true;
    }
  }
  return true;
}

// The runs of the kept components, column by column.
struct ColumnRuns {
  std::vector<std::int32_t> start;  // per column, index into runs
  std::vector<std::pair<std::int32_t, std::int32_t>> runs;  // lowest, highest row
};

ColumnRuns KeptColumns(const Marks& marks, const PixelRect& box) {
  const std::int32_t width = box.x1 - box.x0 + 1;
  std::vector<std::int32_t> openLo(static_cast<std::size_t>(width), -1), openHi(static_cast<std::size_t>(width), -1);
  std::vector<std::pair<std::int32_t, std::pair<std::int32_t, std::int32_t>>> closed;
  const std::vector<Run>& runs = marks.Runs();
  for (std::size_t k = 0; k < runs.size(); ++k) {
    if (!marks.Components()[static_cast<std::size_t>(marks.Label(k))].kept) continue;
    const Run& run = runs[k];
    for (std::int32_t x = run.x0; x <= run.x1; ++x) {
      const std::size_t c = static_cast<std::size_t>(x - box.x0);
      if (openHi[c] == run.row - 1 && openLo[c] >= 0) {
        openHi[c] = run.row;
        continue;
      }
      if (openLo[c] >= 0) closed.push_back({x, {openLo[c], openHi[c]}});
      openLo[c] = openHi[c] = run.row;
    }
  }
  for (std::int32_t c = 0; c < width; ++c)
    if (openLo[c] >= 0) closed.push_back({box.x0 + c, {openLo[c], openHi[c]}});
  std::stable_sort(closed.begin(), closed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  ColumnRuns out;
  out.start.assign(static_cast<std::size_t>(width) + 1, 0);
  out.runs.reserve(closed.size());
  std::size_t k = 0;
  for (std::int32_t c = 0; c < width; ++c) {
    out.start[c] = static_cast<std::int32_t>(out.runs.size());
    while (k < closed.size() && closed[k].first == box.x0 + c) out.runs.push_back(closed[k++].second);
  }
  out.start[width] = static_cast<std::int32_t>(out.runs.size());
  return out;
}

// What the ink of one column says about the curve there.
struct Column {
  bool traced = false;
  std::int32_t lo = 0, hi = 0;      // the chosen run, grown into faint ink
  double bottom = 0, top = 0;       // its edges, sub-pixel
  double mass = 0, centroid = 0;    // ink in it, and where
};

double Ink(const InkImage& image, std::int32_t x, std::int32_t r) { return image.Row(r)[x] / 255.0; }

Column Measure(const InkImage& image, const PixelRect& box, std::int32_t x, std::int32_t lo, std::int32_t hi) {
  // Antialiased edges are lighter than the dark rule; they still hold ink.
  constexpr unsigned char kFaint = 51;
  for (int k = 0; k < 2 && lo > box.y0 && image.Row(lo - 1)[x] >= kFaint; ++k) --lo;
  for (int k = 0; k < 2 && hi < box.y1 && image.Row(hi + 1)[x] >= kFaint; ++k) ++hi;
  Column c;
  c.traced = true;
  c.lo = lo;
  c.hi = hi;
  double weighted = 0;
  for (std::int32_t r = lo; r <= hi; ++r) {
    const double a = Ink(image, x, r);
    c.mass += a;
    weighted += a * r;
  }
  c.centroid = c.mass > 0 ? weighted / c.mass : (lo + hi) / 2.0;
  c.bottom = lo + 0.5 - Ink(image, x, lo);
  c.top = hi - 0.5 + Ink(image, x, hi);
  return c;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  const std::size_t k = std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5));
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(k), v.end());
  return v[k];
}

}  // namespace

CurveTrace FollowCurve(const InkImage& image, const PixelRect& box, std::int32_t floorTop) {
  CurveTrace trace;
  if (box.Empty()) return trace;
  Marks marks(image, box);
  if (!ChooseCurve(marks, box)) return trace;
  const ColumnRuns kept = KeptColumns(marks, box);
  const std::int32_t width = box.x1 - box.x0 + 1;

  // Runs a pixel or two apart are one stroke broken by the dark rule. Where
  // runs further apart share a column (a label the curve runs through, a
  // legend's sample), the curve is the choice of one run per column that
  // jumps least in all, found by dynamic programming over the columns.
  using Span = std::pair<std::int32_t, std::int32_t>;
  std::vector<std::vector<Span>> choices(static_cast<std::size_t>(width));
  for (std::int32_t c = 0; c < width; ++c) {
    std::vector<Span>& runs = choices[c];
    for (std::int32_t k = kept.start[c]; k < kept.start[c + 1]; ++k) {
      if (!runs.empty() && kept.runs[k].first - runs.back().second <= 3) runs.back().second = kept.runs[k].second;
      else runs.push_back(kept.runs[k]);
    }
    // The frame line under peaks that stand on it is not the curve there.
    if (floorTop >= 0 && runs.size() > 1)
      runs.erase(std::remove_if(runs.begin(), runs.end(), [&](const Span& r) { return r.second <= floorTop + 1; }),
                 runs.end());
    if (runs.size() > 1) ++trace.severalRuns;
  }
  auto jump = [](const Span& a, const Span& b) {
    return static_cast<double>(a.second < b.first ? b.first - a.second : b.second < a.first ? a.first - b.second : 0);
  };
  std::vector<std::vector<double>> cost(static_cast<std::size_t>(width));
  std::vector<std::vector<std::int32_t>> from(static_cast<std::size_t>(width));
  std::int32_t prev = -1;
  for (std::int32_t c = 0; c < width; ++c) {
    const std::vector<Span>& runs = choices[c];
    if (runs.empty()) continue;
    cost[c].assign(runs.size(), 0);
    from[c].assign(runs.size(), -1);
    for (std::size_t i = 0; i < runs.size() && prev >= 0; ++i) {
      for (std::size_t j = 0; j < choices[prev].size(); ++j) {
        const double total = cost[prev][j] + jump(choices[prev][j], runs[i]);
        if (from[c][i] < 0 || total < cost[c][i]) cost[c][i] = total, from[c][i] = static_cast<std::int32_t>(j);
      }
    }
    prev = c;
  }
  std::vector<Column> columns(static_cast<std::size_t>(width));
  std::int32_t pick = -1;
  for (std::int32_t c = width - 1; c >= 0; --c) {
    if (choices[c].empty()) continue;
    if (pick < 0) pick = static_cast<std::int32_t>(std::min_element(cost[c].begin(), cost[c].end()) - cost[c].begin());
    const Span& run = choices[c][static_cast<std::size_t>(pick)];
    columns[c] = Measure(image, box, box.x0 + c, run.first, run.second);
    pick = from[c][static_cast<std::size_t>(pick)];
  }

  // The stroke shows where the curve is flat (down a column) and where it is
  // steep (across a row); noise leaves few flat columns, a clean spectrum
  // few steep rows, so the thinner of the two measures counts.
  std::vector<double> masses, across;
  for (const Column& col : columns)
    if (col.traced) masses.push_back(col.mass);
  if (masses.empty()) return trace;
  const std::vector<Run>& runs = marks.Runs();
  for (std::size_t k = 0; k < runs.size(); ++k) {
    if (!marks.Components()[static_cast<std::size_t>(marks.Label(k))].kept) continue;
    const unsigned char* row = image.Row(runs[k].row);
    double sum = 0;
    for (std::int32_t x = std::max(box.x0, runs[k].x0 - 1); x <= std::min(box.x1, runs[k].x1 + 1); ++x) sum += row[x];
    across.push_back(sum / 255.0);
  }
  const double stroke = std::max(1.0, std::min(Percentile(masses, 0.25), Percentile(across, 0.5)));
  trace.stroke = stroke;

  // The ink is the centre line widened by the stroke, so a column's top is
  // the highest the line gets within half a stroke of it, its bottom the
  // lowest (less and plus half the stroke).
  const double half = stroke / 2;
  std::vector<double> upper(static_cast<std::size_t>(width)), lower(static_cast<std::size_t>(width));
  for (std::int32_t c = 0; c < width; ++c) {
    upper[c] = std::max(columns[c].top - half, columns[c].centroid);
    lower[c] = std::min(columns[c].bottom + half, columns[c].centroid);
  }
  // Noise makes every column a little tip; real tips stand out of it.
  std::vector<double> spans;
  for (std::int32_t c = 0; c < width; ++c)
    if (columns[c].traced) spans.push_back(upper[c] - lower[c]);
  const double noise = Percentile(spans, 0.5);
  const double tipMargin = std::max({1.0, half, 2 * noise});
  auto tall = [&](std::int32_t c) { return c >= 0 && c < width && columns[c].traced && upper[c] - lower[c] > tipMargin; };
  std::vector<double> value(static_cast<std::size_t>(width));
  std::vector<char> fixed(static_cast<std::size_t>(width), 0);

  // A peak's tip: tall columns of one reach (within a pixel or so, as tops
  // jitter) standing above the columns on both sides, or far above one side
  // where a line merges into a taller neighbour. The widened tip spans about
  // a stroke of columns; the line's apex is in the middle of them.
  constexpr double kLevel = 1.5;
  // Close lines widened by a thick stroke merge into one broad tip; the
  // valleys between them still show in the other edge, which splits it.
  std::function<void(std::int32_t, std::int32_t, int)> placeTips = [&](std::int32_t a, std::int32_t b, int way) {
    const std::vector<double>& edge = way == 0 ? upper : lower;
    const std::vector<double>& other = way == 0 ? lower : upper;
    const double sign = way == 0 ? 1 : -1;
    // One tip spans about a stroke of columns, and the other edge bulges in
    // its middle too: only a wider one can hide a valley.
    std::int32_t v = -1;
    for (std::int32_t c = a + 1; c < b && b - a + 1 >= stroke + 3; ++c)
      if (v < 0 || sign * (other[c] - other[v]) > 0) v = c;
    if (v > 0) {
      double leftLow = sign * other[a], rightLow = sign * other[b];
      for (std::int32_t c = a; c < v; ++c) leftLow = std::min(leftLow, sign * other[c]);
      for (std::int32_t c = v + 1; c <= b; ++c) rightLow = std::min(rightLow, sign * other[c]);
      if (sign * other[v] - std::max(leftLow, rightLow) > tipMargin) {
        std::int32_t v0 = v, v1 = v;
        while (v0 - 1 > a && std::fabs(other[v0 - 1] - other[v]) <= kLevel) --v0;
        while (v1 + 1 < b && std::fabs(other[v1 + 1] - other[v]) <= kLevel) ++v1;
        const double middle = (v0 + v1) / 2.0;
        for (std::int32_t c = v0; c <= v1; ++c)
          if (std::fabs(c - middle) <= 0.5 && !fixed[c]) value[c] = other[c], fixed[c] = 1;
        placeTips(a, v0 - 1, way);
        placeTips(v1 + 1, b, way);
        return;
      }
    }
    const double middle = (a + b) / 2.0;
    for (std::int32_t c = a; c <= b; ++c)
      if (std::fabs(c - middle) <= 0.5 && !fixed[c]) value[c] = edge[c], fixed[c] = static_cast<char>(2 + way);
  };
  for (int way = 0; way < 2; ++way) {
    const std::vector<double>& edge = way == 0 ? upper : lower;
    const double sign = way == 0 ? 1 : -1;
    for (std::int32_t a = 0; a < width;) {
      if (!tall(a)) {
        ++a;
        continue;
      }
      std::int32_t b = a;
      double extreme = edge[a], deepest = upper[a] - lower[a];
      while (tall(b + 1) && std::fabs(edge[b + 1] - edge[b]) <= kLevel && std::fabs(edge[b + 1] - extreme) <= kLevel) {
        ++b;
        extreme = sign > 0 ? std::max(extreme, edge[b]) : std::min(extreme, edge[b]);
        deepest = std::max(deepest, upper[b] - lower[b]);
      }
      const bool hasLeft = a > 0 && columns[a - 1].traced, hasRight = b + 1 < width && columns[b + 1].traced;
      const double left = hasLeft ? sign * (extreme - edge[a - 1]) : -1e9;
      const double right = hasRight ? sign * (extreme - edge[b + 1]) : -1e9;
      const double nearer = hasLeft && hasRight ? std::min(left, right) : std::max(left, right);
      const bool tip = nearer > tipMargin || (b > a && std::max(left, right) > std::max(tipMargin, deepest / 4));
      if (tip) placeTips(a, b, way);
      a = b + 1;
    }
  }

  // Elsewhere on a steep flank the line rises (or falls) through the column:
  // the top half a stroke further down the slope and the bottom half a
  // stroke further up both give the line's height at the column's centre.
  auto at = [&](const std::vector<double>& edge, double x, std::int32_t c) {
    const std::int32_t i = static_cast<std::int32_t>(std::floor(x));
    const double f = x - i;
    const bool has0 = i >= 0 && i < width && columns[i].traced, has1 = i + 1 < width && i + 1 >= 0 && columns[i + 1].traced;
    if (has0 && has1) return edge[i] * (1 - f) + edge[i + 1] * f;
    if (has0) return edge[i];
    if (has1) return edge[i + 1];
    return edge[c];
  };
  std::int32_t previous = -1;
  for (std::int32_t c = 0; c < width; ++c) {
    const Column& col = columns[c];
    if (!col.traced) continue;
    double y = col.centroid;
    if (fixed[c]) {
      y = value[c];
    } else if (upper[c] - lower[c] > tipMargin) {
      const bool hasLeft = c > 0 && columns[c - 1].traced, hasRight = c + 1 < width && columns[c + 1].traced;
      y = (upper[c] + lower[c]) / 2;
      if (hasLeft && hasRight) {
        const double rise = (upper[c + 1] + lower[c + 1]) - (upper[c - 1] + lower[c - 1]);
        const double d = rise >= 0 ? half : -half;
        y = std::clamp((at(upper, c - d, c) + at(lower, c + d, c)) / 2, lower[c], upper[c]);
      }
    }
      // A tip one column wide is as wide as its column: sampling the trace at
    // any spacing up to a pixel then still meets its full height.
    const bool lone = fixed[c] >= 2 && (c == 0 || fixed[c - 1] != fixed[c]) && (c + 1 == width || fixed[c + 1] != fixed[c]);
    if (lone) {
      trace.points.push_back({box.x0 + c - 0.5, y});
      trace.points.push_back({box.x0 + c + 0.5, y});
    } else {
      trace.points.push_back({static_cast<double>(box.x0 + c), y});
    }
    if (col.lo <= box.y0 || col.hi >= box.y1) ++trace.alongEdge;
    if (previous >= 0) trace.longestGap = std::max(trace.longestGap, c - previous - 1);
    previous = c;
  }
  return trace;
}

AutoTraceResult AutoTrace(const DIBINFO& dib, const AutoTraceOptions& options) {
  AutoTraceResult result;
  InkImage image;
  if (!MakeInkImage(dib, options, &image, &result.reason)) return result;
  PixelRect region{0, 0, image.width - 1, image.height - 1};
  if (options.boxGiven) {
    // The box counts rows from the top, as a viewer shows them.
    const PictureBox& b = options.box;
    region = {std::max(0, b.left), std::max(0, image.height - 1 - b.bottom), std::min(image.width - 1, b.right),
              std::min(image.height - 1, image.height - 1 - b.top)};
    if (region.Empty()) {
      result.reason = "the plot box given lies outside the picture";
      return result;
    }
  }
  PixelRect floor;
  PixelRect box = FindPlotBox(&image, region, &floor);
  CurveTrace trace = FollowCurve(image, box);
  // A plotter that scales the axis to the data draws the baseline on the
  // bottom axis: the peaks then stand on the frame, and the frame's line is
  // the curve between them.
  auto span = [](const CurveTrace& t) { return t.points.empty() ? 0.0 : t.points.back().x - t.points.front().x; };
  if (!floor.Empty() && span(trace) < 0.5 * (box.x1 - box.x0)) {
    PixelRect lowered = box;
    lowered.y0 = floor.y0;
    CurveTrace onFloor = FollowCurve(image, lowered, floor.y1);
    if (span(onFloor) > span(trace)) {
      trace = std::move(onFloor);
      box = lowered;
    }
  }
  result.box = {box.x0, image.height - 1 - box.y1, box.x1, image.height - 1 - box.y0};
  if (trace.points.size() < 2) {
    result.reason = "nothing in the plot box spans enough of it to be a curve";
    return result;
  }
  result.found = true;
  result.points = trace.points;
  result.stroke = trace.stroke;
  std::vector<double> ys;
  ys.reserve(trace.points.size());
  for (const TracedPoint& p : trace.points) ys.push_back(p.y);
  result.baseline = Percentile(ys, 0.5);

  TraceStats stats;
  stats.columns = static_cast<std::int64_t>(trace.points.size());
  stats.alongEdge = trace.alongEdge;
  stats.longestGap = trace.longestGap;
  stats.span = box.x1 - box.x0 + 1;
  stats.mixed = trace.severalRuns;
  result.warnings = TraceWarnings(stats);
  return result;
}
