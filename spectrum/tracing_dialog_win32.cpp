// The Tracing dialog (dialog 3): classic or automatic trace, the automatic
// trace's ink rule and plot box, and the nucleus. It edits a draft; OK takes
// it into Choices and keeps the lasting choices in the ini file.
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "picture/bitmap.h"
#include "resources/resource.h"
#include "shell/kept_choices.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view_win32.h"
#include "spectrum/choices.h"
#include "spectrum/messages.h"
#include "tavspectrum.h"
#include "tavutils.h"

namespace {

struct TracingDraft {
  TraceMode mode = TRACE_CLASSIC;
  AutoTraceOptions options;
  std::string nucleus;
};
TracingDraft g_draft;
bool g_pending = false;  // the draft waits for a colour to be picked
bool g_canPick = false;

const char* const kNuclei[] = {"1H", "2H", "7Li", "11B", "13C", "15N", "17O", "19F", "23Na", "27Al", "29Si", "31P",
                               "77Se", "119Sn", "195Pt"};
const int kBoxFields[4] = {IDC_BOX_LEFT, IDC_BOX_TOP, IDC_BOX_RIGHT, IDC_BOX_BOTTOM};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::string Text(HWND dialog, int id) {
  char text[64] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

bool ParseWhole(const std::string& text, long lo, long hi, std::int32_t* out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  while (end != nullptr && *end == ' ') ++end;
  if (text.empty() || end == text.c_str() || *end != '\0' || errno != 0 || v < lo || v > hi) return false;
  *out = static_cast<std::int32_t>(v);
  return true;
}

void EnableControls(HWND dialog) {
  const bool automatic = Checked(dialog, IDC_TRACE_AUTO);
  for (int id : {IDC_INK_PICTURE, IDC_INK_THRESHOLD, IDC_INK_COLOUR, IDC_BOX_FOUND, IDC_BOX_SET})
    EnableWindow(GetDlgItem(dialog, id), automatic);
  const bool colour = automatic && Checked(dialog, IDC_INK_COLOUR);
  EnableWindow(GetDlgItem(dialog, IDC_THRESHOLD), automatic && Checked(dialog, IDC_INK_THRESHOLD));
  EnableWindow(GetDlgItem(dialog, IDC_COLOUR), colour);
  EnableWindow(GetDlgItem(dialog, IDC_PICK_COLOUR), colour && g_canPick && DibInfo != nullptr);
  for (int id : kBoxFields) EnableWindow(GetDlgItem(dialog, id), automatic && Checked(dialog, IDC_BOX_SET));
}

void Fill(HWND dialog) {
  const TracingDraft& d = g_draft;
  CheckRadioButton(dialog, IDC_TRACE_CLASSIC, IDC_TRACE_AUTO, d.mode == TRACE_AUTO ? IDC_TRACE_AUTO : IDC_TRACE_CLASSIC);
  const int ink = d.options.dark == DARK_THRESHOLD ? IDC_INK_THRESHOLD
                  : d.options.dark == DARK_COLOUR  ? IDC_INK_COLOUR
                                                   : IDC_INK_PICTURE;
  CheckDlgButton(dialog, IDC_INK_PICTURE, ink == IDC_INK_PICTURE ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_INK_THRESHOLD, ink == IDC_INK_THRESHOLD ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, IDC_INK_COLOUR, ink == IDC_INK_COLOUR ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemInt(dialog, IDC_THRESHOLD, static_cast<UINT>(d.options.threshold), FALSE);
  SetDlgItemTextA(dialog, IDC_COLOUR, ColourText(d.options).c_str());
  CheckRadioButton(dialog, IDC_BOX_FOUND, IDC_BOX_SET, d.options.boxGiven ? IDC_BOX_SET : IDC_BOX_FOUND);
  const PictureBox box = d.options.boxGiven ? d.options.box : CurrentPlotBox();
  if (!box.Empty()) {
    const std::int32_t edges[4] = {box.left, box.top, box.right, box.bottom};
    for (int i = 0; i < 4; ++i) SetDlgItemInt(dialog, kBoxFields[i], static_cast<UINT>(edges[i]), TRUE);
  }
  for (const char* n : kNuclei) SendDlgItemMessageA(dialog, IDC_NUCLEUS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(n));
  SetDlgItemTextA(dialog, IDC_NUCLEUS, d.nucleus.c_str());
  EnableControls(dialog);
}

void Refuse(HWND dialog, int id, int message, const std::string& text = "") {
  if (message == IDS_NOT_A_NUCLEUS) ShowMessageF(message, text.c_str());
  else ShowMessage(message);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

// The dialog's state into the draft. With `strict`, a field the chosen rule
// needs must hold a good value, else the user is told and false returned;
// otherwise what does not read is left as it was.
bool Take(HWND dialog, bool strict) {
  TracingDraft d = g_draft;
  d.mode = Checked(dialog, IDC_TRACE_AUTO) ? TRACE_AUTO : TRACE_CLASSIC;
  d.options.dark = Checked(dialog, IDC_INK_THRESHOLD) ? DARK_THRESHOLD
                   : Checked(dialog, IDC_INK_COLOUR)  ? DARK_COLOUR
                                                      : DARK_AUTO;
  const bool automatic = d.mode == TRACE_AUTO;
  if (!ParseWhole(Text(dialog, IDC_THRESHOLD), 0, 255, &d.options.threshold) && strict && automatic &&
      d.options.dark == DARK_THRESHOLD) {
    Refuse(dialog, IDC_THRESHOLD, IDS_BAD_THRESHOLD);
    return false;
  }
  if (!ParseColourText(Text(dialog, IDC_COLOUR), &d.options) && strict && automatic &&
      d.options.dark == DARK_COLOUR) {
    Refuse(dialog, IDC_COLOUR, IDS_BAD_COLOUR);
    return false;
  }
  d.options.boxGiven = Checked(dialog, IDC_BOX_SET);
  if (d.options.boxGiven) {
    // Without a bitmap the box only has to be a box.
    const long width = DibInfo != nullptr ? DibInfo->PixelWidth : 65535;
    const long height = DibInfo != nullptr ? DibInfo->PixelHeight : 65535;
    std::int32_t e[4] = {0, 0, -1, -1};
    const bool read = ParseWhole(Text(dialog, IDC_BOX_LEFT), 0, width - 1, &e[0]) &&
                      ParseWhole(Text(dialog, IDC_BOX_TOP), 0, height - 1, &e[1]) &&
                      ParseWhole(Text(dialog, IDC_BOX_RIGHT), 0, width - 1, &e[2]) &&
                      ParseWhole(Text(dialog, IDC_BOX_BOTTOM), 0, height - 1, &e[3]) && e[0] < e[2] && e[1] < e[3];
    if (read) {
      d.options.box = {e[0], e[1], e[2], e[3]};
    } else if (strict && automatic) {
      Refuse(dialog, IDC_BOX_LEFT, IDS_BAD_BOX);
      return false;
    } else {
      d.options.boxGiven = g_draft.options.boxGiven;
    }
  }
  const std::string nucleus = Text(dialog, IDC_NUCLEUS);
  if (IsNucleusName(nucleus.c_str())) {
    d.nucleus = nucleus;
  } else if (strict) {
    Refuse(dialog, IDC_NUCLEUS, IDS_NOT_A_NUCLEUS, nucleus);
    return false;
  }
  g_draft = d;
  return true;
}

INT_PTR CALLBACK TracingDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      CVCenterDialog(dialog);
      Fill(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (Take(dialog, true)) EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDC_PICK_COLOUR:
          Take(dialog, false);
          EndDialog(dialog, IDC_PICK_COLOUR);
          return TRUE;
        case IDC_HELP_BUTTON:
          ShowHelp(dialog, "TRACING");
          return TRUE;
        case IDC_TRACE_CLASSIC:
        case IDC_TRACE_AUTO:
        case IDC_INK_PICTURE:
        case IDC_INK_THRESHOLD:
        case IDC_INK_COLOUR:
        case IDC_BOX_FOUND:
        case IDC_BOX_SET:
          EnableControls(dialog);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

void KeepChoices() {
  for (const auto& kept : KeptChoices(Choices))
    WritePrivateProfileStringA(kKeptChoicesSection, kept.first.c_str(), kept.second.c_str(), IniInfo.FileName);
}

}  // namespace

int EditTracing(HWND owner, bool canPick) {
  if (!g_pending) g_draft = {Choices.mode, Choices.autoTrace, Choices.nucleus};
  g_pending = false;
  g_canPick = canPick;
  const INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(AppInstance), MAKEINTRESOURCEA(IDD_TRACING), owner,
                                         TracingDlgProc, 0);
  HWND main = static_cast<HWND>(MainWindow);
  if (result == IDC_PICK_COLOUR) {
    g_pending = true;
    StartPointerTask(main, PointerTask::PickColour);
    return 0;
  }
  if (result != IDOK) return 0;
  Choices.mode = g_draft.mode;
  Choices.autoTrace = g_draft.options;
  Choices.nucleus = g_draft.nucleus;
  KeepChoices();
  if (main != nullptr) {
    ShowFoundBox(main);
    InvalidateRect(main, nullptr, TRUE);
  }
  return 1;
}

void ColourPicked(HWND window, bool picked, std::uint32_t rgb) {
  if (picked) {
    g_draft.mode = TRACE_AUTO;
    g_draft.options.dark = DARK_COLOUR;
    g_draft.options.colour = rgb;
  }
  EditTracing(window, true);
}

void LoadKeptChoices() {
  TakeKeptChoices(&Choices, [](const std::string& key) {
    char text[64] = "";
    GetPrivateProfileStringA(kKeptChoicesSection, key.c_str(), "", text, sizeof text, IniInfo.FileName);
    return std::string(text);
  });
}
