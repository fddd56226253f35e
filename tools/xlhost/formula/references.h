// References and defined names of a formula, resolved against its workbook.
#pragma once

#include "tools/xlhost/formula/expression.h"
#include "tools/xlhost/formula/lex.h"

#include <string_view>

namespace xlhost {

// A reference token as a node, with `second` the far end of A1:B2 when the
// two ends are tokens of their own; #REF! when a sheet is unknown or a cell
// off the grid. `sheet` is the formula's own sheet.
Node reference_node(const Workbook& book, int sheet, const Token& first, const Token* second);

// The Reference a defined name stands for when its text is a plain absolute
// reference (Data!$A$1:$B$3); false for any other name or text.
bool defined_reference(const Workbook& book, int sheet, std::string_view name, Node& out);

} // namespace xlhost
