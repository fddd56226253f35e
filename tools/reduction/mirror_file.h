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
#include <vector>

#include "tools/reduction/mirror.h"

namespace reduction {

// Whether every zone needs a reading: a mask's mirror file, written before
// the test, has none yet.
enum class Readings { Required, Optional };

// One test session of a mirror: its date, a note of the work done before
// it, and the mirror with that session's zones and readings.
struct Session {
    std::string date; // YYYY-MM-DD, or empty: undated
    std::string note;
    Mirror mirror;
};

// A mirror's sessions in order, one at least. A file without "session"
// lines is one session; in a file of sessions the keys before the first
// session are every session's, and a session's own keys (after its line,
// before its zones) change them for that session alone:
//
//   units,in
//   diameter,8
//   radius of curvature,96
//   session,2026-11-02,W stroke 1/3, 20 min, soft pitch
//   zones
//   inner,outer,run 1
//   ...
//   session,2026-11-09,after 15 min of parabolising
//   tester,moving source
//   zones
//   ...
struct Project {
    std::vector<Session> sessions;
};

constexpr std::size_t kMaxSessions = 100;

// Reads a mirror's sessions from `in`; on a bad file returns false with
// "NAME:LINE: why" in `error` (`name` is the file's name as the user gave it).
bool read_project(std::istream& in, const std::string& name, Project& p, std::string& error,
                  Readings readings = Readings::Required);

// The last session's mirror.
bool read_mirror(std::istream& in, const std::string& name, Mirror& m, std::string& error,
                 Readings readings = Readings::Required);

} // namespace reduction
