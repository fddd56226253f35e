// liborcus 0.17 reads no array formula blocks from ods files; they are the
// spans of a cell's table:number-matrix-rows-spanned and
// table:number-matrix-columns-spanned in content.xml, read here with
// liborcus's zip and XML parsers.
#pragma once

#include "tools/xlhost/cells.h"

#include <string_view>

namespace xlhost {

// Marks each formula cell that carries matrix spans as an array formula
// over that block. Throws (liborcus's exceptions) when the file cannot be read.
void apply_matrix_spans(std::string_view ods_content, Workbook& book);

} // namespace xlhost
