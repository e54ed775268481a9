#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>

#include "tavutils.h"
#include "tavutils_win32.h"

// The progress gauge: a small captioned window with the record's message, a
// bar and the percentage. The scan that drives it does not pump messages, so
// every change is painted before the message that caused it returns.

namespace {

constexpr int kClientWidth = 320;
constexpr int kClientHeight = 96;

struct Gauge {
  TAVGAUGEINFO* record;
  char message[256];
  int percent;
  bool ownedByWindow;  // from a successful creation on; until then CVGetGauge owns it
};

Gauge* GaugeOf(HWND window) { return reinterpret_cast<Gauge*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

RECT BarRect() { return RECT{16, 40, kClientWidth - 16, 60}; }

void Paint(HWND window, HDC dc, const Gauge& gauge) {
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  RECT text = {16, 12, kClientWidth - 16, 32};
  DrawTextA(dc, gauge.message, -1, &text, DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);

  RECT bar = BarRect();
  FrameRect(dc, &bar, GetSysColorBrush(COLOR_BTNSHADOW));
  RECT inside = {bar.left + 1, bar.top + 1, bar.right - 1, bar.bottom - 1};
  FillRect(dc, &inside, GetSysColorBrush(COLOR_WINDOW));
  RECT done = inside;
  done.right = inside.left + (inside.right - inside.left) * gauge.percent / 100;
  if (done.right > done.left) FillRect(dc, &done, GetSysColorBrush(COLOR_HIGHLIGHT));

  char percent[8];
  std::snprintf(percent, sizeof percent, "%d%%", gauge.percent);
  RECT under = {16, 64, kClientWidth - 16, 84};
  DrawTextA(dc, percent, -1, &under, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
}

void SetPercent(HWND window, Gauge& gauge, int percent) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  gauge.percent = percent;
  gauge.record->CurrentPercent = percent;
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
}

LRESULT CALLBACK GaugeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Gauge* gauge = GaugeOf(window);
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_COMMAND:
      if (gauge == nullptr) return 0;
      switch (LOWORD(wParam)) {
        case CV_GAUGE_BEGIN:
          SetPercent(window, *gauge, 0);
          ShowWindow(window, SW_SHOWNA);
          UpdateWindow(window);
          return 0;
        case CV_GAUGE_PERCENT:
          SetPercent(window, *gauge, HIWORD(static_cast<DWORD>(lParam)));
          return 0;
        case CV_GAUGE_CLOSE:
          DestroyWindow(window);
          return 0;
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (gauge != nullptr) Paint(window, dc, *gauge);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      return 0;  // only the scan ends the gauge
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      if (gauge != nullptr && gauge->ownedByWindow) delete gauge;
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterGaugeClass(HINSTANCE instance) {
  WNDCLASSA existing;
  if (GetClassInfoA(instance, kCVGaugeClass, &existing)) return true;
  WNDCLASSA wc = {};
  wc.lpfnWndProc = GaugeProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */);
  wc.lpszClassName = kCVGaugeClass;
  return RegisterClassA(&wc) != 0;
}

}  // namespace

// Created hidden; WM_COMMAND 888 shows it. Centred over its owner.
TAVWINDOW CVGetGauge(void* recordAddress) {
  auto* record = static_cast<TAVGAUGEINFO*>(recordAddress);
  if (record == nullptr) return nullptr;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterGaugeClass(instance)) return nullptr;
  auto* gauge = new (std::nothrow) Gauge();
  if (gauge == nullptr) return nullptr;
  gauge->record = record;
  std::snprintf(gauge->message, sizeof gauge->message, "%s", record->Message != nullptr ? record->Message : "");
  const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  HWND owner = static_cast<HWND>(record->Owner);
  RECT around;
  if (owner == nullptr || !GetWindowRect(owner, &around)) SystemParametersInfoA(SPI_GETWORKAREA, 0, &around, 0);
  const int x = (around.left + around.right - width) / 2, y = (around.top + around.bottom - height) / 2;
  HWND window = CreateWindowExA(WS_EX_DLGMODALFRAME, kCVGaugeClass, record->Title != nullptr ? record->Title : "",
                                style, x, y, width, height, owner, nullptr, instance, gauge);
  if (window == nullptr) {
    delete gauge;
    return nullptr;
  }
  gauge->ownedByWindow = true;
  return window;
}
