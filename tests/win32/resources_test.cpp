// The compiled resources where the resource compiler could get them wrong:
// the menu's right-aligned F1, the accelerators' plain x, the settings
// dialog's mnemonics and the build date.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

TEST(ResourcesTest, MenuHoldsTheCommandsInOrder) {
  HMENU menu = LoadMenuA(Self(), MAKEINTRESOURCEA(IDM_MAIN));
  ASSERT_NE(menu, nullptr);
  std::vector<std::string> items;  // "id text" for a command, "-" for a separator
  char text[128];
  for (int m = 0; m < GetMenuItemCount(menu); ++m) {
    GetMenuStringA(menu, m, text, sizeof text, MF_BYPOSITION);
    items.push_back(text);
    HMENU sub = GetSubMenu(menu, m);
    for (int i = 0; i < GetMenuItemCount(sub); ++i) {
      const UINT state = GetMenuState(sub, i, MF_BYPOSITION);
      if (!(state & MF_SEPARATOR)) {
        EXPECT_EQ(state & (MF_GRAYED | MF_DISABLED | MF_CHECKED), 0u) << i;
      }
      GetMenuStringA(sub, i, text, sizeof text, MF_BYPOSITION);
      items.push_back(state & MF_SEPARATOR ? "-" : std::to_string(GetMenuItemID(sub, i)) + " " + text);
    }
  }
  // 0x08 right-aligns the F1.
  EXPECT_EQ(items, (std::vector<std::string>{"&File", "100 &Retrieve WPG, BMP...\tF5", "102 &Close bitmap\tCtrl-F4",
                                             "-", "101 &Create spectrum...\tF6", "-", "110 E&xit\tX", "&Help",
                                             "120 &Contents\x08" "F1", "121 &Search for...", "-",
                                             "200 &About Quillon..."}));
  DestroyMenu(menu);
}

TEST(ResourcesTest, AcceleratorsExitOnlyOnTheTypedLowerCaseX) {
  HACCEL table = LoadAcceleratorsA(Self(), MAKEINTRESOURCEA(IDA_MAIN));
  ASSERT_NE(table, nullptr);
  ACCEL entries[8] = {};
  ASSERT_EQ(CopyAcceleratorTableA(table, entries, 8), 5);
  std::vector<std::string> got;
  for (const ACCEL& a : entries)  // 0x80 marks the last entry
    got.push_back(std::to_string(a.fVirt & ~0x80) + " " + std::to_string(a.key) + " " + std::to_string(a.cmd));
  got.resize(5);
  const auto entry = [](int flags, int key, int cmd) {
    return std::to_string(flags) + " " + std::to_string(key) + " " + std::to_string(cmd);
  };
  EXPECT_EQ(got, (std::vector<std::string>{entry(FVIRTKEY, VK_F5, 100), entry(FVIRTKEY | FCONTROL, VK_F4, 102),
                                           entry(FVIRTKEY, VK_F1, 120), entry(0, 'x', 110),
                                           entry(FVIRTKEY, VK_F6, 101)}));
  DestroyAcceleratorTable(table);
}

INT_PTR CALLBACK Inert(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(ResourcesTest, SettingsLabelsLeadToTheirFieldsAndTheFormatIsAList) {
  HWND dialog = CreateDialogParamA(Self(), MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, Inert, 0);
  ASSERT_NE(dialog, nullptr);
  // A mnemonic moves to the next control that takes the focus.
  std::vector<std::string> pairs;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    char text[64] = {}, name[16] = {};
    GetWindowTextA(c, text, sizeof text);
    GetClassNameA(c, name, sizeof name);
    HWND next = GetWindow(c, GW_HWNDNEXT);
    if (_stricmp(name, "Static") != 0 || std::strchr(text, '&') == nullptr || next == nullptr) continue;
    const bool tabstop = (GetWindowLongA(next, GWL_STYLE) & WS_TABSTOP) != 0;
    pairs.push_back(std::string(text) + " " + std::to_string(tabstop ? GetDlgCtrlID(next) : -1));
  }
  EXPECT_EQ(pairs, (std::vector<std::string>{"&SF: 101", "S&I: 102", "F&1: 103", "F&2: 104", "&name: 105",
                                             "&output format: 107", "&line width: 106"}));
  EXPECT_EQ(GetWindowLongA(GetDlgItem(dialog, IDC_FORMAT), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  DestroyWindow(dialog);
}

TEST(ResourcesTest, BuildDateIsMonthDayYear) {
  char date[64] = {}, month[8] = {};
  LoadStringA(Self(), 20000, date, sizeof date);
  int day = 0, year = 0;
  ASSERT_EQ(std::sscanf(date, "%3s %d %d", month, &day, &year), 3) << date;
  EXPECT_NE(std::strstr("JanFebMarAprMayJunJulAugSepOctNovDec", month), nullptr) << date;
  EXPECT_TRUE(day >= 1 && day <= 31) << date;
  EXPECT_GE(year, 2026) << date;
}

}  // namespace
