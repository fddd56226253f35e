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
    std::vector<double> column(int col) const;  // the zone table's cells of one column
};

// Writes the workbook to the test's work folder under `name` and evaluates it.
Evaluated evaluate(const reduction::Mirror& m, const std::string& name);

// Runs a shell command; returns its standard output.
std::string run(const std::string& command);

std::string work_dir();

} // namespace reduction_test
