// The plot box. A long straight run alone cannot tell a frame from a flat
// baseline or a tall sharp peak; what frames and axes have and curves do not
// is a corner where two long lines end together, or ticks at regular spacing.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "spectrum/autotrace_parts.h"

namespace {

struct Tick {
  std::int32_t along0, along1;  // its extent along the line
  std::int32_t length;          // how far it sticks out
};

// A long straight line: rows a0-a1 and columns b0-b1 when horizontal,
// columns a0-a1 and rows b0-b1 when vertical.
struct Line {
  bool horizontal;
  std::int32_t a0, a1, b0, b1;
  std::vector<Tick> ticks[2];  // below/left, above/right
  bool axis = false;

  std::int32_t Thickness() const { return a1 - a0 + 1; }
};

std::int32_t Distance(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  return v < lo ? lo - v : v > hi ? v - hi : 0;
}

// Pixel (along, across) of a line's frame of reference.
bool DarkAt(const InkImage& image, bool horizontal, std::int32_t along, std::int32_t across) {
  const std::int32_t x = horizontal ? along : across, r = horizontal ? across : along;
  return x >= 0 && r >= 0 && x < image.width && r < image.height && image.Dark(x, r);
}

// Runs of dark pixels at least `minimum` long, grouped into lines: a run
// joins the line that ended on the row (or column) before it and shares most
// of its extent.
std::vector<Line> LongLines(const InkImage& image, const PixelRect& region, bool horizontal, std::int32_t minimum) {
  struct Run {
    std::int32_t across, from, to;
  };
  std::vector<Run> runs;
  if (horizontal) {
    for (std::int32_t r = region.y0; r <= region.y1; ++r)
      ForEachDarkRun(image, r, region.x0, region.x1, [&](std::int32_t from, std::int32_t to) {
        if (to - from + 1 >= minimum) runs.push_back({r, from, to});
      });
  } else {
    // Column runs gathered row by row, a word of columns at a time: only
    // where a run starts or ends is there anything to do.
    std::vector<std::int32_t> start(static_cast<std::size_t>(image.width), 0);
    const std::int32_t k0 = region.x0 >> 6, k1 = region.x1 >> 6;
    auto inRegion = [&](std::int32_t k) {
      std::uint64_t m = ~std::uint64_t{0};
      if (k == k0) m &= ~std::uint64_t{0} << (region.x0 & 63);
      if (k == k1 && (region.x1 & 63) != 63) m &= (std::uint64_t{1} << ((region.x1 & 63) + 1)) - 1;
      return m;
    };
    for (std::int32_t r = region.y0; r <= region.y1 + 1; ++r) {
      const std::uint64_t* row = r <= region.y1 ? image.DarkRow(r) : nullptr;
      const std::uint64_t* below = r > region.y0 ? image.DarkRow(r - 1) : nullptr;
      for (std::int32_t k = k0; k <= k1; ++k) {
        const std::uint64_t m = inRegion(k);
        const std::uint64_t now = row ? row[k] & m : 0, before = below ? below[k] & m : 0;
        for (std::uint64_t w = now & ~before; w != 0; w &= w - 1) start[(k << 6) + __builtin_ctzll(w)] = r;
        for (std::uint64_t w = before & ~now; w != 0; w &= w - 1) {
          const std::int32_t x = (k << 6) + __builtin_ctzll(w);
          if (r - start[x] >= minimum) runs.push_back({x, start[x], r - 1});
        }
      }
    }
    std::stable_sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.across < b.across; });
  }

  std::vector<Line> lines;
  for (const Run& run : runs) {
    Line* joined = nullptr;
    for (Line& l : lines) {
      const std::int32_t shared = std::min(l.b1, run.to) - std::max(l.b0, run.from) + 1;
      if (l.a1 == run.across - 1 && 2 * shared >= std::min(l.b1 - l.b0, run.to - run.from) + 1) joined = &l;
    }
    if (joined != nullptr) {
      joined->a1 = run.across;
      joined->b0 = std::min(joined->b0, run.from);
      joined->b1 = std::max(joined->b1, run.to);
    } else {
      lines.push_back(Line{horizontal, run.across, run.across, run.from, run.to, {}, false});
    }
  }
  return lines;
}

