// The automatic trace: finds the plot box of a picture of a spectrum, tells
// the curve from frame, axes, ticks, labels, grid and specks, and follows the
// curve's centre line with sub-pixel precision, peaks up and down alike.
// Beside the classic column rule, which stays the default.
#ifndef QUILLON_SPECTRUM_AUTOTRACE_H
#define QUILLON_SPECTRUM_AUTOTRACE_H

#include <string>
#include <vector>

#include "spectrum/choices.h"

struct DIBINFO;

struct AutoTraceResult {
  bool found = false;
  std::string reason;                // why nothing was found, for the user
  PictureBox box;                    // the plot box found or given
  double stroke = 0;                 // measured stroke thickness, pixels
  double baseline = 0;               // row from the bottom where intensity is 0
  std::vector<TracedPoint> points;   // one per traced column, increasing x
  std::vector<std::string> warnings; // plain sentences
};

// Traces the picture described by `dib` (any depth and compression the loader
// accepts). Points are in picture coordinates (TracedPoint); the intensity of
// a point is its y minus `baseline`, one unit per pixel row.
AutoTraceResult AutoTrace(const DIBINFO& dib, const AutoTraceOptions& options);

#endif
