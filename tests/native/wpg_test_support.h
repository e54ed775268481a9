// Helpers of the drawing tests: a canvas that records every operation and
// checks the life of the objects it hands out, and a writer of WPG streams.
#ifndef QUILLON_TESTS_WPG_TEST_SUPPORT_H
#define QUILLON_TESTS_WPG_TEST_SUPPORT_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "picture/canvas.h"
#include "picture/wpg.h"
#include "shell/state.h"

// Records operations as text ("MoveToEx(167,490)", "CreatePen(SOLID,1,000000)=pen1")
// and flags what a device context would not forgive: deleting an object that is
// selected, deleting twice or a stock object, selecting a deleted one.
class RecordingCanvas : public Canvas {
 public:
  RecordingCanvas() {
    for (const auto& s : kStock) objects_.push_back({s.name, s.kind, true, false});
    pen_ = Stock(StockObject::BlackPen);
    brush_ = Stock(StockObject::WhiteBrush);
    font_ = Handle("SYSTEM_FONT", 'f', true);
  }

  std::vector<std::string> ops;
  std::vector<std::string> errors;
  // Called after every operation with its text.
  std::function<void(const std::string&)> onOp;
  // Makes every creation fail (returns null) while set.
  bool failCreations = false;

  // Names of created objects that are not deleted.
  std::vector<std::string> Live() const {
    std::vector<std::string> live;
    for (const auto& o : objects_)
      if (!o.stock && !o.deleted) live.push_back(o.name);
    return live;
  }
  std::string SelectedPen() const { return NameOf(pen_); }
  std::string SelectedBrush() const { return NameOf(brush_); }
  std::string SelectedFont() const { return NameOf(font_); }
  // The operations whose text starts with `prefix`.
  std::vector<std::string> OpsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const auto& op : ops)
      if (op.compare(0, prefix.size(), prefix) == 0) found.push_back(op);
    return found;
  }

  CanvasObject CreatePen(PenStyle style, int width, CanvasColor color) override {
    const char* s = style == PenStyle::Solid ? "SOLID" : style == PenStyle::Dot ? "DOT" : style == PenStyle::Null ? "NULL" : "?";
    return Create('p', "pen", "CreatePen(" + std::string(s) + "," + std::to_string(width) + "," + Hex(color) + ")");
  }
  CanvasObject CreateSolidBrush(CanvasColor color) override {
    return Create('b', "brush", "CreateSolidBrush(" + Hex(color) + ")");
  }
  CanvasObject CreateHollowBrush() override { return Create('b', "brush", "CreateHollowBrush()"); }
  CanvasObject GetStockObject(StockObject which) override { return Stock(which); }
  CanvasObject SelectObject(CanvasObject object) override {
    Object* o = Find(object);
    if (o == nullptr) {
      Record("SelectObject(?)");
      errors.push_back("select of an unknown object");
      return nullptr;
    }
    if (o->deleted) errors.push_back("select of deleted " + o->name);
    CanvasObject* slot = o->kind == 'p' ? &pen_ : o->kind == 'b' ? &brush_ : o->kind == 'f' ? &font_ : nullptr;
    CanvasObject previous = nullptr;
    if (slot == nullptr) {
      errors.push_back("select of region " + o->name);
    } else {
      previous = *slot;
      *slot = object;
    }
    Record("SelectObject(" + o->name + ")");
    return previous;
  }
  bool DeleteObject(CanvasObject object) override {
    Object* o = Find(object);
    if (o == nullptr) {
      Record("DeleteObject(?)");
      errors.push_back("delete of an unknown object");
      return false;
    }
    Record("DeleteObject(" + o->name + ")");
    if (o->stock) errors.push_back("delete of stock " + o->name);
    if (o->deleted) errors.push_back("second delete of " + o->name);
    if (object == pen_ || object == brush_ || object == font_) errors.push_back("delete of selected " + o->name);
    o->deleted = true;
    return true;
  }
  void MoveToEx(int x, int y) override { Record("MoveToEx(" + Pair(x, y) + ")"); }
  void LineTo(int x, int y) override { Record("LineTo(" + Pair(x, y) + ")"); }
  void Polyline(const CanvasPoint* points, int count) override {
    Record("Polyline(" + Points(points, count) + ")");
  }
  CanvasObject CreatePolygonRgn(const CanvasPoint* points, int count, PolyFillMode mode) override {
    const char* m = mode == PolyFillMode::Alternate ? "ALTERNATE" : "WINDING";
    return Create('r', "rgn", "CreatePolygonRgn(" + Points(points, count) + ";" + m + ")");
  }
  void PaintRgn(CanvasObject region) override {
    Object* o = Find(region);
    if (o == nullptr || o->kind != 'r' || o->deleted) errors.push_back("paint of no live region");
    Record("PaintRgn(" + NameOf(region) + ")");
  }
  void Ellipse(int l, int t, int r, int b) override { Record("Ellipse(" + Box(l, t, r, b) + ")"); }
  void Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) override {
    Record("Arc(" + Box(l, t, r, b) + "," + Pair(x1, y1) + "," + Pair(x2, y2) + ")");
  }
  void Rectangle(int l, int t, int r, int b) override { Record("Rectangle(" + Box(l, t, r, b) + ")"); }
  void SetBkMode(BkMode mode) override {
    Record(std::string("SetBkMode(") + (mode == BkMode::Transparent ? "TRANSPARENT" : "OPAQUE") + ")");
  }
  void TextOutA(int x, int y, const char* text, int length) override {
    Record("TextOutA(" + Pair(x, y) + "," + std::string(text, static_cast<size_t>(length)) + ")");
  }

 private:
  struct Object {
    std::string name;
    char kind;  // p pen, b brush, f font, r region
    bool stock;
    bool deleted;
  };
  struct StockEntry {
    StockObject which;
    const char* name;
    char kind;
  };
  static constexpr StockEntry kStock[] = {
      {StockObject::WhiteBrush, "WHITE_BRUSH", 'b'}, {StockObject::LtGrayBrush, "LTGRAY_BRUSH", 'b'},
      {StockObject::BlackBrush, "BLACK_BRUSH", 'b'}, {StockObject::NullBrush, "NULL_BRUSH", 'b'},
      {StockObject::BlackPen, "BLACK_PEN", 'p'},     {StockObject::NullPen, "NULL_PEN", 'p'},
      {StockObject::AnsiVarFont, "ANSI_VAR_FONT", 'f'},
  };

  // Handles differ between canvases, so that one canvas's object handed to
  // another is caught as unknown.
  static std::uintptr_t NextBase() {
    static std::uintptr_t serial = 0;
    return ++serial << 20;
  }
  CanvasObject ToHandle(size_t index) const { return reinterpret_cast<CanvasObject>(base_ + index + 1); }
  size_t IndexOf(CanvasObject h) const {
    const auto v = reinterpret_cast<std::uintptr_t>(h);
    return v > base_ && v - base_ <= objects_.size() ? v - base_ : 0;
  }
  Object* Find(CanvasObject h) {
    const size_t i = IndexOf(h);
    return i != 0 ? &objects_[i - 1] : nullptr;
  }
  std::string NameOf(CanvasObject h) const {
    const size_t i = IndexOf(h);
    return i != 0 ? objects_[i - 1].name : "null";
  }
  CanvasObject Stock(StockObject which) {
    for (size_t i = 0; i < sizeof kStock / sizeof kStock[0]; ++i)
      if (kStock[i].which == which) return ToHandle(i);
    return nullptr;
  }
  CanvasObject Handle(const std::string& name, char kind, bool stock) {
    objects_.push_back({name, kind, stock, false});
    return ToHandle(objects_.size() - 1);
  }
  CanvasObject Create(char kind, const char* prefix, const std::string& text) {
    if (failCreations) {
      Record(text + "=null");
      return nullptr;
    }
    const std::string name = prefix + std::to_string(++counters_[kind == 'p' ? 0 : kind == 'b' ? 1 : 2]);
    CanvasObject h = Handle(name, kind, false);
    Record(text + "=" + name);
    return h;
  }
  void Record(const std::string& op) {
    ops.push_back(op);
    if (onOp) onOp(op);
  }
  static std::string Hex(CanvasColor c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c));
    return buf;
  }
  static std::string Pair(int x, int y) { return std::to_string(x) + "," + std::to_string(y); }
  static std::string Box(int l, int t, int r, int b) { return Pair(l, t) + "," + Pair(r, b); }
  static std::string Points(const CanvasPoint* p, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? " " : "") + Pair(p[i].x, p[i].y);
    return s;
  }

  const std::uintptr_t base_ = NextBase();
  std::vector<Object> objects_;
  CanvasObject pen_ = nullptr, brush_ = nullptr, font_ = nullptr;
  int counters_[3] = {0, 0, 0};
};

