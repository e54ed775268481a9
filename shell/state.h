// The shell's globals that the portable core reads, and the record of the
// loaded picture. Set by the main window (or by the converter, which has none).
#ifndef QUILLON_SHELL_STATE_H
#define QUILLON_SHELL_STATE_H

#include <cstddef>
#include <cstdint>

#include "tavutils.h"

constexpr const char kProgramName[] = "Quillon";

struct DISPLAYRECT {
  std::int32_t left, top, right, bottom;
};

extern TAVINSTANCE AppInstance;   // the program's instance; null in the converter
extern TAVWINDOW MainWindow;      // the main window; null in the converter
extern std::int32_t ClientWidth;  // client-area size as last reported
extern std::int32_t ClientHeight;
extern DISPLAYRECT DisplayRect;   // where the picture is drawn, client pixels

extern char CurrentPath[260];         // the picture file last chosen
extern unsigned char* FileBuffer;     // the whole picture file as read, or null
extern std::size_t FileBufferLength;  // its length in bytes

// The picture was pasted from the clipboard: it has no file, so CurrentPath is
// empty and the titles say so. FreePicture clears it.
extern bool PicturePasted;

extern char FullTitle[260];
extern char ShortTitle[32];

// Frees the loaded picture (file image, drawing, bitmap) and sets FileTime to
// -1. Safe to call any number of times.
void FreePicture();

// Recomposes FullTitle and ShortTitle from the loaded picture and CurrentPath.
void ComposeTitles();

#endif
