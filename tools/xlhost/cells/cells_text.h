// The text form of the cell model: what every build of xlhost reads, and
// what the native build writes from an xlsx or ods file (--save-cells).
//
//   xlhost-cells 1
//   sheet Data
//   A2 n 1.5
//   A3 s hello
//   A4 b TRUE
//   A5 e #N/A
//   A6 f SUM(A2:A4)*2
//   A7 o SUM([.A2:.A4])*2
//   G2:G3 f _xll.MinimizeMaxAbsTA(A2:A7,B2:B7,C2:C7,0.001)
//   name Heights f Data!$B$2:$B$7
//
// UTF-8, one item a line: a "sheet NAME" line opens each sheet, in order;
// a cell line is ADDRESS KIND PAYLOAD, with KIND n (number, shortest exact
// form), s (text), b (TRUE or FALSE), e (an error value), f (a formula in
// Excel's A1 grammar) or o (a formula in OpenFormula), formulas without
// their '='. An array formula names its block (G2:G3) instead of one cell;
// "G2:G2 f ..." is an array formula over one cell. A "name NAME f|o TEXT"
// line defines a name: the workbook's before the first sheet line, else the
// sheet's above it. In sheet names, names, text and
// formulas a backslash escapes: \\ \n \r \t. Blank lines and lines starting
// with '#' are skipped.
#pragma once

#include "tools/xlhost/cells/cells.h"

#include <string>
#include <string_view>

namespace xlhost {

constexpr std::string_view kCellsMagic = "xlhost-cells";

// True when the content starts like the text form.
bool looks_like_cells_text(std::string_view content);

// Reads the text form; false with "line N: reason" in `problem`.
bool read_cells_text(std::string_view content, Workbook& book, std::string& problem);

std::string write_cells_text(const Workbook& book);

} // namespace xlhost
