#include "tools/xlhost/read/ods_read.h"

#include "tools/xlhost/read/read_values.h"
#include "tools/xlhost/package/xml_read.h"

#include <cstdio>

namespace xlhost {

namespace {

struct RowCell {
    int column = 0;
    long repeat = 1;
    Cell cell;
};

class ContentHandler : public XmlHandler {
public:
    explicit ContentHandler(Workbook& book) : book_(book) {}

    void start_element(const orcus::sax::parser_element& e)
    {
        std::string_view ns = e.ns, n = e.name;
        if (skip_ > 0 || (in_cell_ && (n == "annotation" || ns == "draw"))) {
            ++skip_; // comments and shapes in a cell are not its value
        } else if (ns == "office" && n == "spreadsheet") {
            in_body_ = true;
        } else if (ns == "table" && (in_cell_ || (sheet_ >= 0 && n == "table")) &&
                   (n == "table" || n == "table-row" || n == "table-cell" || n == "covered-table-cell")) {
            throw ReadError("a " + std::string(n) + " inside a " + (in_cell_ ? "cell" : "table") +
                            ", which xlhost does not read");
        } else if (in_body_ && ns == "table" && n == "table" && sheet_ < 0) {
            std::string name = attribute_or("name", "", "table");
            if (name.empty() || book_.find_sheet(name) >= 0)
                throw ReadError("a sheet without a name, or one name twice");
            book_.sheets.push_back(Sheet{name, {}});
            sheet_ = static_cast<int>(book_.sheets.size()) - 1;
            row_ = 0;
        } else if (sheet_ >= 0 && ns == "table" && n == "table-row") {
            row_repeat_ = repeat("number-rows-repeated", kMaxRows);
            column_ = 0;
            row_cells_.clear();
        } else if (sheet_ >= 0 && ns == "table" && (n == "table-cell" || n == "covered-table-cell")) {
            in_cell_ = true;
            cell_attributes_ = attributes_;
            text_.clear();
            paragraphs_ = 0;
        } else if (in_cell_ && ns == "text" && n == "p") {
            if (paragraphs_++ > 0)
                text_ += '\n';
            ++in_text_;
        } else if (in_text_ > 0 && ns == "text" && n == "s") {
            text_.append(static_cast<std::size_t>(repeat("c", kMaxTextLength)), ' ');
        } else if (in_text_ > 0 && ns == "text" && n == "tab") {
            text_ += '\t';
        } else if (in_text_ > 0 && ns == "text" && n == "line-break") {
            text_ += '\n';
        } else if (in_body_ && ns == "table" && (n == "named-range" || n == "named-expression")) {
            DefinedName name;
            name.name = attribute_or("name", "", "table");
            name.sheet = sheet_;
            name.grammar = Grammar::OpenFormula;
            if (n == "named-range")
                name.text.append("[").append(attribute_or("cell-range-address", "", "table")).append("]");
            else
                name.text = formula_text(attribute_or("expression", "", "table"), false);
            book_.names.push_back(std::move(name));
        } else if (ns == "table" && n == "null-date") {
            std::string date = attribute_or("date-value", "1899-12-30", "table");
            double days = 0;
            if (std::sscanf(date.c_str(), "%4d-%2d-%2d", &null_year_, &null_month_, &null_day_) != 3 ||
                !read_iso_date(date, DateSystem::NullDate, days))
                throw ReadError("a null date \"" + date + "\"");
        }
        attributes_.clear();
    }

    void end_element(const orcus::sax::parser_element& e)
    {
        std::string_view ns = e.ns, n = e.name;
        if (skip_ > 0) {
            --skip_;
        } else if (ns == "text" && n == "p" && in_text_ > 0) {
            --in_text_;
        } else if (in_cell_ && ns == "table" && (n == "table-cell" || n == "covered-table-cell")) {
            in_cell_ = false;
            end_cell();
        } else if (sheet_ >= 0 && ns == "table" && n == "table-row") {
            end_row();
        } else if (ns == "table" && n == "table" && sheet_ >= 0) {
            sheet_ = -1;
        } else if (ns == "office" && n == "spreadsheet") {
            in_body_ = false;
        }
    }

    void characters(std::string_view s, bool)
    {
        if (in_text_ > 0 && skip_ == 0)
            text_ += s;
    }

private:
    std::string where() const
    {
        if (sheet_ < 0)
            return {};
        return "sheet \"" + book_.sheets[static_cast<std::size_t>(sheet_)].name + "\", cell " +
               cell_name(static_cast<int>(std::min<long>(row_, kMaxRows - 1)), std::min(column_, kMaxColumns - 1)) + ": ";
    }
    const std::string* cell_attribute(std::string_view name, std::string_view ns) const
    {
        for (const Attribute& a : cell_attributes_)
            if (a.name == name && a.ns == ns)
                return &a.value;
        return nullptr;
    }
    long repeat(std::string_view name, long most) const
    {
        const std::string* v = attribute_value(name, name == "c" ? "text" : "table");
        long n = 1;
        if (v && (!read_count(*v, 0x7fffffffL, n) || n < 1))
            throw ReadError("a repeat count \"" + *v + "\"");
        return std::min(n, most);
    }

