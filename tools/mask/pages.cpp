#include "tools/mask/pages.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cmath>
#include <cstdio>
#include <vector>

#include "tools/mask/draw.h"

namespace mask {

namespace {

constexpr double kPointsPerMm = 72 / 25.4;

double extent(const Mask& m) { return 2 * (m.mm(m.diameter / 2) + kLabelRoom); }

// Crosses at the middle of every overlap, on each sheet that holds them, so
// that neighbouring sheets are laid one on the other by them.
void alignment_marks(cairo_t* cr, const pellux::MaskTiling& t, const Style& s)
{
    const double step_x = t.width - kOverlap, step_y = t.height - kOverlap;
    for (int i = 0; i + 1 < t.columns; ++i) {
        const double x = t.x0 + (i + 1) * step_x + kOverlap / 2;
        for (int j = 0; j <= t.rows * 4; ++j)
            draw_cross(cr, s, x, t.y0 + j * (t.rows * step_y + kOverlap) / (t.rows * 4), 3);
    }
    for (int j = 0; j + 1 < t.rows; ++j) {
        const double y = t.y0 + (j + 1) * step_y + kOverlap / 2;
        for (int i = 0; i <= t.columns * 4; ++i)
            draw_cross(cr, s, t.x0 + i * (t.columns * step_x + kOverlap) / (t.columns * 4), y, 3);
    }
}

void pdf_sheet(cairo_t* cr, const Mask& m, const Tiling& sheets, int col, int row)
{
    const pellux::MaskTiling& t = sheets.tiles;
    const Style s = print_style();
    const double left = kMargin, top = kMargin + kHeader;
    const int count = t.columns * t.rows;
    const std::string tile = count == 1 ? ""
                                        : "Tile " + std::to_string(row * t.columns + col + 1) + " of " +
                                              std::to_string(count) + " (row " + std::to_string(row + 1) +
                                              ", column " + std::to_string(col + 1) + "): overlap " +
                                              "the neighbours by the crosses";
    draw_title(cr, m, s, left, kMargin + 4, tile);

    cairo_save(cr);
    cairo_rectangle(cr, left, top, t.width, t.height);
    cairo_clip(cr);
    // This sheet's part of the drawing, at actual size.
    cairo_translate(cr, left - (t.x0 + col * (t.width - kOverlap)), top - (t.y0 + row * (t.height - kOverlap)));
    alignment_marks(cr, t, s);
    if (t.turned) // the diameter, and the band of windows, down the sheet
        cairo_rotate(cr, std::acos(-1.0) / 2);
    draw_mask(cr, m, s);
    cairo_restore(cr);
    if (count > 1) { // the drawing area's edge, where the tiles overlap
        cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
        cairo_set_line_width(cr, 0.15);
        const double dash[] = {1.5, 1.5};
        cairo_set_dash(cr, dash, 2, 0);
        cairo_rectangle(cr, left, top, t.width, t.height);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
    }
    draw_footer(cr, m, s, left, sheets.sheet_height - kMargin - kFooterHeight, sheets.sheet_width - 2 * kMargin);
}

bool finish(cairo_surface_t* surface, cairo_t* cr, const std::string& path, std::string& error)
{
    const cairo_status_t drawn = cairo_status(cr);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const cairo_status_t written = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (drawn == CAIRO_STATUS_SUCCESS && written == CAIRO_STATUS_SUCCESS)
        return true;
    std::remove(path.c_str());
    error = "cannot write " + path + ": " +
            cairo_status_to_string(drawn != CAIRO_STATUS_SUCCESS ? drawn : written);
    return false;
}

bool write_pdf(const Mask& m, const std::string& path, std::string& error)
{
    const Tiling t = tiling_for(m);
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), t.sheet_width * kPointsPerMm,
                                                        t.sheet_height * kPointsPerMm);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, kPointsPerMm, kPointsPerMm);
    for (int row = 0; row < t.tiles.rows; ++row)
        for (int col = 0; col < t.tiles.columns; ++col) {
            pdf_sheet(cr, m, t, col, row);
            cairo_show_page(cr);
        }
    return finish(surface, cr, path, error);
}

// One piece, one user unit a millimetre: the surface is made as many
// "points" wide as the mask is millimetres, and its unit set to mm.
bool write_svg(const Mask& m, const std::string& path, std::string& error)
{
    const double size = extent(m) + 2 * kMargin;
    const double width = std::fmax(size, 160), height = size + kHeader + kFooterHeight;
    cairo_surface_t* surface = cairo_svg_surface_create(path.c_str(), width, height);
    cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_MM);
    cairo_t* cr = cairo_create(surface);
    const Style s = cutter_style();
    draw_title(cr, m, s, kMargin, kMargin + 4, "");
    cairo_save(cr);
    cairo_translate(cr, width / 2, kHeader + size / 2);
    draw_mask(cr, m, s);
    cairo_restore(cr);
    draw_footer(cr, m, s, kMargin, kHeader + size, width - 2 * kMargin);
    return finish(surface, cr, path, error);
}

} // namespace

Tiling tiling_for(const Mask& m)
{
    const std::vector<double> edges = edges_mm(m);
    std::vector<pellux::MaskWindow> windows(m.openings.size());
    pellux::mask_windows(edges.data(), static_cast<int>(windows.size()), windows.data());
    const double band = pellux::window_band(windows.data(), static_cast<int>(windows.size()));
    const double w = m.paper.width_mm, h = m.paper.height_mm;
    auto room = [&](double width, double height) {
        return pellux::SheetRoom{width - 2 * kMargin, height - 2 * kMargin - kHeader - kFooterHeight};
    };
    const pellux::MaskTiling portrait = pellux::mask_tiling(extent(m), band, kOverlap, room(w, h));
    const pellux::MaskTiling landscape = pellux::mask_tiling(extent(m), band, kOverlap, room(h, w));
    // Portrait unless landscape keeps the seams off the windows, or takes
    // fewer sheets, where portrait cannot.
    const bool turn_sheet =
        (portrait.seams_cross_windows && !landscape.seams_cross_windows) ||
        (portrait.seams_cross_windows == landscape.seams_cross_windows &&
         landscape.columns * landscape.rows < portrait.columns * portrait.rows);
    return turn_sheet ? Tiling{landscape, h, w} : Tiling{portrait, w, h};
}

bool write_mask(const Mask& m, const std::string& path, std::string& error)
{
    return m.format == Format::Pdf ? write_pdf(m, path, error) : write_svg(m, path, error);
}

} // namespace mask
