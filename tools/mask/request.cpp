#include "tools/mask/request.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>

#include "core/zone_design.h"
#include "tools/args/args.h"
#include "tools/reduction/mirror_file.h"

namespace mask {

namespace {

const Paper kPapers[] = {{"a4", 210, 297}, {"letter", 215.9, 279.4}};

using args::number;
using args::whole;

// Today, or the day SOURCE_DATE_EPOCH names, for reproducible files.
std::string today()
{
    std::time_t t = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"))
        t = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
    std::tm day{};
    gmtime_r(&t, &day);
    char text[16];
    std::strftime(text, sizeof text, "%Y-%m-%d", &day);
    return text;
}

bool from_file(const Request& r, Mask& m, std::string& error)
{
    if (r.diameter || !r.units.empty() || r.zones || r.obstruction)
        return (error = "--from takes the mirror from the file: leave out --diameter, --units, "
                        "--zones and --obstruction"),
               false;
    std::ifstream in(r.from);
    if (!in)
        return (error = "cannot read " + r.from), false;
    reduction::Mirror mirror;
    if (!reduction::read_mirror(in, r.from, mirror, error, reduction::Readings::Optional))
        return false;
    m.units = mirror.units;
    m.diameter = mirror.diameter;
    m.rcurve = r.rcurve ? r.rcurve : std::optional<double>(mirror.radius);
    for (const reduction::Zone& z : mirror.zones)
        m.openings.push_back({z.inner, z.outer});
    m.suggested = false;
    return true;
}

bool designed(const Request& r, Mask& m, std::string& error)
{
    if (!r.diameter)
        return (error = "give the mirror's --diameter"), false;
    if (r.units.empty())
        return (error = "give --units in or --units mm"), false;
    if (!(*r.diameter > 0))
        return (error = "the diameter must be above 0"), false;
    m.units = r.units;
    m.diameter = *r.diameter;
    m.rcurve = r.rcurve;
    const double obstruction = r.obstruction.value_or(0);
    if (!(obstruction >= 0))
        return (error = "the obstruction cannot be below 0"), false;
    if (!(obstruction < m.diameter))
        return (error = "the obstruction is as wide as the mirror: no zone is left"), false;
    m.suggested = !r.zones;
    const int zones = r.zones ? *r.zones : pellux::suggested_zones(m.mm(m.diameter) / 25.4);
    if (zones < 1)
        return (error = "a mask needs at least 1 zone"), false;
    if (zones > pellux::kMaxMaskZones)
        return (error = "at most 100 zones"), false;
    const double radius = m.diameter / 2;
    std::vector<double> edges(static_cast<std::size_t>(zones) + 2);
    if (r.edge_zone) {
        // 3 % of the radius puts the edge zone's effective radius within
        // 1.5 % of the edge; never narrower than can be cut (a hair over,
        // so that the width survives the trip to millimetres and back).
        const double width = r.edge_width ? *r.edge_width
                                          : std::max(0.03 * radius, r.min_width_mm * m.per_mm() * (1 + 1e-9));
        if (!(width > 0) || !(width < radius - obstruction / 2))
            return (error = "the edge zone must be above 0 and narrower than the mirror's radius"), false;
        pellux::edge_zone_edges(obstruction / 2, radius, zones, width, edges.data());
    } else {
        pellux::equal_area_edges(obstruction / 2, radius, zones, edges.data());
    }
    const int openings = zones + (r.edge_zone ? 1 : 0);
    for (int k = 0; k < openings; ++k)
        m.openings.push_back({edges[static_cast<std::size_t>(k)], edges[static_cast<std::size_t>(k) + 1]});
    return true;
}

// The second mask of a pair, straddling the edges of the first.
void straddle(Mask& m)
{
    m.first = m.openings;
    const int n = static_cast<int>(m.first.size());
    std::vector<double> edges, out(static_cast<std::size_t>(n) + 2);
    for (const Opening& o : m.first)
        edges.push_back(o.inner);
    edges.push_back(m.first.back().outer);
    pellux::straddling_edges(edges.data(), n, out.data());
    m.openings.clear();
    for (int k = 0; k <= n; ++k)
        m.openings.push_back({out[static_cast<std::size_t>(k)], out[static_cast<std::size_t>(k) + 1]});
}

} // namespace

std::string shortest(double x)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, x);
    return std::string(text, r.ptr);
}

// 15 significant digits, as a person types a length: a workbook keeps 16, so
// the number comes back from it unchanged.
std::string typed(double x)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", x);
    return text;
}

