#include "tools/xlhost/cells/cells.h"

#include "host/xloper.h"

#include <algorithm>

namespace xlhost {

CellValue number_value(double value)
{
    CellValue v;
    v.kind = ValueKind::Number;
    v.number = value;
    return v;
}

CellValue text_value(std::string text)
{
    CellValue v;
    v.kind = ValueKind::Text;
    v.text = std::move(text);
    return v;
}

CellValue boolean_value(bool value)
{
    CellValue v;
    v.kind = ValueKind::Boolean;
    v.number = value ? 1 : 0;
    return v;
}

CellValue error_value(std::int32_t code)
{
    CellValue v;
    v.kind = ValueKind::Error;
    v.error = code;
    return v;
}

namespace {

struct ErrorName {
    std::int32_t code;
    const char* name;
};

constexpr ErrorName kErrors[] = {
    {pellux::xlerrNull, "#NULL!"}, {pellux::xlerrDiv0, "#DIV/0!"}, {pellux::xlerrValue, "#VALUE!"},
    {pellux::xlerrRef, "#REF!"},   {pellux::xlerrName, "#NAME?"},  {pellux::xlerrNum, "#NUM!"},
    {pellux::xlerrNA, "#N/A"},
};

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool plain_name_char(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

} // namespace

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

const char* error_name(std::int32_t code)
{
    for (const ErrorName& e : kErrors)
        if (e.code == code)
            return e.name;
    return nullptr;
}

bool error_code(std::string_view name, std::int32_t& code)
{
    for (const ErrorName& e : kErrors)
        if (same_name(name, e.name)) {
            code = e.code;
            return true;
        }
    return false;
}

const DefinedName* Workbook::find_name(std::string_view name, int sheet) const
{
    const DefinedName* global = nullptr;
    for (const DefinedName& n : names)
        if (same_name(n.name, name)) {
            if (n.sheet == sheet)
                return &n;
            if (n.sheet < 0)
                global = &n;
        }
    return global;
}

std::size_t utf16_length(std::string_view utf8)
{
    std::size_t n = 0;
    for (char c : utf8) {
        unsigned char b = static_cast<unsigned char>(c);
        if ((b & 0xc0) != 0x80)
            n += b >= 0xf0 ? 2 : 1;
    }
    return n;
}

std::string add_to_size(WorkbookSize& size, const Cell& cell, double copies)
{
    double area = cell.is_formula ? static_cast<double>(cell.block_rows) * cell.block_columns : 1;
    size.cells += copies * area;
    size.formulas += cell.is_formula ? copies : 0;
    size.text_bytes += copies * static_cast<double>(cell.formula.size() + cell.value.text.size());
    if (size.cells > kMaxWorkbookCells)
        return "more than " + std::to_string(kMaxWorkbookCells) + " cells (array blocks included), xlhost's limit";
    if (size.formulas > kMaxWorkbookFormulas)
        return "more than " + std::to_string(kMaxWorkbookFormulas) + " formulas, xlhost's limit";
    if (size.text_bytes > kMaxWorkbookText)
        return "more than " + std::to_string(kMaxWorkbookText >> 20) + " MB of text and formulas, xlhost's limit";
    return {};
}

int Workbook::find_sheet(std::string_view name) const
{
    for (std::size_t i = 0; i < sheets.size(); ++i)
        if (same_name(sheets[i].name, name))
            return static_cast<int>(i);
    return -1;
}

std::string column_name(int column)
{
    std::string text;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        text.insert(text.begin(), static_cast<char>('A' + (c - 1) % 26));
    return text;
}

std::string cell_name(int row, int column) { return column_name(column) + std::to_string(row + 1); }

bool read_cell_name(std::string_view text, int& row, int& column)
{
    std::size_t i = 0;
    long c = 0, r = 0;
    while (i < text.size() && i < 4 && ((text[i] >= 'A' && text[i] <= 'Z') || (text[i] >= 'a' && text[i] <= 'z')))
        c = c * 26 + (upper(text[i++]) - 'A' + 1);
    std::size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && r <= kMaxRows)
        r = r * 10 + (text[i++] - '0');
    if (digits == 0 || i == digits || i != text.size() || c > kMaxColumns || r < 1 || r > kMaxRows)
        return false;
    row = static_cast<int>(r - 1);
    column = static_cast<int>(c - 1);
    return true;
}

std::string sheet_prefix(std::string_view name)
{
    bool plain = !name.empty() && !(name[0] >= '0' && name[0] <= '9') && name[0] != '.';
    for (char c : name)
        plain = plain && plain_name_char(c);
    int row = 0, column = 0;
    if (plain && !read_cell_name(name, row, column) && !same_name(name, "TRUE") &&
        !same_name(name, "FALSE"))
        return std::string(name) + "!";
    std::string quoted = "'";
    for (char c : name) {
        quoted += c;
        if (c == '\'')
            quoted += c;
    }
    return quoted + "'!";
}

std::vector<std::string> settle_array_blocks(Workbook& book)
{
    std::vector<std::string> problems;
    for (Sheet& sheet : book.sheets) {
        for (auto& [key, cell] : sheet.cells) {
            if (!cell.is_formula)
                continue;
            cell.block_rows = std::clamp(cell.block_rows, 1, kMaxRows - key.first);
            cell.block_columns = std::clamp(cell.block_columns, 1, kMaxColumns - key.second);
        }
        for (auto& [key, cell] : sheet.cells) {
            if (!cell.is_formula || (cell.block_rows == 1 && cell.block_columns == 1))
                continue;
            for (int r = key.first; r < key.first + cell.block_rows; ++r) {
                auto it = sheet.cells.lower_bound({r, key.second});
                while (it != sheet.cells.end() && it->first.first == r &&
                       it->first.second < key.second + cell.block_columns) {
                    if (it->first == key) {
                        ++it;
                        continue;
                    }
                    if (it->second.is_formula) {
                        problems.push_back(sheet_prefix(sheet.name) + cell_name(key.first, key.second) +
                                           ": the array formula's block covers the formula in " +
                                           cell_name(it->first.first, it->first.second) + "; block cut to one cell");
                        cell.block_rows = cell.block_columns = 1;
                        break;
                    }
                    it = sheet.cells.erase(it);
                }
                if (cell.block_rows == 1 && cell.block_columns == 1)
                    break;
            }
        }
    }
    return problems;
}

} // namespace xlhost
