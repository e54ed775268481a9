// The Windows program: its main window, message loop and commands.
#ifndef QUILLON_SHELL_SHELL_WIN32_H
#define QUILLON_SHELL_SHELL_WIN32_H

#include <windows.h>

#include <cstdint>

#include "tavutils.h"

extern HACCEL AccelTable;    // accelerator table 1, or null
extern TAVHELPINFO IniInfo;  // the ini file that start-up reads

// Start-up. RegisterMainClass gives the class atom widened to 32 bits, 0 on
// failure; InitInstance 1 when the main window exists and is shown.
std::int32_t RegisterMainClass(HINSTANCE instance);
std::int32_t InitInstance(HINSTANCE instance, int show);
// Routes the core's messages to the utility library's message box and its
// scans' progress to the library's gauge.
void InstallProgramSeams();
// The message loop: runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintMainWindow(HWND window);
void CheckFileChanged(HWND window);

// Commands: `offset` is the command id less 100 (0 to 100).
void HandleCommand(HWND window, int offset);
void RetrievePicture(HWND window);
// Retrieve of the file named on the command line: as Retrieve, without the
// Open dialog. A relative path is taken from the current folder.
void RetrievePictureFile(HWND window, const char* path);
std::int32_t ChoosePictureFile(HWND owner);
// Reads the open file whole into FileBuffer and closes it: 0 read, 3 no
// memory, 4 read short.
std::int32_t ReadPictureFile(HFILE file);
void CreateSpectrum(HWND window);
// True while Create spectrum runs, its dialogs included. The main window then
// takes no keystroke and no command, and is not closed; keys still queued for
// it when the conversion ends are dropped.
bool ConversionInProgress();
void ShowHelp(HWND window, const char* topic);
std::int32_t ShowAboutBox(HWND window);

// Picture state and titles.
void UpdateTitles(HWND window);
void DrawPicture(HDC dc);

// How Retrieve asks for a file: ChoosePictureFile, or for tests any function
// that leaves a full path in CurrentPath and returns 1 (0: nothing chosen).
using PictureChooser = std::int32_t (*)(HWND owner);
// Null restores the Open dialog. Returns the previous chooser.
PictureChooser SetPictureChooser(PictureChooser chooser);

#endif
