// The program's menu, accelerators, dialog templates, icons, picture and ini
// datum records, read back from the compiled resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

HINSTANCE Self() { return GetModuleHandleA(nullptr); }

const unsigned char* Resource(int id, LPCSTR type, DWORD* size) {
  HRSRC found = FindResourceA(Self(), MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return nullptr;
  *size = SizeofResource(Self(), found);
  return static_cast<const unsigned char*>(LockResource(LoadResource(Self(), found)));
}

struct MenuItem {
  UINT id;
  std::string text;
  bool separator;
};

std::vector<MenuItem> Items(HMENU menu) {
  std::vector<MenuItem> items;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    char text[128] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
    const bool separator = (info.fType & MFT_SEPARATOR) != 0;
    if (!separator) EXPECT_EQ(info.fState & (MFS_GRAYED | MFS_CHECKED), 0u) << text;
    items.push_back({info.wID, text, (info.fType & MFT_SEPARATOR) != 0});
  }
  return items;
}

TEST(ResourceLayoutTest, MenuHasTheCommandsInOrder) {
  HMENU menu = LoadMenuA(Self(), MAKEINTRESOURCEA(IDM_MAIN));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  char name[32];
  GetMenuStringA(menu, 0, name, sizeof name, MF_BYPOSITION);
  EXPECT_STREQ(name, "&File");
  GetMenuStringA(menu, 1, name, sizeof name, MF_BYPOSITION);
  EXPECT_STREQ(name, "&Help");

  const std::vector<MenuItem> file = Items(GetSubMenu(menu, 0));
  const std::vector<MenuItem> help = Items(GetSubMenu(menu, 1));
  const std::vector<MenuItem> fileWanted = {{100, "&Retrieve WPG, BMP...\tF5", false},
                                            {102, "&Close bitmap\tCtrl-F4", false},
                                            {0, "", true},
                                            {101, "&Create spectrum...\tF6", false},
                                            {0, "", true},
                                            {110, "E&xit\tX", false}};
  const std::vector<MenuItem> helpWanted = {{120, "&Contents\x08" "F1", false},
                                            {121, "&Search for...", false},
                                            {0, "", true},
                                            {200, "&About Quillon...", false}};
  ASSERT_EQ(file.size(), fileWanted.size());
  for (size_t i = 0; i < file.size(); ++i) {
    EXPECT_EQ(file[i].id, fileWanted[i].id) << i;
    EXPECT_EQ(file[i].text, fileWanted[i].text) << i;
    EXPECT_EQ(file[i].separator, fileWanted[i].separator) << i;
  }
  ASSERT_EQ(help.size(), helpWanted.size());
  for (size_t i = 0; i < help.size(); ++i) {
    EXPECT_EQ(help[i].id, helpWanted[i].id) << i;
    EXPECT_EQ(help[i].text, helpWanted[i].text) << i;
    EXPECT_EQ(help[i].separator, helpWanted[i].separator) << i;
  }
  DestroyMenu(menu);
}

TEST(ResourceLayoutTest, AcceleratorsExitOnlyOnTheTypedLowerCaseX) {
  HACCEL table = LoadAcceleratorsA(Self(), MAKEINTRESOURCEA(IDA_MAIN));
  ASSERT_NE(table, nullptr);
  ACCEL entries[8];
  ASSERT_EQ(CopyAcceleratorTableA(table, entries, 8), 5);
  const ACCEL wanted[5] = {{FVIRTKEY, VK_F5, 100},
                           {FVIRTKEY | FCONTROL, VK_F4, 102},
                           {FVIRTKEY, VK_F1, 120},
                           {0, 'x', 110},
                           {FVIRTKEY, VK_F6, 101}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(entries[i].fVirt & ~0x80, wanted[i].fVirt) << i;  // 0x80 marks the last entry
    EXPECT_EQ(entries[i].key, wanted[i].key) << i;
    EXPECT_EQ(entries[i].cmd, wanted[i].cmd) << i;
  }
  DestroyAcceleratorTable(table);
}

// A dialog template as the resource compiler wrote it (the plain, not the
// extended, form).
struct Control {
  DWORD style;
  short x, y, cx, cy;
  int id;
  std::string className;  // an atom's name for the predefined classes
  std::string text;       // "#n" for an ordinal
};
struct Template {
  DWORD style;
  short x, y, cx, cy;
  std::string title;
  bool hasFont;
  std::vector<Control> controls;
};

class Reader {
 public:
  explicit Reader(const unsigned char* p) : p_(p), start_(p) {}
  WORD Word() {
    WORD w;
    std::memcpy(&w, p_, 2);
    p_ += 2;
    return w;
  }
  DWORD Dword() {
    DWORD d;
    std::memcpy(&d, p_, 4);
    p_ += 4;
    return d;
  }
  short Short() { return static_cast<short>(Word()); }
  // A string or an ordinal (0xFFFF then the value).
  std::string Name() {
    WORD w = Word();
    if (w == 0xFFFF) return "#" + std::to_string(Word());
    std::string s;
    while (w != 0) {
      s += static_cast<char>(w);
      w = Word();
    }
    return s;
  }
  void AlignDword() {
    while ((p_ - start_) % 4 != 0) ++p_;
  }

