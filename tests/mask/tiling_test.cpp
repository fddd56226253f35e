// Where the tiles of a printed mask meet: every window whole on one sheet,
// so that no seam need cross it, where the paper allows, the band of
// windows laid along a sheet's long side.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/mask_layout.h"
#include "core/zone_design.h"
#include "tools/mask/pages.h"

namespace {

// The windows (sampled, both sides), each as points in the drawing's frame
// as laid on the sheets (turned a quarter turn when the tiling turns it).
std::vector<std::vector<std::pair<double, double>>> windows(const std::vector<double>& edges, bool turned)
{
    const int n = static_cast<int>(edges.size()) - 1;
    std::vector<pellux::MaskWindow> w(static_cast<std::size_t>(n));
    pellux::mask_windows(edges.data(), n, w.data());
    std::vector<std::vector<std::pair<double, double>>> out;
    for (const pellux::MaskWindow& win : w)
        for (int side : {1, -1}) {
            out.emplace_back();
            for (int i = 0; i <= 20; ++i)
                for (int j = 0; j <= 20; ++j) {
                    const double y = win.y0 + (win.y1 - win.y0) * i / 20;
                    const double r = win.inner + (win.outer - win.inner) * j / 20;
                    if (r <= y)
                        continue;
                    const double px = side * std::sqrt(r * r - y * y), py = side * win.up * y;
                    out.back().push_back(turned ? std::make_pair(-py, px) : std::make_pair(px, py));
                }
        }
    return out;
}

// Windows that no one sheet holds whole.
int windows_split(const mask::Tiling& t, const std::vector<double>& edges)
{
    const pellux::MaskTiling& s = t.tiles;
    int split = 0;
    for (const auto& points : windows(edges, s.turned)) {
        bool whole = false;
        for (int col = 0; col < s.columns && !whole; ++col)
            for (int row = 0; row < s.rows && !whole; ++row) {
                const double x0 = s.x0 + col * (s.width - mask::kOverlap), y0 = s.y0 + row * (s.height - mask::kOverlap);
                whole = true;
                for (const auto& [x, y] : points)
                    whole = whole && x >= x0 && x <= x0 + s.width && y >= y0 && y <= y0 + s.height;
            }
        split += !whole;
    }
    return split;
}

TEST(MaskTiles, SeamsMissTheWindowsWhereThePaperAllows)
{
    const struct {
        double inches;
        const char* paper;
        double width, height;
        bool clear; // every window whole on one sheet
    } rows[] = {{8, "letter", 215.9, 279.4, true}, {10, "a4", 210, 297, true}, {6, "a4", 210, 297, true},
                {12.5, "letter", 215.9, 279.4, true}, {24, "a4", 210, 297, false}};
    for (const auto& r : rows) {
        mask::Mask m{};
        m.units = "in";
        m.diameter = r.inches;
        m.paper = {r.paper, r.width, r.height};
        const int zones = pellux::suggested_zones(r.inches);
        std::vector<double> edges(static_cast<std::size_t>(zones) + 1);
        pellux::equal_area_edges(0, r.inches / 2, zones, edges.data());
        for (int k = 0; k < zones; ++k)
            m.openings.push_back({edges[static_cast<std::size_t>(k)], edges[static_cast<std::size_t>(k) + 1]});
        for (double& e : edges)
            e *= 25.4;
        const mask::Tiling t = mask::tiling_for(m);
        const int split = windows_split(t, edges);
        EXPECT_EQ(split == 0, r.clear) << r.inches << " in on " << r.paper << ": " << t.tiles.columns << " x "
                                       << t.tiles.rows << (t.tiles.turned ? " turned" : "") << ", " << split
                                       << " windows split";
        // Every sheet no larger than its paper, the drawing inside its room.
        EXPECT_TRUE((t.sheet_width == r.width && t.sheet_height == r.height) ||
                    (t.sheet_width == r.height && t.sheet_height == r.width));
    }
}

} // namespace
