#include "core/mask_layout.h"

#include <cmath>

namespace pellux {

void mask_windows(const double* edges, int openings, MaskWindow* out)
{
    for (int k = 0; k < openings; ++k) {
        const double ri = edges[k], ro = edges[k + 1];
        out[k] = {ri, ro, kWindowClearanceMm, kWindowClearanceMm + kWindowHeight * (ri + ro) / 2, k % 2 == 0 ? 1 : -1};
    }
}

void zone_windows(const double* inner, const double* outer, int openings, MaskWindow* out)
{
    for (int k = 0; k < openings; ++k) {
        const double edges[2] = {inner[k], outer[k]};
        mask_windows(edges, 1, out + k);
        out[k].up = k % 2 == 0 ? 1 : -1;
    }
}

WindowOutline window_outline(const MaskWindow& w)
{
    const double ri = w.inner, ro = w.outer;
    const double outer0 = std::sqrt(ro * ro - w.y0 * w.y0), outer1 = std::sqrt(ro * ro - w.y1 * w.y1);
    const double inner0 = ri > w.y0 ? std::sqrt(ri * ri - w.y0 * w.y0) : 0.0;
    if (ri > w.y1)
        return {outer0, outer1, std::sqrt(ri * ri - w.y1 * w.y1), inner0, kInnerArc};
    return {outer0, outer1, 0.0, inner0, ri > w.y0 ? kInnerCap : kInnerAxis};
}

double window_band(const MaskWindow* windows, int openings)
{
    double band = 0;
    for (int k = 0; k < openings; ++k)
        band = windows[k].y1 > band ? windows[k].y1 : band;
    return band;
}

namespace {

int tiles(double size, double room, double overlap)
{
    if (size <= room)
        return 1;
    return static_cast<int>(std::ceil((size - overlap) / (room - overlap)));
}

// The tiles along the drawing's width (along the band) and its height
// (across it), in a room `along` x `across`.
MaskTiling laid(double extent, double band, double overlap, double along, double across, bool turned)
{
    MaskTiling t{};
    t.turned = turned;
    int n_along = tiles(extent, along, overlap), n_across = tiles(extent, across, overlap);
    if (n_across > 1 && n_across % 2 == 0)
        ++n_across; // an odd count: the middle tile centred on the diameter
    // Seams across the band cut windows. Along it, the middle tile holds
    // every window whole while the band stays 2 mm inside it: the sheets
    // are then cut and laid together in the overlap beyond the windows.
    t.seams_cross_windows = n_along > 1 || (n_across > 1 && band > across / 2 - 2);
    t.columns = turned ? n_across : n_along;
    t.rows = turned ? n_along : n_across;
    t.width = turned ? across : along;
    t.height = turned ? along : across;
    const double covered_x = t.columns * (t.width - overlap) + overlap;
    const double covered_y = t.rows * (t.height - overlap) + overlap;
    t.x0 = -covered_x / 2;
    t.y0 = -covered_y / 2;
    return t;
}

} // namespace

MaskTiling mask_tiling(double extent, double band, double overlap, SheetRoom room)
{
    const MaskTiling as_is = laid(extent, band, overlap, room.width, room.height, false);
    const MaskTiling turned = laid(extent, band, overlap, room.height, room.width, true);
    if (as_is.seams_cross_windows != turned.seams_cross_windows)
        return as_is.seams_cross_windows ? turned : as_is;
    return turned.columns * turned.rows < as_is.columns * as_is.rows ? turned : as_is;
}

} // namespace pellux
