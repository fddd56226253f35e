// Writes the xlsx fixtures of the workbook tests with libxlsxwriter:
//   make_workbooks DIR  ->  DIR/demo.xlsx, DIR/book.xlsx, DIR/bad.xlsx
// demo.xlsx: six zones of readings and the add-in's functions over them,
// by ranges and by array constants. book.xlsx adds a sheet of checks
// (names, argument rules, array blocks, a cycle, built-ins); bad.xlsx holds
// formulas and ranges that xlhost must refuse cleanly.
#include <xlsxwriter.h>

#include <cstdio>
#include <string>

namespace {

struct Item {
    const char* where; // a cell, or a block for an array formula
    const char* text;  // "=..." formula, "{=...}" array formula, "'..." text, else a number
};

const Item kData[] = {
    {"A1", "'data"},  {"B1", "'ideal"}, {"C1", "'tol"},    {"D1", "'Zeff"},     {"E1", "'Zwidth"},
    {"A2", "5"},      {"A3", "24"},     {"A4", "40.5"},    {"A5", "56"},        {"A6", "71"},     {"A7", "87"},
    {"B2", "3.88"},   {"B3", "22.66"},  {"B4", "38.6"},    {"B5", "54.39"},     {"B6", "70.15"},  {"B7", "85.8"},
    {"C2", "30"},     {"C3", "10"},     {"C4", "7.5"},     {"C5", "6"},         {"C6", "5"},      {"C7", "4.5"},
    {"D2", "0.61"},   {"D3", "1.475"},  {"D4", "1.925"},   {"D5", "2.285"},     {"D6", "2.595"},  {"D7", "2.87"},
    {"E2", "1.22"},   {"E3", "0.51"},   {"E4", "0.39"},    {"E5", "0.33"},      {"E6", "0.29"},   {"E7", "0.26"},
    {"G2", "'Rcurve"}, {"H2", "96"},    {"G3", "'wvl"},    {"H3", "0.0000217"}, {"G4", "'COC"},   {"H4", "-1.5"},
    {"G5", "'fittol"}, {"H5", "0.001"}, {"G7", "'D"},      {"H7", "6"},         {"G8", "'N"},     {"H8", "1.3"},
    {"G9", "'F"},     {"H9", "48"},     {"G10", "'L"},     {"H10", "6"},        {"G11", "'Dstop"}, {"H11", "25"},
};

#define DATA "{5;24;40.5;56;71;87}"
#define IDEAL "{3.88;22.66;38.6;54.39;70.15;85.8}"
#define TOL "{30;10;7.5;6;5;4.5}"
#define ZEFF "{0.61;1.475;1.925;2.285;2.595;2.87}"
#define ZWIDTH "{1.22;0.51;0.39;0.33;0.29;0.26}"

// Column B by ranges, column C the same with array constants.
const Item kResults[] = {
    {"A2", "'CalcMaxAbsTA"},
    {"B2", "=CalcMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,Data!H4)"},
    {"C2", "=CalcMaxAbsTA(" DATA "," IDEAL "," TOL ",-1.5)"},
    {"A3", "'CalcWFE"},
    {"B3", "=CalcWFE(Data!A2:A7,Data!B2:B7,Data!C2:C7,Data!D2:D7,Data!E2:E7,Data!H2,Data!H4,Data!H3)"},
    {"C3", "=CalcWFE(" DATA "," IDEAL "," TOL "," ZEFF "," ZWIDTH ",96,-1.5,0.0000217)"},
    {"A4", "'Vignetting"},
    {"B4", "=Vignetting(Data!H7,Data!H8,Data!H9,Data!H10,Data!H11)"},
    {"C4", "=Vignetting(6,1.3,48,6,25)"},
    {"A5", "'MinimizeMaxAbsTA"},
    {"B5:B6", "{=MinimizeMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,Data!H5)}"},
    {"C5:C6", "{=MinimizeMaxAbsTA(" DATA "," IDEAL "," TOL ",0.001)}"},
    {"A7", "'MinimizeWFE"},
    {"B7:B8", "{=MinimizeWFE(Data!$A$2:$A$7,Data!$B$2:$B$7,Data!$C$2:$C$7,Data!$D$2:$D$7,Data!$E$2:$E$7,"
              "Data!$H$2,Data!$H$3,Data!$H$5)}"},
    {"C7:C8", "{=MinimizeWFE(" DATA "," IDEAL "," TOL "," ZEFF "," ZWIDTH ",96,0.0000217,0.001)}"},
};

const Item kChecks[] = {
    // Listed before what they read.
    {"A1", "=B1*2"},
    {"B1", "=Data!A2+1"},
    // Add-in names: the _xll. prefix, any case.
    {"A3", "=_xll.CalcMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,-1.5)"},
    {"A4", "=calcmaxabsta(Data!A2:A7,Data!B2:B7,Data!C2:C7,-1.5)"},
    {"A5", "=_xll.VIGNETTING(6,1.3,48,6,25)"},
    {"B3", "='Mirror results'!B2*1"},
    {"E3", "=Data!A2:A7"},
    // K ranges: a text cell, empty cells, an error value; E: text, empty.
    {"A7", "=CalcMaxAbsTA(Data!A1:A7,Data!B1:B7,Data!C1:C7,-1.5)"},
    {"A8", "=CalcMaxAbsTA(Data!A2:A8,Data!B2:B8,Data!C2:C8,-1.5)"},
    {"A9", "=CalcMaxAbsTA(D9:D10,Data!B2:B3,Data!C2:C3,-1.5)"},
    {"D9", "=1/0"},
    {"D10", "5"},
    {"A10", "=CalcMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,Data!G2)"},
    {"A11", "=Vignetting(6,1.3,48,6,Z1)"},
    // Array blocks larger than the result.
    {"A13:A15", "{=MinimizeMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,0.001)}"},
    {"B13:C14", "{=MinimizeMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,0.001)}"},
    // A cycle, a cell that reads it, a cell that reads itself.
    {"A17", "=B17+1"},
    {"B17", "=A17*2"},
    {"C17", "=A17+1"},
    {"D17", "=D17"},
    // Built-ins and operators.
    {"A20", "=SQRT(Data!H7*6)"},
    {"A21", "=SUM(Data!A1:A7)"},
    {"A22", "=AVERAGE(Data!C2:C7)"},
    {"A23", "=MIN(Data!A2:A7,-1)"},
    {"A24", "=MAX(Data!A1:A7)"},
    {"A25", "=COUNT(Data!A1:A8,\"3\",TRUE)"},
    {"A26", "=ROUND(2.675,2)"},
    {"B26", "=ROUND(-1.5,0)"},
    {"A27", "=INDEX(Data!A2:E7,3,2)"},
    {"A28", "=IF(Data!A2>4,\"big\",\"small\")&\"!\""},
    {"A29", "=IFERROR(1/0,\"none\")"},
    {"A30", "=ISERROR(Data!A2/0)"},
    {"A31", "=AND(TRUE,1,Data!A1:A7)"},
    {"A32", "=OR(FALSE,0)"},
    {"A33", "=ISBLANK(Z99)"},
    {"B33", "=ISBLANK(Data!A1)"},
    {"A34", "=ISNUMBER(Data!A1)"},
    {"A35", "=PI()*2"},
    {"A36", "=ABS(-2)-2^2+2^3^2"},
    {"A37", "=-2^2"},
    {"A38", "=1+2*3-4/2"},
    {"A39", "=\"a\"&1.5&TRUE"},
    {"A40", "=\"abc\"=\"ABC\""},
    {"B40", "=2<\"1\""},
    {"A41", "=NoSuchFunction(1)"},
    {"A42", "=SUM(Data!A2:A7*2)"},
    {"A43", "=50%+Data!A2%"},
    {"A44:A44", "{=SUM(Data!A2:A7*Data!C2:C7)}"},
    {"A45", "=1/0"},
    {"B45", "=A45+1"},
};

const Item kBad[] = {
    {"A1", "=SUM(1,"},
    {"A2", "=NoSheet!A1"},
    {"A3", "=XFE1"},
    {"A4", "=A1048577+1"},
    {"A5", "=CalcMaxAbsTA(B1:B100000,B1:B100000,B1:B100000,0)"},
    {"A6", "=SUM(B1:B100000)"},
    {"A8", "=\"open"},
    {"A9", "=1+"},
};

bool put(lxw_worksheet* sheet, const Item& item)
{
    std::string where = item.where, text = item.text;
    lxw_error e;
    if (text[0] == '{') {
        std::string first = where.substr(0, where.find(':')), last = where.substr(where.find(':') + 1);
        e = worksheet_write_array_formula(sheet, lxw_name_to_row(first.c_str()), lxw_name_to_col(first.c_str()),
                                          lxw_name_to_row(last.c_str()), lxw_name_to_col(last.c_str()),
                                          text.c_str(), nullptr);
    } else {
        lxw_row_t row = lxw_name_to_row(where.c_str());
        lxw_col_t column = lxw_name_to_col(where.c_str());
        if (text[0] == '=')
            e = worksheet_write_formula(sheet, row, column, text.c_str(), nullptr);
        else if (text[0] == '\'')
            e = worksheet_write_string(sheet, row, column, text.c_str() + 1, nullptr);
        else
            e = worksheet_write_number(sheet, row, column, std::stod(text), nullptr);
    }
    if (e != LXW_NO_ERROR)
        std::fprintf(stderr, "make_workbooks: %s: %s\n", item.where, lxw_strerror(e));
    return e == LXW_NO_ERROR;
}

template <std::size_t N>
bool put_all(lxw_workbook* book, const char* name, const Item (&items)[N])
{
    lxw_worksheet* sheet = workbook_add_worksheet(book, name);
    bool ok = sheet != nullptr;
    for (const Item& item : items)
        ok = ok && put(sheet, item);
    return ok;
}

bool write(const std::string& path, bool checks)
{
    lxw_workbook* book = workbook_new(path.c_str());
    if (book == nullptr)
        return false;
    bool ok = put_all(book, "Data", kData) && put_all(book, "Mirror results", kResults);
    if (checks)
        ok = ok && put_all(book, "Checks", kChecks);
    return workbook_close(book) == LXW_NO_ERROR && ok;
}

bool write_bad(const std::string& path)
{
    lxw_workbook* book = workbook_new(path.c_str());
    if (book == nullptr)
        return false;
    bool ok = put_all(book, "Bad", kBad);
    lxw_worksheet* sheet = workbook_get_worksheet_by_name(book, "Bad");
    for (lxw_row_t row = 0; ok && row < 100000; ++row)
        ok = worksheet_write_number(sheet, row, 1, row + 1, nullptr) == LXW_NO_ERROR;
    std::string nested = "=" + std::string(250, '(') + "1" + std::string(250, ')');
    ok = ok && worksheet_write_formula(sheet, 6, 0, nested.c_str(), nullptr) == LXW_NO_ERROR;
    return workbook_close(book) == LXW_NO_ERROR && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_workbooks DIR\n", stderr);
        return 2;
    }
    std::string dir = argv[1];
    bool ok = write(dir + "/demo.xlsx", false) && write(dir + "/book.xlsx", true) && write_bad(dir + "/bad.xlsx");
    return ok ? 0 : 1;
}