// Short marks that stick out of a line on either side and end free.
void FindTicks(const InkImage& image, Line* line, std::int32_t longest) {
  const std::int32_t widest = std::max(3, 2 * line->Thickness() + 1);
  for (int side = 0; side < 2; ++side) {
    const std::int32_t step = side == 0 ? -1 : 1;
    const std::int32_t from = side == 0 ? line->a0 - 1 : line->a1 + 1;
    std::vector<Tick>& ticks = line->ticks[side];
    Tick open{0, -1, 0};
    for (std::int32_t b = line->b0; b <= line->b1 + 1; ++b) {
      std::int32_t k = 0;
      if (b <= line->b1)
        while (k <= longest && DarkAt(image, line->horizontal, b, from + step * k)) ++k;
      if (k >= 2 && k <= longest) {
        if (open.along1 == b - 1) {
          open.along1 = b;
          open.length = std::max(open.length, k);
        } else {
          open = Tick{b, b, k};
        }
        continue;
      }
      if (open.along1 == b - 1 && open.along1 - open.along0 < widest) ticks.push_back(open);
      open.along1 = -1;
    }
  }
}

// At least four ticks on one side, spread over half the line or more, whose
// spacing is mostly one and the same. The feet of a multiplet's lines are
// regular too, but huddle together.
bool RegularTicks(const std::vector<Tick>& ticks, const Line& line) {
  if (ticks.size() < 4) return false;
  if (2 * (ticks.back().along1 - ticks.front().along0) < line.b1 - line.b0) return false;
  std::vector<double> gaps;
  for (std::size_t i = 1; i < ticks.size(); ++i)
    gaps.push_back((ticks[i].along0 + ticks[i].along1 - ticks[i - 1].along0 - ticks[i - 1].along1) / 2.0);
  std::vector<double> sorted = gaps;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  const double median = sorted[sorted.size() / 2];
  if (median < 3) return false;
  const double tolerance = std::max(1.5, 0.08 * median);
  const auto alike = std::count_if(gaps.begin(), gaps.end(), [&](double g) { return std::fabs(g - median) <= tolerance; });
  return 10 * alike >= 7 * static_cast<long>(gaps.size());
}

// Whether end `hEnd` of horizontal line h (0 its left end, 1 its right) and
// end `vEnd` of vertical line v (0 its bottom, 1 its top) meet. A tick on
// the corner lets a line run on past the other by its length.
bool EndsMeet(const Line& h, int hEnd, const Line& v, int vEnd, std::int32_t longest) {
  const std::int32_t near = 3 + std::max(h.Thickness(), v.Thickness());
  const std::int32_t hx = hEnd == 0 ? h.b0 : h.b1, vy = vEnd == 0 ? v.b0 : v.b1;
  const bool hMeets = hEnd == 0 ? Distance(hx, v.a0 - longest, v.a1 + near) == 0 : Distance(hx, v.a0 - near, v.a1 + longest) == 0;
  const bool vMeets = vEnd == 0 ? Distance(vy, h.a0 - longest, h.a1 + near) == 0 : Distance(vy, h.a0 - near, h.a1 + longest) == 0;
  return hMeets && vMeets;
}

// Four lines that meet at four corners: a frame, whether or not it carries
// ticks. Peaks standing on a baseline never close such a rectangle.
void MarkFrames(std::vector<Line>& hs, std::vector<Line>& vs, std::int32_t longest) {
  for (Line& bottom : hs)
    for (Line& top : hs) {
      if (top.a0 <= bottom.a1) continue;
      for (Line& left : vs) {
        if (!EndsMeet(bottom, 0, left, 0, longest) || !EndsMeet(top, 0, left, 1, longest)) continue;
        for (Line& right : vs) {
          if (right.a0 <= left.a1 || !EndsMeet(bottom, 1, right, 0, longest) || !EndsMeet(top, 1, right, 1, longest))
            continue;
          bottom.axis = top.axis = left.axis = right.axis = true;
        }
      }
    }
}

