// The settings dialog shown before every trace.
#ifndef QUILLON_SPECTRUM_SETTINGS_DIALOG_WIN32_H
#define QUILLON_SPECTRUM_SETTINGS_DIALOG_WIN32_H

#include <windows.h>

#include <cstdint>

#include "spectrum/settings.h"

// Edits a copy of `settings` in dialog 2; on OK the copy replaces the record
// and the result is non-zero. 0 for Cancel or a dialog that could not start,
// with the record unchanged. The output format is stored on every close.
std::int32_t EditSettings(SPECTRUMSETTINGS* settings, HWND owner);

INT_PTR CALLBACK SettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
