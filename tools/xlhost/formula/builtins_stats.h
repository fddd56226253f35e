// Statistics built-ins, and the number gathering they share with SUM and
// AVERAGE.
#pragma once

#include <vector>

#include "tools/xlhost/formula/evaluate.h"

namespace xlhost {

// Numbers of SUM, AVERAGE, MIN, MAX, STDEV: in references and arrays only
// numbers count; direct booleans and numeric text count too; errors stop it
// (the error is returned, else an Empty value).
CellValue collect_numbers(const Node& call, Context& ctx, std::vector<double>& out);

Value stdev(const Node& call, Context& ctx);  // sample standard deviation
Value slope(const Node& call, Context& ctx);  // least-squares slope of y on x

} // namespace xlhost
