// The program's scan gauge: the utility library's gauge window.
#ifndef QUILLON_SPECTRUM_GAUGE_WIN32_H
#define QUILLON_SPECTRUM_GAUGE_WIN32_H

#include "spectrum/progress.h"

// The one gauge of the program, owned by MainWindow; install it with SetScanGauge.
ScanGauge* ProgramScanGauge();

#endif
