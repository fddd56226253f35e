// What the user asks pellux-mask for, and the mask it comes to: the mirror,
// its zones' openings, the paper and the output.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mask {

enum class Format { Pdf, Svg };

struct Paper {
    const char* name;
    double width_mm;
    double height_mm;
};

struct Request {
    std::optional<double> diameter;
    std::string units;                  // "in" or "mm"; empty until given
    std::optional<int> zones;
    std::optional<double> obstruction;  // diameter of the central obstruction
    std::optional<double> rcurve;       // radius of curvature, for the mirror file
    bool edge_zone = false;             // a narrow outermost zone
    std::optional<double> edge_width;   // its width; default 3 % of the radius, at least min_width_mm
    bool intermediate = false;          // the second mask of a pair
    std::string paper = "a4";
    double min_width_mm = 5;
    std::string from;                   // a mirror file with the zones' edges
    std::string mirror_out;             // a mirror file to write
    std::string out;                    // OUT.pdf or OUT.svg
};

// One zone's opening, in the user's unit.
struct Opening {
    double inner;
    double outer;
};

struct Mask {
    std::string units;
    double diameter;                    // in the user's unit
    std::optional<double> rcurve;
    std::vector<Opening> openings;      // from the centre outward
    std::vector<Opening> first;         // an intermediate mask: the first mask's openings
    bool suggested;                     // the zone count was suggested
    Paper paper;
    Format format;
    std::string date;                   // YYYY-MM-DD

    double per_mm() const { return units == "mm" ? 1.0 : 1.0 / 25.4; } // units per mm
    double mm(double length) const { return length / per_mm(); }
};

// Reads the command line; false with a message for a bad one.
bool parse_arguments(int argc, char** argv, Request& r, std::string& error);

// Checks the request and works out the mask; false with a message, having
// written nothing, when it cannot be made.
bool make_mask(const Request& r, Mask& m, std::string& error);

// Writes the mirror file of the mask: its edges and three empty runs; an
// intermediate mask's holds both masks' openings, each named by its mask.
bool write_mirror_file(const Mask& m, const std::string& path, std::string& error);

// A length as the user would read it back: the shortest text that gives
// the same double.
std::string shortest(double x);

} // namespace mask
