#include "tools/reduction/mirror.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace reduction {

namespace {

// A number as a person types it: 15 significant digits, which the file's
// 16-digit numbers carry back unchanged.
double typed(double x)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", x);
    return std::strtod(text, nullptr);
}

double round_to(double x, double step)
{
    return typed(std::round(x / step) * step);
}

} // namespace

Mirror worked_example(int zones)
{
    Mirror m;
    if (zones == 6) {
        const double edges[] = {0, 1.22, 1.73, 2.12, 2.45, 2.74, 3.00};
        const double readings[] = {0.005, 0.024, 0.0405, 0.056, 0.071, 0.087};
        for (int i = 0; i < 6; ++i)
            m.zones.push_back({edges[i], edges[i + 1], {readings[i], std::nullopt, std::nullopt}, ""});
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
        m.zones.push_back({inner, outer, {round_to(reading, 0.0001), std::nullopt, std::nullopt}, ""});
        inner = outer;
    }
    return m;
}

Mirror in_millimetres(const Mirror& in)
{
    auto mm = [](double& x) { x = typed(x * 25.4); };
    Mirror m = in;
    m.units = "mm";
    mm(m.diameter);
    mm(m.radius);
    mm(m.coc);
    for (Zone& z : m.zones) {
        mm(z.inner);
        mm(z.outer);
        for (auto& r : z.runs)
            if (r)
                mm(*r);
    }
    mm(m.secondary);
    if (m.focal_length)
        mm(*m.focal_length);
    mm(m.secondary_to_focus);
    if (m.reading_uncertainty)
        mm(*m.reading_uncertainty);
    return m;
}

Mirror moving_source(const Mirror& in)
{
    Mirror m = in;
    m.tester = "moving source";
    m.coc = typed(m.coc / 2);
    for (Zone& z : m.zones)
        for (auto& r : z.runs)
            if (r)
                *r = typed(*r / 2);
    return m;
}

double reading_uncertainty(const Mirror& m)
{
    if (m.reading_uncertainty)
        return *m.reading_uncertainty;
    return m.units == "mm" ? 0.05 : 0.002;
}

int zone_rule(const Mirror& m)
{
    return m.zone_radius == "rms" ? 1 : m.zone_radius == "carlin" ? 2 : 0;
}

pellux::MirrorInput mirror_input(const Mirror& m)
{
    pellux::MirrorInput in{};
    in.millimetres = m.units == "mm";
    in.diameter = m.diameter;
    in.radius = m.radius;
    in.wavelength_nm = m.wavelength_nm;
    in.moving_source = m.tester == "moving source";
    in.zone_rule = zone_rule(m);
    in.fittol = m.fittol;
    in.coc = m.coc;
    in.reading_sigma = reading_uncertainty(m);
    in.secondary = m.secondary;
    in.focal_length = m.focal_length ? *m.focal_length : std::nan("");
    in.to_focus = m.secondary_to_focus;
    in.field_stop_mm = m.field_stop_mm;
    in.zones = static_cast<int>(m.zones.size());
    in.runs = m.runs;
    for (int i = 0; i < in.zones && i < pellux::kReductionZones; ++i) {
        const Zone& z = m.zones[static_cast<std::size_t>(i)];
        in.inner[i] = z.inner;
        in.outer[i] = z.outer;
        for (int k = 0; k < in.runs && k < pellux::kReductionRuns; ++k)
            in.readings[i][k] = k < static_cast<int>(z.runs.size()) && z.runs[static_cast<std::size_t>(k)]
                                    ? *z.runs[static_cast<std::size_t>(k)]
                                    : std::nan("");
    }
    return in;
}

} // namespace reduction
