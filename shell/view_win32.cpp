#include "shell/view_win32.h"

#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/colour_rows.h"
#include "picture/gdi_canvas_win32.h"
#include "picture/wpg.h"
#include "resources/resource.h"
#include "shell/marks.h"
#include "shell/shell_win32.h"
#include "shell/state.h"
#include "shell/view.h"
#include "spectrum/autotrace.h"
#include "spectrum/messages.h"
#include "spectrum/preview.h"
#include "spectrum/settings.h"

namespace {

enum class Drag { None, Mark, Box };

// Colours of what is drawn over the picture: as the converter's preview draws
// the trace and the box, and the axis marks in a colour of their own.
const COLORREF kTraceColour = RGB(220, 0, 0);
const COLORREF kBoxColour = RGB(0, 90, 255);
const COLORREF kMarkColour = RGB(255, 120, 0);

struct ViewState {
  PointerTask task = PointerTask::None;
  bool pointerIn = false, tracking = false;
  ViewPoint pointer;                  // client, the centre of the pixel under the pointer
  Drag drag = Drag::None;
  int dragMark = 0, dragEdges = 0;
  PictureBox dragBox;
  bool showTrace = true, pointerReadout = false;
  unsigned pictureGeneration = 1, traceGeneration = 0;
  bool foundBoxValid = false;
  PictureBox foundBox;
  bool barsShown = false;
  int wheel = 0;
  std::string stripText;  // as last drawn
};
ViewState g;

HINSTANCE Instance() { return static_cast<HINSTANCE>(AppInstance); }

bool ReadoutWanted() { return g.pointerReadout || View.ZoomStep() > 0 || Marks.count > 0 || g.task != PointerTask::None; }

bool TraceShown() {
  return g.showTrace && LastTrace.valid && g.traceGeneration == g.pictureGeneration && !LastTrace.points.empty();
}

bool BoxShown() {
  return DibInfo != nullptr && Choices.mode == TRACE_AUTO && (Choices.autoTrace.boxGiven || g.foundBoxValid);
}

PictureBox ShownBox() {
  if (g.drag == Drag::Box) return g.dragBox;
  return Choices.autoTrace.boxGiven ? Choices.autoTrace.box : g.foundBox;
}

}  // namespace

// The view follows the loaded picture, whoever loaded it.
void FollowPicture() {
  const ViewKind kind = WpgState != nullptr ? ViewKind::Drawing : DibInfo != nullptr ? ViewKind::Bitmap : ViewKind::Empty;
  if (kind == View.Kind() && (kind != ViewKind::Bitmap || (View.BitmapWidth() == DibInfo->PixelWidth &&
                                                           View.BitmapHeight() == DibInfo->PixelHeight)))
    return;
  if (kind == ViewKind::Drawing) View.ShowDrawing(*WpgState, DisplayRect, DrawingExtent());
  else if (kind == ViewKind::Bitmap) View.ShowBitmap(DibInfo->PixelWidth, DibInfo->PixelHeight);
  else View.Clear();
  View.SetClient(ClientWidth, ClientHeight);
}

