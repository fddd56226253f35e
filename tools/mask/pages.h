// The mask on paper (PDF, tiled over several sheets when it does not fit
// one) and in one piece for cutters (SVG).
#pragma once

#include <string>

#include "tools/mask/request.h"

namespace mask {

constexpr double kMargin = 10;   // mm, kept clear on every side of a sheet
constexpr double kHeader = 14;   // mm, the title above the drawing
constexpr double kOverlap = 15;  // mm that neighbouring tiles share
constexpr double kLabelRoom = 3; // mm beyond the outline for the zone numbers

struct Tiling {
    int columns;
    int rows;
    double x0, y0;          // the drawing's top-left corner, mm from the centre
    double width, height;   // the drawing area of one sheet, mm
};

// How the mask falls on the sheets of its paper.
Tiling tiling_for(const Mask& m);

// Writes OUT.pdf or OUT.svg; false with a message (and no file) on failure.
bool write_mask(const Mask& m, const std::string& path, std::string& error);

} // namespace mask
