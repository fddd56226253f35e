// libFuzzer target over xlhost's workbook reader and evaluator (no add-in).
// The first byte picks the entry: a whole file, an xlsx worksheet part, or
// an ods content.xml part (the parts without their package's CRCs in the way).
#include "tools/xlhost/formula/evaluate.h"
#include "tools/xlhost/read/ods_read.h"
#include "tools/xlhost/read/workbook_read.h"
#include "tools/xlhost/read/xlsx_sheet.h"
#include "tools/xlhost/package/xml_read.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::string_view content(reinterpret_cast<const char*>(data) + 1, size - 1);
    xlhost::Workbook book;
    try {
        switch (data[0] % 3) {
        case 0: {
            std::string problem;
            if (!xlhost::read_spreadsheet(content, book, problem))
                return 0;
            break;
        }
        case 1: {
            std::vector<std::string> strings{"zero", "one"};
            xlhost::WorkbookSize read;
            xlhost::XlsxContext context{&strings, false, &read};
            book.sheets.push_back(xlhost::Sheet{"Sheet1", {}});
            xlhost::read_xlsx_sheet(content, "sheet1.xml", context, book.sheets.back());
            break;
        }
        default: xlhost::read_ods_content(content, book); break;
        }
    } catch (const xlhost::ReadError&) {
        return 0;
    }
    xlhost::settle_array_blocks(book);
    xlhost::WorkbookSize held;
    for (const xlhost::Sheet& sheet : book.sheets)
        for (const auto& [key, cell] : sheet.cells)
            if (!xlhost::add_to_size(held, cell, 1).empty())
                return 0;
    try {
        xlhost::evaluate_workbook(book, nullptr);
    } catch (const xlhost::EvaluationLimit&) {
    }
    return 0;
}
