// Function calls in workbook formulas: built-ins first, then the add-in's
// registered functions, whose "K" and "E" arguments are built here.
#include "tools/xlhost/formula/evaluate.h"

#include "host/xloper.h"
#include "tools/xlhost/formula/k_record.h"

using namespace pellux;

namespace xlhost {

namespace {

// A "K" record counts rows and columns in 16 bits.
constexpr int kMaxKExtent = 0xFFFF;

bool strip_prefix(std::string& name, std::string_view prefix)
{
    if (name.size() <= prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = name[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i])
            return false;
    }
    name.erase(0, prefix.size());
    return true;
}

// The numbers of a "K" argument, or the error it gives: text, booleans and
// empty cells give #VALUE!, an error value itself; the first in row order
// decides.
CellValue k_numbers(const Value& v, Context& ctx, int& rows, int& columns, std::vector<double>& numbers)
{
    if (v.shape == Value::Shape::Range && (v.range.rows() > kMaxKExtent || v.range.columns() > kMaxKExtent))
        return error_value(xlerrValue);
    Value a = to_array(v, ctx);
    if (a.rows > kMaxKExtent || a.columns > kMaxKExtent)
        return error_value(xlerrValue);
    rows = a.rows;
    columns = a.columns;
    numbers.clear();
    numbers.reserve(a.cells.size());
    for (const CellValue& c : a.cells) {
        if (c.kind == ValueKind::Error)
            return c;
        if (c.kind != ValueKind::Number)
            return error_value(xlerrValue);
        numbers.push_back(c.number);
    }
    return number_value(0);
}

Value call_addin(const std::string& name, const std::string& letters, const Node& call, Context& ctx)
{
    std::size_t n = call.children.size();
    if (n != letters.size())
        return scalar(error_value(xlerrValue));
    std::vector<std::vector<double>> records;
    records.reserve(n);
    std::vector<double> numbers(n);
    std::vector<void*> pointers;
    for (std::size_t i = 0; i < n; ++i) {
        const Node& argument = call.children[i];
        if (letters[i] == 'E') {
            CellValue c = to_scalar(evaluate(argument, ctx), ctx);
            if (c.kind == ValueKind::Error)
                return scalar(c);
            if (c.kind == ValueKind::Text)
                return scalar(error_value(xlerrValue));
            numbers[i] = c.number; // an empty cell is 0, a boolean 0 or 1
            pointers.push_back(&numbers[i]);
        } else if (letters[i] == 'K') {
            int rows = 0, columns = 0;
            std::vector<double> values;
            CellValue problem = k_numbers(evaluate_as_array(argument, ctx), ctx, rows, columns, values);
            if (problem.kind == ValueKind::Error)
                return scalar(problem);
            records.push_back(k_record(rows, columns, values.data()));
            pointers.push_back(records.back().data());
        } else {
            return scalar(error_value(xlerrValue));
        }
    }
    Value result;
    if (!ctx.addins->call(name, pointers, result))
        ++ctx.evaluation.failures;
    return result;
}

} // namespace

Value evaluate_call(const Node& call, Context& ctx)
{
    if (call.op == 'n') { // a name that is no plain reference
        ctx.evaluation.unknown_names.insert(call.name);
        return scalar(error_value(xlerrName));
    }
    std::string name = call.name;
    std::string plain = name; // Gnumeric's ods names an add-in's functions ORG.GNUMERIC._XLL.NAME
    if (strip_prefix(plain, "org.gnumeric.") && strip_prefix(plain, "_xll."))
        name = "_xll." + plain;
    bool addin_only = strip_prefix(name, "_xll.");
    if (!addin_only && !strip_prefix(name, "_xlfn."))
        strip_prefix(name, "_xlws.");
    if (!addin_only) {
        std::string upper_name;
        for (char c : name)
            upper_name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        Value result;
        if (call_builtin(upper_name, call, ctx, result))
            return result;
    }
    std::string letters;
    if (ctx.addins != nullptr && ctx.addins->find(name, letters))
        return call_addin(name, letters, call, ctx);
    ctx.evaluation.unknown_names.insert(call.name);
    return scalar(error_value(xlerrName));
}

} // namespace xlhost
