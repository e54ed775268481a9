// The progress display of a bitmap scan. In the program it is the utility
// library's gauge window, driven by WM_COMMAND messages; in the converter a bar
// on a terminal. The scan drives every display exactly as it drives the gauge.
#ifndef QUILLON_SPECTRUM_PROGRESS_H
#define QUILLON_SPECTRUM_PROGRESS_H

class ScanGauge {
 public:
  virtual ~ScanGauge() = default;
  // Allocates the gauge record and creates the display. False when the record
  // cannot be allocated: the scan then runs without a gauge.
  virtual bool Open(const char* title, const char* message) = 0;
  // True when a gauge window exists (the program's CVGetGauge gave one).
  virtual bool HasWindow() const = 0;
  // One WM_COMMAND to the gauge, handled before it returns (888 begin,
  // 100 percent in the high word of lParam, 2 close).
  virtual void Send(unsigned wParam, long lParam) = 0;
  // The record's current-percent field, which the gauge keeps.
  virtual int CurrentPercent() const = 0;
  // Frees the record, after the closing message.
  virtual void Free() = 0;
};

// The gauge the next scans use; null for none. Returns the previous one.
ScanGauge* SetScanGauge(ScanGauge* gauge);
ScanGauge* CurrentScanGauge();

#endif
