// Evaluating workbook formulas as Excel does: values, references, operators,
// built-in functions and the add-in's registered functions.
#pragma once

#include "tools/xlhost/cells/cells.h"
#include "tools/xlhost/formula/expression.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

// What an expression gives: one value, an array, or a reference to cells.
struct Value {
    enum class Shape : std::uint8_t { Scalar, Array, Range };
    Shape shape = Shape::Scalar;
    CellValue scalar;
    int rows = 1, columns = 1;
    std::vector<CellValue> cells; // Array: row by row
    RangeRef range;               // Range
};

Value scalar(CellValue v);
Value array(int rows, int columns, std::vector<CellValue> cells);

// The add-in's registered functions, as the evaluator sees them.
class AddinFunctions {
public:
    virtual ~AddinFunctions() = default;
    // The argument letters ("KKKE") of the function of this name (any case),
    // or false when no such function is registered.
    virtual bool find(std::string_view name, std::string& letters) = 0;
    // Calls it with one pointer per argument; the result as a value.
    // False when the result broke the rules (the message is printed).
    virtual bool call(std::string_view name, const std::vector<void*>& arguments, Value& result) = 0;
};

// A cell's value as formulas see it, and the formula that computes it.
struct Slot {
    CellValue value;
    int formula = -1; // index into Evaluation::formulas, or -1 for a constant
};

struct Formula {
    int sheet = 0, row = 0, column = 0;
    const Cell* cell = nullptr;
    Node root;
    bool parsed = false;
};

struct Evaluation {
    std::vector<std::map<CellKey, Slot>> slots; // one map per sheet
    // The same slots by column, in row order: a one-column range is read
    // without stepping over the other columns' cells.
    std::vector<std::map<int, std::vector<std::pair<int, const Slot*>>>> columns;
    std::vector<Formula> formulas;
    std::set<std::string> unknown_names;        // function names nobody knew
    int failures = 0;                           // add-in results that broke the rules
    long formula_parts = 0;                     // nodes of every parsed formula
    std::size_t result_text = 0;                // bytes of text results held
};

// A workbook too large to evaluate within xlhost's bounds.
struct EvaluationLimit : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The state one formula is evaluated in.
struct Context {
    const Workbook& book;
    Evaluation& evaluation;
    AddinFunctions* addins;
    int sheet = 0, row = 0, column = 0; // the formula's cell (its block's anchor)
    bool array_mode = false;            // ranges and arrays combine element by element
};

Value evaluate(const Node& node, Context& ctx);
// With array_mode set for the duration.
Value evaluate_as_array(const Node& node, Context& ctx);

// A cell's current value (Empty when nothing is there).
CellValue cell_at(const Context& ctx, int sheet, int row, int column);
// Calls `visit` for every cell that holds something inside the range, row by row.
template <typename Visit>
void for_each_filled(const Context& ctx, const RangeRef& r, Visit visit)
{
    if (r.column1 == r.column2 && static_cast<std::size_t>(r.sheet) < ctx.evaluation.columns.size()) {
        const auto& columns = ctx.evaluation.columns[static_cast<std::size_t>(r.sheet)];
        auto column = columns.find(r.column1);
        if (column == columns.end())
            return;
        const auto& list = column->second;
        auto it = std::lower_bound(list.begin(), list.end(), std::make_pair(r.row1, static_cast<const Slot*>(nullptr)));
        for (; it != list.end() && it->first <= r.row2; ++it)
            visit(it->first, r.column1, it->second->value);
        return;
    }
    const auto& cells = ctx.evaluation.slots[static_cast<std::size_t>(r.sheet)];
    auto it = cells.lower_bound({r.row1, r.column1});
    auto end = cells.upper_bound({r.row2, r.column2});
    for (; it != end; ++it)
        if (it->first.second >= r.column1 && it->first.second <= r.column2)
            visit(it->first.first, it->first.second, it->second.value);
}

// One value for a scalar context: a range by implicit intersection with the
// formula's row or column, an array by its first element.
CellValue to_scalar(const Value& v, const Context& ctx);
// A range or array as an array; #VALUE! when it is too large to hold.
Value to_array(const Value& v, const Context& ctx);
// Applies `f` element by element in array mode, else to scalars.
Value lift(Context& ctx, const std::vector<Value>& arguments, CellValue (*f)(const std::vector<CellValue>&));

// Excel's conversions; an error value passes through.
CellValue to_number(const CellValue& v);           // Number or Error
CellValue to_boolean(const CellValue& v);          // Boolean or Error
CellValue to_text(const CellValue& v);             // Text or Error
CellValue finite_number(double value);             // #NUM! for inf and nan
bool text_as_number(std::string_view text, double& value);

// A function call: a built-in, else a function the add-in registered, else #NAME?.
Value evaluate_call(const Node& call, Context& ctx);

// Built-in functions: calls `name` (upper case, prefixes removed), or
// returns false when there is no such built-in.
bool call_builtin(const std::string& name, const Node& call, Context& ctx, Value& result);

// Evaluates every formula of the book in dependency order; a circular
// reference gives #REF! in every cell of the cycle and a message.
Evaluation evaluate_workbook(const Workbook& book, AddinFunctions* addins);

} // namespace xlhost
