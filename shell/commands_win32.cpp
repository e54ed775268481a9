#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "picture/bitmap.h"
#include "picture/formats.h"
#include "picture/wpg.h"
#include "resources/resource.h"
#include "shell/file_choice.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view_win32.h"
#include "spectrum/messages.h"
#include "spectrum/settings.h"
#include "spectrum/settings_dialog_win32.h"
#include "spectrum/trace.h"
#include "tavnmrfiles.h"
#include "tavutils.h"

namespace {

PictureChooser g_chooser = nullptr;
bool g_converting = false;

// Keys typed while a conversion ran and not taken by its dialogs are still
// queued for the main window; acted on now, the "x" of a name typed ahead
// for the Save dialog would end the program.
void DropTypedAhead(HWND window) {
  MSG typed;
  while (PeekMessageA(&typed, window, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
}

HINSTANCE Instance() { return static_cast<HINSTANCE>(AppInstance); }

void ReleaseFileBuffer() {
  std::free(FileBuffer);
  FileBuffer = nullptr;
  FileBufferLength = 0;
}

void CloseBitmap(HWND window) {
  FreePicture();
  PictureChanged(window);
  UpdateTitles(window);
  InvalidateRect(window, nullptr, TRUE);
}

// Reads the file CurrentPath names and loads it as a drawing or a picture;
// every failure is told.
void ReadChosenPicture() {
  FileBuffer = nullptr;
  FileBufferLength = 0;
  const HFILE file = _lopen(CurrentPath, OF_READ | OF_SHARE_DENY_WRITE);
  const std::int32_t code = file == HFILE_ERROR ? 1 : ReadPictureFile(file);
  if (code != 0) {
    ShowMessage(300 + code);
  } else if (IsWpgFile()) {
    // The drawing plays back from FileBuffer, which it therefore keeps.
    if (CreateWpgState() != nullptr) {
      LayoutWpgPage(FileBuffer);
      SpectrumSettings.Mode = SOURCE_WPG;
    }
  } else if (PictureKindOf(FileBuffer, FileBufferLength) != PICTURE_UNKNOWN) {
    // A bitmap, or a picture that the loader decodes into one. The loader
    // takes over the block just read: a large file is read once and held once.
    unsigned char* image = FileBuffer;
    const std::size_t length = FileBufferLength;
    FileBuffer = nullptr;
    FileBufferLength = 0;
    if (OpenPictureImage(image, length) == 1) SpectrumSettings.FileTime = GetTimeLastModified(CurrentPath);
  } else {
    ReleaseFileBuffer();
    ShowMessage(IDS_FORMAT_UNKNOWN);
  }
}

// What every way of loading a picture file ends with.
void ShowRetrieved(HWND window, HCURSOR kept) {
  SetCursor(kept);
  PictureChanged(window);
  InvalidateRect(window, nullptr, TRUE);
  UpdateTitles(window);
}

}  // namespace

PictureChooser SetPictureChooser(PictureChooser chooser) {
  PictureChooser old = g_chooser;
  g_chooser = chooser;
  return old;
}

void HandleCommand(HWND window, int offset) {
  switch (offset + 100) {
    case CM_RETRIEVE:
      RetrievePicture(window);
      break;
    case CM_CREATE:
      CreateSpectrum(window);
      break;
    case CM_CLOSE:
      CloseBitmap(window);
      break;
    case CM_EXIT:
      DestroyWindow(window);
      break;
    case CM_HELP_CONTENTS:
      ShowHelp(window, "CONTENTS");
      break;
    case CM_HELP_SEARCH:
      ShowHelp(window, "INDEX");
      break;
    case CM_ABOUT:
      ShowAboutBox(window);
      break;
    default:
      break;
  }
}

void RetrievePicture(HWND window) {
  HCURSOR kept = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
  FreePicture();
  if ((g_chooser != nullptr ? g_chooser : ChoosePictureFile)(window) != 0) ReadChosenPicture();
  ShowRetrieved(window, kept);
}

void RetrievePictureFile(HWND window, const char* path) {
  HCURSOR kept = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
  FreePicture();
  // The titles and the file-change check want the full path.
  const DWORD length = GetFullPathNameA(path, sizeof CurrentPath, CurrentPath, nullptr);
  if (length == 0 || length >= sizeof CurrentPath) {
    CurrentPath[0] = '\0';
    ShowMessage(IDS_CANNOT_OPEN);
  } else {
    ReadChosenPicture();
  }
  ShowRetrieved(window, kept);
}

std::int32_t ChoosePictureFile(HWND owner) {
  char ini[260];
  CVGetFileName(AppInstance, ini, CV_FILE_USER_INI);
  char remembered[260];
  GetPrivateProfileStringA("Defaults", "Path", "", remembered, sizeof remembered, ini);
  // The classic pairs first, so that bitmaps stay the preselected choice;
  // the pictures of today and all files follow them.
  char filter[400];
  const int classic = LoadStringA(Instance(), IDS_OPEN_FILTER, filter, 80);
  if (classic <= 0) return 0;
  LoadStringA(Instance(), IDS_OPEN_FILTER_MORE, filter + classic, static_cast<int>(sizeof filter) - classic);
  if (!MakeOpenFilter(filter)) return 0;
  char folder[260];
  InitialFolder(remembered, folder, sizeof folder);
  CurrentPath[0] = '\0';

  OPENFILENAMEA ofn;
  std::memset(&ofn, 0, sizeof ofn);
  ofn.lStructSize = sizeof(OPENFILENAMEA);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = CurrentPath;
  ofn.nMaxFile = sizeof CurrentPath;
  ofn.lpstrInitialDir = folder;
  ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameA(&ofn)) {
    CurrentPath[0] = '\0';
    return 0;
  }
  if (FolderOfPath(CurrentPath, remembered, sizeof remembered))
    WritePrivateProfileStringA("Defaults", "Path", remembered, ini);
  return 1;
}

// The length comes from the file system as a 64-bit size and the file is
// read in pieces a single read can take: a 32-bit length would misreport
// files of 2 GiB and more.
std::int32_t ReadPictureFile(HFILE file) {
  HANDLE handle = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(file));
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size)) {
    _lclose(file);
    return 4;
  }
  if (static_cast<unsigned long long>(size.QuadPart) >= SIZE_MAX) {
    _lclose(file);
    return 3;
  }
  const std::size_t length = static_cast<std::size_t>(size.QuadPart);
  // FreePicture releases it with std::free. One byte more than the file, so
  // that an empty file has a block too.
  auto* block = static_cast<unsigned char*>(std::calloc(length + 1, 1));
  if (block == nullptr) {
    _lclose(file);
    return 3;
  }
  FileBuffer = block;
  FileBufferLength = length;
  std::size_t done = 0;
  while (done < length) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(length - done, std::size_t{1} << 30));
    DWORD got = 0;
    if (!ReadFile(handle, block + done, piece, &got, nullptr) || got == 0) break;
    done += got;
  }
  _lclose(file);
  if (done == length) return 0;
  ReleaseFileBuffer();
  return 4;
}

