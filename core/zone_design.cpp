#include "core/zone_design.h"

#include <cmath>

namespace pellux {

void equal_area_edges(double r0, double R, int zones, double* edges)
{
    if (zones < 1)
        return;
    const double inner = r0 * r0;
    const double span = R * R - inner;
    edges[0] = r0;
    for (int k = 1; k < zones; ++k) {
        const double fraction = static_cast<double>(k) / static_cast<double>(zones);
        edges[k] = std::sqrt(inner + fraction * span);
    }
    edges[zones] = R;
}

void edge_zone_edges(double r0, double R, int zones, double width, double* edges)
{
    equal_area_edges(r0, R - width, zones, edges);
    edges[zones + 1] = R;
}

void straddling_edges(const double* edges, int openings, double* out)
{
    out[0] = edges[0];
    for (int k = 0; k < openings; ++k)
        out[k + 1] = std::sqrt((edges[k] * edges[k] + edges[k + 1] * edges[k + 1]) / 2);
    out[openings + 1] = edges[openings];
}

int suggested_zones(double diameter_inches)
{
    int n = static_cast<int>(std::floor(diameter_inches + 0.5)) - 1;
    if (n % 2 == 0)
        ++n;
    if (n < 3)
        n = 3;
    return n > kMaxMaskZones ? kMaxMaskZones - 1 : n;
}

int first_narrow_opening(const double* inner, const double* outer, int zones, double min_width)
{
    for (int k = 0; k < zones; ++k)
        if (!(outer[k] - inner[k] >= min_width))
            return k + 1;
    return 0;
}

} // namespace pellux