bool parse_arguments(int argc, char** argv, Request& r, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        const std::string value = has_value ? argv[i + 1] : "";
        auto length = [&](std::optional<double>& slot) {
            double x = 0;
            if (!has_value || !number(value, x))
                return (error = arg + " takes a number"), false;
            slot = x;
            ++i;
            return true;
        };
        if (arg == "--diameter" || arg == "--obstruction" || arg == "--radius-of-curvature") {
            if (!length(arg == "--diameter" ? r.diameter
                        : arg == "--obstruction" ? r.obstruction
                                                 : r.rcurve))
                return false;
        } else if (arg == "--min-width") {
            std::optional<double> w;
            if (!length(w))
                return false;
            if (!(*w > 0))
                return (error = "--min-width must be above 0 mm"), false;
            r.min_width_mm = *w;
        } else if (arg == "--edge-zone") {
            r.edge_zone = true;
            double w = 0;
            if (has_value && number(value, w)) {
                r.edge_width = w;
                ++i;
            }
        } else if (arg == "--intermediate") {
            r.intermediate = true;
        } else if (arg == "--zones") {
            int n = 0;
            if (!has_value || !whole(value, n))
                return (error = "--zones takes a whole number"), false;
            r.zones = n;
            ++i;
        } else if (arg == "--units" && has_value) {
            if (value != "in" && value != "mm")
                return (error = "unknown unit '" + value + "' (in, mm)"), false;
            r.units = value;
            ++i;
        } else if (arg == "--paper" && has_value) {
            if (value != "a4" && value != "letter")
                return (error = "unknown paper '" + value + "' (a4, letter)"), false;
            r.paper = value;
            ++i;
        } else if (arg == "--from" && has_value) {
            r.from = argv[++i];
        } else if (arg == "--mirror" && has_value) {
            r.mirror_out = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && r.out.empty()) {
            r.out = arg;
        } else {
            return (error = "unknown or incomplete option '" + arg + "'"), false;
        }
    }
    if (r.out.empty())
        return (error = "name the output, OUT.pdf or OUT.svg"), false;
    return true;
}

bool make_mask(const Request& r, Mask& m, std::string& error)
{
    if (args::ends_with(r.out, ".pdf"))
        m.format = Format::Pdf;
    else if (args::ends_with(r.out, ".svg"))
        m.format = Format::Svg;
    else
        return (error = "the output must end in .pdf or .svg: " + r.out), false;
    for (const Paper& p : kPapers)
        if (r.paper == p.name)
            m.paper = p;
    if (r.rcurve && !(*r.rcurve > 0))
        return (error = "the radius of curvature must be above 0"), false;
    if (!r.from.empty() && r.edge_zone)
        return (error = "--from takes the zones from the file: leave out --edge-zone"), false;
    if (!(r.from.empty() ? designed(r, m, error) : from_file(r, m, error)))
        return false;
    if (r.intermediate)
        straddle(m);
    if (!r.mirror_out.empty() && !m.rcurve)
        return (error = "a mirror file needs the mirror's --radius-of-curvature"), false;

    std::vector<double> inner, outer;
    for (const Opening& o : m.openings) {
        inner.push_back(m.mm(o.inner));
        outer.push_back(m.mm(o.outer));
    }
    const int narrow = pellux::first_narrow_opening(inner.data(), outer.data(),
                                                    static_cast<int>(inner.size()), r.min_width_mm);
    if (narrow != 0) {
        const Opening& o = m.openings[static_cast<std::size_t>(narrow - 1)];
        return (error = "zone " + std::to_string(narrow) + " is " +
                        shortest(std::round(m.mm(o.outer - o.inner) * 100) / 100) +
                        " mm wide, narrower than the " + shortest(r.min_width_mm) +
                        " mm that can be cut: use fewer zones or a smaller --min-width"),
               false;
    }
    m.date = today();
    return true;
}

bool write_mirror_file(const Mask& m, const std::string& path, std::string& error)
{
    std::ofstream out(path, std::ios::binary);
    out << "# Couder mask of pellux-mask, " << m.date << ". Fill in each zone's readings, then\n"
        << "#   pellux-reduction --mirror THIS.csv OUT.xlsx\n"
        << "units," << m.units << "\n"
        << "diameter," << typed(m.diameter) << "\n"
        << "radius of curvature," << typed(*m.rcurve) << "\n"
        << "zones\n";
    if (m.first.empty()) {
        out << "inner,outer,run 1,run 2,run 3\n";
        for (const Opening& o : m.openings)
            out << typed(o.inner) << "," << typed(o.outer) << ",,,\n";
    } else {
        // Both masks, read in the same runs (swap the masks, keep the knife's zero).
        out << "inner,outer,mask,run 1,run 2,run 3\n";
        for (const Opening& o : m.first)
            out << typed(o.inner) << "," << typed(o.outer) << ",1,,,\n";
        for (const Opening& o : m.openings)
            out << typed(o.inner) << "," << typed(o.outer) << ",2,,,\n";
    }
    out.close();
    if (!out)
        return (error = "cannot write " + path), false;
    return true;
}

} // namespace mask
