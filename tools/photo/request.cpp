#include "tools/photo/request.h"

#include <algorithm>
#include <cmath>

#include "tools/args/args.h"

namespace photo {

bool parse_arguments(int argc, char** argv, Request& r, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        const std::string value = has_value ? argv[i + 1] : "";
        if (arg == "--diameter" || arg == "--radius-of-curvature" || arg == "--angle" || arg == "--band" ||
            arg == "--pinhole") {
            std::optional<double>& slot = arg == "--diameter"              ? r.diameter
                                          : arg == "--radius-of-curvature" ? r.rcurve
                                          : arg == "--angle"               ? r.angle
                                          : arg == "--band"                ? r.band
                                                                           : r.pinhole;
            if (!args::number_option(argc, argv, i, slot, error))
                return false;
        } else if (arg == "--knife" && has_value) {
            std::vector<double> two;
            if (!args::number_list(value, two) || two.size() != 2)
                return (error = "--knife takes the first position and the step, as 0.01,0.002"), false;
            r.start = two[0];
            r.step = two[1];
            ++i;
        } else if (arg == "--knife-list" && has_value) {
            if (!args::number_list(value, r.knife_list))
                return (error = "--knife-list takes one position a photograph, separated by commas"), false;
            ++i;
        } else if (arg == "--zones" && has_value) {
            if (!args::whole(value, r.zones) || r.zones < 2 || r.zones > 100)
                return (error = "--zones takes a count from 2 to 100"), false;
            r.zones_given = true;
            ++i;
        } else if ((arg == "--units" || arg == "--tester" || arg == "--knife-side") && has_value) {
            const bool ok = arg == "--units" ? value == "in" || value == "mm"
                            : arg == "--tester" ? value == "fixed" || value == "moving"
                                                : value == "right" || value == "left";
            if (!ok)
                return (error = "unknown " + arg.substr(2) + " '" + value + "'"), false;
            (arg == "--units" ? r.units : arg == "--tester" ? r.tester : r.knife_side) = value;
            ++i;
        } else if ((arg == "--from" || arg == "--mirror" || arg == "--report") && has_value) {
            (arg == "--from" ? r.from : arg == "--mirror" ? r.mirror_out : r.report_out) = argv[++i];
        } else if (arg == "--mask") {
            r.mask = true;
        } else if (!arg.empty() && arg[0] != '-') {
            r.photos.push_back(arg);
        } else {
            return (error = "unknown or incomplete option '" + arg + "'"), false;
        }
    }
    if (r.photos.size() < 3)
        return (error = "give three photographs at least, in knife order"), false;
    if (r.from.empty() && (!r.diameter || r.units.empty() || !r.rcurve))
        return (error = "give the mirror's --diameter, --units and --radius-of-curvature, or --from a mirror file"), false;
    if (r.start.has_value() == !r.knife_list.empty())
        return (error = "give the knife as --knife START,STEP or --knife-list X1,X2,..."), false;
    if (r.band && !(*r.band > 0 && *r.band <= 90))
        return (error = "--band is from 0 to 90 degrees"), false;
    if (r.pinhole && !(*r.pinhole >= 0))
        return (error = "--pinhole is 0 or more"), false;
    return true;
}

bool knife_positions(const Request& r, std::vector<double>& out, std::string& error)
{
    out.clear();
    if (!r.knife_list.empty()) {
        if (r.knife_list.size() != r.photos.size())
            return (error = "--knife-list gives " + std::to_string(r.knife_list.size()) + " positions for " +
                            std::to_string(r.photos.size()) + " photographs"),
                   false;
        out = r.knife_list;
    } else {
        for (std::size_t k = 0; k < r.photos.size(); ++k)
            out.push_back(*r.start + *r.step * static_cast<double>(k));
    }
    if (std::all_of(out.begin(), out.end(), [&](double x) { return x == out.front(); }))
        return (error = "the knife readings are all the same: move the knife between pictures"), false;
    return true;
}

} // namespace photo
