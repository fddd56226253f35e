#include "tools/photo/report.h"

#include <algorithm>
#include <cmath>

#include <cairo.h>

namespace photo {

bool write_report(const std::string& path, const Image& first, const pellux::Disc& disc,
                  const pellux::PhotoSeries& s, const void* prepared, const std::vector<pellux::PhotoZone>& zones,
                  std::string& error)
{
    const int side = 480, width = 2 * side + 40;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, side);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    // The photograph, scaled to fit, with the circle and the zones.
    cairo_surface_t* picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, first.width, first.height);
    unsigned char* data = cairo_image_surface_get_data(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    for (int y = 0; y < first.height; ++y)
        for (int x = 0; x < first.width; ++x) {
            const unsigned char g = first.grey[static_cast<std::size_t>(y) * first.width + x];
            auto* p = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride) + x;
            *p = 0xFF000000u | static_cast<std::uint32_t>(g) << 16 | static_cast<std::uint32_t>(g) << 8 | g;
        }
    cairo_surface_mark_dirty(picture);
    const double scale = static_cast<double>(side) / std::max(first.width, first.height);
    cairo_save(cr);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_set_line_width(cr, 1.5 / scale);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_arc(cr, disc.x, disc.y, disc.radius, 0, 2 * M_PI);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.2, 0.5, 1);
    cairo_set_line_width(cr, 0.8 / scale);
    for (const pellux::PhotoZone& z : zones) {
        cairo_arc(cr, disc.x, disc.y, z.rho * disc.radius, 0, 2 * M_PI);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    cairo_surface_destroy(picture);

    // Each zone's balance against the knife, its null marked.
    const double x0 = side + 30, y0 = 20, w = side - 20, h = side - 50;
    const double lo = *std::min_element(s.knife, s.knife + s.count), hi = *std::max_element(s.knife, s.knife + s.count);
    auto px = [&](double k) { return x0 + (k - lo) / (hi - lo) * w; };
    auto py = [&](double b) { return y0 + (1 - b) / 2 * h; };
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, x0, y0, w, h);
    cairo_move_to(cr, x0, py(0));
    cairo_line_to(cr, x0 + w, py(0));
    cairo_stroke(cr);
    std::vector<int> order(static_cast<std::size_t>(s.count));
    for (int k = 0; k < s.count; ++k)
        order[static_cast<std::size_t>(k)] = k;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return s.knife[a] < s.knife[b]; });
    for (std::size_t z = 0; z < zones.size(); ++z) {
        const double hue = static_cast<double>(z) / zones.size();
        cairo_set_source_rgb(cr, 0.2 + 0.6 * hue, 0.3, 0.9 - 0.6 * hue);
        for (std::size_t k = 0; k < order.size(); ++k) {
            const double b = pellux::ring_balance(s, prepared, order[k], zones[z].inner, zones[z].outer);
            (k == 0 ? cairo_move_to : cairo_line_to)(cr, px(s.knife[order[k]]), py(std::max(-1.0, std::min(1.0, b))));
        }
        cairo_stroke(cr);
        if (zones[z].null.found) {
            cairo_set_source_rgb(cr, 0.8, 0, 0);
            cairo_arc(cr, px(zones[z].null.reading + zones[z].shift), py(0), 3, 0, 2 * M_PI);
            cairo_fill(cr);
        }
    }
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 12);
    cairo_move_to(cr, x0, y0 + h + 18);
    cairo_show_text(cr, "each zone's balance (left - right) against the knife; red: its null");
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (!ok) {
        std::remove(path.c_str());
        error = "cannot write " + path;
    }
    return ok;
}

} // namespace photo
