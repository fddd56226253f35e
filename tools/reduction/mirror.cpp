#include "tools/reduction/mirror.h"

#include <cmath>

namespace reduction {

namespace {

double round_to(double x, double step)
{
    return std::round(x / step) * step;
}

} // namespace

Mirror worked_example(int zones)
{
    Mirror m;
    if (zones == 6) {
        const double edges[] = {0, 1.22, 1.73, 2.12, 2.45, 2.74, 3.00};
        const double readings[] = {0.005, 0.024, 0.0405, 0.056, 0.071, 0.087};
        for (int i = 0; i < 6; ++i)
            m.zones.push_back({edges[i], edges[i + 1], {readings[i], std::nullopt, std::nullopt}});
        return m;
    }
    // Equal-area zones, edges rounded to 0.01 in as a mask is cut; readings
    // to 0.0001 in, near a paraboloid's plus a wavy zonal error.
    const double edge = m.diameter / 2;
    double inner = 0;
    for (int k = 1; k <= zones; ++k) {
        const double outer = round_to(edge * std::sqrt(double(k) / zones), 0.01);
        const double mean = (inner + outer) / 2;
        const double reading = mean * mean / m.radius + 0.0012 + 0.0004 * std::sin(2.1 * k);
        m.zones.push_back({inner, outer, {round_to(reading, 0.0001), std::nullopt, std::nullopt}});
        inner = outer;
    }
    return m;
}

Mirror in_millimetres(const Mirror& in)
{
    Mirror m = in;
    m.units = "mm";
    m.diameter *= 25.4;
    m.radius *= 25.4;
    m.coc *= 25.4;
    for (Zone& z : m.zones) {
        z.inner *= 25.4;
        z.outer *= 25.4;
        for (auto& r : z.runs)
            if (r)
                *r *= 25.4;
    }
    m.secondary *= 25.4;
    if (m.focal_length)
        *m.focal_length *= 25.4;
    m.secondary_to_focus *= 25.4;
    return m;
}

Mirror fixed_source(const Mirror& in)
{
    Mirror m = in;
    m.tester = "fixed source";
    m.coc /= 2;
    for (Zone& z : m.zones)
        for (auto& r : z.runs)
            if (r)
                *r /= 2;
    return m;
}

} // namespace reduction
