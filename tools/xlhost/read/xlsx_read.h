// xlsx, xlsm and Strict Open XML workbooks: the package's relationships,
// the workbook part, the shared strings and each worksheet.
#pragma once

#include "tools/xlhost/cells/cells.h"
#include "tools/xlhost/package/package.h"

namespace xlhost {

// Throws ReadError when the workbook cannot be read exactly.
void read_xlsx(Package& package, Workbook& book);

} // namespace xlhost
