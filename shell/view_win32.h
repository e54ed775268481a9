// The main window around the picture: zoom and scroll bars, the pointer
// readout in the hint strip, the axis marks and the plot box the user places
// and drags, the traced points shown after a conversion, and the commands of
// the Edit and View menus. Everything starts as the classic window: nothing
// zoomed, no strip under a bitmap, the classic hint under a drawing.
#ifndef QUILLON_SHELL_VIEW_WIN32_H
#define QUILLON_SHELL_VIEW_WIN32_H

#include <windows.h>

#include <cstdint>
#include <string>

#include "spectrum/choices.h"

// What a click on the picture does besides the classic nothing: place the
// next axis mark, or take the colour of the pixel clicked.
enum class PointerTask { None, PlaceMarks, PickColour };
PointerTask CurrentPointerTask();
void StartPointerTask(HWND window, PointerTask task);

// The loaded picture changed (retrieved, pasted, re-read, closed): the view
// starts again at the first zoom step, and what belonged to the old picture
// (axis marks and calibration, plot box, shown trace, a pick under way) goes.
void PictureChanged(HWND window);
// Makes the view show the loaded picture if it shows another (a picture
// loaded by other means than the commands).
void FollowPicture();
// The client area's size changed (WM_SIZE, after ClientWidth and ClientHeight).
void ViewResized(HWND window);
// Scroll bars, mouse and keys of the view. True when the message was taken;
// `result` is then its result.
bool HandleViewMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// The commands beyond the classic menu (CM_PASTE to CM_POINTER_POSITION).
void HandleViewCommand(HWND window, int id);
// After Create spectrum: the traced points are shown, and warnings told.
void ConversionFinished(HWND window);

// Painting, for DrawPicture: whether the strip is drawn last (and alone when
// only it changed), whether a bitmap gets one, the overlays and the strip.
bool StripOnTop();
bool BitmapStripShown();
void DrawOverlays(HDC dc);
void DrawStrip(HDC dc);
// The hint strip's rectangle in the client area.
RECT StripRect();

// The zoom as the View commands change it: one step in or out about client
// point (x, y), or back to the whole picture.
void ZoomView(HWND window, int step, int x, int y);
void ShowWholePicture(HWND window);

// Finds the plot box of the loaded bitmap as the automatic trace would, to
// show it; nothing when the box is given or the trace is the classic one.
void ShowFoundBox(HWND window);
// The plot box shown on the picture (given, or found); empty when none.
PictureBox CurrentPlotBox();

// Edit > Paste: a picture from the clipboard becomes the loaded picture.
void PastePicture(HWND window);

// Tracing dialog (dialog 3): edits a copy of the trace's choices; OK takes
// them into Choices and keeps them in the ini file. From the main window the
// user may leave it to pick the curve's colour on the picture (`canPick`).
// Non-zero for OK.
int EditTracing(HWND owner, bool canPick);
// The end of a pick the Tracing dialog asked for: the colour clicked, or
// none (Esc). The dialog opens again either way.
void ColourPicked(HWND window, bool picked, std::uint32_t rgb);
// Axis calibration: places the two marks by clicks, or opens the dialog
// (dialog 4) when they are placed.
void CalibrateAxis(HWND window);
// The end of placing: both marks clicked, or Enter to type the positions.
void MarksPlaced(HWND window, bool typed);
// Esc while placing: the marks and calibration are as they were before.
void PlacingCancelled(HWND window);
// Reads the kept choices from the ini file named by IniInfo.
void LoadKeptChoices();

// The text of a number as the dialogs show it: shortest form that reads back.
std::string NumberText(double value);

#endif
