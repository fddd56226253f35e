// What a telescope maker types into the reduction workbook: the mirror, the
// tester, the Couder mask's zones with their knife-edge readings, and the
// Newtonian's dimensions for the vignetting estimate.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/reduction.h"

namespace reduction {

struct Zone {
    double inner = 0;                          // radius of the mask opening's inner edge
    double outer = 0;                          // radius of its outer edge
    std::vector<std::optional<double>> runs;   // knife-edge readings; a blank run is left out
    std::string mask;                          // which of several masks the opening is in, or ""
};

struct Mirror {
    std::string units = "in";           // "in" or "mm": every length and reading below
    double diameter = 6;
    double radius = 96;                 // radius of curvature
    double wavelength_nm = 550;
    std::string tester = "fixed source";  // or "moving source" (half the shift)
    std::string zone_radius = "mean";   // "mean", "rms" or "carlin"
    double fittol = 0.001;
    double coc = -0.0015;               // the user's own centre of curvature, as a reading
    // One reading's standard uncertainty, used where a zone has a single
    // run; blank: 0.002 in, or 0.05 mm.
    std::optional<double> reading_uncertainty;
    int runs = 3;                       // run columns of the zone table, 1 to 10
    bool masks = false;                 // the zones name their masks (two masks' openings overlap)
    std::vector<Zone> zones;
    double secondary = 1.3;             // minor axis
    std::optional<double> focal_length; // blank: R/2 as a formula
    double secondary_to_focus = 6;
    double field_stop_mm = 25;
};

// The reading uncertainty the sheet starts with, in the mirror's units.
double reading_uncertainty(const Mirror& m);

// The mirror as the core's reduction takes it (the page's and the
// simulator's one), blank runs NaN.
pellux::MirrorInput mirror_input(const Mirror& m);

// The zone radius rule as the core numbers it: 0 mean, 1 rms, 2 carlin.
int zone_rule(const Mirror& m);

// The worked example of the demo (a 6-inch f/8 mirror, 550 nm, fixed
// source). With another zone count the mask has that many equal-area zones
// and the readings follow the same slightly undercorrected mirror.
Mirror worked_example(int zones = 6);

// The same mirror entered in millimetres, each number as a person types it.
Mirror in_millimetres(const Mirror& m);

// The same mirror read on a moving-source tester (half the shifts), likewise.
Mirror moving_source(const Mirror& m);

} // namespace reduction
