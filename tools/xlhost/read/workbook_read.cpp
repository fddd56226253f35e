#include "tools/xlhost/read/workbook_read.h"

#include "tools/xlhost/read/ods_read.h"
#include "tools/xlhost/package/package.h"
#include "tools/xlhost/read/xlsx_read.h"
#include "tools/xlhost/package/xml_read.h"

namespace xlhost {

namespace {

constexpr std::string_view kOdsType = "application/vnd.oasis.opendocument.spreadsheet";

bool refuse(Workbook& book, std::string& problem, std::string reason)
{
    book = Workbook{};
    problem = std::move(reason);
    return false;
}

} // namespace

bool read_spreadsheet(std::string_view content, Workbook& book, std::string& problem)
{
    if (content.substr(0, 4) == std::string_view("\xd0\xcf\x11\xe0", 4))
        return refuse(book, problem, "an encrypted workbook or a legacy .xls file, which xlhost does not read");
    if (content.substr(0, 2) != "PK")
        return refuse(book, problem, "not an xlsx, xlsm or ods workbook (nor the xlhost-cells text form)");
    Package package;
    if (!package.open(content, problem))
        return refuse(book, problem, problem);
    try {
        if (package.has("mimetype")) {
            std::string type;
            if (!package.read("mimetype", type, problem))
                return refuse(book, problem, problem);
            if (type != kOdsType)
                return refuse(book, problem, "an OpenDocument file of type \"" + type + "\", not a spreadsheet");
            read_ods(package, book);
        } else if (package.has("[Content_Types].xml")) {
            read_xlsx(package, book);
        } else {
            return refuse(book, problem, "a zip package that is no xlsx, xlsm or ods workbook");
        }
    } catch (const ReadError& e) {
        return refuse(book, problem, e.what());
    }
    return true;
}

} // namespace xlhost