 private:
  const unsigned char* p_;
  const unsigned char* start_;
};

std::string ClassAtom(const std::string& name) {
  static const char* const kAtoms[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
  if (name.size() > 1 && name[0] == '#') {
    const int atom = std::stoi(name.substr(1));
    if (atom >= 0x80 && atom <= 0x85) return kAtoms[atom - 0x80];
  }
  return name;
}

Template ReadTemplate(int id) {
  DWORD size = 0;
  const unsigned char* data = Resource(id, MAKEINTRESOURCEA(5) /* RT_DIALOG */, &size);
  Template t = {};
  if (data == nullptr) return t;
  Reader r(data);
  t.style = r.Dword();
  r.Dword();  // extended style
  const WORD count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  r.Name();  // menu
  r.Name();  // class
  t.title = r.Name();
  t.hasFont = (t.style & DS_SETFONT) != 0;
  if (t.hasFont) {
    r.Word();
    r.Name();
  }
  for (WORD i = 0; i < count; ++i) {
    r.AlignDword();
    Control c = {};
    c.style = r.Dword();
    r.Dword();
    c.x = r.Short();
    c.y = r.Short();
    c.cx = r.Short();
    c.cy = r.Short();
    c.id = static_cast<short>(r.Word());
    c.className = ClassAtom(r.Name());
    c.text = r.Name();
    const WORD extra = r.Word();
    for (WORD k = 0; k < extra; ++k) r.Word();  // never odd here
    t.controls.push_back(c);
  }
  return t;
}

// Ids in template order (which is the tab order), and the controls' classes.
std::vector<int> Ids(const Template& t) {
  std::vector<int> ids;
  for (const Control& c : t.controls) ids.push_back(c.id);
  return ids;
}

TEST(ResourceLayoutTest, SettingsDialogTemplate) {
  const Template t = ReadTemplate(IDD_SETTINGS);
  EXPECT_EQ(t.title, "Define Spectrum Settings");
  const DWORD style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  EXPECT_EQ(t.style & style, style);
  EXPECT_FALSE(t.hasFont) << "the system font";
  EXPECT_EQ(std::vector<short>({t.x, t.y, t.cx, t.cy}), std::vector<short>({40, 67, 299, 179}));
  EXPECT_EQ(Ids(t), std::vector<int>({-1, 101, -1, 102, -1, 103, -1, 104, -1, 105, -1, 107, -1, 106, 1, 2, 9,
                                      -1, -1, -1, 122, 120, 121, -1, -1, -1, -1, -1}));
  // Every label's mnemonic leads to the field that follows it.
  const char* labels[] = {"&SF:", "S&I:", "F&1:", "F&2:", "&name:", "&output format:", "&line width:"};
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(t.controls[2 * i].text, labels[i]);
    EXPECT_NE(t.controls[2 * i + 1].style & WS_TABSTOP, 0u) << labels[i];
  }
  EXPECT_EQ(_stricmp(t.controls[11].className.c_str(), "ComboBox"), 0);
  EXPECT_EQ(t.controls[11].style & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
  for (int i = 14; i <= 16; ++i) EXPECT_NE(t.controls[i].style & BS_ICON, 0u) << t.controls[i].text;
  EXPECT_EQ(t.controls[14].style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
  EXPECT_EQ(t.controls[15].style & 0xF, static_cast<DWORD>(BS_PUSHBUTTON));
}

TEST(ResourceLayoutTest, AboutDialogTemplate) {
  const Template t = ReadTemplate(IDD_ABOUT);
  EXPECT_EQ(t.title, "About Quillon");
  EXPECT_FALSE(t.hasFont);
  EXPECT_EQ(std::vector<short>({t.x, t.y, t.cx, t.cy}), std::vector<short>({36, 17, 204, 190}));
  EXPECT_EQ(Ids(t), std::vector<int>({500, 889, 1, 100, 101, 102, 103, -1, -1, 105, 106, 104, -1, -1, -1, -1}));
  EXPECT_EQ(t.controls[0].text, "#1500") << "the picture is bitmap 1500";
  EXPECT_EQ(t.controls[0].style & SS_TYPEMASK, static_cast<DWORD>(SS_BITMAP));
  // The placeholders that ShowAbout replaces.
  const char* placeholders[] = {"c", "b", "d", "t"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t.controls[3 + i].text, placeholders[i]);
}

// The images of an icon group: width, height, bits per pixel.
struct IconImage {
  int width, height, bits, colours;
};
std::vector<IconImage> IconGroup(int id) {
  DWORD size = 0;
  const unsigned char* data = Resource(id, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, &size);
  std::vector<IconImage> images;
  if (data == nullptr || size < 6) return images;
  const int count = data[4] | (data[5] << 8);
  for (int i = 0; i < count && 6 + 14 * (i + 1) <= static_cast<int>(size); ++i) {
    const unsigned char* e = data + 6 + 14 * i;
    images.push_back({e[0] == 0 ? 256 : e[0], e[1] == 0 ? 256 : e[1], e[6] | (e[7] << 8), e[2]});
  }
  return images;
}

TEST(ResourceLayoutTest, IconsHaveTheirSizesAndColours) {
  const std::vector<IconImage> program = IconGroup(IDI_QUILLON);
  ASSERT_EQ(program.size(), 2u);
  EXPECT_EQ(program[0].width, 32);
  EXPECT_EQ(program[0].height, 32);
  EXPECT_EQ(program[1].width, 64);
  EXPECT_EQ(program[1].height, 64);
  for (const IconImage& image : program) {
    EXPECT_EQ(image.bits, 4) << "16 colours";
    EXPECT_EQ(image.colours, 16);
  }
  const int ids[3] = {IDI_BUTTON_OK, IDI_BUTTON_CANCEL, IDI_BUTTON_HELP};
  const int sizes[3][2] = {{56, 33}, {57, 34}, {56, 32}};
  for (int i = 0; i < 3; ++i) {
    const std::vector<IconImage> button = IconGroup(ids[i]);
    ASSERT_EQ(button.size(), 1u) << ids[i];
    EXPECT_EQ(button[0].width, sizes[i][0]) << ids[i];
    EXPECT_EQ(button[0].height, sizes[i][1]) << ids[i];
    EXPECT_EQ(button[0].bits, 8) << "256 colours";
  }
}

TEST(ResourceLayoutTest, AboutPictureIsARedSymmetricMultipletOnLightGrey) {
  DWORD size = 0;
  const unsigned char* dib = Resource(IDB_ABOUT, MAKEINTRESOURCEA(2) /* RT_BITMAP */, &size);
  ASSERT_NE(dib, nullptr);
  BITMAPINFOHEADER header;
  std::memcpy(&header, dib, sizeof header);
  ASSERT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 240);
  EXPECT_EQ(header.biHeight, 180);
  ASSERT_EQ(header.biBitCount, 4);
  const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib + 40);
  const unsigned char* rows = dib + 40 + 16 * 4;
  auto colour = [&](int x, int yFromTop) {
    const unsigned char byte = rows[(179 - yFromTop) * 120 + x / 2];
    return table[x % 2 == 0 ? byte >> 4 : byte & 15];
  };
  auto red = [](RGBQUAD c) { return c.rgbRed > 150 && c.rgbGreen < 90 && c.rgbBlue < 90; };
  const RGBQUAD corner = colour(2, 2);
  EXPECT_TRUE(std::abs(corner.rgbRed - corner.rgbGreen) <= 3 && std::abs(corner.rgbGreen - corner.rgbBlue) <= 3 &&
              corner.rgbRed >= 190 && corner.rgbRed < 250)
      << "light grey background";
  // The top of the curve in each column: peaks mirror around the centre line
  // x = 120, so column x faces column 240 - x.
  std::vector<int> top(240, 999);
  int peaks = 0;
  for (int x = 0; x < 240; ++x)
    for (int y = 0; y < 180; ++y)
      if (red(colour(x, y))) {
        top[x] = y;
        break;
      }
  for (int x = 1; x + 1 < 240; ++x) peaks += top[x] < 140 && top[x] <= top[x - 1] && top[x] < top[x + 1];
  EXPECT_GE(peaks, 3) << "a multiplet of sharp peaks";
  for (int x = 10; x < 120; ++x) EXPECT_NEAR(top[x], top[240 - x], 1) << "column " << x;
}

