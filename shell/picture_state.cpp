#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "picture/bitmap.h"
#include "picture/wpg.h"
#include "shell/state.h"
#include "spectrum/settings.h"

TAVINSTANCE AppInstance = nullptr;
TAVWINDOW MainWindow = nullptr;
std::int32_t ClientWidth = 0;
std::int32_t ClientHeight = 0;
DISPLAYRECT DisplayRect = {0, 0, 0, 0};

char CurrentPath[260];
unsigned char* FileBuffer = nullptr;
std::size_t FileBufferLength = 0;

bool PicturePasted = false;

char FullTitle[260];
char ShortTitle[32];

void FreePicture() {
  if (FileBuffer != nullptr) {
    std::free(FileBuffer);
    FileBuffer = nullptr;
  }
  FileBufferLength = 0;
  FreeWpgState();
  FreeDibInfo();
  PicturePasted = false;
  SpectrumSettings.FileTime = -1;
}

// A title that does not fit keeps its end: the full title drops the start of
// the path behind "...", the short title drops the end of the file name.
void ComposeTitles() {
  if (WpgState == nullptr && DibInfo == nullptr) {
    std::snprintf(FullTitle, sizeof FullTitle, "%s - (Untitled)", kProgramName);
    std::snprintf(ShortTitle, sizeof ShortTitle, "%s", kProgramName);
    return;
  }
  if (PicturePasted) {
    std::snprintf(FullTitle, sizeof FullTitle, "%s - (Pasted)", kProgramName);
    std::snprintf(ShortTitle, sizeof ShortTitle, "%s (Pasted)", kProgramName);
    return;
  }
  const size_t room = sizeof FullTitle - 1 - (sizeof kProgramName - 1) - 3;  // "Quillon - "
  const size_t pathLength = std::strlen(CurrentPath);
  if (pathLength <= room) {
    std::snprintf(FullTitle, sizeof FullTitle, "%s - %.*s", kProgramName, static_cast<int>(room), CurrentPath);
  } else {
    std::snprintf(FullTitle, sizeof FullTitle, "%s - ...%s", kProgramName,
                  CurrentPath + pathLength - (room - 3));
  }
  const char* name = std::strrchr(CurrentPath, '\\');
  name = name != nullptr ? name + 1 : CurrentPath;
  const char* dot = std::strrchr(name, '.');
  const int stemLength = static_cast<int>(dot != nullptr ? dot - name : std::strlen(name));
  std::snprintf(ShortTitle, sizeof ShortTitle, "%s %.*s", kProgramName, stemLength, name);
}
