// Calibrate axis: two marks clicked on the picture (or positions typed), and
// their values in ppm or Hz (dialog 4). The calibration lives in Choices until
// the picture changes; Cancel and Esc leave the one there was.
#include <windows.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "picture/bitmap.h"
#include "picture/wpg.h"
#include "resources/resource.h"
#include "shell/marks.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view.h"
#include "shell/view_win32.h"
#include "spectrum/messages.h"
#include "tavutils.h"

namespace {

// What Cancel, Esc and a failed dialog go back to.
struct Before {
  AxisMarks marks;
  AxisCalibration calibration;
};
Before g_before;

// What the user typed, kept while the dialog is left to place the marks.
struct Draft {
  std::string value[2];
  bool hz = false;
};
Draft g_draft;

// The positions as first shown: unchanged text keeps the clicked position whole.
std::string g_shown[2];

const int kPositions[2] = {IDC_MARK1_X, IDC_MARK2_X};
const int kValues[2] = {IDC_MARK1_VALUE, IDC_MARK2_VALUE};

std::string Text(HWND dialog, int id) {
  char text[64] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// A whole number text ('.' as the decimal point, blanks around it allowed).
bool ParseNumber(const std::string& text, double* value) {
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(start, &end);
  if (end == start || errno != 0 || !std::isfinite(v)) return false;
  while (*end == ' ') ++end;
  if (*end != '\0') return false;
  *value = v;
  return true;
}

void Refuse(HWND dialog, int id, int message, const std::string& text = "") {
  if (message == IDS_MARK_NOT_NUMBER) ShowMessageF(message, text.c_str());
  else ShowMessage(message);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

void KeepDraft(HWND dialog) {
  for (int i = 0; i < 2; ++i) g_draft.value[i] = Text(dialog, kValues[i]);
  g_draft.hz = IsDlgButtonChecked(dialog, IDC_UNIT_HZ) == BST_CHECKED;
}

// Where a typed mark is drawn: half way up the picture.
double MiddleY() {
  if (DibInfo != nullptr) return DibInfo->PixelHeight / 2.0;
  return WpgState != nullptr ? WpgState->PageHeight / 2.0 : 0;
}

bool Accept(HWND dialog) {
  double c[2], v[2];
  for (int i = 0; i < 2; ++i) {
    const std::string position = Text(dialog, kPositions[i]);
    if (i < Marks.count && position == g_shown[i]) {
      c[i] = View.TraceX(Marks.at[i].x);
    } else if (!ParseNumber(position, &c[i])) {
      Refuse(dialog, kPositions[i], IDS_MARK_NOT_NUMBER, position);
      return false;
    }
  }
  for (int i = 0; i < 2; ++i) {
    const std::string value = Text(dialog, kValues[i]);
    if (!ParseNumber(value, &v[i])) {
      Refuse(dialog, kValues[i], IDS_MARK_NOT_NUMBER, value);
      return false;
    }
  }
  if (c[0] == c[1]) {
    Refuse(dialog, IDC_MARK2_X, IDS_MARKS_AT_ONE_X);
    return false;
  }
  if (v[0] == v[1]) {
    Refuse(dialog, IDC_MARK2_VALUE, IDS_MARK_VALUES_EQUAL);
    return false;
  }
  AxisMarks marks;
  marks.count = 2;
  for (int i = 0; i < 2; ++i) marks.at[i] = {View.PictureX(c[i]), i < Marks.count ? Marks.at[i].y : MiddleY()};
  Marks = marks;
  CalibrationOf(View, Marks, v[0], v[1], IsDlgButtonChecked(dialog, IDC_UNIT_HZ) == BST_CHECKED,
                &Choices.calibration);
  return true;
}

INT_PTR CALLBACK CalibrateDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      CVCenterDialog(dialog);
      for (int i = 0; i < 2; ++i) {
        char text[32] = "";
        if (i < Marks.count) std::snprintf(text, sizeof text, "%.2f", View.TraceX(Marks.at[i].x));
        g_shown[i] = text;
        SetDlgItemTextA(dialog, kPositions[i], text);
        SetDlgItemTextA(dialog, kValues[i], g_draft.value[i].c_str());
      }
      CheckRadioButton(dialog, IDC_UNIT_PPM, IDC_UNIT_HZ, g_draft.hz ? IDC_UNIT_HZ : IDC_UNIT_PPM);
      // Marks just clicked wait for their values; typed ones for their positions.
      const bool clicked = lParam == 0 && Marks.count == 2;
      SetFocus(GetDlgItem(dialog, clicked ? IDC_MARK1_VALUE : IDC_MARK1_X));
      SendDlgItemMessageA(dialog, clicked ? IDC_MARK1_VALUE : IDC_MARK1_X, EM_SETSEL, 0, -1);
      return FALSE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (Accept(dialog)) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDC_PLACE_MARKS:
        case IDC_REMOVE_CALIBRATION:
          KeepDraft(dialog);
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void Restore() {
  Marks = g_before.marks;
  Choices.calibration = g_before.calibration;
}

void RunDialog(HWND window, bool typed) {
  const INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(AppInstance), MAKEINTRESOURCEA(IDD_CALIBRATE), window,
                                         CalibrateDlgProc, typed ? 1 : 0);
  switch (result) {
    case IDOK:
      break;
    case IDC_PLACE_MARKS:
      Marks = AxisMarks{};
      StartPointerTask(window, PointerTask::PlaceMarks);
      break;
    case IDC_REMOVE_CALIBRATION:
      Marks = AxisMarks{};
      Choices.calibration = AxisCalibration{};
      break;
    default:
      Restore();
      break;
  }
  InvalidateRect(window, nullptr, TRUE);
}

}  // namespace

void CalibrateAxis(HWND window) {
  if (WpgState == nullptr && DibInfo == nullptr) return;
  g_before = {Marks, Choices.calibration};
  const AxisCalibration& axis = Choices.calibration;
  g_draft = Draft{};
  if (axis.set) g_draft = {{NumberText(axis.v1), NumberText(axis.v2)}, axis.hz};
  if (Marks.count == 2) {
    RunDialog(window, false);
    return;
  }
  Marks = AxisMarks{};
  StartPointerTask(window, PointerTask::PlaceMarks);
}

void MarksPlaced(HWND window, bool typed) { RunDialog(window, typed); }

void PlacingCancelled(HWND window) {
  Restore();
  InvalidateRect(window, nullptr, TRUE);
}
