#include "tools/xlhost/workbook_run.h"

#include "tools/xlhost/cells/cells_text.h"
#include "tools/xlhost/cells/display.h"
#include "tools/xlhost/formula/evaluate.h"
#include "tools/xlhost/host/host.h"
#include "tools/xlhost/workbook_print.h"
#if defined(PELLUX_WITH_ORCUS)
#include "tools/xlhost/read/workbook_read.h"
#endif

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

using namespace pellux;

namespace xlhost {

namespace {

// The add-in's registered functions, called as Excel calls them.
class HostAddins : public AddinFunctions {
public:
    explicit HostAddins(AutoFree auto_free) : auto_free_(auto_free) {}

    bool find(std::string_view name, std::string& letters) override
    {
        const Registration* entry = host().find(name);
        if (entry == nullptr)
            return false;
        letters = entry->argument_letters;
        return true;
    }

    bool call(std::string_view name, const std::vector<void*>& arguments, Value& result) override
    {
        const Registration* found = host().find(name);
        if (found == nullptr || arguments.size() > kMaxArguments) {
            result = scalar(error_value(xlerrValue));
            return true;
        }
        // A copy: the procedure may call the host, which may change the table.
        const Registration entry = *found;
        std::vector<CellValue> cells;
        ResultShape shape;
        bool ok = read_result(entry.name, call_procedure(entry.address, arguments), auto_free_, shape,
                              [&](const XLOPER12& cell) { return convert(cell, cells); });
        if (shape.null || shape.malformed || cells.empty())
            result = scalar(error_value(xlerrValue));
        else if (cells.size() == 1)
            result = scalar(cells[0]);
        else
            result = array(shape.rows, shape.columns, std::move(cells));
        return ok;
    }

private:
    static bool convert(const XLOPER12& cell, std::vector<CellValue>& cells)
    {
        switch (cell.xltype & kTypeBits) {
        case xltypeNum: cells.push_back(number_value(cell.val.num)); return true;
        case xltypeInt: cells.push_back(number_value(cell.val.w)); return true;
        case xltypeBool: cells.push_back(boolean_value(cell.val.w != 0)); return true;
        case xltypeNil:
        case xltypeMissing: cells.push_back(CellValue{}); return true;
        case xltypeErr:
            cells.push_back(error_value(cell.val.err));
            if (error_name(cell.val.err) == nullptr) {
                std::fprintf(stderr, "xlhost: unknown error code %d\n", static_cast<int>(cell.val.err));
                return false;
            }
            return true;
        case xltypeStr: {
            std::u16string chars;
            std::string problem;
            if (!read_text(cell, chars, problem)) {
                std::fprintf(stderr, "xlhost: %s\n", problem.c_str());
                cells.push_back(error_value(xlerrValue));
                return false;
            }
            cells.push_back(text_value(utf8_from_utf16(chars)));
            return true;
        }
        default:
            std::fprintf(stderr, "xlhost: unexpected type word 0x%x in a result\n", static_cast<unsigned>(cell.xltype));
            cells.push_back(error_value(xlerrValue));
            return false;
        }
    }

    AutoFree auto_free_;
};

} // namespace

bool read_workbook(const std::string& path, Workbook& book)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        std::fprintf(stderr, "xlhost: cannot open the workbook \"%s\"\n", path.c_str());
        return false;
    }
    if (in.tellg() > static_cast<std::streamoff>(kMaxWorkbookFile)) {
        std::fprintf(stderr, "xlhost: %s: larger than %ld MB, xlhost's limit\n", path.c_str(), kMaxWorkbookFile >> 20);
        return false;
    }
    in.seekg(0);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "xlhost: cannot read the workbook \"%s\"\n", path.c_str());
        return false;
    }
    std::string problem;
    bool ok = false;
    if (looks_like_cells_text(content)) {
        ok = read_cells_text(content, book, problem);
    } else {
#if defined(PELLUX_WITH_ORCUS)
        ok = read_spreadsheet(content, book, problem);
#else
        problem = "this xlhost reads only the xlhost-cells text form of a workbook; the native xlhost writes it: "
                  "xlhost --workbook BOOK.xlsx --save-cells BOOK.cells";
#endif
    }
    if (!ok) {
        std::fprintf(stderr, "xlhost: %s: %s\n", path.c_str(), problem.c_str());
        return false;
    }
    for (const std::string& message : settle_array_blocks(book))
        std::fprintf(stderr, "xlhost: %s\n", message.c_str());
    WorkbookSize size;
    for (const Sheet& sheet : book.sheets)
        for (const auto& [key, cell] : sheet.cells) {
            std::string over = add_to_size(size, cell, 1);
            if (!over.empty()) {
                std::fprintf(stderr, "xlhost: %s: %s\n", path.c_str(), over.c_str());
                return false;
            }
        }
    return true;
}

bool save_workbook(const std::string& path, const Workbook& book)
{
    std::string text = write_cells_text(book);
    if (path == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return true;
    }
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "xlhost: cannot write \"%s\"\n", path.c_str());
        return false;
    }
    return true;
}

int run_workbook(const WorkbookOptions& options, const Workbook& book, AutoFree auto_free)
{
    std::vector<RangeRef> cells;
    std::string problem;
    if (options.has_cells && !read_cell_list(options.cells, book, cells, problem)) {
        std::fprintf(stderr, "xlhost: --cells: %s\n", problem.c_str());
        return 2;
    }
    HostAddins addins(auto_free);
    Evaluation ev;
    try {
        ev = evaluate_workbook(book, &addins);
    } catch (const EvaluationLimit& e) {
        std::fprintf(stderr, "xlhost: %s: %s\n", options.path.c_str(), e.what());
        return 1;
    }
    if (!ev.unknown_names.empty()) {
        std::string names;
        for (const std::string& n : ev.unknown_names)
            names += (names.empty() ? "" : ", ") + n;
        std::fprintf(stderr, "xlhost: unknown function names (#NAME?): %s\n", names.c_str());
    }
    if (options.has_cells)
        print_cells(book, ev, cells, options.digits);
    else
        print_formula_cells(book, ev, options.digits);
    const FreeCounts& counts = free_counts();
    if (counts.flagged != counts.freed) {
        std::fprintf(stderr, "xlhost: %ld result(s) marked xlbitDLLFree, %ld handed back\n", counts.flagged, counts.freed);
        return 1;
    }
    if (ev.failures > 0) {
        std::fprintf(stderr, "xlhost: %d add-in result(s) could not be read\n", ev.failures);
        return 1;
    }
    return 0;
}

} // namespace xlhost
