// What the user asks pellux-photo for: the mirror, the knife positions of
// the series, the zones, and the photographs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace photo {

struct Request {
    std::optional<double> diameter, rcurve, angle, band, pinhole, start, step;
    std::string units, tester = "fixed", knife_side = "right";
    std::vector<double> knife_list;
    int zones = 20;
    bool zones_given = false;
    bool mask = false; // through a Couder mask whose openings are the zones
    std::string from, mirror_out, report_out;
    std::vector<std::string> photos;
};

// Reads the command line; false with a message for a bad one.
bool parse_arguments(int argc, char** argv, Request& r, std::string& error);

// The knife position of every photograph, in the units; false with a
// message when they do not match the photographs or do not move.
bool knife_positions(const Request& r, std::vector<double>& out, std::string& error);

} // namespace photo