namespace {

void SetBar(HWND window, int bar, const ScrollRange& range, int position) {
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMin = range.min;
  si.nMax = range.max + range.page - 1;
  si.nPage = static_cast<UINT>(std::max(range.page, 0));
  si.nPos = position;
  SetScrollInfo(window, bar, &si, TRUE);
}

// Scroll bars come with the first zoom step and go with it: the classic
// window has none, and its client area stays as it was.
void UpdateScrollBars(HWND window) {
  const bool zoomed = View.ZoomStep() > 0;
  if (zoomed != g.barsShown) {
    g.barsShown = zoomed;
    ShowScrollBar(window, SB_BOTH, zoomed);  // WM_SIZE follows at once
  }
  if (!zoomed) return;
  SetBar(window, SB_HORZ, View.HorizontalRange(), View.ScrollX());
  SetBar(window, SB_VERT, View.VerticalRange(), View.ScrollY());
}

void Redraw(HWND window) { InvalidateRect(window, nullptr, TRUE); }

std::string Loaded(int id) {
  char text[256] = "";
  LoadStringA(Instance(), id, text, sizeof text);
  return text;
}

std::string StripText() {
  std::string text;
  if (g.task == PointerTask::PlaceMarks) {
    text = Loaded(Marks.count == 0 ? IDS_PLACE_FIRST_MARK : IDS_PLACE_SECOND_MARK);
  } else if (g.task == PointerTask::PickColour) {
    text = Loaded(IDS_PICK_COLOUR);
  } else if (ReadoutWanted() && g.pointerIn && g.pointer.y < ClientHeight - PictureView::kStripHeight) {
    text = PointerReadout(View, View.ToPicture(g.pointer), Choices.calibration, SpectrumSettings.SF);
  }
  if (text.empty()) text = Loaded(IDS_HINT);
  if (View.ZoomStep() > 0) {
    char zoom[64];
    std::snprintf(zoom, sizeof zoom, Loaded(IDS_ZOOM).c_str(), 100 << View.ZoomStep());
    text += "     ";
    text += zoom;
  }
  return text;
}

bool StripVisible() { return WpgState != nullptr || (DibInfo != nullptr && BitmapStripShown()); }

void UpdateStrip(HWND window) {
  if (!StripVisible() || !StripOnTop()) return;
  if (StripText() == g.stripText) return;
  const RECT strip = StripRect();
  InvalidateRect(window, &strip, FALSE);
}

ViewPoint PointerOf(LPARAM lParam) { return {GET_X_LPARAM(lParam) + 0.5, GET_Y_LPARAM(lParam) + 0.5}; }

// A picture point kept on the picture.
ViewPoint OnPicture(ViewPoint p) {
  if (DibInfo != nullptr) {
    p.x = std::clamp(p.x, 0.0, static_cast<double>(DibInfo->PixelWidth));
    p.y = std::clamp(p.y, 0.0, static_cast<double>(DibInfo->PixelHeight));
  } else if (WpgState != nullptr) {
    p.x = std::clamp(p.x, 0.0, static_cast<double>(WpgState->PageWidth));
    p.y = std::clamp(p.y, 0.0, static_cast<double>(WpgState->PageHeight));
  }
  return p;
}

void EndTask(HWND window) {
  g.task = PointerTask::None;
  Redraw(window);
}

void PlaceMark(HWND window, ViewPoint at) {
  const ViewPoint p = View.ToPicture(at);
  if (!View.OnPicture(p) || Marks.count >= 2) {
    MessageBeep(MB_OK);
    return;
  }
  Marks.at[Marks.count++] = {DibInfo != nullptr ? TickNear(*DibInfo, p) : p.x, p.y};
  if (Marks.count < 2) {
    Redraw(window);
    return;
  }
  EndTask(window);
  MarksPlaced(window, false);
}

void PickColour(HWND window, ViewPoint at) {
  const ViewPoint p = View.ToPicture(at);
  std::uint32_t rgb = 0;
  if (DibInfo == nullptr || !View.OnPicture(p) ||
      !BitmapPatch(*DibInfo, static_cast<std::int32_t>(std::floor(p.x)),
                   DibInfo->PixelHeight - 1 - static_cast<std::int32_t>(std::floor(p.y)), 1, 1, &rgb)) {
    MessageBeep(MB_OK);
    return;
  }
  EndTask(window);
  ColourPicked(window, true, rgb);
}

void CancelTask(HWND window) {
  const PointerTask task = g.task;
  EndTask(window);
  if (task == PointerTask::PlaceMarks) PlacingCancelled(window);
  if (task == PointerTask::PickColour) ColourPicked(window, false, 0);
}

void DragTo(HWND window, ViewPoint at) {
  const ViewPoint p = OnPicture(View.ToPicture(at));
  if (g.drag == Drag::Mark) {
    Marks.at[g.dragMark] = p;
    AxisCalibration& axis = Choices.calibration;
    if (axis.set) (g.dragMark == 0 ? axis.c1 : axis.c2) = View.TraceX(p.x);
  } else if (g.drag == Drag::Box && DibInfo != nullptr) {
    MoveBoxEdges(&g.dragBox, g.dragEdges, p, DibInfo->PixelWidth, DibInfo->PixelHeight);
  }
  Redraw(window);
}

void EndDrag(HWND window) {
  if (g.drag == Drag::Mark && DibInfo != nullptr) {
    ViewPoint& at = Marks.at[g.dragMark];
    at.x = TickNear(*DibInfo, at);
    AxisCalibration& axis = Choices.calibration;
    if (axis.set) (g.dragMark == 0 ? axis.c1 : axis.c2) = View.TraceX(at.x);
  }
  if (g.drag == Drag::Box) {
    Choices.autoTrace.box = g.dragBox;
    Choices.autoTrace.boxGiven = true;
  }
  g.drag = Drag::None;
  Redraw(window);
}

void StartDrag(HWND window, ViewPoint at) {
  const int mark = MarkAt(View, Marks, at);
  const int edges = BoxShown() ? BoxEdgesAt(View, ShownBox(), at) : 0;
  if (mark >= 0) {
    g.drag = Drag::Mark;
    g.dragMark = mark;
  } else if (edges != 0) {
    g.dragBox = ShownBox();
    g.drag = Drag::Box;
    g.dragEdges = edges;
  } else {
    return;
  }
  SetCapture(window);
}

LPCSTR CursorAt(ViewPoint at) {
  if (g.task != PointerTask::None) return IDC_CROSS;
  if (g.drag == Drag::Mark || MarkAt(View, Marks, at) >= 0) return IDC_SIZEWE;
  const int edges = g.drag == Drag::Box ? g.dragEdges : BoxShown() ? BoxEdgesAt(View, ShownBox(), at) : 0;
  const bool across = edges & (EDGE_LEFT | EDGE_RIGHT), along = edges & (EDGE_TOP | EDGE_BOTTOM);
  if (across && along)
    return ((edges & EDGE_LEFT) != 0) == ((edges & EDGE_TOP) != 0) ? IDC_SIZENWSE : IDC_SIZENESW;
  if (across) return IDC_SIZEWE;
  if (along) return IDC_SIZENS;
  return nullptr;
}

// The centre of the area the picture is seen in.
ViewPoint ViewCentre() { return {ClientWidth / 2.0, View.ViewHeight() / 2.0}; }

void ScrollBy(HWND window, int dx, int dy) {
  if (View.ZoomStep() == 0) return;
  View.ScrollTo(View.ScrollX() + dx, View.ScrollY() + dy);
  UpdateScrollBars(window);
  Redraw(window);
}

void Scroll(HWND window, int bar, int code) {
  SCROLLINFO si = {};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  GetScrollInfo(window, bar, &si);
  const int page = static_cast<int>(si.nPage), line = std::max(1, page / 20);
  int position = bar == SB_HORZ ? View.ScrollX() : View.ScrollY();
  switch (code) {
    case SB_LINEUP: position -= line; break;
    case SB_LINEDOWN: position += line; break;
    case SB_PAGEUP: position -= page; break;
    case SB_PAGEDOWN: position += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = si.nTrackPos; break;
    case SB_TOP: position = si.nMin; break;
    case SB_BOTTOM: position = si.nMax; break;
    default: return;
  }
  if (bar == SB_HORZ) ScrollBy(window, position - View.ScrollX(), 0);
  else ScrollBy(window, 0, position - View.ScrollY());
}

bool Key(HWND window, WPARAM key) {
  if (key == VK_ESCAPE && g.task != PointerTask::None) {
    CancelTask(window);
    return true;
  }
  if (key == VK_RETURN && g.task == PointerTask::PlaceMarks) {
    EndTask(window);
    MarksPlaced(window, true);
    return true;
  }
  if (View.ZoomStep() == 0) return false;
  const int w = ClientWidth, h = View.ViewHeight();
  switch (key) {
    case VK_LEFT: ScrollBy(window, -w / 10, 0); return true;
    case VK_RIGHT: ScrollBy(window, w / 10, 0); return true;
    case VK_UP: ScrollBy(window, 0, -h / 10); return true;
    case VK_DOWN: ScrollBy(window, 0, h / 10); return true;
    case VK_PRIOR: ScrollBy(window, 0, -h); return true;
    case VK_NEXT: ScrollBy(window, 0, h); return true;
    case VK_HOME: ScrollBy(window, -View.ScrollX(), -View.ScrollY()); return true;
    case VK_END: ScrollBy(window, 0, View.VerticalRange().max - View.ScrollY()); return true;
    default: return false;
  }
}

void DoubleClick(HWND window, WPARAM flags, ViewPoint at) {
  if (View.Kind() == ViewKind::Empty) return;
  const int step = View.ZoomStep();
  // In at each double-click; at the limit the next one goes back out.
  int next = step >= View.MaxZoomStep() ? 0 : step + 1;
  if (flags & MK_SHIFT) next = std::max(0, step - 1);
  ZoomView(window, next, static_cast<int>(at.x), static_cast<int>(at.y));
}

void Wheel(HWND window, WPARAM wParam, LPARAM lParam) {
  POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(window, &p);
  g.wheel += GET_WHEEL_DELTA_WPARAM(wParam);
  int step = View.ZoomStep();
  for (; g.wheel >= WHEEL_DELTA; g.wheel -= WHEEL_DELTA) ++step;
  for (; g.wheel <= -WHEEL_DELTA; g.wheel += WHEEL_DELTA) --step;
  if (step != View.ZoomStep()) ZoomView(window, std::clamp(step, 0, View.MaxZoomStep()), p.x, p.y);
}

void CheckItem(HWND window, int id, bool on) {
  CheckMenuItem(GetMenu(window), static_cast<UINT>(id), MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

HPEN Pen(int style, int width, COLORREF colour) { return CreatePen(style, width, colour); }

void DrawTrace(HDC dc) {
  std::vector<POINT> points;
  points.reserve(LastTrace.points.size());
  for (const TracedPoint& t : LastTrace.points) {
    const ViewPoint c = View.ToClient(View.FromTrace(t.x, t.y));
    points.push_back({static_cast<LONG>(std::lround(c.x - 0.5)), static_cast<LONG>(std::lround(c.y - 0.5))});
  }
  HPEN pen = Pen(PS_SOLID, 1, kTraceColour);
  HGDIOBJ kept = SelectObject(dc, pen);
  if (points.size() == 1) {
    Ellipse(dc, points[0].x - 2, points[0].y - 2, points[0].x + 3, points[0].y + 3);
  } else {
    // Polyline takes an int count; a longer trace is drawn in pieces.
    for (std::size_t from = 0; from + 1 < points.size(); from += 1000000)
      Polyline(dc, points.data() + from, static_cast<int>(std::min<std::size_t>(1000001, points.size() - from)));
  }
  SelectObject(dc, kept);
  DeleteObject(pen);
}

void DrawBox(HDC dc) {
  const PictureBox box = ShownBox();
  const ViewPoint a = View.ToClient({static_cast<double>(box.left), static_cast<double>(box.top)});
  const ViewPoint b = View.ToClient({box.right + 1.0, box.bottom + 1.0});
  const int l = static_cast<int>(std::lround(a.x)), t = static_cast<int>(std::lround(a.y));
  const int r = static_cast<int>(std::lround(b.x)) - 1, bo = static_cast<int>(std::lround(b.y)) - 1;
  HPEN pen = Pen(PS_DASH, 1, kBoxColour);
  HGDIOBJ kept = SelectObject(dc, pen);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  MoveToEx(dc, l, t, nullptr);
  LineTo(dc, r, t);
  LineTo(dc, r, bo);
  LineTo(dc, l, bo);
  LineTo(dc, l, t);
  SetBkMode(dc, oldMode);
  SelectObject(dc, kept);
  DeleteObject(pen);
}

void DrawMarks(HDC dc) {
  HPEN pen = Pen(PS_SOLID, 2, kMarkColour);
  HGDIOBJ kept = SelectObject(dc, pen);
  HGDIOBJ keptFont = SelectObject(dc, GetStockObject(ANSI_VAR_FONT));
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, kMarkColour);
  const AxisCalibration& axis = Choices.calibration;
  for (int i = 0; i < Marks.count && i < 2; ++i) {
    const ViewPoint c = View.ToClient(Marks.at[i]);
    const int x = static_cast<int>(std::lround(c.x - 0.5)), y = static_cast<int>(std::lround(c.y - 0.5));
    MoveToEx(dc, x, y - static_cast<int>(kMarkReach), nullptr);
    LineTo(dc, x, y + static_cast<int>(kMarkReach) + 1);
    std::string label = std::to_string(i + 1);
    if (axis.set) label += ": " + NumberText(i == 0 ? axis.v1 : axis.v2) + (axis.hz ? " Hz" : " ppm");
    TextOutA(dc, x + 4, y - static_cast<int>(kMarkReach), label.c_str(), static_cast<int>(label.size()));
  }
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectObject(dc, keptFont);
  SelectObject(dc, kept);
  DeleteObject(pen);
}

}  // namespace

PointerTask CurrentPointerTask() { return g.task; }

void StartPointerTask(HWND window, PointerTask task) {
  g.task = task;
  SetFocus(window);
  Redraw(window);
}

void PictureChanged(HWND window) {
  ++g.pictureGeneration;
  if (g.drag != Drag::None) {
    g.drag = Drag::None;
    ReleaseCapture();
  }
  g.task = PointerTask::None;
  g.foundBoxValid = false;
  Marks = AxisMarks{};
  Choices.calibration = AxisCalibration{};
  Choices.autoTrace.boxGiven = false;
  Choices.autoTrace.box = PictureBox{};
  View.Clear();
  View.SetClient(ClientWidth, ClientHeight);
  FollowPicture();
  UpdateScrollBars(window);
}

void ViewResized(HWND window) {
  View.SetClient(ClientWidth, ClientHeight);
  if (g.barsShown) UpdateScrollBars(window);
}

void ZoomView(HWND window, int step, int x, int y) {
  FollowPicture();
  if (View.Kind() == ViewKind::Empty) return;
  const ViewPoint at = {static_cast<double>(x), static_cast<double>(y)};
  const ViewPoint picture = View.ToPicture(at);
  View.ZoomTo(step, at);
  UpdateScrollBars(window);  // the client area may change with the bars
  View.Anchor(picture, at);
  UpdateScrollBars(window);
  Redraw(window);
}

void ShowWholePicture(HWND window) {
  FollowPicture();
  if (WpgState != nullptr) {
    // The whole drawing, whatever it draws beyond its page, above the strip.
    const ViewBox extent = DrawingExtent();
    View.ZoomTo(0, {});
    UpdateScrollBars(window);
    LayoutDrawingToFit(extent, ClientWidth, ClientHeight - PictureView::kStripHeight, WpgState, &DisplayRect);
    View.ShowDrawing(*WpgState, DisplayRect, extent);
    View.SetClient(ClientWidth, ClientHeight);
  } else {
    View.ZoomTo(0, {});
    UpdateScrollBars(window);
  }
  Redraw(window);
}

void ShowFoundBox(HWND window) {
  if (DibInfo == nullptr || Choices.mode != TRACE_AUTO || Choices.autoTrace.boxGiven) return;
  HCURSOR kept = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  const AutoTraceResult found = AutoTrace(*DibInfo, Choices.autoTrace);
  SetCursor(kept);
  g.foundBoxValid = !found.box.Empty();
  g.foundBox = found.box;
  Redraw(window);
}

PictureBox CurrentPlotBox() {
  if (Choices.autoTrace.boxGiven) return Choices.autoTrace.box;
  return g.foundBoxValid ? g.foundBox : PictureBox{};
}

void ConversionFinished(HWND window) {
  g.traceGeneration = g.pictureGeneration;
  if (LastTrace.mode == TRACE_AUTO && LastTrace.hasBox && !LastTrace.box.Empty()) {
    g.foundBox = LastTrace.box;
    g.foundBoxValid = true;
  }
  Redraw(window);
  UpdateWindow(window);
  if (LastTrace.warnings.empty()) return;
  std::string lines;
  for (const std::string& w : LastTrace.warnings) lines += (lines.empty() ? "" : "\n") + w;
  ShowMessageF(IDS_TRACE_WARNINGS, lines.c_str());
}

bool StripOnTop() { return ReadoutWanted(); }
bool BitmapStripShown() { return ReadoutWanted(); }

RECT StripRect() {
  return {0, ClientHeight - PictureView::kStripHeight, ClientWidth + 1, ClientHeight + 1};
}

void DrawStrip(HDC dc) {
  g.stripText = StripText();
  if (StripOnTop()) {
    // The row between the line and the grey is the window's own white.
    const RECT strip = StripRect();
    FillRect(dc, &strip, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  GdiCanvas canvas(dc);
  DrawHintStrip(canvas, g.stripText.c_str());
}

void DrawOverlays(HDC dc) {
  FollowPicture();
  if (BoxShown()) DrawBox(dc);
  if (TraceShown()) DrawTrace(dc);
  if (Marks.count > 0) DrawMarks(dc);
}

void HandleViewCommand(HWND window, int id) {
  switch (id) {
    case CM_PASTE:
      PastePicture(window);
      break;
    case CM_CALIBRATE:
      CalibrateAxis(window);
      break;
    case CM_TRACING:
      EditTracing(window, true);
      break;
    case CM_ZOOM_IN:
    case CM_ZOOM_OUT: {
      FollowPicture();
      const ViewPoint centre = ViewCentre();
      ZoomView(window, View.ZoomStep() + (id == CM_ZOOM_IN ? 1 : -1), static_cast<int>(centre.x),
               static_cast<int>(centre.y));
      break;
    }
    case CM_WHOLE_PICTURE:
      ShowWholePicture(window);
      break;
    case CM_SHOW_TRACE:
      g.showTrace = !g.showTrace;
      CheckItem(window, CM_SHOW_TRACE, g.showTrace);
      Redraw(window);
      break;
    case CM_POINTER_POSITION:
      g.pointerReadout = !g.pointerReadout;
      CheckItem(window, CM_POINTER_POSITION, g.pointerReadout);
      Redraw(window);
      break;
    default:
      break;
  }
}

bool HandleViewMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  // A conversion works on the picture as it was shown when it started.
  if (ConversionInProgress()) return false;
  *result = 0;
  switch (message) {
    case WM_HSCROLL:
    case WM_VSCROLL:
      Scroll(window, message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam));
      return true;
    case WM_MOUSEWHEEL:
      Wheel(window, wParam, lParam);
      return true;
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONDOWN: {
      const ViewPoint at = PointerOf(lParam);
      if (g.task == PointerTask::PlaceMarks) PlaceMark(window, at);
      else if (g.task == PointerTask::PickColour) PickColour(window, at);
      else if (message == WM_LBUTTONDBLCLK) DoubleClick(window, wParam, at);
      else StartDrag(window, at);
      return true;
    }
    case WM_MOUSEMOVE:
      g.pointer = PointerOf(lParam);
      g.pointerIn = true;
      if (!g.tracking) {
        TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
        g.tracking = TrackMouseEvent(&track) != FALSE;
      }
      if (g.drag != Drag::None) DragTo(window, g.pointer);
      UpdateStrip(window);
      return true;
    case WM_MOUSELEAVE:
      g.pointerIn = false;
      g.tracking = false;
      UpdateStrip(window);
      return true;
    case WM_LBUTTONUP:
      if (g.drag == Drag::None) return false;
      ReleaseCapture();  // WM_CAPTURECHANGED ends the drag
      return true;
    case WM_CAPTURECHANGED:
      if (g.drag != Drag::None) EndDrag(window);
      return true;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT) return false;
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(window, &p);
      const LPCSTR cursor = CursorAt({p.x + 0.5, p.y + 0.5});
      if (cursor == nullptr) return false;
      SetCursor(LoadCursorA(nullptr, cursor));
      *result = TRUE;
      return true;
    }
    case WM_KEYDOWN:
      return Key(window, wParam);
    default:
      return false;
  }
}

std::string NumberText(double value) {
  char text[32];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}
