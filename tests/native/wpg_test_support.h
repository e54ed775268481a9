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
#include <map>
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
  using Strings = std::vector<std::string>;
  Strings ops, errors;
  std::function<void(const std::string&)> onOp;  // called after every operation
  bool failCreations = false;                     // creations give null while set

  RecordingCanvas() {
    for (const char* s : {"WHITE_BRUSH", "LTGRAY_BRUSH", "BLACK_BRUSH", "NULL_BRUSH", "BLACK_PEN", "NULL_PEN",
                          "ANSI_VAR_FONT", "SYSTEM_FONT"})
      Add(s, std::strstr(s, "PEN") ? 'p' : std::strstr(s, "BRUSH") ? 'b' : 'f', true);
    selected_ = {{'p', Stock("BLACK_PEN")}, {'b', Stock("WHITE_BRUSH")}, {'f', Stock("SYSTEM_FONT")}};
  }
  // Names of created objects that are not deleted.
  Strings Live() const {
    Strings live;
    for (const auto& o : objects_)
      if (!o.stock && !o.deleted) live.push_back(o.name);
    return live;
  }
  std::string Selected(char kind) const { return Name(selected_.at(kind)); }
  Strings OpsStartingWith(const std::string& prefix) const {
    Strings found;
    for (const auto& op : ops)
      if (op.compare(0, prefix.size(), prefix) == 0) found.push_back(op);
    return found;
  }

  CanvasObject CreatePen(PenStyle style, int width, CanvasColor color) override {
    const char* s = style == PenStyle::Solid ? "SOLID" : style == PenStyle::Dot ? "DOT" : "NULL";
    return Create('p', "pen", "CreatePen(" + std::string(s) + "," + std::to_string(width) + "," + Hex(color) + ")");
  }
  CanvasObject CreateSolidBrush(CanvasColor color) override {
    return Create('b', "brush", "CreateSolidBrush(" + Hex(color) + ")");
  }
  CanvasObject CreateHollowBrush() override { return Create('b', "brush", "CreateHollowBrush()"); }
  CanvasObject GetStockObject(StockObject which) override {
    static const char* const names[] = {"WHITE_BRUSH", "LTGRAY_BRUSH", "", "", "BLACK_BRUSH", "NULL_BRUSH", "",
                                        "BLACK_PEN",   "NULL_PEN",     "", "", "", "ANSI_VAR_FONT"};
    return Stock(names[static_cast<int>(which)]);
  }
  CanvasObject SelectObject(CanvasObject h) override {
    Object* o = Find(h);
    Record("SelectObject(" + Name(h) + ")");
    if (o == nullptr || o->deleted || o->kind == 'r') {
      errors.push_back("select of " + Name(h) + (o && o->deleted ? " (deleted)" : ""));
      return nullptr;
    }
    std::swap(selected_[o->kind], h);
    return h;
  }
  bool DeleteObject(CanvasObject h) override {
    Object* o = Find(h);
    Record("DeleteObject(" + Name(h) + ")");
    if (o == nullptr || o->stock || o->deleted || (o->kind != 'r' && selected_[o->kind] == h))
      errors.push_back("delete of " + Name(h) + (o && o->deleted ? " (deleted)" : " (stock or selected)"));
    if (o != nullptr) o->deleted = true;
    return o != nullptr;
  }
  void MoveToEx(int x, int y) override { Record("MoveToEx(" + Pair(x, y) + ")"); }
  void LineTo(int x, int y) override { Record("LineTo(" + Pair(x, y) + ")"); }
  void Polyline(const CanvasPoint* points, int count) override { Record("Polyline(" + List(points, count) + ")"); }
  CanvasObject CreatePolygonRgn(const CanvasPoint* points, int count, PolyFillMode mode) override {
    const char* m = mode == PolyFillMode::Alternate ? "ALTERNATE" : "WINDING";
    return Create('r', "rgn", "CreatePolygonRgn(" + List(points, count) + ";" + m + ")");
  }
  void PaintRgn(CanvasObject region) override {
    const Object* o = Find(region);
    if (o == nullptr || o->kind != 'r' || o->deleted) errors.push_back("paint of no live region");
    Record("PaintRgn(" + Name(region) + ")");
  }
  void Ellipse(int l, int t, int r, int b) override { Record("Ellipse(" + Pair(l, t) + "," + Pair(r, b) + ")"); }
  void Arc(int l, int t, int r, int b, int x1, int y1, int x2, int y2) override {
    Record("Arc(" + Pair(l, t) + "," + Pair(r, b) + "," + Pair(x1, y1) + "," + Pair(x2, y2) + ")");
  }
  void Rectangle(int l, int t, int r, int b) override { Record("Rectangle(" + Pair(l, t) + "," + Pair(r, b) + ")"); }
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
    bool stock, deleted;
  };
  // Handles differ between canvases, so that one canvas's object handed to
  // another is caught as unknown.
  CanvasObject Add(const std::string& name, char kind, bool stock) {
    objects_.push_back({name, kind, stock, false});
    return reinterpret_cast<CanvasObject>(base_ + objects_.size());
  }
  std::size_t Index(CanvasObject h) const {  // 1-based; 0 for an unknown object
    const auto v = reinterpret_cast<std::uintptr_t>(h);
    return v > base_ && v - base_ <= objects_.size() ? v - base_ : 0;
  }
  Object* Find(CanvasObject h) { return Index(h) != 0 ? &objects_[Index(h) - 1] : nullptr; }
  std::string Name(CanvasObject h) const { return Index(h) != 0 ? objects_[Index(h) - 1].name : "?"; }
  CanvasObject Stock(const std::string& name) {
    for (std::size_t i = 0; i < objects_.size(); ++i)
      if (objects_[i].name == name) return reinterpret_cast<CanvasObject>(base_ + i + 1);
    return nullptr;
  }
  CanvasObject Create(char kind, const char* prefix, const std::string& text) {
    if (failCreations) {
      Record(text + "=null");
      return nullptr;
    }
    const std::string name = prefix + std::to_string(++counts_[kind]);
    CanvasObject h = Add(name, kind, false);
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
  static std::string List(const CanvasPoint* p, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += (i ? " " : "") + Pair(p[i].x, p[i].y);
    return s;
  }

  const std::uintptr_t base_ = [] {
    static std::uintptr_t serial = 0;
    return ++serial << 20;
  }();
  std::vector<Object> objects_;
  std::map<char, CanvasObject> selected_;
  std::map<char, int> counts_;
};

