#include "spectrum/progress.h"

namespace {
ScanGauge* g_gauge = nullptr;
}

ScanGauge* SetScanGauge(ScanGauge* gauge) {
  ScanGauge* old = g_gauge;
  g_gauge = gauge;
  return old;
}

ScanGauge* CurrentScanGauge() { return g_gauge; }
