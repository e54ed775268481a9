#include "spectrum/settings_dialog_win32.h"

#include <cfloat>
#include <cstdio>
#include <string>

#include "resources/resource.h"
#include "picture/bitmap.h"
#include "picture/wpg.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view_win32.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "tavnmrfiles.h"
#include "tavutils.h"

namespace {

// F1 and F2 follow from the axis calibration while the dialog runs: the
// fields show them and are not taken.
bool g_limitsFromAxis = false;

SPECTRUMSETTINGS* CopyOf(HWND dialog) {
  return reinterpret_cast<SPECTRUMSETTINGS*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

HINSTANCE Instance() { return static_cast<HINSTANCE>(AppInstance); }

void DescribePicture(HWND dialog, const SPECTRUMSETTINGS& copy) {
  char line[80] = "";
  if (copy.Mode == SOURCE_WPG) {
    LoadStringA(Instance(), IDS_WPG_DATA, line, sizeof line);
    SetDlgItemTextA(dialog, IDC_PICTURE_LINE1, line);
  } else if (copy.Mode == SOURCE_BITMAP) {
    char format[40] = "";
    LoadStringA(Instance(), IDS_BITMAP_DIMENSIONS, line, sizeof line);
    SetDlgItemTextA(dialog, IDC_PICTURE_LINE1, line);
    LoadStringA(Instance(), IDS_WIDTH_FORMAT, format, sizeof format);
    std::snprintf(line, sizeof line, format, static_cast<int>(copy.Width));
    SetDlgItemTextA(dialog, IDC_PICTURE_LINE2, line);
    LoadStringA(Instance(), IDS_HEIGHT_FORMAT, format, sizeof format);
    std::snprintf(line, sizeof line, format, static_cast<int>(copy.Height));
    SetDlgItemTextA(dialog, IDC_PICTURE_LINE3, line);
  }
}

const int kButtons[3][2] = {{IDOK, IDI_BUTTON_OK}, {IDCANCEL, IDI_BUTTON_CANCEL}, {IDC_HELP_BUTTON, IDI_BUTTON_HELP}};

// The numeric fields in tab order, with the limits the utility library holds
// them to. The converter refuses the same values.
struct NumberField {
  int id;
  bool whole;  // an int32 field, else a float
  int check;
  double low, high;
};
const NumberField kNumberFields[] = {
    {IDC_SF, false, CV_FIELD_LOW | CV_FIELD_LOW_OPEN, 0, 0},  // no ppm without a frequency
    {IDC_SI, true, CV_FIELD_LOW, 1, 0},                         // no spectrum without a point
    {IDC_F1, false, 0, 0, 0},
    {IDC_F2, false, 0, 0, 0},
    {IDC_LINE_WIDTH, true, CV_FIELD_LOW | CV_FIELD_HIGH, 0, 65535},
};

void UpdateNumberField(HWND dialog, const NumberField& f, int code, SPECTRUMSETTINGS& copy) {
  if (f.whole) {
    std::int32_t* field = f.id == IDC_SI ? &copy.SI : &copy.LineWidth;
    CVUpdateDlgLong(dialog, f.id, code, field, f.check, static_cast<int>(f.low), static_cast<int>(f.high), 0);
  } else {
    float* field = f.id == IDC_SF ? &copy.SF : f.id == IDC_F1 ? &copy.F1 : &copy.F2;
    CVUpdateDlgFloat(dialog, f.id, code, field, f.check, static_cast<float>(f.low), static_cast<float>(f.high), 0,
                     Decimals);
  }
}

// A field's name is its label's text ("&line width:" names "line width").
std::string FieldName(HWND field) {
  char label[64] = "";
  GetWindowTextA(GetWindow(field, GW_HWNDPREV), label, sizeof label);
  std::string name;
  for (const char* c = label; *c != '\0'; ++c)
    if (*c != '&') name += *c;
  while (!name.empty() && (name.back() == ':' || name.back() == ' ')) name.pop_back();
  return name;
}

std::string Limit(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

// Says why the field's text is refused and puts the focus there.
void RefuseField(HWND dialog, const NumberField& f, int state) {
  HWND field = GetDlgItem(dialog, f.id);
  const std::string name = FieldName(field);
  char text[64] = "";
  GetWindowTextA(field, text, sizeof text);
  const bool typeLimit = (state == CV_FIELD_BELOW && !(f.check & CV_FIELD_LOW)) ||
                         (state == CV_FIELD_ABOVE && !(f.check & CV_FIELD_HIGH));
  const double most = f.whole ? 2147483647.0 : FLT_MAX;
  if (state == CV_FIELD_NOT_NUMBER)
    ShowMessageF(f.whole ? IDS_FIELD_NOT_WHOLE : IDS_FIELD_NOT_NUMBER, name.c_str(), text);
  else if (state == CV_FIELD_ABOVE)
    ShowMessageF(IDS_FIELD_TOO_LARGE, name.c_str(), Limit(typeLimit ? most : f.high).c_str());
  else if (typeLimit)
    ShowMessageF(IDS_FIELD_TOO_SMALL, name.c_str(), Limit(f.whole ? -2147483648.0 : -FLT_MAX).c_str());
  else
    ShowMessageF(f.check & CV_FIELD_LOW_OPEN ? IDS_FIELD_NOT_ABOVE : IDS_FIELD_TOO_SMALL, name.c_str(),
                 Limit(f.low).c_str());
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
}

// OK takes the fields only as they are shown: a text the library refused
// would otherwise leave its field at an earlier value without a word.
bool FieldsAcceptable(HWND dialog, const SPECTRUMSETTINGS& copy) {
  for (const NumberField& f : kNumberFields) {
    if (g_limitsFromAxis && (f.id == IDC_F1 || f.id == IDC_F2)) continue;
    const int state = CVGetDlgFieldState(dialog, f.id);
    if (state != CV_FIELD_VALID) {
      RefuseField(dialog, f, state);
      return false;
    }
  }
  // Equal limits give every point the same frequency: a spectrum without an axis.
  if (!g_limitsFromAxis && copy.F1 == copy.F2) {
    ShowMessage(IDS_SAME_LIMITS);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_F2)), TRUE);
    return false;
  }
  return true;
}

