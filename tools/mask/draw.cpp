#include "tools/mask/draw.h"

#include <cmath>
#include <vector>

#include "core/mask_layout.h"

namespace mask {

namespace {

constexpr double kPi = 3.141592653589793;

void colour(cairo_t* cr, const double (&rgb)[3]) { cairo_set_source_rgb(cr, rgb[0], rgb[1], rgb[2]); }

void font(cairo_t* cr, double size_mm, bool bold = false)
{
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size_mm);
}

// Text centred on (x, y).
void centred(cairo_t* cr, const std::string& text, double x, double y)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, text.c_str(), &e);
    cairo_move_to(cr, x - e.width / 2 - e.x_bearing, y - e.height / 2 - e.y_bearing);
    cairo_show_text(cr, text.c_str());
}

void text_at(cairo_t* cr, const std::string& text, double x, double y)
{
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

// One window in a frame where it lies right of the centre and above the
// diameter (y up), along the core's outline.
void window_path(cairo_t* cr, const pellux::MaskWindow& w)
{
    const pellux::WindowOutline o = pellux::window_outline(w);
    cairo_move_to(cr, o.outer0, w.y0);
    cairo_arc(cr, 0, 0, w.outer, std::atan2(w.y0, o.outer0), std::atan2(w.y1, o.outer1));
    cairo_line_to(cr, o.inner1, w.y1);
    if (o.inner == pellux::kInnerArc) {
        cairo_arc_negative(cr, 0, 0, w.inner, std::atan2(w.y1, o.inner1), std::atan2(w.y0, o.inner0));
    } else if (o.inner == pellux::kInnerCap) {
        cairo_line_to(cr, 0, w.inner);
        cairo_arc_negative(cr, 0, 0, w.inner, kPi / 2, std::atan2(w.y0, o.inner0));
    } else {
        cairo_line_to(cr, 0, w.y0);
    }
    cairo_close_path(cr);
}

std::string unit_name(const Mask& m) { return m.units == "mm" ? "mm" : "in"; }

std::string fixed(double x, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, x);
    return text;
}

// A length in the user's unit as the sheet prints it.
std::string length(const Mask& m, double x) { return fixed(x, m.units == "mm" ? 1 : 3); }

void scale_bar(cairo_t* cr, const Style& s, double x, double y, double length_mm, const char* label)
{
    colour(cr, {0, 0, 0});
    cairo_rectangle(cr, x, y, length_mm, 2.5);
    cairo_fill(cr);
    // Ticks above the bar every tenth, clear of it so the bar measures whole.
    cairo_set_line_width(cr, 0.2);
    for (int k = 0; k <= 10; ++k) {
        cairo_move_to(cr, x + length_mm * k / 10, y - 0.6);
        cairo_line_to(cr, x + length_mm * k / 10, y - (k % 5 == 0 ? 2.2 : 1.4));
    }
    cairo_stroke(cr);
    colour(cr, s.label_rgb);
    font(cr, 3.2, true);
    text_at(cr, label, x + length_mm + 3, y + 2.4);
}

} // namespace

std::vector<double> edges_mm(const Mask& m)
{
    std::vector<double> edges;
    for (const Opening& o : m.openings)
        edges.push_back(m.mm(o.inner));
    edges.push_back(m.mm(m.openings.back().outer));
    return edges;
}

Style print_style() { return {0.25, {0, 0, 0}, {0, 0, 0}}; }
Style cutter_style() { return {0.1, {1, 0, 0}, {0, 0, 1}}; }