// Builds a WPG file image record by record, choosing the length form as a
// writer would (short below 255, word below 32768, else long).
class WpgWriter {
 public:
  using Bytes = std::vector<unsigned char>;
  Bytes bytes = {0xFF, 0x57, 0x50, 0x43, 0x10, 0, 0, 0, 0x01, 0x16, 0x01, 0, 0, 0, 0, 0};

  WpgWriter& Record(std::uint8_t type, const Bytes& data) {
    const std::size_t n = data.size();
    bytes.push_back(type);
    if (n < 255) {
      bytes.push_back(static_cast<unsigned char>(n));
    } else {
      bytes.push_back(255);
      const Bytes length = n < 0x8000 ? Le16(static_cast<std::uint16_t>(n))
                                      : Cat({Le16(static_cast<std::uint16_t>(0x8000 | (n >> 16))),
                                             Le16(static_cast<std::uint16_t>(n & 0xFFFF))});
      bytes.insert(bytes.end(), length.begin(), length.end());
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
  WpgWriter& Poly16(std::uint8_t type, const std::vector<std::pair<int, int>>& v) { return Poly(type, v, 2); }
  WpgWriter& Poly32(std::uint8_t type, const std::vector<std::pair<int, int>>& v) { return Poly(type, v, 4); }
  WpgWriter& Ellipse(std::uint16_t cx, std::uint16_t cy, std::uint16_t rx, std::uint16_t ry, std::uint16_t rotation,
                     std::uint16_t start, std::uint16_t end) {
    return Record(9, Cat({Le16(cx), Le16(cy), Le16(rx), Le16(ry), Le16(rotation), Le16(start), Le16(end), Le16(0)}));
  }
  WpgWriter& End() { return Record(16, {}); }

  static Bytes Le16(std::uint16_t v) { return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)}; }
  static Bytes Le32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return Cat({Le16(static_cast<std::uint16_t>(u)), Le16(static_cast<std::uint16_t>(u >> 16))});
  }
  static Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  }

 private:
  WpgWriter& Poly(std::uint8_t type, const std::vector<std::pair<int, int>>& v, int size) {
    Bytes d = Le16(static_cast<std::uint16_t>(v.size()));
    for (const auto& p : v) {
      d = size == 2 ? Cat({d, Le16(static_cast<std::uint16_t>(p.first)), Le16(static_cast<std::uint16_t>(p.second))})
                    : Cat({d, Le32(p.first), Le32(p.second)});
    }
    return Record(type, d);
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
