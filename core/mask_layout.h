// A Couder mask laid out for cutting and printing: each opening's pair of
// windows, and the tiles of a mask larger than a sheet. Millimetres.
#pragma once

namespace pellux {

// Window height: 0.4 of the zone's mean radius, 1 mm clear of the
// horizontal diameter. The windows of even zones (counted from 0) lie above
// the diameter on the right and below it on the left, those of odd zones the
// other way round, each pair symmetric about the centre, so that
// neighbouring zones never touch and the card stays one piece.
constexpr double kWindowHeight = 0.4;
constexpr double kWindowClearanceMm = 1.0;

struct MaskWindow {
    double inner, outer; // radii
    double y0, y1;       // from the diameter, the right window's
    int up;              // +1: the right window above the diameter, -1 below
};

// The windows of openings [edges[k], edges[k + 1]], k < openings.
void mask_windows(const double* edges, int openings, MaskWindow* out);

// The same for openings with edges of their own, [inner[k], outer[k]].
void zone_windows(const double* inner, const double* outer, int openings, MaskWindow* out);

// A window's outline where it lies right of the centre and above the
// diameter (y up): up the outer circle from (outer0, y0) to (outer1, y1),
// along y1 in to (inner1, y1), then back to y0: down the inner circle to
// (inner0, y0) when it crosses y1 (kInnerArc); when it crosses only y0,
// in to the axis, down it to the inner circle's top (0, ri) and along the
// circle to (inner0, y0) (kInnerCap); when it crosses neither, down the axis
// (kInnerAxis). Millimetres.
enum WindowInner { kInnerArc = 0, kInnerCap = 1, kInnerAxis = 2 };
struct WindowOutline {
    double outer0, outer1, inner1, inner0;
    WindowInner inner;
};
WindowOutline window_outline(const MaskWindow& w);

// How far from the diameter the windows reach.
double window_band(const MaskWindow* windows, int openings);

struct SheetRoom {
    double width, height; // the drawing's room on one sheet
};

// Tiles over a square drawing `extent` wide, centred on the mirror, each
// `overlap` over its neighbours. `turned`: the drawing is turned a quarter
// turn, its diameter (and the band of windows) running down the sheet.
// x0, y0: the corner of the tiles' cover in the drawing's frame as laid on
// the sheets (after turning).
struct MaskTiling {
    int columns, rows;
    double width, height, x0, y0;
    bool turned;
    bool seams_cross_windows;
};

// The layout for one room: the drawing as it is or turned, whichever keeps
// every window whole on one sheet (the windows lie within `band` either side
// of the diameter), else the fewer sheets. Across the band the tiles are an
// odd count, the middle one centred on the diameter.
MaskTiling mask_tiling(double extent, double band, double overlap, SheetRoom room);

} // namespace pellux
