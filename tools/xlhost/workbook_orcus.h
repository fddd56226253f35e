// Reading xlsx and ods files into the cell model with liborcus (native
// builds only).
#pragma once

#include "tools/xlhost/cells.h"

#include <string>
#include <string_view>

namespace xlhost {

// False with a reason when the content is no xlsx or ods file or cannot be read.
bool read_spreadsheet(std::string_view content, Workbook& book, std::string& problem);

} // namespace xlhost
