// A mirror file: the inputs, zones and runs of one mirror as plain CSV.
//
//   units,mm
//   diameter,200
//   radius of curvature,2825.75
//   zones
//   inner,outer,run 1,run 2
//   19.17,52.659,0,0
//
// "#" starts a comment; keys are case-insensitive.
#pragma once

#include <istream>
#include <string>

#include "tools/reduction/mirror.h"

namespace reduction {

// Whether every zone needs a reading: a mask's mirror file, written before
// the test, has none yet.
enum class Readings { Required, Optional };

// Reads a mirror from `in`; on a bad file returns false with "NAME:LINE: why"
// in `error` (`name` is the file's name as the user gave it).
bool read_mirror(std::istream& in, const std::string& name, Mirror& m, std::string& error,
                 Readings readings = Readings::Required);

} // namespace reduction
