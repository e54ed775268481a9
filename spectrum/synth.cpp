#include "spectrum/synth.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

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

// Every working value is a float, rounded as it is formed, so the samples are
// exactly those of single-precision arithmetic on every toolchain.
bool ResamplePoints(const LogPoint* points, std::int32_t count, std::int32_t si, Spectrum& spectrum) {
  const float x0 = static_cast<float>(points[0].x);
  float xprev = x0;
  float yprev = static_cast<float>(points[0].y);
  const float range = static_cast<float>(points[count - 1].x) - x0;
  const float step = range / static_cast<float>(si);
  std::int32_t k = 0;
  for (std::int32_t e = 1; e < count; ++e) {
    const float xe = static_cast<float>(points[e].x);
    const float ye = static_cast<float>(points[e].y);
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

namespace {

// What was traced, for showing it and reporting it.
void RecordTrace(const LogPoint* points, std::int32_t count) {
  LastTrace.valid = true;
  LastTrace.points.clear();
  LastTrace.points.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) LastTrace.points.push_back({double(points[i].x), double(points[i].y)});
  LastTrace.f1 = SpectrumSettings.F1;
  LastTrace.f2 = SpectrumSettings.F2;
  LastTrace.sf = SpectrumSettings.SF;
  LastTrace.si = SpectrumSettings.SI;
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
  // Nothing traced: there is no first point to start from.
  if (PointCount <= 0) {
    ShowMessage(IDS_NO_CURVE);
    return 0;
  }
  const std::int32_t si = SpectrumSettings.SI;
  if (si < 1) {
    ShowMessage(IDS_BAD_SI);
    return 0;
  }
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

  spectrum.Init(0, si, SpectrumSettings.SF, SpectrumSettings.F1, SpectrumSettings.F2);
  RecordTrace(points.get(), PointCount);
  // Should rounding let sampling reach k = SI early, all SI samples are set
  // already: the spectrum is complete and is written.
  ResamplePoints(points.get(), PointCount, si, spectrum);
  spectrum.SetSpecFlag(1, 1);
  spectrum.SetSpecFlag(2, 1);
  if (CVIsPow2(spectrum.GetSI())) spectrum.Transform(8);
  spectrum.SetNucleus(Choices.nucleus.c_str());
  LastTrace.samples = spectrum.Real();
  return spectrum.WriteNMRSpectrum(MainWindow, SpectrumSettings.Name, OutputFormat, &info);
}

}  // namespace

int BuildSpectrum() {
  TAVHELPINFO info;
  std::memset(&info, 0, sizeof info);
  info.Owner = MainWindow;
  std::strncpy(info.FileName, "quillon.ini", sizeof info.FileName);
  info.Flags = ReplaceExistingOutput ? TAV_REPLACE_EXISTING : 0;
  int result = 0;
  try {
    Spectrum spectrum;
    result = Synthesize(spectrum, info);
  } catch (const std::bad_alloc&) {
    ShowMessage(IDS_NO_MEMORY);
    result = 0;
  }
  Recording = 0;
  return result;
}
