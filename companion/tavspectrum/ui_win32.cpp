#include <windows.h>

#include <commdlg.h>

#include <cstring>
#include <string>

#include "fsops.h"
#include "ui.h"

namespace tav {

namespace {

const char kCaption[] = "Save spectrum";

// Filter text for the dialog: pairs of NUL-terminated strings, double NUL at the end.
std::string FilterFor(outfile format) {
  std::string f;
  switch (format) {
    case OUTFILE_JCAMP:
    case OUTFILE_JCAMP_DIF:
      f = std::string("JCAMP-DX (*.dx;*.jdx;*.jcamp)") + '\0' + "*.dx;*.jdx;*.jcamp" + '\0';
      break;
    case OUTFILE_NMRPIPE:
      f = std::string("NMRPipe (*.ft1;*.ft)") + '\0' + "*.ft1;*.ft" + '\0';
      break;
    case OUTFILE_CSV:
      f = std::string("Text table (*.csv)") + '\0' + "*.csv" + '\0';
      break;
    case OUTFILE_PDATA:
      break;
  }
  f += std::string("All files (*.*)") + '\0' + "*.*" + '\0';
  return f;
}

// The folder format. Typing the name of an existing folder makes a Save
// dialog open that folder instead of returning it; so opening a folder that
// holds one of our processed spectra counts as choosing it (the question
// whether to replace it follows).
struct FolderPick {
  std::string initial;
  std::string picked;
};

UINT_PTR CALLBACK FolderHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const OPENFILENAMEA* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
    SetWindowLongPtrA(hook, DWLP_USER, static_cast<LONG_PTR>(ofn->lCustData));
    return 0;
  }
  if (message != WM_NOTIFY) return 0;
  const OFNOTIFYA* note = reinterpret_cast<const OFNOTIFYA*>(lParam);
  if (note->hdr.code != CDN_FOLDERCHANGE) return 0;
  FolderPick* pick = reinterpret_cast<FolderPick*>(GetWindowLongPtrA(hook, DWLP_USER));
  HWND dialog = GetParent(hook);
  char folder[MAX_PATH] = {};
  if (pick == nullptr || SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) <= 0)
    return 0;
  if (pick->initial.empty()) {
    pick->initial = folder;  // where the dialog opened
    return 0;
  }
  if (pick->initial == folder || KindOf(std::string(folder) + "\\acqus") != PathKind::File) return 0;
  pick->picked = folder;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return 0;
}

// A name typed with another format's extension would hold one format under
// the other's name. Yes writes the format the name says; No goes back to the
// dialog with the chosen format's extension.
bool AgreeOnFormat(HWND window, std::string& chosen, outfile& format, std::string& suggestion) {
  outfile named;
  if (!OtherFormatOfName(chosen, format, &named)) return true;
  const std::string ours = OutfileListName(OutfileToInt(format));
  const std::string theirs = OutfileListName(OutfileToInt(named));
  const std::string text = "\"" + chosen + "\" is named like a file of the format " + theirs +
                           ", but the format chosen is " + ours + ".\nDo you want to write it as " + theirs +
                           "?\n\nNo returns to the Save dialog.";
  if (MessageBoxA(window, text.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    format = named;
    chosen = OutputPath(chosen, format);
    return true;
  }
  suggestion = SuggestOutputName(chosen, format);
  return false;
}

}  // namespace

NameChoice ChooseOutputName(TAVWINDOW owner, std::string& name, outfile& format) {
  if (owner == nullptr) return NameChoice::Chosen;
  HWND window = static_cast<HWND>(owner);
  std::string suggestion = SuggestOutputName(name, format);
  for (;;) {
    const std::string filter = FilterFor(format);
    const std::string title =
        format == OUTFILE_PDATA ? "Save spectrum as processed data folder" : "Save spectrum as";
    // The folder part opens the dialog there; the box shows the name alone.
    const size_t slash = suggestion.find_last_of("/\\");
    std::string folder = slash == std::string::npos ? "" : suggestion.substr(0, slash + 1);
    char file[MAX_PATH] = {};
    std::strncpy(file, suggestion.c_str() + (slash == std::string::npos ? 0 : slash + 1), MAX_PATH - 1);
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = window;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.c_str();
    const std::string ext = OutfileExtension(format);
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    // Replacing is asked below, for folders as well as files.
    ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    FolderPick pick;
    if (format == OUTFILE_PDATA) {
      ofn.Flags |= OFN_ENABLEHOOK | OFN_ENABLESIZING;
      ofn.lpfnHook = FolderHook;
      ofn.lCustData = reinterpret_cast<LPARAM>(&pick);
    }
    std::string chosen;
    if (GetSaveFileNameA(&ofn)) {
      chosen = OutputPath(file, format);
      if (!AgreeOnFormat(window, chosen, format, suggestion)) continue;
    } else if (!pick.picked.empty()) {
      chosen = pick.picked;
    } else {
      return NameChoice::Cancelled;
    }

    suggestion = chosen;
    if (KindOf(chosen) == PathKind::None) {
      name = chosen;
      return NameChoice::Chosen;
    }
    const std::string problem = ReplaceProblem(chosen, format);
    if (!problem.empty()) {
      const std::string text = "\"" + chosen + "\" cannot be replaced: " + problem + ".\nPlease choose another name.";
      MessageBoxA(window, text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
      continue;
    }
    const std::string what = KindOf(chosen) == PathKind::Folder ? "The folder" : "The file";
    const std::string text = what + " \"" + chosen + "\" exists already.\nDo you want to replace it?";
    if (MessageBoxA(window, text.c_str(), kCaption, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDYES) {
      name = chosen;
      return NameChoice::ChosenReplace;
    }
  }
}

void ReportWriteError(TAVWINDOW owner, const std::string& name, const std::string& reason) {
  std::string text = "Cannot write the spectrum \"" + name + "\": " + reason + ".";
  if (owner == nullptr) {
    text += "\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  MessageBoxA(static_cast<HWND>(owner), text.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace tav
