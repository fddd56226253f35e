// xlhost --workbook: read a workbook, evaluate it with the add-in loaded,
// print its cells; or save its text form.
#pragma once

#include "tools/xlhost/host/addin_call.h"
#include "tools/xlhost/cells/cells.h"

#include <string>

namespace xlhost {

struct WorkbookOptions {
    std::string path;       // --workbook
    std::string cells;      // --cells, empty: every formula cell
    bool has_cells = false;
    std::string save_cells; // --save-cells, empty: none
    int digits = 0;
};

// Reads the text form anywhere, and xlsx, xlsm or ods files where the
// native reader is built in; false with a message on stderr.
bool read_workbook(const std::string& path, Workbook& book);

// Writes the text form; "-" is standard output.
bool save_workbook(const std::string& path, const Workbook& book);

// Evaluates and prints; the exit status (0: evaluated, error values included).
int run_workbook(const WorkbookOptions& options, const Workbook& book, AutoFree auto_free);

} // namespace xlhost
