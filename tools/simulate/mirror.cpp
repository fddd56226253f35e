#include "tools/simulate/mirror.h"

#include <fstream>

#include "core/mirror_figures.h"
#include "core/reduction.h"
#include "tools/reduction/mirror_file.h"

namespace simulate {

namespace {

// The reduced profile of a mirror file with readings.
bool from_file(const Request& r, Setup& s, std::string& error)
{
    if (r.diameter || !r.units.empty() || r.rcurve || r.conic || r.obstruction)
        return (error = "--from takes the mirror from the file: leave out --diameter, --units, "
                        "--radius-of-curvature, --conic and --obstruction"),
               false;
    std::ifstream in(r.from);
    if (!in)
        return (error = "cannot read " + r.from), false;
    reduction::Mirror m;
    if (!reduction::read_mirror(in, r.from, m, error))
        return false;
    if (!r.tester.empty())
        m.tester = r.tester == "moving" ? "moving source" : "fixed source";
    if (r.wavelength_nm)
        m.wavelength_nm = *r.wavelength_nm;
    const pellux::MirrorInput input = reduction::mirror_input(m);
    pellux::Reduction red{};
    s.memory.assign(pellux::reduction_work_bytes() / sizeof(double) + 1, 0.0);
    std::vector<double> scratch(pellux::reduction_work_bytes() / sizeof(double) + 1);
    pellux::MirrorCall call{};
    void* rest = nullptr;
    double centre = 0;
    if (!pellux::reduce_mirror(input, red, scratch.data()) ||
        !pellux::reduction_call(input, red, s.memory.data(), call, rest) ||
        !pellux::mirror_profile(call, rest, s.profile, centre))
        return (error = r.from + ": the readings do not reduce (a zone without a reading?)"), false;
    s.heights.assign(static_cast<std::size_t>(s.profile.nodes), 0.0);
    pellux::profile_heights(s.profile, 0.0, s.heights.data());
    s.per_inch = m.units == "mm" ? 25.4 : 1;
    s.mirror = {m.diameter / s.per_inch, m.radius / s.per_inch, -1, 0, &s.profile, s.heights.data()};
    s.tester.moving_source = m.tester == "moving source";
    s.tester.wavelength = m.wavelength_nm / 25400000;
    return true;
}

bool from_arguments(const Request& r, Setup& s, std::string& error)
{
    if (!r.diameter)
        return (error = "give the mirror's --diameter, or --from a mirror file"), false;
    if (r.units.empty())
        return (error = "give --units in or --units mm"), false;
    if (!r.rcurve)
        return (error = "give the mirror's --radius-of-curvature"), false;
    s.per_inch = r.units == "mm" ? 25.4 : 1;
    s.mirror = {*r.diameter / s.per_inch, *r.rcurve / s.per_inch, r.conic.value_or(0),
                r.obstruction.value_or(0) / s.per_inch, nullptr, nullptr};
    s.tester.moving_source = r.tester == "moving";
    s.tester.wavelength = r.wavelength_nm.value_or(550) / 25400000;
    return true;
}

} // namespace

bool make_setup(const Request& r, Setup& s, std::string& error)
{
    if (!(r.from.empty() ? from_arguments(r, s, error) : from_file(r, s, error)))
        return false;
    s.tester.source_width = r.source_width.value_or(0) / s.per_inch;
    s.tester.slit = false;
    if (!pellux::simulation_ok(s.mirror, s.tester, r.size))
        return (error = "the mirror cannot be simulated: every length and the wavelength must be above 0, the "
                        "radius of curvature beyond the edge, the obstruction narrower than the mirror"),
               false;
    return true;
}

} // namespace simulate