// Ticks come in one or two lengths (major and minor); a short mark of its
// own length standing on the line is more likely a small peak on a baseline
// drawn along the axis, and stays.
void EraseTicks(InkImage* image, const Line& line) {
  for (int side = 0; side < 2; ++side) {
    const std::int32_t step = side == 0 ? -1 : 1;
    const std::int32_t from = side == 0 ? line.a0 - 1 : line.a1 + 1;
    const std::vector<Tick>& ticks = line.ticks[side];
    for (const Tick& t : ticks) {
      const auto alike = std::count_if(ticks.begin(), ticks.end(), [&](const Tick& u) { return std::abs(u.length - t.length) <= 1; });
      if (alike < 3) continue;
      for (std::int32_t b = t.along0; b <= t.along1; ++b) {
        for (std::int32_t k = 0; k < t.length; ++k) {
          const std::int32_t across = from + step * k;
          const std::int32_t x = line.horizontal ? b : across, r = line.horizontal ? across : b;
          if (x >= 0 && r >= 0 && x < image->width && r < image->height) image->Erase(x, r);
        }
      }
    }
  }
}

// The axis line of one side: the longest, and of equals the outermost.
const Line* Pick(const std::vector<Line>& lines, bool low, std::int32_t middle) {
  const Line* best = nullptr;
  for (const Line& l : lines) {
    if (!l.axis || (low ? l.a1 >= middle : l.a0 <= middle)) continue;
    const std::int32_t length = l.b1 - l.b0, bestLength = best ? best->b1 - best->b0 : -1;
    if (best == nullptr || length > bestLength + 2 ||
        (length >= bestLength - 2 && (low ? l.a0 < best->a0 : l.a1 > best->a1)))
      best = &l;
  }
  return best;
}

}  // namespace

PixelRect FindPlotBox(InkImage* image, const PixelRect& region, PixelRect* floor) {
  if (floor != nullptr) *floor = PixelRect{};
  if (region.Empty()) return region;
  const std::int32_t w = region.x1 - region.x0 + 1, h = region.y1 - region.y0 + 1;
  std::vector<Line> hs = LongLines(*image, region, true, std::max(16, w / 4));
  std::vector<Line> vs = LongLines(*image, region, false, std::max(16, h / 4));
  const std::int32_t longestTick = std::max<std::int32_t>(6, std::lround(0.04 * std::max(w, h)));
  for (Line& l : hs) {
    FindTicks(*image, &l, longestTick);
    l.axis = RegularTicks(l.ticks[0], l) || RegularTicks(l.ticks[1], l);
  }
  for (Line& l : vs) {
    FindTicks(*image, &l, longestTick);
    l.axis = RegularTicks(l.ticks[0], l) || RegularTicks(l.ticks[1], l);
  }
  MarkFrames(hs, vs, longestTick);

  const Line* bottom = Pick(hs, true, region.y0 + h / 2);
  const Line* top = Pick(hs, false, region.y0 + h / 2);
  const Line* left = Pick(vs, true, region.x0 + w / 2);
  const Line* right = Pick(vs, false, region.x0 + w / 2);

  PixelRect box = region;
  // Without a line on a side, the extent of the perpendicular axes bounds it.
  const Line* across[2] = {bottom ? bottom : top, left ? left : right};
  if (left) box.x0 = left->a1 + 1;
  else if (across[0]) box.x0 = std::max(box.x0, across[0]->b0);
  if (right) box.x1 = right->a0 - 1;
  else if (across[0]) box.x1 = std::min(box.x1, across[0]->b1);
  if (bottom) box.y0 = bottom->a1 + 1;
  else if (across[1]) box.y0 = std::max(box.y0, across[1]->b0);
  if (top) box.y1 = top->a0 - 1;
  else if (across[1]) box.y1 = std::min(box.y1, across[1]->b1);

  for (const Line* l : {bottom, top, left, right})
    if (l != nullptr) EraseTicks(image, *l);
  if (bottom != nullptr && floor != nullptr) *floor = PixelRect{bottom->b0, bottom->a0, bottom->b1, bottom->a1};
  return box;
}
