#include "tools/xlhost/read/xlsx_sheet.h"

#include "tools/xlhost/formula/expression.h"
#include "tools/xlhost/read/read_values.h"
#include "tools/xlhost/package/xml_read.h"

#include <map>
#include <set>

namespace xlhost {

namespace {

struct Shared {
    int row = 0, column = 0;
    std::string text;
};

class SheetHandler : public XmlHandler {
public:
    SheetHandler(const XlsxContext& context, Sheet& sheet) : context_(context), sheet_(sheet) {}

    void start_element(const orcus::sax::parser_element& e)
    {
        std::string_view n = e.name;
        if (n == "sheetData") {
            in_data_ = true;
        } else if (in_data_ && n == "row") {
            const std::string* r = attribute_value("r");
            long number = 0;
            if (r && !read_count(*r, kMaxRows, number))
                fail("row number \"" + *r + "\"");
            row_ = r ? static_cast<int>(number) - 1 : row_ + 1;
            if (row_ < 0 || row_ >= kMaxRows)
                fail("a row off the grid");
            column_ = -1;
        } else if (in_data_ && n == "c") {
            const std::string* r = attribute_value("r");
            if (r) {
                int row = 0, column = 0;
                if (!read_cell_name(*r, row, column))
                    fail("cell address \"" + *r + "\"");
                if (row != row_)
                    fail("cell " + *r + " outside its row");
                column_ = column;
            } else if (++column_ >= kMaxColumns) {
                fail("a cell off the grid");
            }
            type_ = attribute_or("t", "n");
            value_.clear(), formula_.clear(), inline_.clear();
            has_value_ = has_formula_ = has_inline_ = false;
            formula_type_.clear(), formula_ref_.clear(), formula_si_.clear();
        } else if (in_data_ && n == "v") {
            has_value_ = true, in_ = In::Value;
        } else if (in_data_ && n == "f") {
            has_formula_ = true, in_ = In::Formula;
            formula_type_ = attribute_or("t", "normal");
            formula_ref_ = attribute_or("ref", "");
            formula_si_ = attribute_or("si", "");
        } else if (in_data_ && n == "is") {
            has_inline_ = true;
        } else if (has_inline_ && n == "rPh") {
            ++phonetic_;
        } else if (has_inline_ && n == "t" && phonetic_ == 0) {
            in_ = In::Inline;
        }
        attributes_.clear();
    }

    void end_element(const orcus::sax::parser_element& e)
    {
        std::string_view n = e.name;
        if (n == "sheetData")
            in_data_ = false;
        else if (n == "rPh")
            --phonetic_;
        else if (in_data_ && n == "c")
            commit();
        if (n == "v" || n == "f" || n == "t")
            in_ = In::None;
    }

    void characters(std::string_view s, bool)
    {
        if (in_ == In::Value)
            value_ += s;
        else if (in_ == In::Formula)
            formula_ += s;
        else if (in_ == In::Inline)
            inline_ += s;
    }

    // Followers of shared formulas take their first cell's text, moved.
    void finish()
    {
        for (const auto& [key, si] : followers_) {
            auto it = shared_.find(si);
            if (it == shared_.end())
                throw ReadError(where(key.first, key.second) + "a shared formula without its first cell");
            Cell& cell = sheet_.cells[key];
            cell = Cell{};
            cell.is_formula = true;
            cell.formula = shift_formula(it->second.text, key.first - it->second.row, key.second - it->second.column);
            context_.size->text_bytes += static_cast<double>(cell.formula.size());
            std::string over = add_to_size(*context_.size, cell, 0); // checks, adds nothing
            if (!over.empty())
                throw ReadError(over);
        }
    }

private:
    enum class In { None, Value, Formula, Inline };

    std::string where(int row, int column) const { return "sheet \"" + sheet_.name + "\", cell " + cell_name(row, column) + ": "; }
    [[noreturn]] void fail(const std::string& what) const
    {
        throw ReadError("sheet \"" + sheet_.name + "\": " + what);
    }
    [[noreturn]] void fail_cell(const std::string& what) const { throw ReadError(where(row_, column_) + what); }

    void count(const Cell& cell)
    {
        std::string over = add_to_size(*context_.size, cell, 1);
        if (!over.empty())
            throw ReadError(over);
    }

