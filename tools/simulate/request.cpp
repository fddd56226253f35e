#include "tools/simulate/request.h"

#include <cmath>
#include <cstdio>

#include "tools/args/args.h"

namespace simulate {

bool parse_arguments(int argc, char** argv, Request& r, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool has_value = i + 1 < argc;
        const std::string value = has_value ? argv[i + 1] : "";
        if (arg == "--diameter" || arg == "--radius-of-curvature" || arg == "--conic" || arg == "--obstruction" ||
            arg == "--wavelength" || arg == "--source-width" || arg == "--ronchi" || arg == "--offset") {
            std::optional<double>& slot = arg == "--diameter"              ? r.diameter
                                          : arg == "--radius-of-curvature" ? r.rcurve
                                          : arg == "--conic"               ? r.conic
                                          : arg == "--obstruction"         ? r.obstruction
                                          : arg == "--wavelength"          ? r.wavelength_nm
                                          : arg == "--source-width"        ? r.source_width
                                          : arg == "--ronchi"              ? r.lines_per_inch
                                                                           : r.offset;
            if (!args::number_option(argc, argv, i, slot, error))
                return false;
        } else if (arg == "--units" && has_value) {
            if (value != "in" && value != "mm")
                return (error = "unknown unit '" + value + "' (in, mm)"), false;
            r.units = value;
            ++i;
        } else if (arg == "--tester" && has_value) {
            if (value != "fixed" && value != "moving")
                return (error = "unknown tester '" + value + "' (fixed, moving)"), false;
            r.tester = value;
            ++i;
        } else if ((arg == "--size" || arg == "--mask" || arg == "--quality") && has_value) {
            int& slot = arg == "--size" ? r.size : arg == "--mask" ? r.mask : r.quality;
            if (!args::whole(value, slot))
                return (error = arg + " takes a whole number"), false;
            ++i;
        } else if (arg == "--knife" && has_value) {
            if (!r.knives.empty() || !args::number_list(value, r.knives))
                return (error = "--knife takes positions separated by commas, such as 0.01,0.02"), false;
            ++i;
        } else if (arg == "--from" && has_value) {
            r.from = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && r.out.empty()) {
            r.out = arg;
        } else {
            return (error = "unknown or incomplete option '" + arg + "'"), false;
        }
    }
    if (r.out.empty() || !(args::ends_with(r.out, ".png") || args::ends_with(r.out, ".jpg")))
        return (error = "name the output, OUT.png or OUT.jpg"), false;
    if (r.mask != 0 && (r.mask < 2 || r.mask > 20 || r.lines_per_inch))
        return (error = "--mask takes 2 to 20 openings, for the knife's pictures"), false;
    if (r.quality < 1 || r.quality > 100)
        return (error = "--quality is from 1 to 100"), false;
    if (r.knives.empty() == !r.lines_per_inch)
        return (error = "ask for either --knife X[,X2,...] or --ronchi LPI --offset X"), false;
    if (r.lines_per_inch && (!r.offset || !(*r.lines_per_inch > 0)))
        return (error = "--ronchi takes lines per inch above 0, and --offset"), false;
    if (r.size < 64 || r.size > 4096)
        return (error = "--size is from 64 to 4096 pixels"), false;
    if (r.knives.size() > 99)
        return (error = "at most 99 knife positions"), false;
    return true;
}

std::vector<std::string> output_names(const Request& r)
{
    if (r.knives.size() <= 1)
        return {r.out};
    std::vector<std::string> names;
    const std::string stem = r.out.substr(0, r.out.size() - 4);
    for (std::size_t k = 1; k <= r.knives.size(); ++k) {
        char tail[16];
        std::snprintf(tail, sizeof tail, "-%02zu", k);
        names.push_back(stem + tail + r.out.substr(r.out.size() - 4));
    }
    return names;
}

} // namespace simulate