void draw_mask(cairo_t* cr, const Mask& m, const Style& s)
{
    cairo_save(cr);
    cairo_set_tolerance(cr, 0.001); // arcs true to a micrometre
    cairo_set_line_width(cr, s.cut_width_mm);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    colour(cr, s.cut_rgb);
    cairo_new_path(cr);
    cairo_arc(cr, 0, 0, m.mm(m.diameter / 2), 0, 2 * kPi);
    cairo_close_path(cr);
    cairo_stroke(cr);

    font(cr, 3);
    const std::vector<double> edges = edges_mm(m);
    std::vector<pellux::MaskWindow> windows(m.openings.size());
    pellux::mask_windows(edges.data(), static_cast<int>(windows.size()), windows.data());
    for (std::size_t k = 0; k < windows.size(); ++k) {
        const pellux::MaskWindow& w = windows[k];
        // Cairo's y runs down: a window above the diameter has y scaled by -1.
        const double up = -w.up;
        for (const double side : {1.0, -1.0}) {
            cairo_save(cr);
            cairo_scale(cr, side, side * up);
            colour(cr, s.cut_rgb);
            cairo_new_path(cr);
            window_path(cr, w);
            cairo_stroke(cr);
            cairo_restore(cr);
            colour(cr, s.label_rgb);
            centred(cr, std::to_string(k + 1), side * (w.inner + w.outer) / 2, side * up * (w.y1 + 2.5));
        }
    }
    // The centre, to place the mask on the mirror.
    draw_cross(cr, s, 0, 0, 2);
    cairo_restore(cr);
}

void draw_cross(cairo_t* cr, const Style& s, double x, double y, double arm)
{
    cairo_save(cr);
    colour(cr, s.label_rgb);
    cairo_set_line_width(cr, 0.15);
    cairo_move_to(cr, x - arm, y);
    cairo_line_to(cr, x + arm, y);
    cairo_move_to(cr, x, y - arm);
    cairo_line_to(cr, x, y + arm);
    cairo_stroke(cr);
    cairo_arc(cr, x, y, arm / 2, 0, 2 * kPi);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void draw_title(cairo_t* cr, const Mask& m, const Style& s, double x, double y, const std::string& tile)
{
    cairo_save(cr);
    colour(cr, s.label_rgb);
    font(cr, 4, true);
    const std::string size = m.units == "mm" ? fixed(m.diameter, 1) + " mm"
                                             : fixed(m.diameter, 2) + " in (" +
                                                   fixed(m.mm(m.diameter), 1) + " mm)";
    const std::string zones = std::to_string(m.openings.size()) + " zones" +
                              (m.suggested ? ", equal areas (suggested count)" : "");
    text_at(cr, std::string(m.first.empty() ? "Couder mask: " : "Intermediate Couder mask: ") + size + " mirror, " +
                    zones,
            x, y);
    font(cr, 3);
    text_at(cr, m.date + (tile.empty() ? "" : "   " + tile), x, y + 5);
    cairo_restore(cr);
}

void draw_footer(cairo_t* cr, const Mask& m, const Style& s, double x, double y, double width)
{
    cairo_save(cr);
    colour(cr, s.label_rgb);
    font(cr, 4, true);
    text_at(cr, "Print at actual size (100 %), not fit to page", x, y + 4);
    font(cr, 2.8);
    text_at(cr, "Check both bars with a ruler before cutting; cut along the lines.", x, y + 8.5);
    scale_bar(cr, s, x, y + 13, 100, "100 mm");
    scale_bar(cr, s, x, y + 21, 101.6, "4 in");

    // The edges, zone by zone, wrapped to the width.
    colour(cr, s.label_rgb);
    font(cr, 2.8);
    std::string line = "Zone edges (" + unit_name(m) + "):";
    double row = y + 31;
    auto flush = [&] {
        text_at(cr, line, x, row);
        row += 4;
        line.clear();
    };
    for (std::size_t k = 0; k < m.openings.size(); ++k) {
        const std::string item = " " + std::to_string(k + 1) + ": " +
                                 length(m, m.openings[k].inner) + "-" +
                                 length(m, m.openings[k].outer) + ";";
        cairo_text_extents_t e;
        cairo_text_extents(cr, (line + item).c_str(), &e);
        if (e.x_advance > width)
            flush();
        line += item;
    }
    if (!line.empty())
        flush();
    cairo_restore(cr);
}

} // namespace mask
