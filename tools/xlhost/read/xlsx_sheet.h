// One worksheet part of an xlsx file read into a sheet of the cell model.
#pragma once

#include "tools/xlhost/cells/cells.h"

#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

struct XlsxContext {
    const std::vector<std::string>* strings = nullptr; // the shared strings
    bool date1904 = false;
    WorkbookSize* size = nullptr; // of the workbook read so far, against its limits
};

// Throws ReadError when the part holds something that cannot be read exactly.
void read_xlsx_sheet(std::string_view xml, std::string_view part, const XlsxContext& context, Sheet& sheet);

} // namespace xlhost
