// The built-ins of single values (SQRT, ROUND, FIXED, ISERROR, ...): each
// takes its arguments' values, one cell at a time when they are arrays.
#pragma once

#include <vector>

#include "tools/xlhost/cells/cells.h"

namespace xlhost {

CellValue sqrt_of(const std::vector<CellValue>& v);
CellValue exp_of(const std::vector<CellValue>& v);
CellValue abs_of(const std::vector<CellValue>& v);
CellValue round_of(const std::vector<CellValue>& v);
CellValue fixed(const std::vector<CellValue>& v);
CellValue error_type(const std::vector<CellValue>& v);
CellValue not_of(const std::vector<CellValue>& v);
CellValue if_error(const std::vector<CellValue>& v);
CellValue is_error(const std::vector<CellValue>& v);
CellValue is_number(const std::vector<CellValue>& v);
CellValue is_blank(const std::vector<CellValue>& v);
CellValue is_na(const std::vector<CellValue>& v);
CellValue is_text(const std::vector<CellValue>& v);
CellValue is_logical(const std::vector<CellValue>& v);
CellValue len(const std::vector<CellValue>& v);
CellValue choose(const std::vector<CellValue>& v);

} // namespace xlhost
