// Formulas read into one expression tree by one parser: workbook formulas
// in both grammars (Excel's A1 grammar and OpenFormula), and the command
// line's calls.
#pragma once

#include "tools/xlhost/cells/cells.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

// A cell or a rectangular range on one sheet, zero-based, inclusive.
struct RangeRef {
    int sheet = 0;
    int row1 = 0, column1 = 0, row2 = 0, column2 = 0;
    int rows() const { return row2 - row1 + 1; }
    int columns() const { return column2 - column1 + 1; }
};

enum class NodeKind : std::uint8_t {
    Constant,  // value
    Reference, // range
    Array,     // constant array: rows x columns children, row by row
    Missing,   // an omitted argument: f(1,,2)
    Negate,    // -x (also +x, with op '+')
    Percent,   // x%
    Binary,    // op: + - * / ^ & = < > L (<=) G (>=) N (<>)
    Call       // name(children...)
};

struct Node {
    NodeKind kind = NodeKind::Constant;
    char op = 0;
    CellValue value;
    RangeRef range;
    int rows = 0, columns = 0;
    std::string name;
    std::vector<Node> children;
};

struct ExpressionParse {
    bool ok = false;
    Node root;
    std::string error;
    std::size_t position = 0; // offset of the fault
};

// Parses a formula (with or without '='); references name sheets of `book`
// and, without a sheet, `sheet`. A sheet that does not exist or a cell off
// the grid becomes the constant #REF!, as does an invalid reference.
ExpressionParse parse_expression(std::string_view text, Grammar grammar, const Workbook& book, int sheet);

// A formula of the command line: Excel's grammar on one line, one call whose
// arguments are numbers or array constants of numbers. The root is the Call;
// its children are number Constants (a sign folded in) and Arrays.
ExpressionParse parse_call(std::string_view text);

// The formula text with every relative row and column moved by the given
// offsets, as Excel fills a shared formula; cells moved off the grid
// become #REF!. Only the Excel grammar has shared formulas.
std::string shift_formula(std::string_view text, int rows, int columns);

} // namespace xlhost
