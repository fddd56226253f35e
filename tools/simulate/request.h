// What the user asks pellux-simulate for: the mirror (a conic, or the
// reduced profile of a mirror file), the tester, and the pictures.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace simulate {

struct Request {
    std::optional<double> diameter, rcurve, conic, obstruction, wavelength_nm, source_width;
    std::string units;           // "in" or "mm"
    std::string tester;          // "fixed" or "moving"; empty: the file's, or fixed
    std::string from;            // a mirror file with readings
    int size = 512;
    int mask = 0;                // a Couder mask of this many equal-area openings, 0 for none
    int quality = 90;            // JPEG's, for OUT.jpg
    std::vector<double> knives;  // knife positions, in the units
    std::optional<double> lines_per_inch, offset;
    std::string out;             // OUT.png or OUT.jpg
};

// Reads the command line; false with a message for a bad one.
bool parse_arguments(int argc, char** argv, Request& r, std::string& error);

// The output files: OUT.png for one picture, OUT-01.png, OUT-02.png, ...
// for several (or .jpg).
std::vector<std::string> output_names(const Request& r);

} // namespace simulate