    void commit()
    {
        CellKey key{row_, column_};
        if (!seen_.insert(key).second)
            fail_cell("the cell given twice");
        if (has_formula_ && formula_type_ == "shared" && formula_.empty()) {
            followers_.push_back({key, formula_si_});
            Cell follower;
            follower.is_formula = true;
            count(follower);
            return;
        }
        Cell cell;
        if (has_formula_ && !formula_.empty()) {
            if (formula_type_ == "dataTable")
                fail_cell("a data table (TABLE), which xlhost does not evaluate");
            if (formula_type_ != "normal" && formula_type_ != "shared" && formula_type_ != "array")
                fail_cell("a formula of type \"" + formula_type_ + "\"");
            cell.is_formula = true;
            cell.formula = formula_;
            if (formula_type_ == "shared")
                shared_[formula_si_] = Shared{row_, column_, formula_};
            if (formula_type_ == "array") {
                std::string ref = formula_ref_.empty() ? cell_name(row_, column_) : formula_ref_;
                std::size_t colon = ref.find(':');
                int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
                if (!read_cell_name(ref.substr(0, colon), r1, c1) ||
                    !read_cell_name(colon == std::string::npos ? ref : ref.substr(colon + 1), r2, c2) || r1 != row_ ||
                    c1 != column_ || r2 < r1 || c2 < c1)
                    fail_cell("an array formula's block \"" + ref + "\"");
                cell.array_entered = true;
                cell.block_rows = r2 - r1 + 1;
                cell.block_columns = c2 - c1 + 1;
            }
        } else if (!value_of(cell.value)) {
            return; // a styled blank
        }
        count(cell);
        sheet_.cells[key] = std::move(cell);
    }

    // The constant a cell holds, by its type; false when it holds none.
    bool value_of(CellValue& out) const
    {
        if (type_ == "inlineStr") {
            if (!has_inline_)
                return false;
            out = text_value(ooxml_text(inline_));
            return true;
        }
        if (!has_value_)
            return false;
        double number = 0;
        if (type_ == "n") {
            if (value_.empty())
                return false;
            if (!read_number(value_, number))
                fail_cell("not a number: \"" + value_ + "\"");
            out = number_value(number);
        } else if (type_ == "s") {
            long index = 0;
            if (!read_count(value_, 0x7fffffffL, index) || static_cast<std::size_t>(index) >= context_.strings->size())
                fail_cell("shared string \"" + value_ + "\" does not exist");
            out = text_value((*context_.strings)[static_cast<std::size_t>(index)]);
        } else if (type_ == "str") {
            out = text_value(ooxml_text(value_));
        } else if (type_ == "b") {
            if (value_ != "0" && value_ != "1" && value_ != "true" && value_ != "false")
                fail_cell("not a boolean: \"" + value_ + "\"");
            out = boolean_value(value_ == "1" || value_ == "true");
        } else if (type_ == "e") {
            std::int32_t code = 0;
            if (!error_code(value_, code))
                fail_cell("an unknown error value \"" + value_ + "\"");
            out = error_value(code);
        } else if (type_ == "d") {
            if (!read_iso_date(value_, context_.date1904 ? DateSystem::Excel1904 : DateSystem::Excel1900, number))
                fail_cell("not a date Excel holds: \"" + value_ + "\"");
            out = number_value(number);
        } else {
            fail_cell("a cell type \"" + type_ + "\" that xlhost does not know");
        }
        return true;
    }

    const XlsxContext& context_;
    Sheet& sheet_;
    bool in_data_ = false;
    int row_ = -1, column_ = -1, phonetic_ = 0;
    In in_ = In::None;
    std::string type_, value_, formula_, inline_, formula_type_, formula_ref_, formula_si_;
    bool has_value_ = false, has_formula_ = false, has_inline_ = false;
    std::map<std::string, Shared> shared_;
    std::set<CellKey> seen_;
    std::vector<std::pair<CellKey, std::string>> followers_;
};

} // namespace

void read_xlsx_sheet(std::string_view xml, std::string_view part, const XlsxContext& context, Sheet& sheet)
{
    SheetHandler handler(context, sheet);
    parse_xml(xml, handler, part);
    handler.finish();
}

} // namespace xlhost
