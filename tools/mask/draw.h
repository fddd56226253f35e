// The one drawing routine of the mask, for PDF and SVG alike: cairo user
// units are millimetres, the mirror's centre at the origin.
#pragma once

#include <string>
#include <vector>

#include <cairo.h>

#include "tools/mask/request.h"

namespace mask {

struct Style {
    double cut_width_mm; // the outline and the windows
    double cut_rgb[3];
    double label_rgb[3];
};

// Print: black cut lines a printer shows; cutters: red hairlines, blue labels.
Style print_style();
Style cutter_style();

// The openings' edges in millimetres, the first's inner edge first.
std::vector<double> edges_mm(const Mask& m);

// The outline, the windows and the zone numbers.
void draw_mask(cairo_t* cr, const Mask& m, const Style& s);

// The sheet's own text and bars, from (x, y) mm down, `width` wide: the
// note on printing, the 100 mm and 4 in scale bars, the edges; `title` above.
constexpr double kFooterHeight = 50;
void draw_footer(cairo_t* cr, const Mask& m, const Style& s, double x, double y, double width);
void draw_title(cairo_t* cr, const Mask& m, const Style& s, double x, double y, const std::string& tile);

// Alignment cross of arm `arm` mm at (x, y).
void draw_cross(cairo_t* cr, const Style& s, double x, double y, double arm);

} // namespace mask
