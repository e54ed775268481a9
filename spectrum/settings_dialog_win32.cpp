#include "spectrum/settings_dialog_win32.h"

#include <cstdio>

#include "resources/resource.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "spectrum/messages.h"
#include "tavnmrfiles.h"
#include "tavutils.h"

namespace {

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
  return 1;
}

void Command(HWND dialog, int id, int code) {
  SPECTRUMSETTINGS* copy = CopyOf(dialog);
  if (copy == nullptr) return;
  switch (id) {
    case IDOK:
      EndDialog(dialog, 1);
      break;
    case IDCANCEL:
      EndDialog(dialog, 0);
      break;
    case IDC_HELP_BUTTON:
      ShowHelp(dialog, "ZK:CREATE");
      break;
    case IDC_SF:
      CVUpdateDlgFloat(dialog, id, code, &copy->SF, 0, 0.0f, 0.0f, 0, Decimals);
      break;
    case IDC_SI:
      // No spectrum has fewer than one point.
      CVUpdateDlgLong(dialog, id, code, &copy->SI, CV_FIELD_LOW, 1, 0, 0);
      break;
    case IDC_F1:
      CVUpdateDlgFloat(dialog, id, code, &copy->F1, 0, 0.0f, 0.0f, 0, Decimals);
      break;
    case IDC_F2:
      CVUpdateDlgFloat(dialog, id, code, &copy->F2, 0, 0.0f, 0.0f, 0, Decimals);
      break;
    case IDC_LINE_WIDTH:
      CVUpdateDlgLong(dialog, id, code, &copy->LineWidth, 0, 0, 0, 0);
      break;
    default:
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
