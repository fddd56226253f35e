#include "tools/xlhost/formula/evaluate.h"

#include "host/xloper.h"
#include "tools/xlhost/cells/display.h"

#include <charconv>
#include <cmath>

using namespace pellux;

namespace xlhost {

namespace {

// Most cells an array may hold.
constexpr long long kMaxArrayCells = 1LL << 20;

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Excel's order across kinds: numbers < text < booleans; text ignores case.
int compare_values(const CellValue& a, const CellValue& b)
{
    auto rank = [](ValueKind k) { return k == ValueKind::Number ? 0 : k == ValueKind::Text ? 1 : 2; };
    if (rank(a.kind) != rank(b.kind))
        return rank(a.kind) < rank(b.kind) ? -1 : 1;
    if (a.kind == ValueKind::Text) {
        std::size_t n = std::min(a.text.size(), b.text.size());
        for (std::size_t i = 0; i < n; ++i) {
            unsigned char x = static_cast<unsigned char>(upper(a.text[i]));
            unsigned char y = static_cast<unsigned char>(upper(b.text[i]));
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.text.size() == b.text.size() ? 0 : a.text.size() < b.text.size() ? -1 : 1;
    }
    return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
}

CellValue compare(char op, CellValue a, CellValue b)
{
    if (a.kind == ValueKind::Error)
        return a;
    if (b.kind == ValueKind::Error)
        return b;
    // An empty cell is 0, "" or FALSE, whichever the other side is.
    for (CellValue* side : {&a, &b}) {
        const CellValue& other = side == &a ? b : a;
        if (side->kind == ValueKind::Empty) {
            if (other.kind == ValueKind::Text)
                *side = text_value("");
            else if (other.kind == ValueKind::Boolean)
                *side = boolean_value(false);
            else
                *side = number_value(0);
        }
    }
    int c = compare_values(a, b);
    switch (op) {
    case '=': return boolean_value(c == 0);
    case 'N': return boolean_value(c != 0);
    case '<': return boolean_value(c < 0);
    case '>': return boolean_value(c > 0);
    case 'L': return boolean_value(c <= 0);
    default: return boolean_value(c >= 0);
    }
}

CellValue arithmetic(char op, const CellValue& a, const CellValue& b)
{
    CellValue x = to_number(a);
    if (x.kind == ValueKind::Error)
        return x;
    CellValue y = to_number(b);
    if (y.kind == ValueKind::Error)
        return y;
    double p = x.number, q = y.number;
    switch (op) {
    case '+': return finite_number(p + q);
    case '-': return finite_number(p - q);
    case '*': return finite_number(p * q);
    case '/': return q == 0 ? error_value(xlerrDiv0) : finite_number(p / q);
    default:
        if (p == 0 && q == 0)
            return error_value(xlerrNum);
        if (p == 0 && q < 0)
            return error_value(xlerrDiv0);
        return finite_number(std::pow(p, q));
    }
}

CellValue binary_scalar(char op, const CellValue& a, const CellValue& b)
{
    if (op == '&') {
        CellValue x = to_text(a);
        if (x.kind == ValueKind::Error)
            return x;
        CellValue y = to_text(b);
        if (y.kind == ValueKind::Error)
            return y;
        if (utf16_length(x.text) + utf16_length(y.text) > kMaxTextLength)
            return error_value(xlerrValue); // Excel's text ends at 32,767 characters
        return text_value(x.text + y.text);
    }
    if (op == '+' || op == '-' || op == '*' || op == '/' || op == '^')
        return arithmetic(op, a, b);
    return compare(op, a, b);
}

// The lifted operators; the operator rides in the third element.
CellValue binary_lifted(const std::vector<CellValue>& v) { return binary_scalar(static_cast<char>(v[2].number), v[0], v[1]); }

CellValue negate(const std::vector<CellValue>& v)
{
    CellValue x = to_number(v[0]);
    return x.kind == ValueKind::Error ? x : number_value(-x.number);
}

CellValue plus(const std::vector<CellValue>& v) { return v[0].kind == ValueKind::Empty ? number_value(0) : v[0]; }

CellValue percent(const std::vector<CellValue>& v)
{
    CellValue x = to_number(v[0]);
    return x.kind == ValueKind::Error ? x : finite_number(x.number / 100);
}

bool non_scalar(const Value& v)
{
    return v.shape == Value::Shape::Array ||
           (v.shape == Value::Shape::Range && (v.range.rows() > 1 || v.range.columns() > 1));
}

} // namespace

Value scalar(CellValue v)
{
    Value r;
    r.scalar = std::move(v);
    return r;
}

Value array(int rows, int columns, std::vector<CellValue> cells)
{
    Value r;
    r.shape = Value::Shape::Array;
    r.rows = rows;
    r.columns = columns;
    r.cells = std::move(cells);
    return r;
}

CellValue finite_number(double value) { return std::isfinite(value) ? number_value(value) : error_value(xlerrNum); }

bool text_as_number(std::string_view text, double& value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

CellValue to_number(const CellValue& v)
{
    switch (v.kind) {
    case ValueKind::Number: return v;
    case ValueKind::Boolean: return number_value(v.number);
    case ValueKind::Empty: return number_value(0);
    case ValueKind::Error: return v;
    case ValueKind::Text: {
        double value = 0;
        return text_as_number(v.text, value) ? number_value(value) : error_value(xlerrValue);
    }
    }
    return error_value(xlerrValue);
}

CellValue to_boolean(const CellValue& v)
{
    switch (v.kind) {
    case ValueKind::Number:
    case ValueKind::Boolean: return boolean_value(v.number != 0);
    case ValueKind::Empty: return boolean_value(false);
    case ValueKind::Error: return v;
    case ValueKind::Text: {
        std::string u;
        for (char c : v.text)
            u += upper(c);
        if (u == "TRUE" || u == "FALSE")
            return boolean_value(u == "TRUE");
        return error_value(xlerrValue);
    }
    }
    return error_value(xlerrValue);
}

CellValue to_text(const CellValue& v)
{
    switch (v.kind) {
    case ValueKind::Number: return text_value(format_general(v.number, 15));
    case ValueKind::Boolean: return text_value(v.number != 0 ? "TRUE" : "FALSE");
    case ValueKind::Empty: return text_value("");
    default: return v;
    }
}

CellValue cell_at(const Context& ctx, int sheet, int row, int column)
{
    const auto& cells = ctx.evaluation.slots[static_cast<std::size_t>(sheet)];
    auto it = cells.find({row, column});
    return it == cells.end() ? CellValue{} : it->second.value;
}

CellValue to_scalar(const Value& v, const Context& ctx)
{
    if (v.shape == Value::Shape::Scalar)
        return v.scalar;
    if (v.shape == Value::Shape::Array)
        return v.cells.empty() ? error_value(xlerrValue) : v.cells[0];
    const RangeRef& r = v.range;
    if (r.rows() == 1 && r.columns() == 1)
        return cell_at(ctx, r.sheet, r.row1, r.column1);
    if (r.columns() == 1 && ctx.row >= r.row1 && ctx.row <= r.row2)
        return cell_at(ctx, r.sheet, ctx.row, r.column1);
    if (r.rows() == 1 && ctx.column >= r.column1 && ctx.column <= r.column2)
        return cell_at(ctx, r.sheet, r.row1, ctx.column);
    return error_value(xlerrValue);
}

Value to_array(const Value& v, const Context& ctx)
{
    if (v.shape == Value::Shape::Array)
        return v;
    if (v.shape == Value::Shape::Scalar)
        return array(1, 1, {v.scalar});
    const RangeRef& r = v.range;
    if (static_cast<long long>(r.rows()) * r.columns() > kMaxArrayCells)
        return array(1, 1, {error_value(xlerrValue)});
    Value out = array(r.rows(), r.columns(), std::vector<CellValue>(static_cast<std::size_t>(r.rows()) * r.columns()));
    for_each_filled(ctx, r, [&](int row, int column, const CellValue& value) {
        out.cells[static_cast<std::size_t>(row - r.row1) * r.columns() + (column - r.column1)] = value;
    });
    return out;
}

Value lift(Context& ctx, const std::vector<Value>& arguments, CellValue (*f)(const std::vector<CellValue>&))
{
    std::vector<CellValue> values(arguments.size());
    bool elementwise = false;
    for (const Value& a : arguments)
        elementwise = elementwise || (ctx.array_mode && non_scalar(a));
    if (!elementwise) {
        for (std::size_t i = 0; i < arguments.size(); ++i)
            values[i] = to_scalar(arguments[i], ctx);
        return scalar(f(values));
    }
    std::vector<Value> arrays;
    int rows = 1, columns = 1;
    for (const Value& a : arguments) {
        arrays.push_back(to_array(a, ctx));
        rows = std::max(rows, arrays.back().rows);
        columns = std::max(columns, arrays.back().columns);
    }
    if (static_cast<long long>(rows) * columns > kMaxArrayCells)
        return scalar(error_value(xlerrValue));
    Value out = array(rows, columns, {});
    out.cells.reserve(static_cast<std::size_t>(rows) * columns);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < columns; ++j) {
            bool outside = false;
            for (std::size_t k = 0; k < arrays.size(); ++k) {
                const Value& a = arrays[k];
                int r = a.rows == 1 ? 0 : i, c = a.columns == 1 ? 0 : j;
                outside = outside || r >= a.rows || c >= a.columns;
                if (!outside)
                    values[k] = a.cells[static_cast<std::size_t>(r) * a.columns + c];
            }
            out.cells.push_back(outside ? error_value(xlerrNA) : f(values));
        }
    return out;
}

Value evaluate_as_array(const Node& node, Context& ctx)
{
    bool saved = ctx.array_mode;
    ctx.array_mode = true;
    Value v = evaluate(node, ctx);
    ctx.array_mode = saved;
    return v;
}

Value evaluate(const Node& node, Context& ctx)
{
    switch (node.kind) {
    case NodeKind::Constant: return scalar(node.value);
    case NodeKind::Missing: return scalar(CellValue{});
    case NodeKind::Reference: {
        Value v;
        v.shape = Value::Shape::Range;
        v.range = node.range;
        return v;
    }
    case NodeKind::Array: {
        std::vector<CellValue> cells;
        for (const Node& c : node.children)
            cells.push_back(c.value);
        return array(node.rows, node.columns, std::move(cells));
    }
    case NodeKind::Negate: return lift(ctx, {evaluate(node.children[0], ctx)}, node.op == '-' ? negate : plus);
    case NodeKind::Percent: return lift(ctx, {evaluate(node.children[0], ctx)}, percent);
    case NodeKind::Binary: {
        // Down the left operands first, so that long chains (A1+A2+...) need no deep recursion.
        std::vector<const Node*> chain;
        const Node* left = &node;
        for (; left->kind == NodeKind::Binary; left = &left->children[0])
            chain.push_back(left);
        Value result = evaluate(*left, ctx);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            result = lift(ctx,
                          {std::move(result), evaluate((*it)->children[1], ctx),
                           scalar(number_value(static_cast<unsigned char>((*it)->op)))},
                          binary_lifted);
        return result;
    }
    case NodeKind::Call: return evaluate_call(node, ctx);
    }
    return scalar(error_value(xlerrValue));
}

} // namespace xlhost
