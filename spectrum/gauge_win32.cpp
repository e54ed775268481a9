#include <windows.h>

#include "shell/state.h"
#include "spectrum/gauge_win32.h"
#include "tavutils.h"

namespace {

// The record lives in a zero-filled 64-byte block of the process heap: the
// gauge reads its fields and keeps its current percent there while it exists.
constexpr SIZE_T kRecordBytes = 64;
static_assert(sizeof(TAVGAUGEINFO) <= kRecordBytes, "the gauge record fits its block");

class UtilityGauge : public ScanGauge {
 public:
  bool Open(const char* title, const char* message) override {
    Free();
    record_ = static_cast<TAVGAUGEINFO*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kRecordBytes));
    if (record_ == nullptr) return false;
    record_->Owner = MainWindow;
    record_->Reserved = 0;
    record_->CurrentPercent = 0;
    record_->Title = title;
    record_->Message = message;
    window_ = static_cast<HWND>(CVGetGauge(record_));
    return true;
  }
  bool HasWindow() const override { return window_ != nullptr; }
  void Send(unsigned wParam, long lParam) override {
    if (record_ == nullptr) return;
    SendMessageA(window_, WM_COMMAND, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    if (wParam == CV_GAUGE_CLOSE) window_ = nullptr;
  }
  int CurrentPercent() const override { return record_ != nullptr ? record_->CurrentPercent : 0; }
  void Free() override {
    // A gauge still open would go on writing into the record: close it first.
    if (window_ != nullptr && IsWindow(window_)) SendMessageA(window_, WM_COMMAND, CV_GAUGE_CLOSE, 0);
    window_ = nullptr;
    if (record_ != nullptr) HeapFree(GetProcessHeap(), 0, record_);
    record_ = nullptr;
  }

 private:
  TAVGAUGEINFO* record_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace

ScanGauge* ProgramScanGauge() {
  static UtilityGauge gauge;
  return &gauge;
}
