// OpenDocument spreadsheets: content.xml read into the cell model, with
// repeated and covered cells at their true addresses, matrix blocks, value
// types and named ranges.
#pragma once

#include "tools/xlhost/cells/cells.h"
#include "tools/xlhost/package/package.h"

namespace xlhost {

// Throws ReadError when the workbook cannot be read exactly.
void read_ods(Package& package, Workbook& book);
// The same for the content.xml part alone.
void read_ods_content(std::string_view xml, Workbook& book);

} // namespace xlhost
