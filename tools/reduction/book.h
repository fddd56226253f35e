// Writing PelluxReduction.xlsx: the shared formats and cell writers, and one
// function per block of the sheet.
#pragma once

#include <string>

#include <xlsxwriter.h>

#include "tools/reduction/cached.h"
#include "tools/reduction/layout.h"
#include "tools/reduction/mirror.h"

namespace reduction {

struct Formats {
    lxw_format* title;
    lxw_format* subtitle;
    lxw_format* section;
    lxw_format* subhead;
    lxw_format* label;
    lxw_format* unit;
    lxw_format* input;
    lxw_format* input_text;
    lxw_format* input_formula;
    lxw_format* converted;
    lxw_format* small;       // converted values in scientific notation
    lxw_format* group;       // zone table group headers
    lxw_format* header;      // zone table column headers
    lxw_format* unit_row;
    lxw_format* zone_no;
    lxw_format* zone_input;
    lxw_format* derived[10];  // the zone table's derived columns, by kind
    lxw_format* result;
    lxw_format* result_coc;
    lxw_format* result_fraction;
    lxw_format* result_percent;
    lxw_format* result_nm;   // one decimal
    lxw_format* warning;
    lxw_format* verdict;
    lxw_format* remark;
    lxw_format* howto_head;
    lxw_format* howto;
    lxw_format* good;
    lxw_format* poor;
    lxw_format* check;
};

struct Book {
    lxw_workbook* workbook;
    lxw_worksheet* sheet;
    Formats f;
    const CachedValues* cached;
};

// A formula carrying the value xlhost computed for its cell, if known.
void put_formula(Book& b, int row, int col, const std::string& formula, lxw_format* fmt);
// A verdict or a remark on the results: its cached text asks for a
// recalculation, so that a viewer that shows cached values (LibreOffice's
// default for xlsx, with or without the extension) never shows a verdict
// that was not computed there.
inline constexpr const char* kRecalculate = "recalculate (Ctrl+Shift+F9) to see this";
void put_verdict(Book& b, int row, int col, const std::string& formula, lxw_format* fmt);
// An array formula over `rows` cells of one column, every cached value
// included.
void put_column(Book& b, int row, int col, int rows, const std::string& formula, lxw_format* fmt);
// A cell note saying what the input is and its unit.
void put_note(Book& b, int row, int col, const std::string& text);

// The print scale, per cent.
inline constexpr int kPrintScale = 82;
// Rows the how-to takes, its heading included.
int howto_rows(const Layout& l);

void write_inputs(Book& b, const Mirror& m, const Layout& l);
void write_zone_table(Book& b, const Mirror& m, const Layout& l);
void write_results(Book& b, const Layout& l);
void write_charts(Book& b, const Layout& l);
void write_howto(Book& b, const Layout& l);

struct Compared;

// Writes the whole workbook (with a comparison sheet when `compared` is
// given); false with a message when it cannot be saved.
bool write_workbook(const Mirror& m, const CachedValues& cached, const std::string& path,
                    std::string& error, const Compared* compared = nullptr);

} // namespace reduction
