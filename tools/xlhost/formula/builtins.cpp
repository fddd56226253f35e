// The worksheet functions xlhost knows itself: their table, and those that
// read ranges and arguments as a whole (SUM, COUNT, IF, INDEX, ...), with
// Excel's rules for blanks, text, booleans and errors. The functions of
// single values are in builtins_cells.cpp, the statistics in builtins_stats.cpp.
#include "tools/xlhost/formula/evaluate.h"
#include "tools/xlhost/formula/builtins_cells.h"
#include "tools/xlhost/formula/builtins_stats.h"

#include "host/xloper.h"

#include <cmath>
#include <string_view>

using namespace pellux;

namespace xlhost {

namespace {

using Builtin = Value (*)(const Node& call, Context& ctx);

CellValue number_argument(const Node& node, Context& ctx) { return to_number(to_scalar(evaluate(node, ctx), ctx)); }


template <CellValue (*F)(const std::vector<CellValue>&)>
Value lifted(const Node& call, Context& ctx)
{
    std::vector<Value> arguments;
    for (const Node& n : call.children)
        arguments.push_back(evaluate(n, ctx));
    return lift(ctx, arguments, F);
}

Value na(const Node&, Context&) { return scalar(error_value(xlerrNA)); }
Value pi(const Node&, Context&) { return scalar(number_value(3.141592653589793)); }
Value true_(const Node&, Context&) { return scalar(boolean_value(true)); }
Value false_(const Node&, Context&) { return scalar(boolean_value(false)); }

Value if_(const Node& call, Context& ctx)
{
    auto branch = [&](std::size_t i) {
        return i < call.children.size() ? evaluate(call.children[i], ctx)
                                        : scalar(i == 2 ? boolean_value(false) : number_value(0));
    };
    Value condition = evaluate(call.children[0], ctx);
    bool elementwise = ctx.array_mode && (condition.shape == Value::Shape::Array ||
                                          (condition.shape == Value::Shape::Range &&
                                           (condition.range.rows() > 1 || condition.range.columns() > 1)));
    if (elementwise)
        return lift(ctx, {condition, branch(1), branch(2)}, choose);
    CellValue c = to_boolean(to_scalar(condition, ctx));
    if (c.kind == ValueKind::Error)
        return scalar(c);
    return branch(c.number != 0 ? 1 : 2);
}

// Visits every value of an aggregate's arguments; `direct` is false for
// values inside references and arrays. `visit` returns false to stop.
template <typename Visit>
void each_value(const Node& call, Context& ctx, Visit visit)
{
    bool going = true;
    for (const Node& n : call.children) {
        if (!going)
            return;
        if (n.kind == NodeKind::Missing)
            continue;
        Value v = evaluate_as_array(n, ctx);
        if (v.shape == Value::Shape::Range)
            for_each_filled(ctx, v.range, [&](int, int, const CellValue& c) { going = going && visit(c, false); });
        else if (v.shape == Value::Shape::Array)
            for (const CellValue& c : v.cells)
                going = going && visit(c, false);
        else
            going = visit(v.scalar, true);
    }
}

Value sum(const Node& call, Context& ctx)
{
    std::vector<double> xs;
    CellValue failure = collect_numbers(call, ctx, xs);
    if (failure.kind == ValueKind::Error)
        return scalar(failure);
    double total = 0;
    for (double x : xs)
        total += x;
    return scalar(finite_number(total));
}

Value average(const Node& call, Context& ctx)
{
    std::vector<double> xs;
    CellValue failure = collect_numbers(call, ctx, xs);
    if (failure.kind == ValueKind::Error)
        return scalar(failure);
    if (xs.empty())
        return scalar(error_value(xlerrDiv0));
    double total = 0;
    for (double x : xs)
        total += x;
    return scalar(finite_number(total / static_cast<double>(xs.size())));
}

template <bool Largest>
Value extreme(const Node& call, Context& ctx)
{
    std::vector<double> xs;
    CellValue failure = collect_numbers(call, ctx, xs);
    if (failure.kind == ValueKind::Error)
        return scalar(failure);
    double best = xs.empty() ? 0 : xs[0];
    for (double x : xs)
        best = Largest ? (x > best ? x : best) : (x < best ? x : best);
    return scalar(number_value(best));
}

Value count(const Node& call, Context& ctx)
{
    double n = 0;
    each_value(call, ctx, [&](const CellValue& c, bool direct) {
        double ignored = 0;
        if (c.kind == ValueKind::Number ||
            (direct && (c.kind == ValueKind::Boolean || (c.kind == ValueKind::Text && text_as_number(c.text, ignored)))))
            ++n;
        return true;
    });
    return scalar(number_value(n));
}

template <bool All>
Value logical(const Node& call, Context& ctx)
{
    CellValue failure;
    bool any = false, result = All;
    each_value(call, ctx, [&](const CellValue& c, bool direct) {
        CellValue b = c;
        if (c.kind == ValueKind::Text || c.kind == ValueKind::Empty) {
            if (!direct || c.kind == ValueKind::Empty)
                return true;
            b = to_boolean(c);
        }
        if (b.kind == ValueKind::Error) {
            failure = b;
            return false;
        }
        any = true;
        result = All ? (result && b.number != 0) : (result || b.number != 0);
        return true;
    });
    if (failure.kind == ValueKind::Error)
        return scalar(failure);
    return scalar(any ? boolean_value(result) : error_value(xlerrValue));
}

Value index(const Node& call, Context& ctx)
{
    Value source = evaluate(call.children[0], ctx);
    int rows = source.shape == Value::Shape::Range ? source.range.rows() : source.rows;
    int columns = source.shape == Value::Shape::Range ? source.range.columns() : source.columns;
    CellValue r = number_argument(call.children[1], ctx);
    if (r.kind == ValueKind::Error)
        return scalar(r);
    bool has_column = call.children.size() > 2 && call.children[2].kind != NodeKind::Missing;
    CellValue c = has_column ? number_argument(call.children[2], ctx) : number_value(0);
    if (c.kind == ValueKind::Error)
        return scalar(c);
    double row = std::trunc(r.number), column = std::trunc(c.number);
    if (!has_column && rows == 1 && columns > 1)
        std::swap(row, column);
    if (row < 0 || column < 0)
        return scalar(error_value(xlerrValue));
    if (row > rows || column > columns)
        return scalar(error_value(xlerrRef));
    int r1 = row == 0 ? 0 : static_cast<int>(row) - 1, r2 = row == 0 ? rows - 1 : r1;
    int c1 = column == 0 ? 0 : static_cast<int>(column) - 1, c2 = column == 0 ? columns - 1 : c1;
    if (source.shape == Value::Shape::Scalar)
        return source;
    if (source.shape == Value::Shape::Range) {
        RangeRef& range = source.range;
        range = RangeRef{range.sheet, range.row1 + r1, range.column1 + c1, range.row1 + r2, range.column1 + c2};
        return source;
    }
    std::vector<CellValue> cells;
    for (int i = r1; i <= r2; ++i)
        for (int j = c1; j <= c2; ++j)
            cells.push_back(source.cells[static_cast<std::size_t>(i) * columns + j]);
    return cells.size() == 1 ? scalar(cells[0]) : array(r2 - r1 + 1, c2 - c1 + 1, std::move(cells));
}

struct Entry {
    std::string_view name;
    std::size_t fewest, most;
    Builtin function;
};

constexpr std::size_t kMany = 255;

constexpr Entry kBuiltins[] = {
    {"ABS", 1, 1, lifted<abs_of>},       {"AND", 1, kMany, logical<true>},     {"AVERAGE", 1, kMany, average},
    {"COUNT", 1, kMany, count},          {"ERROR.TYPE", 1, 1, lifted<error_type>},
    {"EXP", 1, 1, lifted<exp_of>},       {"FALSE", 0, 0, false_},              {"FIXED", 1, 3, lifted<fixed>},
    {"IF", 1, 3, if_},
    {"IFERROR", 2, 2, lifted<if_error>}, {"INDEX", 2, 3, index},               {"ISBLANK", 1, 1, lifted<is_blank>},
    {"ISERROR", 1, 1, lifted<is_error>}, {"ISNUMBER", 1, 1, lifted<is_number>}, {"ISNA", 1, 1, lifted<is_na>},
    {"ISTEXT", 1, 1, lifted<is_text>},   {"ISLOGICAL", 1, 1, lifted<is_logical>}, {"LEN", 1, 1, lifted<len>},
    {"MAX", 1, kMany, extreme<true>},
    {"MIN", 1, kMany, extreme<false>},   {"NA", 0, 0, na},                     {"NOT", 1, 1, lifted<not_of>},
    {"OR", 1, kMany, logical<false>},
    {"PI", 0, 0, pi},                    {"ROUND", 2, 2, lifted<round_of>},    {"SLOPE", 2, 2, slope},
    {"SQRT", 1, 1, lifted<sqrt_of>},     {"STDEV", 1, kMany, stdev},           {"SUM", 1, kMany, sum},
    {"TRUE", 0, 0, true_},
};

} // namespace

CellValue collect_numbers(const Node& call, Context& ctx, std::vector<double>& out)
{
    CellValue failure;
    each_value(call, ctx, [&](const CellValue& c, bool direct) {
        if (c.kind == ValueKind::Error) {
            failure = c;
            return false;
        }
        if (c.kind == ValueKind::Number) {
            out.push_back(c.number);
        } else if (direct && c.kind != ValueKind::Empty) {
            CellValue x = to_number(c);
            if (x.kind == ValueKind::Error) {
                failure = x;
                return false;
            }
            out.push_back(x.number);
        }
        return true;
    });
    return failure;
}

bool call_builtin(const std::string& name, const Node& call, Context& ctx, Value& result)
{
    for (const Entry& e : kBuiltins) {
        if (e.name != name)
            continue;
        std::size_t n = call.children.size();
        result = (n < e.fewest || n > e.most) ? scalar(error_value(xlerrValue)) : e.function(call, ctx);
        return true;
    }
    return false;
}

} // namespace xlhost
