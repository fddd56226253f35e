#include "tools/xlhost/cells/cells_text.h"

#include "tools/xlhost/cells/display.h"

#include <charconv>
#include <cmath>

namespace xlhost {

namespace {

std::string escape(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

bool unescape(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        default: return false;
        }
    }
    return true;
}

// The next space-separated word of `line` from `at`.
std::string_view word(std::string_view line, std::size_t& at)
{
    std::size_t end = line.find(' ', at);
    if (end == std::string_view::npos)
        end = line.size();
    std::string_view w = line.substr(at, end - at);
    at = end < line.size() ? end + 1 : end;
    return w;
}

bool read_block(std::string_view address, int& row, int& column, int& rows, int& columns, bool& is_block)
{
    std::size_t colon = address.find(':');
    is_block = colon != std::string_view::npos;
    if (!is_block) {
        rows = columns = 1;
        return read_cell_name(address, row, column);
    }
    int last_row = 0, last_column = 0;
    if (!read_cell_name(address.substr(0, colon), row, column) ||
        !read_cell_name(address.substr(colon + 1), last_row, last_column) || last_row < row || last_column < column)
        return false;
    rows = last_row - row + 1;
    columns = last_column - column + 1;
    return true;
}

// NAME KIND TEXT: the workbook's before the first sheet line, else the sheet's.
void read_name_line(std::string_view line, Workbook& book, std::string& problem)
{
    std::size_t space = line.find(' ');
    DefinedName n;
    if (space == std::string_view::npos || line.substr(space, 3).size() < 3 || line[space + 2] != ' ' ||
        (line[space + 1] != 'f' && line[space + 1] != 'o') || !unescape(line.substr(0, space), n.name) ||
        n.name.empty() || !unescape(line.substr(space + 3), n.text)) {
        problem = "a name line reads \"name NAME f|o TEXT\"";
        return;
    }
    n.grammar = line[space + 1] == 'f' ? Grammar::Excel : Grammar::OpenFormula;
    n.sheet = static_cast<int>(book.sheets.size()) - 1;
    book.names.push_back(std::move(n));
}

bool read_cell_line(std::string_view line, Sheet& sheet, std::string& problem)
{
    std::size_t at = 0;
    std::string_view address = word(line, at);
    std::string_view kind = word(line, at);
    std::string_view payload = line.substr(at);
    int row = 0, column = 0, rows = 1, columns = 1;
    bool is_block = false;
    if (!read_block(address, row, column, rows, columns, is_block)) {
        problem = "not a cell or block address: \"" + std::string(address) + "\"";
        return false;
    }
    Cell cell;
    std::string text;
    if (kind == "n") {
        double value = 0;
        auto result = std::from_chars(payload.data(), payload.data() + payload.size(), value);
        if (result.ec != std::errc() || result.ptr != payload.data() + payload.size() || !std::isfinite(value)) {
            problem = "not a number: \"" + std::string(payload) + "\"";
            return false;
        }
        cell.value = number_value(value);
    } else if (kind == "s") {
        if (!unescape(payload, text)) {
            problem = "bad escape in text";
            return false;
        }
        cell.value = text_value(text);
    } else if (kind == "b") {
        if (payload != "TRUE" && payload != "FALSE") {
            problem = "a boolean is TRUE or FALSE, not \"" + std::string(payload) + "\"";
            return false;
        }
        cell.value = boolean_value(payload == "TRUE");
    } else if (kind == "e") {
        std::int32_t code = 0;
        if (!error_code(payload, code)) {
            problem = "not an error value: \"" + std::string(payload) + "\"";
            return false;
        }
        cell.value = error_value(code);
    } else if (kind == "f" || kind == "o") {
        if (!unescape(payload, cell.formula) || cell.formula.empty()) {
            problem = "empty formula or bad escape in it";
            return false;
        }
        cell.is_formula = true;
        cell.grammar = kind == "f" ? Grammar::Excel : Grammar::OpenFormula;
        cell.block_rows = rows;
        cell.block_columns = columns;
        cell.array_entered = is_block;
    } else {
        problem = "unknown kind \"" + std::string(kind) + "\" (n, s, b, e, f or o)";
        return false;
    }
    if (is_block && !cell.is_formula) {
        problem = "only an array formula takes a block address";
        return false;
    }
    if (!sheet.cells.emplace(CellKey{row, column}, std::move(cell)).second) {
        problem = "cell " + cell_name(row, column) + " given twice";
        return false;
    }
    return true;
}

} // namespace

bool looks_like_cells_text(std::string_view content)
{
    return content.substr(0, kCellsMagic.size()) == kCellsMagic;
}

bool read_cells_text(std::string_view content, Workbook& book, std::string& problem)
{
    std::size_t at = 0;
    int number = 0;
    bool header = false;
    while (at < content.size()) {
        std::size_t end = content.find('\n', at);
        if (end == std::string_view::npos)
            end = content.size();
        std::string_view line = content.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::string reason;
        if (!header) {
            if (line != std::string(kCellsMagic) + " 1")
                reason = "the first line must read \"" + std::string(kCellsMagic) + " 1\"";
            header = true;
        } else if (line.empty() || line[0] == '#') {
            continue;
        } else if (line.substr(0, 6) == "sheet ") {
            std::string name;
            if (!unescape(line.substr(6), name) || name.empty())
                reason = "bad sheet name";
            else if (book.find_sheet(name) >= 0)
                reason = "sheet \"" + name + "\" given twice";
            else
                book.sheets.push_back(Sheet{name, {}});
        } else if (line.substr(0, 5) == "name ") {
            read_name_line(line.substr(5), book, reason);
        } else if (book.sheets.empty()) {
            reason = "a cell before the first sheet line";
        } else {
            read_cell_line(line, book.sheets.back(), reason);
        }
        if (!reason.empty()) {
            problem = "line " + std::to_string(number) + ": " + reason;
            return false;
        }
    }
    if (!header) {
        problem = "empty file";
        return false;
    }
    return true;
}

std::string write_cells_text(const Workbook& book)
{
    std::string out = std::string(kCellsMagic) + " 1\n";
    auto names_of = [&](int sheet) {
        for (const DefinedName& n : book.names)
            if (n.sheet == sheet)
                out += "name " + escape(n.name) + (n.grammar == Grammar::Excel ? " f " : " o ") + escape(n.text) + "\n";
    };
    names_of(-1);
    for (const Sheet& sheet : book.sheets) {
        out += "sheet " + escape(sheet.name) + "\n";
        names_of(static_cast<int>(&sheet - book.sheets.data()));
        for (const auto& [key, cell] : sheet.cells) {
            out += cell_name(key.first, key.second);
            if (cell.is_formula) {
                if (cell.array_entered || cell.block_rows > 1 || cell.block_columns > 1)
                    out.append(":").append(cell_name(key.first + cell.block_rows - 1, key.second + cell.block_columns - 1));
                out += cell.grammar == Grammar::Excel ? " f " : " o ";
                out += escape(cell.formula);
            } else {
                const CellValue& v = cell.value;
                switch (v.kind) {
                case ValueKind::Number: out += " n " + format_shortest(v.number); break;
                case ValueKind::Text: out += " s " + escape(v.text); break;
                case ValueKind::Boolean: out += v.number != 0 ? " b TRUE" : " b FALSE"; break;
                case ValueKind::Error: out += std::string(" e ") + (error_name(v.error) ? error_name(v.error) : "#N/A"); break;
                case ValueKind::Empty: out.resize(out.size() - cell_name(key.first, key.second).size()); continue;
                }
            }
            out += "\n";
        }
    }
    return out;
}

} // namespace xlhost
