#include <windows.h>

#include <cctype>
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
// is shown red on pink until it is corrected. Why the text was refused stays
// with the control, for the dialog to tell the user. The colours need the
// dialog's WM_CTLCOLOREDIT, so the first field call subclasses the dialog.

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

// The control keeps a refused text's CV_FIELD_* state as a property.
void MarkField(HWND dialog, int id, int state) {
  HWND edit = GetDlgItem(dialog, id);
  if (edit == nullptr) return;
  Subclass(dialog);
  const bool wasValid = GetPropA(edit, kInvalidProp) == nullptr;
  if (state == CV_FIELD_VALID)
    RemovePropA(edit, kInvalidProp);
  else
    SetPropA(edit, kInvalidProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(state)));
  if (wasValid != (state == CV_FIELD_VALID)) InvalidateRect(edit, nullptr, TRUE);
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

// "inf" and "nan" parse, but no field holds them; an overflow ("1e999") gives
// an infinity too, and is a number beyond float's range.
bool NamesNonFinite(const char* text) {
  if (*text == '+' || *text == '-') ++text;
  return std::isalpha(static_cast<unsigned char>(*text)) != 0;
}

// The limits asked for with `check`, and the type's own `least` and `most`.
int LimitState(double v, int check, double low, double high, double least, double most) {
  if (v < least || ((check & CV_FIELD_LOW) && (v < low || ((check & CV_FIELD_LOW_OPEN) && v == low))))
    return CV_FIELD_BELOW;
  if (v > most || ((check & CV_FIELD_HIGH) && v > high)) return CV_FIELD_ABOVE;
  return CV_FIELD_VALID;
}

// On a change of the text: `store` parses it, stores the value when it is
// good and gives the CV_FIELD_* state; the field is marked by it.
template <typename Store>
int UpdateField(HWND dialog, int id, int notification, Store store) {
  if (notification != EN_CHANGE) return 0;
  char text[kTextSize];
  const char* start = nullptr;
  const int state = FieldText(dialog, id, text, start) ? store(start) : CV_FIELD_NOT_NUMBER;
  MarkField(dialog, id, state);
  return state == CV_FIELD_VALID ? 1 : 0;
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

// A set value is good unless the update call that its change notification
// reaches judges the shown text otherwise (a value beyond the field's limits).
void CVSetDlgLong(TAVWINDOW dialogHandle, int id, long value) {
  HWND dialog = static_cast<HWND>(dialogHandle);
  char text[32];
  std::snprintf(text, sizeof text, "%ld", value);
  MarkField(dialog, id, CV_FIELD_VALID);
  SetDlgItemTextA(dialog, id, text);
}

void CVSetDlgFloat(TAVWINDOW dialogHandle, int id, float value, int decimals) {
  HWND dialog = static_cast<HWND>(dialogHandle);
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  char text[kTextSize];
  std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
  MarkField(dialog, id, CV_FIELD_VALID);
  SetDlgItemTextA(dialog, id, text);
  if (!std::isfinite(value)) MarkField(dialog, id, CV_FIELD_NOT_NUMBER);
}

int CVGetDlgFieldState(TAVWINDOW dialogHandle, int id) {
  HWND edit = GetDlgItem(static_cast<HWND>(dialogHandle), id);
  if (edit == nullptr) return CV_FIELD_VALID;
  return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(edit, kInvalidProp)));
}

int CVUpdateDlgLong(TAVWINDOW dialogHandle, int id, int notification, std::int32_t* field, int check, int low,
                    int high, int) {
  if (field == nullptr) return 0;
  return UpdateField(static_cast<HWND>(dialogHandle), id, notification, [&](const char* start) {
    char* end = nullptr;
    const long long v = std::strtoll(start, &end, 10);
    if (end == start || *end != '\0') return CV_FIELD_NOT_NUMBER;
    // strtoll saturates beyond its range, which then lies beyond int32's too.
    const int state = LimitState(static_cast<double>(v), check, low, high, INT32_MIN, INT32_MAX);
    if (state == CV_FIELD_VALID) *field = static_cast<std::int32_t>(v);
    return state;
  });
}

int CVUpdateDlgFloat(TAVWINDOW dialogHandle, int id, int notification, float* field, int check, float low,
                     float high, int, int) {
  if (field == nullptr) return 0;
  return UpdateField(static_cast<HWND>(dialogHandle), id, notification, [&](const char* start) {
    char* end = nullptr;
    const double v = std::strtod(start, &end);
    if (end == start || *end != '\0' || NamesNonFinite(start)) return CV_FIELD_NOT_NUMBER;
    const int state = LimitState(v, check, low, high, -FLT_MAX, FLT_MAX);
    if (state == CV_FIELD_VALID) *field = static_cast<float>(v);
    return state;
  });
}
