// Writes a reduction workbook for a mirror and evaluates it with the native
// xlhost and Pellux.so (paths given by the build).
#pragma once

#include <string>
#include <vector>

#include "tools/reduction/cached.h"
#include "tools/reduction/layout.h"
#include "tools/reduction/mirror.h"

namespace reduction_test {

struct Evaluated {
    reduction::Layout layout;
    reduction::CachedValues cells;
    std::string output;  // xlhost's lines, for failure messages

    const reduction::CachedValue& at(int row, int col) const;
    double number(int row, int col) const;  // NaN when the cell is not a number
    std::string text(int row, int col) const;  // text or the error's name
    double zone(int row, reduction::ZoneCol field) const;  // a zone table cell
    std::vector<double> column(reduction::ZoneCol field) const;  // the zones' cells of one field
};

// What a user does to the written workbook before it is evaluated.
struct Handling {
    // Cells typed over, as xlhost's text form writes them: {"F49", "s 0,0405"};
    // an empty text clears the cell.
    std::vector<std::pair<std::string, std::string>> typed;
    bool addin = true;  // false: evaluated as Excel without the add-in does
};

// Writes the workbook to the test's work folder under `name` and evaluates it.
Evaluated evaluate(const reduction::Mirror& m, const std::string& name, const Handling& how = {});

// The figure labelled `label` in the results block (NaN when not a number).
double figure(const Evaluated& e, const std::string& label);

// A mirror whose mean readings are `fraction` of a paraboloid's plus
// `offset` (equal-area zones, mean zone radii, inches, one run): 1 a
// paraboloid, 0 a sphere.
reduction::Mirror parabolised(double fraction, int zones, double diameter, double radius,
                              double offset = 0.05);

// The mirror of a mirror file; a file that does not read fails the test.
reduction::Mirror from_file(const std::string& path);

// Runs a shell command; returns its standard output.
std::string run(const std::string& command);

std::string work_dir();

} // namespace reduction_test