// Builds a WPG file image record by record, choosing the length form as a
// writer would (short below 255, word below 32768, else long).
class WpgWriter {
 public:
  WpgWriter() { bytes = {0xFF, 0x57, 0x50, 0x43, 0x10, 0, 0, 0, 0x01, 0x16, 0x01, 0, 0, 0, 0, 0}; }

  std::vector<unsigned char> bytes;

  WpgWriter& Record(std::uint8_t type, const std::vector<unsigned char>& data) {
    const size_t n = data.size();
    bytes.push_back(type);
    if (n < 255) {
      bytes.push_back(static_cast<unsigned char>(n));
    } else if (n < 0x8000) {
      bytes.push_back(255);
      U16(static_cast<std::uint16_t>(n));
    } else {
      bytes.push_back(255);
      U16(static_cast<std::uint16_t>(0x8000 | (n >> 16)));
      U16(static_cast<std::uint16_t>(n & 0xFFFF));
    }
    bytes.insert(bytes.end(), data.begin(), data.end());
    return *this;
  }
  // Our own start record: version, flags, int32 width and height.
  WpgWriter& Start32(std::int32_t w, std::int32_t h) { return Record(15, Cat({{1, 0}, Le32(w), Le32(h)})); }
  // A real drawing's start record: version, flags, 16-bit width and height.
  WpgWriter& Start16(std::uint16_t w, std::uint16_t h) { return Record(15, Cat({{1, 0}, Le16(w), Le16(h)})); }
  WpgWriter& Fill(std::uint8_t style, std::uint8_t color) { return Record(1, {style, color}); }
  WpgWriter& Pen(std::uint8_t style, std::uint8_t color) { return Record(2, {style, color, 1, 0}); }
  WpgWriter& Line(std::uint16_t x1, std::uint16_t y1, std::uint16_t x2, std::uint16_t y2) {
    return Record(5, Cat({Le16(x1), Le16(y1), Le16(x2), Le16(y2)}));
  }
  // Type 6 or 8 with 16-bit (real) or 32-bit (our own) vertex pairs.
  WpgWriter& Poly16(std::uint8_t type, const std::vector<std::pair<int, int>>& v) {
    std::vector<unsigned char> d = Le16(static_cast<std::uint16_t>(v.size()));
    for (const auto& p : v) {
      Append(d, Le16(static_cast<std::uint16_t>(p.first)));
      Append(d, Le16(static_cast<std::uint16_t>(p.second)));
    }
    return Record(type, d);
  }
  WpgWriter& Poly32(std::uint8_t type, const std::vector<std::pair<int, int>>& v) {
    std::vector<unsigned char> d = Le16(static_cast<std::uint16_t>(v.size()));
    for (const auto& p : v) {
      Append(d, Le32(p.first));
      Append(d, Le32(p.second));
    }
    return Record(type, d);
  }
  WpgWriter& Ellipse(std::uint16_t cx, std::uint16_t cy, std::uint16_t rx, std::uint16_t ry, std::uint16_t rotation,
                     std::uint16_t start, std::uint16_t end) {
    return Record(9, Cat({Le16(cx), Le16(cy), Le16(rx), Le16(ry), Le16(rotation), Le16(start), Le16(end), Le16(0)}));
  }
  WpgWriter& End() { return Record(16, {}); }