bool ConversionInProgress() { return g_converting; }

void CreateSpectrum(HWND window) {
  if (g_converting || (WpgState == nullptr && DibInfo == nullptr)) return;
  g_converting = true;
  if (EditSettings(&SpectrumSettings, window) != 0) {
    // The picture is asked for again: the focus coming back when the dialog
    // closed may have re-read a changed bitmap, or lost it.
    if (DibInfo != nullptr) {
      TraceBitmap();
      ConversionFinished(window);
    } else if (WpgState != nullptr) {
      HDC dc = GetDC(window);
      Recording = 1;
      DrawPicture(dc);
      ReleaseDC(window, dc);
      Recording = 0;
      ConversionFinished(window);
    }
  }
  g_converting = false;
  DropTypedAhead(window);
}

void ShowHelp(HWND, const char* topic) {
  char path[260];
  CVGetFileName(AppInstance, path, CV_FILE_HELP);
  DisplayPDFHelp(path, topic);
}

std::int32_t ShowAboutBox(HWND window) {
  auto* info = static_cast<std::int32_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 40));
  if (info == nullptr) return 1;
  // A window handle has 32 significant bits, on 64-bit Windows as well.
  info[0] = static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(window));
  info[1] = IDD_ABOUT;
  info[2] = IDC_ABOUT_LINE1;
  info[3] = IDC_ABOUT_LINE2;
  info[4] = IDC_ABOUT_VERSION;
  info[5] = IDC_ABOUT_VERSION_EXTRA;
  info[6] = IDS_BUILD_DATE;
  info[7] = IDC_ABOUT_LINE3;
  info[8] = IDC_ABOUT_MEMORY;
  info[9] = IDC_ABOUT_RESOURCES;
  ShowAbout(info);
  HeapFree(GetProcessHeap(), 0, info);
  return 1;
}
