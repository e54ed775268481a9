#include <windows.h>

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tavutils.h"
#include "tavutils_win32.h"

// Numeric dialog fields. A field stores its value only when the whole text is
// a number (blanks around it allowed) within the type's range and the limits
// the caller asks for; other text leaves the field at its last good value and
// is shown red on pink until it is corrected. The colours need the dialog's
// WM_CTLCOLOREDIT, so the first field call subclasses the dialog.

namespace {

const char kInvalidProp[] = "TavFieldInvalid";
const char kOldProcProp[] = "TavFieldsOldProc";
constexpr int kTextSize = 64;

HBRUSH InvalidBrush() {
  static HBRUSH brush = CreateSolidBrush(RGB(255, 224, 224));  // lives as long as the program
  return brush;
}

LRESULT CALLBACK FieldsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto old = reinterpret_cast<WNDPROC>(GetPropA(dialog, kOldProcProp));
  if (old == nullptr) return DefWindowProcA(dialog, message, wParam, lParam);
  if (message == WM_CTLCOLOREDIT && GetPropA(reinterpret_cast<HWND>(lParam), kInvalidProp) != nullptr) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(192, 0, 0));
    SetBkColor(dc, RGB(255, 224, 224));
    return reinterpret_cast<LRESULT>(InvalidBrush());
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    RemovePropA(dialog, kOldProcProp);
  }
  return CallWindowProcA(old, dialog, message, wParam, lParam);
}

void Subclass(HWND dialog) {
  if (GetPropA(dialog, kOldProcProp) != nullptr) return;
  const LONG_PTR old = GetWindowLongPtrA(dialog, GWLP_WNDPROC);
  if (old == 0) return;
  SetPropA(dialog, kOldProcProp, reinterpret_cast<HANDLE>(old));
  SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FieldsDialogProc));
}

void MarkField(HWND dialog, int id, bool valid) {
  HWND edit = GetDlgItem(dialog, id);
  if (edit == nullptr) return;
  Subclass(dialog);
  const bool wasValid = GetPropA(edit, kInvalidProp) == nullptr;
  if (valid == wasValid) return;
  if (valid)
    RemovePropA(edit, kInvalidProp);
  else
    SetPropA(edit, kInvalidProp, reinterpret_cast<HANDLE>(1));
  InvalidateRect(edit, nullptr, TRUE);
}

// The text with blanks around it removed; false when it does not fit.
bool FieldText(HWND dialog, int id, char (&text)[kTextSize], const char*& start) {
  const int n = GetDlgItemTextA(dialog, id, text, kTextSize);
  if (n >= kTextSize - 1) return false;
  start = text;
  while (*start == ' ' || *start == '\t') ++start;
  char* end = text + n;
  while (end > start && (end[-1] == ' ' || end[-1] == '\t')) *--end = '\0';
  return *start != '\0';
}

// Limits asked for with `check`: CV_FIELD_LOW and/or CV_FIELD_HIGH.
bool WithinLimits(double v, int check, double low, double high) {
  if ((check & CV_FIELD_LOW) && v < low) return false;
  if ((check & CV_FIELD_HIGH) && v > high) return false;
  return true;
}

// On a change of the text: `store` parses it and stores the value when it is
// good; the field is marked by the outcome.
template <typename Store>
int UpdateField(HWND dialog, int id, int notification, Store store) {
  if (notification != EN_CHANGE) return 0;
  char text[kTextSize];
  const char* start = nullptr;
  const bool valid = FieldText(dialog, id, text, start) && store(start);
  MarkField(dialog, id, valid);
  return valid ? 1 : 0;
}

}  // namespace

void CVCenterDialog(TAVWINDOW dialogHandle) {
  HWND dialog = static_cast<HWND>(dialogHandle);
  RECT box;
  if (dialog == nullptr || !GetWindowRect(dialog, &box)) return;
  RECT work;
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor))
    work = monitor.rcWork;
  else
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  RECT around = work;
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  const int width = box.right - box.left, height = box.bottom - box.top;
  int x = (around.left + around.right - width) / 2;
  int y = (around.top + around.bottom - height) / 2;
  // Whole on the work area where it fits, its caption always reachable.
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVSetDlgLong(TAVWINDOW dialogHandle, int id, long value) {
  HWND dialog = static_cast<HWND>(dialogHandle);
  char text[32];
  std::snprintf(text, sizeof text, "%ld", value);
  SetDlgItemTextA(dialog, id, text);
  MarkField(dialog, id, true);
}

void CVSetDlgFloat(TAVWINDOW dialogHandle, int id, float value, int decimals) {
  HWND dialog = static_cast<HWND>(dialogHandle);
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  char text[kTextSize];
  std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
  SetDlgItemTextA(dialog, id, text);
  MarkField(dialog, id, std::isfinite(value));
}

int CVUpdateDlgLong(TAVWINDOW dialogHandle, int id, int notification, std::int32_t* field, int check, int low,
                    int high, int) {
  if (field == nullptr) return 0;
  return UpdateField(static_cast<HWND>(dialogHandle), id, notification, [&](const char* start) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(start, &end, 10);
    if (end == start || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX ||
        !WithinLimits(static_cast<double>(v), check, low, high))
      return false;
    *field = static_cast<std::int32_t>(v);
    return true;
  });
}

int CVUpdateDlgFloat(TAVWINDOW dialogHandle, int id, int notification, float* field, int check, float low,
                     float high, int, int) {
  if (field == nullptr) return 0;
  return UpdateField(static_cast<HWND>(dialogHandle), id, notification, [&](const char* start) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(start, &end);
    if (end == start || *end != '\0' || !std::isfinite(v) || std::fabs(v) > FLT_MAX ||
        !WithinLimits(v, check, low, high))
      return false;
    *field = static_cast<float>(v);
    return true;
  });
}
