#include "tools/xlhost/workbook_orcus.h"

#include "tools/xlhost/expression.h"
#include "tools/xlhost/ods_matrix.h"

#include <orcus/format_detection.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <cmath>
#include <map>
#include <memory>
#include <stdexcept>

namespace ss = orcus::spreadsheet;
namespace iface = orcus::spreadsheet::iface;

namespace xlhost {

namespace {

Grammar grammar_of(ss::formula_grammar_t g)
{
    if (g == ss::formula_grammar_t::ods)
        return Grammar::OpenFormula;
    if (g == ss::formula_grammar_t::xlsx)
        return Grammar::Excel;
    throw std::runtime_error("a formula grammar xlhost does not read");
}

// Days since 1899-12-30 (Excel's serial numbers, from March 1900 on).
double serial_date(int year, int month, int day, int hour, int minute, double second)
{
    auto days = [](long y, long m, long d) { // days from civil, 0 = 1970-01-01
        y -= m <= 2;
        long era = (y >= 0 ? y : y - 399) / 400;
        long yoe = y - era * 400;
        long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
    };
    double whole = static_cast<double>(days(year, month, day) - days(1899, 12, 30));
    return whole + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

struct SheetData;

class FormulaImport : public iface::import_formula {
public:
    explicit FormulaImport(SheetData& sheet) : sheet_(sheet) {}
    void set_position(ss::row_t row, ss::col_t column) override { row_ = row, column_ = column, shared_ = -1, text_.clear(); }
    void set_formula(ss::formula_grammar_t g, std::string_view f) override { grammar_ = grammar_of(g), text_ = f; }
    void set_shared_formula_index(std::size_t index) override { shared_ = static_cast<long>(index); }
    void set_result_string(std::string_view) override {}
    void set_result_value(double) override {}
    void set_result_bool(bool) override {}
    void set_result_empty() override {}
    void commit() override;

private:
    SheetData& sheet_;
    int row_ = 0, column_ = 0;
    long shared_ = -1;
    Grammar grammar_ = Grammar::Excel;
    std::string text_;
};

class ArrayImport : public iface::import_array_formula {
public:
    explicit ArrayImport(SheetData& sheet) : sheet_(sheet) {}
    void set_range(const ss::range_t& r) override { range_ = r; }
    void set_formula(ss::formula_grammar_t g, std::string_view f) override { grammar_ = grammar_of(g), text_ = f; }
    void set_result_string(ss::row_t, ss::col_t, std::string_view) override {}
    void set_result_value(ss::row_t, ss::col_t, double) override {}
    void set_result_bool(ss::row_t, ss::col_t, bool) override {}
    void set_result_empty(ss::row_t, ss::col_t) override {}
    void commit() override;

private:
    SheetData& sheet_;
    ss::range_t range_{};
    Grammar grammar_ = Grammar::Excel;
    std::string text_;
};

struct SharedFormula {
    int row = 0, column = 0;
    std::string text;
};

struct SheetData : iface::import_sheet {
    SheetData(Sheet& s, const std::vector<std::string>& strings) : sheet(s), strings(strings) {}
    Sheet& sheet;
    const std::vector<std::string>& strings;
    FormulaImport formula{*this};
    ArrayImport array{*this};
    std::map<long, SharedFormula> shared;          // by index: the first cell and its text
    std::vector<std::pair<CellKey, long>> followers; // cells that repeat a shared formula

    Cell& at(ss::row_t row, ss::col_t column)
    {
        if (row < 0 || column < 0 || row >= kMaxRows || column >= kMaxColumns)
            throw std::runtime_error("a cell off the grid");
        return sheet.cells[{row, column}];
    }
    iface::import_formula* get_formula() override { return &formula; }
    iface::import_array_formula* get_array_formula() override { return &array; }
    void set_auto(ss::row_t row, ss::col_t column, std::string_view s) override
    {
        double value = 0;
        at(row, column).value = text_as_number(s, value) ? number_value(value) : text_value(std::string(s));
    }
    void set_string(ss::row_t row, ss::col_t column, ss::string_id_t id) override
    {
        if (id >= strings.size())
            throw std::runtime_error("a string index beyond the shared strings");
        at(row, column).value = text_value(strings[id]);
    }
    void set_value(ss::row_t row, ss::col_t column, double value) override { at(row, column).value = number_value(value); }
    void set_bool(ss::row_t row, ss::col_t column, bool value) override { at(row, column).value = boolean_value(value); }
    void set_date_time(ss::row_t row, ss::col_t column, int y, int mo, int d, int h, int mi, double s) override
    {
        at(row, column).value = number_value(serial_date(y, mo, d, h, mi, s));
    }
    void set_format(ss::row_t, ss::col_t, std::size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
    void fill_down_cells(ss::row_t row, ss::col_t column, ss::row_t count) override
    {
        Cell source = at(row, column);
        for (ss::row_t i = 1; i <= count && row + i < kMaxRows; ++i)
            at(row + i, column) = source;
    }
    ss::range_size_t get_sheet_size() const override { return {kMaxRows, kMaxColumns}; }

    static bool text_as_number(std::string_view s, double& value)
    {
        std::string text(s);
        char* end = nullptr;
        value = std::strtod(text.c_str(), &end);
        return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
    }
};

void FormulaImport::commit()
{
    if (shared_ >= 0 && text_.empty()) {
        sheet_.followers.push_back({{row_, column_}, shared_});
        return;
    }
    if (shared_ >= 0)
        sheet_.shared[shared_] = SharedFormula{row_, column_, text_};
    Cell& cell = sheet_.at(row_, column_);
    cell = Cell{};
    cell.is_formula = true;
    cell.grammar = grammar_;
    cell.formula = text_;
}

void ArrayImport::commit()
{
    Cell& cell = sheet_.at(range_.first.row, range_.first.column);
    cell = Cell{};
    cell.is_formula = true;
    cell.grammar = grammar_;
    cell.formula = text_;
    cell.array_entered = true;
    cell.block_rows = std::max(1, range_.last.row - range_.first.row + 1);
    cell.block_columns = std::max(1, range_.last.column - range_.first.column + 1);
}

class SharedStrings : public iface::import_shared_strings {
public:
    std::vector<std::string> strings;
    std::size_t append(std::string_view s) override { return push(std::string(s)); }
    std::size_t add(std::string_view s) override { return push(std::string(s)); }
    void set_segment_font(std::size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void append_segment(std::string_view s) override { segments_ += s; }
    std::size_t commit_segments() override
    {
        std::size_t id = push(segments_);
        segments_.clear();
        return id;
    }

private:
    std::size_t push(std::string s)
    {
        strings.push_back(std::move(s));
        return strings.size() - 1;
    }
    std::string segments_;
};

// Cell addresses in the files' own references ("B3", "$A$1:$B$2").
class Resolver : public iface::import_reference_resolver {
public:
    ss::src_address_t resolve_address(std::string_view text) override
    {
        std::string plain;
        for (char c : text)
            if (c != '$')
                plain += c;
        int row = 0, column = 0;
        if (!read_cell_name(plain, row, column))
            throw std::runtime_error("not a cell address: " + std::string(text));
        return {0, row, column};
    }
    ss::src_range_t resolve_range(std::string_view text) override
    {
        std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            ss::src_address_t a = resolve_address(text);
            return {a, a};
        }
        return {resolve_address(text.substr(0, colon)), resolve_address(text.substr(colon + 1))};
    }
};

class Factory : public iface::import_factory {
public:
    explicit Factory(Workbook& book) : book_(book) { book_.sheets.reserve(4096); }
    iface::import_shared_strings* get_shared_strings() override { return &strings_; }
    iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override { return &resolver_; }
    iface::import_sheet* append_sheet(ss::sheet_t, std::string_view name) override
    {
        if (book_.sheets.size() >= book_.sheets.capacity())
            throw std::runtime_error("too many sheets");
        book_.sheets.push_back(Sheet{std::string(name), {}});
        sheets_.push_back(std::make_unique<SheetData>(book_.sheets.back(), strings_.strings));
        return sheets_.back().get();
    }
    iface::import_sheet* get_sheet(std::string_view name) override
    {
        int i = book_.find_sheet(name);
        return i < 0 ? nullptr : sheets_[static_cast<std::size_t>(i)].get();
    }
    iface::import_sheet* get_sheet(ss::sheet_t index) override
    {
        return index < 0 || static_cast<std::size_t>(index) >= sheets_.size() ? nullptr
                                                                              : sheets_[static_cast<std::size_t>(index)].get();
    }
    // Shared formulas: each follower gets the first cell's text, moved.
    void finalize() override
    {
        for (auto& data : sheets_)
            for (const auto& [key, index] : data->followers) {
                auto it = data->shared.find(index);
                if (it == data->shared.end())
                    throw std::runtime_error("a shared formula without its first cell");
                Cell& cell = data->at(key.first, key.second);
                cell = Cell{};
                cell.is_formula = true;
                cell.formula = shift_formula(it->second.text, key.first - it->second.row, key.second - it->second.column);
            }
    }

private:
    Workbook& book_;
    SharedStrings strings_;
    Resolver resolver_;
    std::vector<std::unique_ptr<SheetData>> sheets_;
};

} // namespace

bool read_spreadsheet(std::string_view content, Workbook& book, std::string& problem)
{
    try {
        orcus::format_t format =
            orcus::detect(reinterpret_cast<const unsigned char*>(content.data()), content.size());
        Factory factory(book);
        if (format == orcus::format_t::xlsx) {
            orcus::orcus_xlsx filter(&factory);
            filter.read_stream(content);
        } else if (format == orcus::format_t::ods) {
            orcus::orcus_ods filter(&factory);
            filter.read_stream(content);
            apply_matrix_spans(content, book);
        } else {
            problem = "not an xlsx or ods workbook (nor the xlhost-cells text form)";
            return false;
        }
    } catch (const std::exception& e) {
        problem = std::string("cannot read the workbook: ") + e.what();
        return false;
    } catch (...) {
        problem = "cannot read the workbook";
        return false;
    }
    if (book.sheets.empty()) {
        problem = "the workbook has no sheet";
        return false;
    }
    return true;
}

} // namespace xlhost
