#include "tools/mask/pages.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cmath>
#include <cstdio>

#include "tools/mask/draw.h"

namespace mask {

namespace {

constexpr double kPointsPerMm = 72 / 25.4;

double extent(const Mask& m) { return 2 * (m.mm(m.diameter / 2) + kLabelRoom); }

int tiles(double size, double room)
{
    if (size <= room)
        return 1;
    return static_cast<int>(std::ceil((size - kOverlap) / (room - kOverlap)));
}

// Crosses at the middle of every overlap, on each sheet that holds them, so
// that neighbouring sheets are laid one on the other by them.
void alignment_marks(cairo_t* cr, const Tiling& t, const Style& s)
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

void pdf_sheet(cairo_t* cr, const Mask& m, const Tiling& t, int col, int row)
{
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
    draw_mask(cr, m, s);
    alignment_marks(cr, t, s);
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
    draw_footer(cr, m, s, left, m.paper.height_mm - kMargin - kFooterHeight, m.paper.width_mm - 2 * kMargin);
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
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), m.paper.width_mm * kPointsPerMm,
                                                        m.paper.height_mm * kPointsPerMm);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, kPointsPerMm, kPointsPerMm);
    for (int row = 0; row < t.rows; ++row)
        for (int col = 0; col < t.columns; ++col) {
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
    Tiling t{};
    t.width = m.paper.width_mm - 2 * kMargin;
    t.height = m.paper.height_mm - 2 * kMargin - kHeader - kFooterHeight;
    const double size = extent(m);
    t.columns = tiles(size, t.width);
    t.rows = tiles(size, t.height);
    // Centred on the sheets the tiles cover together.
    const double covered_x = t.columns * (t.width - kOverlap) + kOverlap;
    const double covered_y = t.rows * (t.height - kOverlap) + kOverlap;
    t.x0 = -covered_x / 2;
    t.y0 = -covered_y / 2;
    return t;
}

bool write_mask(const Mask& m, const std::string& path, std::string& error)
{
    return m.format == Format::Pdf ? write_pdf(m, path, error) : write_svg(m, path, error);
}

} // namespace mask
