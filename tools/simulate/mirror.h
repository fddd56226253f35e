// The mirror and tester a request names, in inches, ready for the core's
// simulations: a conic from the command line, or the reduced profile of a
// mirror file's readings.
#pragma once

#include <string>
#include <vector>

#include "core/simulation.h"
#include "tools/simulate/request.h"

namespace simulate {

struct Setup {
    pellux::SimMirror mirror{};
    pellux::SimTester tester{};
    double per_inch = 1;                  // the request's units per inch
    // A mirror file's profile and the memory it lives in.
    pellux::Profile profile{};
    std::vector<double> heights, memory;
};

// False with a message when the request names no usable mirror.
bool make_setup(const Request& r, Setup& s, std::string& error);

} // namespace simulate
