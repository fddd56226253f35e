// The cell model of a workbook, shared by every reader and the evaluator:
// sheets of sparse cells holding constants or formula text.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace xlhost {

// Excel's grid.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;
// Excel's longest text, in UTF-16 units.
constexpr std::size_t kMaxTextLength = 32767;

enum class ValueKind : std::uint8_t { Empty, Number, Text, Boolean, Error };

struct CellValue {
    ValueKind kind = ValueKind::Empty;
    double number = 0;       // Number; Boolean as 0 or 1
    std::string text;        // Text, UTF-8
    std::int32_t error = 0;  // Error: an xlerr code
};

CellValue number_value(double value);
CellValue text_value(std::string text);
CellValue boolean_value(bool value);
CellValue error_value(std::int32_t code);

// "#N/A" for xlerrNA, ...; null for an unknown code.
const char* error_name(std::int32_t code);
// The code of "#N/A", ...; false for any other text.
bool error_code(std::string_view name, std::int32_t& code);

// ASCII case-insensitive equality, as Excel compares the names of sheets,
// defined names and functions.
bool same_name(std::string_view a, std::string_view b);

// The formula grammars that files carry.
enum class Grammar : std::uint8_t {
    Excel,       // xlsx: Sheet1!$A$2:$A$7, 'My sheet'!B3, ',' between arguments
    OpenFormula  // ods: [.A2:.A7], [$'My sheet'.B3], ';' between arguments
};

struct Cell {
    CellValue value;                 // a constant, when not a formula
    bool is_formula = false;
    Grammar grammar = Grammar::Excel;
    std::string formula;             // without the leading '='
    int block_rows = 1;              // an array formula's block, anchored here
    int block_columns = 1;
    bool is_array() const { return is_formula && (block_rows > 1 || block_columns > 1 || array_entered); }
    bool array_entered = false;      // entered as an array formula (even over one cell)
};

using CellKey = std::pair<int, int>; // zero-based row, column

struct Sheet {
    std::string name;
    std::map<CellKey, Cell> cells;
};

// A defined name (a named range or expression) and what it stands for.
struct DefinedName {
    std::string name;
    int sheet = -1;                  // the sheet it belongs to; -1: the workbook
    Grammar grammar = Grammar::Excel;
    std::string text;                // without '='
};

// What a workbook may hold, so that any file is answered within about
// 1 GB: cells (array blocks and repeats included), formulas, and bytes of
// text (constants and formula text).
constexpr long kMaxWorkbookCells = 1000000;
constexpr long kMaxWorkbookFormulas = 250000;
constexpr long kMaxWorkbookText = 64L << 20;
constexpr long kMaxWorkbookFile = 256L << 20;

struct WorkbookSize {
    double cells = 0, formulas = 0, text_bytes = 0;
};
// Adds `copies` of the cell; the limit passed, or empty.
std::string add_to_size(WorkbookSize& size, const Cell& cell, double copies);

struct Workbook {
    std::vector<Sheet> sheets;
    std::vector<DefinedName> names;
    // Index of the sheet of this name (case-insensitive, as Excel), or -1.
    int find_sheet(std::string_view name) const;
    // The name as a formula on `sheet` sees it (its sheet's own first), or null.
    const DefinedName* find_name(std::string_view name, int sheet) const;
};

// The length in UTF-16 units of UTF-8 text.
std::size_t utf16_length(std::string_view utf8);

// "A", "Z", "AA", ... for zero-based columns.
std::string column_name(int column);
// "B3" for row 2, column 1 (zero-based).
std::string cell_name(int row, int column);
// Reads "B3" (no '$', no sheet) into zero-based row and column.
bool read_cell_name(std::string_view text, int& row, int& column);
// The sheet name as a reference prefix: Data!, 'My sheet'!
std::string sheet_prefix(std::string_view name);

// Drops the cells that lie inside an array formula's block (cached results
// that readers may deliver) and clips blocks to the grid. Returns a message
// for each block that covers another formula, which it then shrinks away.
std::vector<std::string> settle_array_blocks(Workbook& book);

} // namespace xlhost