TEST(ResourceLayoutTest, IniDatumRecordsAreTwelveBytes) {
  DWORD size = 0;
  const unsigned char* digits = Resource(IDR_DIGITS, MAKEINTRESOURCEA(10) /* RT_RCDATA */, &size);
  ASSERT_NE(digits, nullptr);
  ASSERT_EQ(size, 12u);
  const unsigned char digitsWanted[12] = {'D', 'i', 'g', 'i', 't', 's', 0, 0, 0, 0, 4, 0};
  EXPECT_EQ(std::memcmp(digits, digitsWanted, 12), 0);
  const unsigned char* portable = Resource(IDR_PORTABLE, MAKEINTRESOURCEA(10), &size);
  ASSERT_NE(portable, nullptr);
  ASSERT_EQ(size, 12u);
  const unsigned char portableWanted[12] = {'p', 'o', 'r', 't', 'a', 'b', 'l', 'e', 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(portable, portableWanted, 12), 0);
}

TEST(ResourceLayoutTest, DialogStringsOfThePictureDescription) {
  char text[80];
  const std::pair<int, const char*> strings[] = {
      {201, "width: %6d"}, {202, "height: %6d"}, {203, "WPG file data"}, {205, "Bitmap dimensions:"},
      {303, "Not enough memory."}, {304, "Cannot read file."}};
  for (const auto& s : strings) {
    ASSERT_GT(LoadStringA(Self(), static_cast<UINT>(s.first), text, sizeof text), 0) << s.first;
    EXPECT_STREQ(text, s.second);
  }
}

}  // namespace
