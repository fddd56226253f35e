// Reading xlsx, xlsm and ods files into the cell model (native builds).
#pragma once

#include "tools/xlhost/cells/cells.h"

#include <string>
#include <string_view>

namespace xlhost {

// False with a reason when the content is no workbook xlhost reads exactly.
bool read_spreadsheet(std::string_view content, Workbook& book, std::string& problem);

} // namespace xlhost
