// Equal-area zones of the Couder mask, the suggested zone count and the
// check on narrow openings.
#include <cmath>

#include <gtest/gtest.h>

#include "core/zone_design.h"

namespace pellux {
namespace {

TEST(ZoneDesign, EqualAreasToTheLastBits)
{
    struct {
        double r0, R;
        int zones;
    } const cases[] = {{0, 3, 5}, {0, 4, 7}, {0.75, 4, 7}, {0, 101.6, 9}, {19.17, 100, 13}, {0, 1, 99}};
    for (const auto& c : cases) {
        double edges[kMaxMaskZones + 1];
        equal_area_edges(c.r0, c.R, c.zones, edges);
        EXPECT_EQ(edges[0], c.r0);
        EXPECT_EQ(edges[c.zones], c.R);
        for (int k = 1; k < c.zones; ++k) {
            // Each edge is the correctly rounded root of its area, or next to it.
            const long double want =
                std::sqrt(static_cast<long double>(c.r0) * c.r0 +
                          static_cast<long double>(k) / c.zones *
                              (static_cast<long double>(c.R) * c.R - static_cast<long double>(c.r0) * c.r0));
            const double nearest = static_cast<double>(want);
            EXPECT_TRUE(edges[k] == nearest || std::nextafter(nearest, edges[k]) == edges[k])
                << c.R << " edge " << k;
        }
        // Every ring holds the same area, to rounding.
        const double ring = (c.R * c.R - c.r0 * c.r0) / c.zones;
        for (int k = 1; k <= c.zones; ++k)
            EXPECT_NEAR(edges[k] * edges[k] - edges[k - 1] * edges[k - 1], ring, ring * 1e-13) << k;
    }
}

TEST(ZoneDesign, SuggestedCountAndNarrowOpenings)
{
    struct {
        double inches;
        int zones;
    } const suggested[] = {{2, 3}, {4.25, 3}, {6, 5}, {8, 7}, {10, 9}, {12.5, 13}, {16, 15}, {400, 99}};
    for (const auto& s : suggested)
        EXPECT_EQ(suggested_zones(s.inches), s.zones) << s.inches;

    const double edges[] = {0, 10, 14, 17, 19.5};
    EXPECT_EQ(first_narrow_opening(edges, edges + 1, 4, 2), 0);
    EXPECT_EQ(first_narrow_opening(edges, edges + 1, 4, 3), 4);
    EXPECT_EQ(first_narrow_opening(edges, edges + 1, 4, 5), 2);
    const double nan_edge[] = {0, std::nan(""), 5};
    EXPECT_EQ(first_narrow_opening(nan_edge, nan_edge + 1, 2, 1), 1);
}

} // namespace
} // namespace pellux