    // OpenFormula text without its "of:=" (or "="); other grammars are refused.
    std::string formula_text(const std::string& text, bool in_cell) const
    {
        std::string_view f = text;
        std::size_t colon = f.find(':');
        std::size_t equals = f.find('=');
        if (colon != std::string_view::npos && colon < equals) {
            std::string_view prefix = f.substr(0, colon);
            if (prefix != "of")
                throw ReadError((in_cell ? where() : std::string()) + "a formula in the \"" + std::string(prefix) +
                                "\" grammar, which xlhost does not read");
            f.remove_prefix(colon + 1);
        }
        if (!f.empty() && f.front() == '=')
            f.remove_prefix(1);
        return std::string(f);
    }

    void end_cell()
    {
        long columns = 1;
        if (const std::string* v = cell_attribute("number-columns-repeated", "table"))
            if (!read_count(*v, 0x7fffffffL, columns) || columns < 1)
                throw ReadError(where() + "a repeat count \"" + *v + "\"");
        Cell cell;
        if (!cell_content(cell)) {
            column_ = static_cast<int>(std::min<long>(column_ + columns, kMaxColumns + 1L));
            return;
        }
        if (column_ + columns > kMaxColumns)
            throw ReadError(where() + "cells off the grid");
        row_cells_.push_back({column_, columns, std::move(cell)});
        column_ += static_cast<int>(columns);
    }

    bool cell_content(Cell& cell) const
    {
        if (const std::string* f = cell_attribute("formula", "table")) {
            cell.is_formula = true;
            cell.grammar = Grammar::OpenFormula;
            cell.formula = formula_text(*f, true);
            long rows = 0, columns = 0;
            const std::string* r = cell_attribute("number-matrix-rows-spanned", "table");
            const std::string* c = cell_attribute("number-matrix-columns-spanned", "table");
            if (r && c) {
                if (!read_count(*r, kMaxRows, rows) || !read_count(*c, kMaxColumns, columns) || rows < 1 || columns < 1)
                    throw ReadError(where() + "a matrix block of " + *r + " by " + *c);
                cell.array_entered = true;
                cell.block_rows = static_cast<int>(rows);
                cell.block_columns = static_cast<int>(columns);
            }
            return true;
        }
        const std::string* type = cell_attribute("value-type", "office");
        if (type == nullptr) {
            if (text_.empty())
                return false;
            cell.value = text_value(text_);
            return true;
        }
        auto need = [&](std::string_view name) -> const std::string& {
            const std::string* v = cell_attribute(name, "office");
            if (v == nullptr)
                throw ReadError(where() + "a " + *type + " cell without office:" + std::string(name));
            return *v;
        };
        double number = 0;
        if (*type == "float" || *type == "percentage" || *type == "currency") {
            if (!read_number(need("value"), number))
                throw ReadError(where() + "not a number: \"" + need("value") + "\"");
            cell.value = number_value(number);
        } else if (*type == "date") {
            if (!read_iso_date(need("date-value"), DateSystem::NullDate, number, null_year_, null_month_, null_day_))
                throw ReadError(where() + "not a date: \"" + need("date-value") + "\"");
            cell.value = number_value(number);
        } else if (*type == "time") {
            if (!read_duration(need("time-value"), number))
                throw ReadError(where() + "not a time: \"" + need("time-value") + "\"");
            cell.value = number_value(number);
        } else if (*type == "boolean") {
            const std::string& b = need("boolean-value");
            if (b != "true" && b != "false" && b != "1" && b != "0")
                throw ReadError(where() + "not a boolean: \"" + b + "\"");
            cell.value = boolean_value(b == "true" || b == "1");
        } else if (*type == "string") {
            const std::string* s = cell_attribute("string-value", "office");
            cell.value = text_value(s ? *s : text_);
        } else if (*type == "void") {
            return false;
        } else {
            throw ReadError(where() + "a value type \"" + *type + "\" that xlhost does not know");
        }
        return true;
    }

    void end_row()
    {
        if (!row_cells_.empty()) {
            if (row_ + row_repeat_ > kMaxRows)
                throw ReadError(where() + "cells off the grid");
            for (const RowCell& c : row_cells_) {
                std::string over = add_to_size(size_, c.cell, static_cast<double>(c.repeat) * row_repeat_);
                if (!over.empty())
                    throw ReadError(over);
            }
            auto& cells = book_.sheets[static_cast<std::size_t>(sheet_)].cells;
            for (long r = 0; r < row_repeat_; ++r)
                for (const RowCell& c : row_cells_)
                    for (long k = 0; k < c.repeat; ++k)
                        cells[{static_cast<int>(row_ + r), static_cast<int>(c.column + k)}] = c.cell;
        }
        row_ = std::min<long>(row_ + row_repeat_, kMaxRows + 1L);
    }

    Workbook& book_;
    bool in_body_ = false, in_cell_ = false;
    int sheet_ = -1, column_ = 0, in_text_ = 0, skip_ = 0, paragraphs_ = 0;
    long row_ = 0, row_repeat_ = 1;
    WorkbookSize size_;
    int null_year_ = 1899, null_month_ = 12, null_day_ = 30;
    std::vector<Attribute> cell_attributes_;
    std::string text_;
    std::vector<RowCell> row_cells_;
};

} // namespace

void read_ods(Package& package, Workbook& book)
{
    std::string content, problem;
    if (!package.read("content.xml", content, problem))
        throw ReadError(problem);
    read_ods_content(content, book);
}

void read_ods_content(std::string_view xml, Workbook& book)
{
    ContentHandler handler(book);
    parse_xml(xml, handler, "content.xml");
    if (book.sheets.empty())
        throw ReadError("content.xml holds no sheet");
}

} // namespace xlhost
