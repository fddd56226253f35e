// What xlhost prints for a workbook: one line per cell,
//   Sheet!A1  =formula  value       a formula cell
//   Sheet!G2  {=formula}  value     a cell of an array formula's block
//   Sheet!B3  value                 a constant (with --cells)
#pragma once

#include "tools/xlhost/formula/evaluate.h"

#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

// A value as xlhost prints it: digits 0 for the shortest exact form.
std::string value_text(const CellValue& v, int digits);

// Every formula cell, sheet by sheet, row by row.
void print_formula_cells(const Workbook& book, const Evaluation& ev, int digits);

// Reads "Data!A1:B3,C5,'My sheet'!D2" (cells or ranges, comma-separated; a
// cell without a sheet is on the first sheet); false with a reason.
bool read_cell_list(std::string_view list, const Workbook& book, std::vector<RangeRef>& out, std::string& problem);

// The cells of the list in its order, each range row by row.
void print_cells(const Workbook& book, const Evaluation& ev, const std::vector<RangeRef>& cells, int digits);

} // namespace xlhost
