// The mask on paper (PDF, tiled over several sheets when it does not fit
// one) and in one piece for cutters (SVG).
#pragma once

#include <string>

#include "core/mask_layout.h"
#include "tools/mask/request.h"

namespace mask {

constexpr double kMargin = 10;   // mm, kept clear on every side of a sheet
constexpr double kHeader = 14;   // mm, the title above the drawing
constexpr double kOverlap = 15;  // mm that neighbouring tiles share
constexpr double kLabelRoom = 3; // mm beyond the outline for the zone numbers

// How the mask falls on the sheets of its paper: the core's tiling, with
// the sheets' size (landscape when that keeps every seam off the windows,
// or takes fewer sheets).
struct Tiling {
    pellux::MaskTiling tiles;
    double sheet_width, sheet_height; // mm
};

Tiling tiling_for(const Mask& m);

// Writes OUT.pdf or OUT.svg; false with a message (and no file) on failure.
bool write_mask(const Mask& m, const std::string& path, std::string& error);

} // namespace mask
