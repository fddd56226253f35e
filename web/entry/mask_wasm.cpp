// The module's entry points for the Couder mask: its zones, its windows'
// outlines and the tiles of its printing, through the shared buffers.
#include "core/mask_layout.h"
#include "core/zone_design.h"
#include "web/entry/wasm_entry.h"

using namespace pellux;

// A designed mask: `count` equal-area zones, an edge zone of edge_width
// when above 0, and for an intermediate mask the second of the pair. Its
// edges into vector 0; an intermediate mask's first mask's into vector 1.
// The count of openings, or -1.
PELLUX_WASM(mask_design) int mask_design(double r0, double R, int count, double edge_width, int intermediate)
{
    if (count < 1 || count > kMaxMaskZones || !(R > r0) || !(r0 >= 0) || !(edge_width >= 0) ||
        !(edge_width < R - r0))
        return -1;
    double* edges = intermediate ? pellux_vector(1) : pellux_vector(0);
    if (edge_width > 0)
        edge_zone_edges(r0, R, count, edge_width, edges);
    else
        equal_area_edges(r0, R, count, edges);
    int openings = count + (edge_width > 0 ? 1 : 0);
    if (intermediate)
        straddling_edges(edges, openings++, pellux_vector(0));
    return openings;
}
// The windows of the openings whose edges (mm) are in vector 0: five
// numbers each (inner, outer, y0, y1, up) into vector 1.
PELLUX_WASM(mask_windows_of) int mask_windows_of(int openings)
{
    if (openings < 1 || openings > kMaxMaskZones * 2)
        return kNum;
    MaskWindow windows[kMaxMaskZones * 2];
    mask_windows(pellux_vector(0), openings, windows);
    for (int k = 0; k < openings; ++k) {
        const MaskWindow& w = windows[k];
        const WindowOutline line = window_outline(w);
        double* o = pellux_vector(1) + 10 * k;
        o[0] = w.inner, o[1] = w.outer, o[2] = w.y0, o[3] = w.y1, o[4] = w.up;
        o[5] = line.outer0, o[6] = line.outer1, o[7] = line.inner1, o[8] = line.inner0, o[9] = line.inner;
    }
    return kOk;
}

// The tiles for a square drawing `extent` mm wide whose windows reach `band`
// from the diameter, on sheets with a room of width x height mm: columns,
// rows, tile width, height, x0, y0 and 1 when turned, in the result.
PELLUX_WASM(mask_tiles) int mask_tiles(double extent, double band, double overlap, double width, double height)
{
    if (!(extent > 0) || !(band >= 0) || !(overlap >= 0) || !(width > 2 * overlap) || !(height > 2 * overlap))
        return kNum;
    const MaskTiling t = mask_tiling(extent, band, overlap, {width, height});
    const double values[7] = {static_cast<double>(t.columns), static_cast<double>(t.rows), t.width, t.height,
                              t.x0, t.y0, t.turned ? 1.0 : 0.0};
    for (int k = 0; k < 7; ++k)
        pellux_out()[k] = values[k];
    return kOk;
}

PELLUX_WASM(mask_suggested_zones) int mask_suggested_zones(double diameter_inches)
{
    return suggested_zones(diameter_inches);
}