  static std::vector<unsigned char> Le16(std::uint16_t v) {
    return {static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>(v >> 8)};
  }
  static std::vector<unsigned char> Le32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8), static_cast<unsigned char>(u >> 16),
            static_cast<unsigned char>(u >> 24)};
  }
  static std::vector<unsigned char> Cat(std::initializer_list<std::vector<unsigned char>> parts) {
    std::vector<unsigned char> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  }

 private:
  static void Append(std::vector<unsigned char>& to, const std::vector<unsigned char>& more) {
    to.insert(to.end(), more.begin(), more.end());
  }
  void U16(std::uint16_t v) {
    bytes.push_back(static_cast<unsigned char>(v & 0xFF));
    bytes.push_back(static_cast<unsigned char>(v >> 8));
  }
};

// The 40-byte drawing: the default page and one line across it.
inline std::vector<unsigned char> FortyByteDrawing() {
  return {0xFF, 0x57, 0x50, 0x43, 0x00, 0x00, 0x00, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x00,
          0x00, 0x00, 0x0F, 0x0A, 0x01, 0x00, 0x30, 0x2A, 0x00, 0x00, 0x78, 0x1E, 0x00, 0x00,
          0x05, 0x08, 0x00, 0x00, 0x00, 0x00, 0x30, 0x2A, 0x78, 0x1E, 0x10, 0x00};
}

// Makes `image` the loaded file (a heap copy of exactly its bytes, so that a
// read past the end is caught by the address sanitizer) with a new WpgState
// laid out in a client area of `width` x `height`.
inline void LoadDrawing(const std::vector<unsigned char>& image, int width = 1000, int height = 500) {
  FreePicture();
  FileBuffer = static_cast<unsigned char*>(std::malloc(image.empty() ? 1 : image.size()));
  if (!image.empty()) std::memcpy(FileBuffer, image.data(), image.size());
  FileBufferLength = image.size();
  CreateWpgState();
  ClientWidth = width;
  ClientHeight = height;
  LayoutWpgPage(FileBuffer);
}

inline void PlayLoaded(Canvas& dc) {
  PlayWpg(dc, WpgState->XScale, WpgState->YScale, WpgState->XOffset, WpgState->YOffset);
}

#endif
