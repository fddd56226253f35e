#include "tools/xlhost/workbook_print.h"

#include "tools/xlhost/cells/display.h"

#include <cstdio>

namespace xlhost {

namespace {

void print_line(const Workbook& book, const Evaluation& ev, int sheet, int row, int column, int digits)
{
    const auto& cells = ev.slots[static_cast<std::size_t>(sheet)];
    auto it = cells.find({row, column});
    std::string line = sheet_prefix(book.sheets[static_cast<std::size_t>(sheet)].name) + cell_name(row, column);
    if (it == cells.end()) {
        line += "  (empty)";
    } else {
        if (it->second.formula >= 0) {
            const Cell& cell = *ev.formulas[static_cast<std::size_t>(it->second.formula)].cell;
            line += cell.is_array() ? "  {=" + cell.formula + "}" : "  =" + cell.formula;
        }
        line += "  " + value_text(it->second.value, digits);
    }
    std::printf("%s\n", line.c_str());
}

} // namespace

std::string value_text(const CellValue& v, int digits)
{
    switch (v.kind) {
    case ValueKind::Number: return digits == 0 ? format_shortest(v.number) : format_general(v.number, digits);
    case ValueKind::Text: return v.text;
    case ValueKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case ValueKind::Error: return error_name(v.error) ? error_name(v.error) : "#ERROR(" + std::to_string(v.error) + ")";
    case ValueKind::Empty: break;
    }
    return "(empty)";
}

void print_formula_cells(const Workbook& book, const Evaluation& ev, int digits)
{
    for (std::size_t s = 0; s < ev.slots.size(); ++s)
        for (const auto& [key, slot] : ev.slots[s])
            if (slot.formula >= 0)
                print_line(book, ev, static_cast<int>(s), key.first, key.second, digits);
    std::fflush(stdout);
}

bool read_cell_list(std::string_view list, const Workbook& book, std::vector<RangeRef>& out, std::string& problem)
{
    if (book.sheets.empty()) {
        problem = "the workbook has no sheet";
        return false;
    }
    std::size_t start = 0;
    bool quoted = false;
    for (std::size_t i = 0; i <= list.size(); ++i) {
        if (i < list.size() && list[i] == '\'')
            quoted = !quoted;
        if (i < list.size() && (quoted || list[i] != ','))
            continue;
        std::string_view item = list.substr(start, i - start);
        start = i + 1;
        ExpressionParse parsed = parse_expression(item, Grammar::Excel, book, 0);
        if (!parsed.ok || parsed.root.kind != NodeKind::Reference) {
            problem = std::string("\"").append(item).append("\" is not a cell or range of this workbook");
            return false;
        }
        out.push_back(parsed.root.range);
    }
    return true;
}

void print_cells(const Workbook& book, const Evaluation& ev, const std::vector<RangeRef>& cells, int digits)
{
    for (const RangeRef& r : cells)
        for (int row = r.row1; row <= r.row2; ++row)
            for (int column = r.column1; column <= r.column2; ++column)
                print_line(book, ev, r.sheet, row, column, digits);
    std::fflush(stdout);
}

} // namespace xlhost