// The picture x of its first and last column (a drawing: its page's edges).
bool PictureEnds(double* first, double* last) {
  if (DibInfo != nullptr) {
    *first = 0;
    *last = DibInfo->PixelWidth - 1;
    return true;
  }
  if (WpgState != nullptr) {
    *first = 0;
    *last = WpgState->PageWidth;
    return true;
  }
  return false;
}

// With an axis calibration, F1 and F2 are what it gives at the picture's
// edges for the SF now in its field; the fields only show them.
void ShowAxisLimits(HWND dialog, float sf) {
  double first = 0, last = 0;
  if (!g_limitsFromAxis || !PictureEnds(&first, &last)) return;
  CVSetDlgFloat(dialog, IDC_F1, static_cast<float>(Choices.calibration.HzAt(first, sf)), Decimals);
  CVSetDlgFloat(dialog, IDC_F2, static_cast<float>(Choices.calibration.HzAt(last, sf)), Decimals);
}

INT_PTR InitDialog(HWND dialog, LPARAM parameter) {
  auto* copy = reinterpret_cast<SPECTRUMSETTINGS*>(parameter);
  if (copy == nullptr || IsBadReadPtr(copy, 4)) {
    EndDialog(dialog, 0);
    return 0;
  }
  SetWindowLongPtrA(dialog, DWLP_USER, parameter);
  CVCenterDialog(dialog);
  DescribePicture(dialog, *copy);
  InitDlgOutfileListBox(dialog, IDC_FORMAT, OutfileToInt(OutputFormat));
  for (const auto& button : kButtons) {
    HANDLE icon = LoadImageA(Instance(), MAKEINTRESOURCEA(button[1]), IMAGE_ICON, 0, 0, 0);
    SendDlgItemMessageA(dialog, button[0], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  }
  // Filling raises change notifications, which already store into the copy.
  CVSetDlgLong(dialog, IDC_SI, copy->SI);
  CVSetDlgFloat(dialog, IDC_SF, copy->SF, Decimals);
  CVSetDlgFloat(dialog, IDC_F1, copy->F1, Decimals);
  CVSetDlgFloat(dialog, IDC_F2, copy->F2, Decimals);
  CVSetDlgLong(dialog, IDC_LINE_WIDTH, copy->LineWidth);
  SetDlgItemTextA(dialog, IDC_NAME, copy->Name);
  double first = 0, last = 0;
  g_limitsFromAxis = Choices.calibration.set && PictureEnds(&first, &last);
  if (g_limitsFromAxis) {
    char note[128] = "";
    LoadStringA(Instance(), IDS_LIMITS_FROM_AXIS, note, sizeof note);
    SetDlgItemTextA(dialog, IDC_LIMITS_NOTE, note);
    for (int id : {IDC_F1, IDC_F2}) SendDlgItemMessageA(dialog, id, EM_SETREADONLY, TRUE, 0);
    ShowAxisLimits(dialog, copy->SF);
  }
  return 1;
}

void Command(HWND dialog, int id, int code) {
  SPECTRUMSETTINGS* copy = CopyOf(dialog);
  if (copy == nullptr) return;
  switch (id) {
    case IDOK:
      if (FieldsAcceptable(dialog, *copy)) EndDialog(dialog, 1);
      break;
    case IDCANCEL:
      EndDialog(dialog, 0);
      break;
    case IDC_HELP_BUTTON:
      ShowHelp(dialog, "ZK:CREATE");
      break;
    case IDC_OPEN_TRACING:
      EditTracing(dialog, false);
      break;
    default:
      if (g_limitsFromAxis && (id == IDC_F1 || id == IDC_F2)) break;
      for (const NumberField& f : kNumberFields)
        if (f.id == id) UpdateNumberField(dialog, f, code, *copy);
      if (id == IDC_SF && code == EN_CHANGE && !Choices.calibration.hz) ShowAxisLimits(dialog, copy->SF);
      break;
  }
}

void Destroy(HWND dialog) {
  for (const auto& button : kButtons) {
    auto icon = reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, button[0], BM_GETIMAGE, IMAGE_ICON, 0));
    if (icon != nullptr) DestroyIcon(icon);
  }
  if (SPECTRUMSETTINGS* copy = CopyOf(dialog)) GetDlgItemTextA(dialog, IDC_NAME, copy->Name, sizeof copy->Name);
  // A dialog that ended before its list was filled has no selection, and must
  // not take the user's format away.
  const LRESULT selected = SendDlgItemMessageA(dialog, IDC_FORMAT, CB_GETCURSEL, 0, 0);
  if (selected != CB_ERR) OutputFormat = IntToOutfile(static_cast<int>(selected));
}

}  // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return InitDialog(dialog, lParam);
    case WM_COMMAND:
      Command(dialog, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DESTROY:
      Destroy(dialog);
      return 0;
    default:
      return 0;
  }
}

std::int32_t EditSettings(SPECTRUMSETTINGS* settings, HWND owner) {
  if (settings == nullptr) return 0;
  SPECTRUMSETTINGS copy = *settings;
  copy.Name[sizeof copy.Name - 1] = '\0';
  const INT_PTR result = DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDlgProc,
                                         reinterpret_cast<LPARAM>(&copy));
  // -1 is a dialog that could not be made: that is no OK.
  if (result == 0 || result == -1) return 0;
  *settings = copy;
  return 1;
}
