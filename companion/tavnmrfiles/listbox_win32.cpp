#include <windows.h>

#include "tavnmrfiles.h"

// Inserting at positions keeps the list order even in a sorted combo box.
int InitDlgOutfileListBox(TAVWINDOW dialog, int id, int index) {
  HWND combo = GetDlgItem(static_cast<HWND>(dialog), id);
  if (combo == nullptr) return 0;
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < OUTFILE_COUNT; ++i) {
    const LRESULT at = SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(i),
                                    reinterpret_cast<LPARAM>(OutfileListName(i)));
    if (at != i) return 0;
  }
  // An index that names no format selects the default, as IntToOutfile reads it.
  const int selected = index >= 0 && index < OUTFILE_COUNT ? index : 0;
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  return 1;
}
