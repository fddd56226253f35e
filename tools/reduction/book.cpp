#include "tools/reduction/book.h"
#include "tools/reduction/compare_sheet.h"

#include <algorithm>

namespace reduction {

namespace {

constexpr lxw_color_t kNavy = 0x1F3864;
constexpr lxw_color_t kGrey = 0x7F7F7F;
constexpr lxw_color_t kInputFill = 0xFFF2CC;
constexpr lxw_color_t kResultFill = 0xDDEBF7;
constexpr lxw_color_t kHeaderFill = 0xD9E1F2;
constexpr lxw_color_t kQuietFill = 0xF2F2F2;

lxw_format* make(lxw_workbook* wb, const char* num_format = nullptr)
{
    lxw_format* f = workbook_add_format(wb);
    format_set_font_name(f, "Calibri");
    format_set_font_size(f, 11);
    if (num_format != nullptr)
        format_set_num_format(f, num_format);
    return f;
}

lxw_format* boxed(lxw_workbook* wb, lxw_color_t fill, const char* num_format = nullptr)
{
    lxw_format* f = make(wb, num_format);
    format_set_bg_color(f, fill);
    format_set_border(f, LXW_BORDER_THIN);
    format_set_border_color(f, 0xBFBFBF);
    return f;
}

Formats make_formats(lxw_workbook* wb)
{
    Formats f{};
    f.title = make(wb);
    format_set_bold(f.title);
    format_set_font_size(f.title, 18);
    format_set_font_color(f.title, kNavy);
    f.subtitle = make(wb);
    format_set_italic(f.subtitle);
    format_set_font_color(f.subtitle, kGrey);
    f.section = make(wb);
    format_set_bold(f.section);
    format_set_font_size(f.section, 13);
    format_set_font_color(f.section, kNavy);
    format_set_bottom(f.section, LXW_BORDER_MEDIUM);
    format_set_bottom_color(f.section, kNavy);
    f.subhead = make(wb);
    format_set_bold(f.subhead);
    format_set_bg_color(f.subhead, kQuietFill);
    f.label = make(wb);
    f.unit = make(wb);
    format_set_font_color(f.unit, kGrey);
    format_set_italic(f.unit);
    f.input = boxed(wb, kInputFill, "General");
    format_set_align(f.input, LXW_ALIGN_RIGHT);
    format_set_unlocked(f.input);
    f.input_text = boxed(wb, kInputFill);
    format_set_align(f.input_text, LXW_ALIGN_CENTER);
    format_set_unlocked(f.input_text);
    f.input_formula = boxed(wb, kInputFill, "General");
    format_set_italic(f.input_formula);
    format_set_unlocked(f.input_formula);
    f.converted = make(wb, "0.0000");
    format_set_font_color(f.converted, kGrey);
    f.small = make(wb, "0.000E+00");
    format_set_font_color(f.small, kGrey);

    f.group = make(wb);
    format_set_bold(f.group);
    format_set_align(f.group, LXW_ALIGN_CENTER);
    format_set_bg_color(f.group, kHeaderFill);
    format_set_border(f.group, LXW_BORDER_THIN);
    format_set_border_color(f.group, 0xBFBFBF);
    f.header = make(wb);
    format_set_bold(f.header);
    format_set_text_wrap(f.header);
    format_set_align(f.header, LXW_ALIGN_CENTER);
    format_set_align(f.header, LXW_ALIGN_VERTICAL_CENTER);
    format_set_bg_color(f.header, kHeaderFill);
    f.unit_row = make(wb);
    format_set_align(f.unit_row, LXW_ALIGN_CENTER);
    format_set_font_color(f.unit_row, kGrey);
    format_set_italic(f.unit_row);
    format_set_bg_color(f.unit_row, kHeaderFill);
    format_set_bottom(f.unit_row, LXW_BORDER_THIN);
    f.zone_no = make(wb, "0");
    format_set_align(f.zone_no, LXW_ALIGN_CENTER);
    format_set_bold(f.zone_no);
    f.zone_input = boxed(wb, kInputFill, "General");
    format_set_unlocked(f.zone_input);
    const char* derived[10] = {"0.000", "0.000",    "0.00",     "0.00",   "0.0",
                               "0.000", "0.00E+00", "0.00E+00", "0.0000", "0.0000"};
    for (int i = 0; i < 10; ++i)
        f.derived[i] = make(wb, derived[i]);

    f.result = boxed(wb, kResultFill, "0.0000");
    format_set_bold(f.result);
    f.result_coc = boxed(wb, kResultFill, "0.000");
    format_set_bold(f.result_coc);
    f.result_fraction = boxed(wb, kResultFill);
    format_set_bold(f.result_fraction);
    format_set_align(f.result_fraction, LXW_ALIGN_RIGHT);
    f.result_percent = boxed(wb, kResultFill, "0.0%");
    format_set_bold(f.result_percent);
    f.result_nm = boxed(wb, kResultFill, "0.0");
    format_set_bold(f.result_nm);
    f.warning = make(wb);
    format_set_bold(f.warning);
    format_set_text_wrap(f.warning);
    format_set_align(f.warning, LXW_ALIGN_VERTICAL_TOP);
    format_set_font_color(f.warning, 0x9C5700);
    f.verdict = make(wb);
    format_set_bold(f.verdict);
    f.remark = make(wb);
    format_set_italic(f.remark);

    f.howto_head = make(wb);
    format_set_bold(f.howto_head);
    format_set_font_size(f.howto_head, 13);
    format_set_font_color(f.howto_head, kNavy);
    format_set_bottom(f.howto_head, LXW_BORDER_MEDIUM);
    format_set_bottom_color(f.howto_head, kNavy);
    f.howto = make(wb);

    f.good = workbook_add_format(wb);
    format_set_font_color(f.good, 0x006100);
    format_set_bg_color(f.good, 0xC6EFCE);
    f.poor = workbook_add_format(wb);
    format_set_font_color(f.poor, 0x9C0006);
    format_set_bg_color(f.poor, 0xFFC7CE);
    f.check = workbook_add_format(wb);
    format_set_font_color(f.check, 0x9C5700);
    format_set_bg_color(f.check, 0xFFEB9C);
    return f;
}

// Widths that put columns A to P on one landscape page of A4 or Letter at
// the print scale.
void set_columns(lxw_worksheet* ws, const Layout& l)
{
    worksheet_set_column(ws, kColA, kColA, 2, nullptr);
    worksheet_set_column(ws, kColB, kColB, 6, nullptr);
    worksheet_set_column(ws, kColC, kColH, 9, nullptr);
    worksheet_set_column(ws, kColI, kColI, 10, nullptr);
    worksheet_set_column(ws, kColJ, kColM, 10.5, nullptr);
    worksheet_set_column(ws, kColN, kColN, 12, nullptr);
    worksheet_set_column(ws, kColO, kColO, 8, nullptr);
    worksheet_set_column(ws, kColP, kColP, 14, nullptr);
    worksheet_set_column(ws, kColP + 1, l.figures_col(), 10.5, nullptr);
}

// Landscape, Letter for a mirror in inches and A4 in millimetres, at one
// scale that keeps 11 pt text above 9 pt on either paper: page 1 holds the
// inputs, results and verdicts, page 2 the zone table and the charts, page 3
// the how-to; the title rows head every page. The chart columns and the
// error bars' points stay off the paper.
void set_page(Book& b, const Mirror& m, const Layout& l)
{
    worksheet_set_landscape(b.sheet);
    worksheet_set_paper(b.sheet, m.units == "mm" ? 9 : 1);
    worksheet_set_print_scale(b.sheet, kPrintScale);
    worksheet_set_margins(b.sheet, 0.35, 0.35, 0.4, 0.4);
    worksheet_set_footer(b.sheet, "&CPellux Foucault reduction, page &P of &N");
    worksheet_repeat_rows(b.sheet, 0, 1);
    worksheet_print_area(b.sheet, 0, kColA, l.howto_row + howto_rows(l) - 1, l.print_col());
    lxw_row_t breaks[] = {static_cast<lxw_row_t>(kTableHead), static_cast<lxw_row_t>(l.howto_row), 0};
    worksheet_set_h_pagebreaks(b.sheet, breaks);
}

const CachedValue* lookup(const Book& b, int row, int col)
{
    auto it = b.cached->find(a1(row, col));
    return it == b.cached->end() ? nullptr : &it->second;
}

} // namespace

void put_formula(Book& b, int row, int col, const std::string& formula, lxw_format* fmt)
{
    const CachedValue* v = lookup(b, row, col);
    if (v != nullptr && v->kind == CachedValue::Number)
        worksheet_write_formula_num(b.sheet, row, col, formula.c_str(), fmt, v->number);
    else if (v != nullptr && v->kind == CachedValue::Text)
        worksheet_write_formula_str(b.sheet, row, col, formula.c_str(), fmt, v->text.c_str());
    else
        worksheet_write_formula(b.sheet, row, col, formula.c_str(), fmt);
}

void put_verdict(Book& b, int row, int col, const std::string& formula, lxw_format* fmt)
{
    worksheet_write_formula_str(b.sheet, row, col, formula.c_str(), fmt, kRecalculate);
}

void put_column(Book& b, int row, int col, int rows, const std::string& formula, lxw_format* fmt)
{
    bool numbers = true;
    for (int k = 0; k < rows; ++k) {
        const CachedValue* v = lookup(b, row + k, col);
        numbers = numbers && v != nullptr && v->kind == CachedValue::Number;
    }
    auto value = [&](int k) { return numbers ? lookup(b, row + k, col)->number : 0.0; };
    worksheet_write_array_formula_num(b.sheet, row, col, row + rows - 1, col, formula.c_str(), fmt,
                                      value(0));
    // The other cells of an array block hold only their values.
    for (int k = 1; k < rows; ++k)
        worksheet_write_number(b.sheet, row + k, col, value(k), fmt);
}

void put_note(Book& b, int row, int col, const std::string& text)
{
    lxw_comment_options o{};
    o.author = const_cast<char*>("Pellux");
    o.width = 300;
    o.height = 90;
    worksheet_write_comment_opt(b.sheet, row, col, text.c_str(), &o);
}

bool write_workbook(const Mirror& m, const CachedValues& cached, const std::string& path,
                    std::string& error, const Compared* compared)
{
    lxw_workbook* wb = workbook_new(path.c_str());
    if (wb == nullptr) {
        error = "cannot create " + path;
        return false;
    }
    Book b{wb, workbook_add_worksheet(wb, kSheet), make_formats(wb), &cached};
    const Layout l = layout_for(static_cast<int>(m.zones.size()), m.runs);

    lxw_doc_properties props{};
    props.title = const_cast<char*>("Pellux Foucault reduction");
    props.subject = const_cast<char*>("Zonal Foucault test reduction with the Pellux add-in");
    props.author = const_cast<char*>("Pellux");
    workbook_set_properties(wb, &props);

    set_columns(b.sheet, l);
    worksheet_gridlines(b.sheet, LXW_HIDE_ALL_GRIDLINES);
    set_page(b, m, l);

    worksheet_write_string(b.sheet, 0, kColB, "Pellux Foucault reduction", b.f.title);
    worksheet_write_string(b.sheet, 1, kColB,
                           "Type into the yellow cells; the blue cells are the Pellux add-in's "
                           "results. How to use it: see below the charts.",
                           b.f.subtitle);

    write_inputs(b, m, l);
    write_results(b, l);
    write_zone_table(b, m, l);
    write_charts(b, l);
    write_howto(b, l);
    worksheet_set_selection(b.sheet, kRowUnits, kInValue, kRowUnits, kInValue);
    if (compared != nullptr)
        write_comparison(wb, b.f, *compared, m.units);

    const lxw_error status = workbook_close(wb);
    if (status != LXW_NO_ERROR) {
        error = std::string("cannot write ") + path + ": " + lxw_strerror(status);
        return false;
    }
    return true;
}

} // namespace reduction
