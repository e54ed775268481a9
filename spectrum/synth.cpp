#include "spectrum/synth.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "tavspectrum.h"
#include "tavutils.h"

void ExchangeSortByX(LogPoint* points, std::int32_t count) {
  for (std::int32_t o = 0; o + 1 < count; ++o) {
    for (std::int32_t j = o + 1; j < count; ++j) {
      if (points[j].x < points[o].x) {
        const LogPoint t = points[o];
        points[o] = points[j];
        points[j] = t;
      }
    }
  }
}

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

// Reads the log from its start; false when a line is missing or malformed.
bool ReadPoints(LogPoint* points, std::int32_t count) {
  if (!qio::Rewind(PointLogFile)) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    if (CVlgets(LineBuffer, kLineBufferSize, PointLogFile) == nullptr) return false;
    long x = 0, y = 0;
    if (std::sscanf(LineBuffer, "%ld %ld\n", &x, &y) != 2) return false;
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
  if (SpectrumSettings.Mode != SOURCE_BITMAP && PointCount > 1) ExchangeSortByX(points.get(), PointCount);
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
