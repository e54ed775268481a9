// What the user places on the picture and drags: the two marks that calibrate
// its x axis and the edges of the automatic trace's plot box; and what the
// hint strip says about the point under the pointer. Hit-testing works in
// client pixels through the view, so a mark is caught where it is drawn.
#ifndef QUILLON_SHELL_MARKS_H
#define QUILLON_SHELL_MARKS_H

#include <string>

#include "shell/view.h"
#include "spectrum/choices.h"

// The axis marks on the picture. Their values, once typed, are the axis
// calibration of the conversion choices; a mark's x there is its trace x.
struct AxisMarks {
  int count = 0;   // marks placed: 0, 1 or 2
  ViewPoint at[2]; // picture coordinates; y only says where the mark is drawn
};

extern AxisMarks Marks;

// How far from a mark or an edge, in client pixels, the pointer still takes it,
// and how far a mark's stroke reaches above and below its point.
constexpr double kGrabDistance = 4;
constexpr double kMarkReach = 12;

// The mark whose stroke passes within the grab distance of client point `at`
// (the nearer of two), or -1.
int MarkAt(const PictureView& view, const AxisMarks& marks, ViewPoint at);

struct DIBINFO;

// Where a mark dropped at picture point `p` of a bitmap goes: to the centre of
// a tick mark (a short dark vertical line, read to a fraction of a pixel from
// its grey levels) within a few pixels of `p`, else where it was dropped.
double TickNear(const DIBINFO& dib, ViewPoint p);

// The calibration the marks and their values give: each mark's trace x with
// its value. False when the marks or values cannot calibrate (fewer than two
// marks, two marks at one x, two equal values, a value that is no number).
bool CalibrationOf(const PictureView& view, const AxisMarks& marks, double v1, double v2, bool hz,
                   AxisCalibration* out);

// Edges of a plot box, as flags; a corner is two.
enum BoxEdge : int { EDGE_LEFT = 1, EDGE_TOP = 2, EDGE_RIGHT = 4, EDGE_BOTTOM = 8 };

// The edges of `box` (picture pixels, edges inclusive) within the grab
// distance of client point `at`; 0 for none.
int BoxEdgesAt(const PictureView& view, const PictureBox& box, ViewPoint at);

// Moves the dragged `edges` of `box` to the pixel boundary nearest to picture
// point `to`, keeping the box at least two pixels across and on a picture of
// `width` x `height` pixels.
void MoveBoxEdges(PictureBox* box, int edges, ViewPoint to, std::int32_t width, std::int32_t height);

// What the hint strip says about picture point `p`: the pixel (or a drawing's
// units) and, with a calibration, the axis value there, for spectrometer
// frequency `sf` MHz. Empty off the picture.
std::string PointerReadout(const PictureView& view, ViewPoint p, const AxisCalibration& axis, double sf);

#endif
