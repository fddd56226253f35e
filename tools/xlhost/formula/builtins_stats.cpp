#include "tools/xlhost/formula/builtins_stats.h"

#include <cmath>

#include "host/xloper.h"

using namespace pellux;

namespace xlhost {

namespace {

double mean(const std::vector<double>& xs)
{
    double total = 0;
    for (double x : xs)
        total += x;
    return total / static_cast<double>(xs.size());
}

// The cells of one argument, row by row, as SLOPE reads them.
bool argument_cells(const Node& node, Context& ctx, std::vector<CellValue>& out, CellValue& failure)
{
    Value v = to_array(evaluate_as_array(node, ctx), ctx);
    if (v.shape == Value::Shape::Scalar) {
        out.push_back(v.scalar);
    } else {
        out = std::move(v.cells);
    }
    for (const CellValue& c : out)
        if (c.kind == ValueKind::Error) {
            failure = c;
            return false;
        }
    return true;
}

} // namespace

Value stdev(const Node& call, Context& ctx)
{
    std::vector<double> xs;
    CellValue failure = collect_numbers(call, ctx, xs);
    if (failure.kind == ValueKind::Error)
        return scalar(failure);
    if (xs.size() < 2)
        return scalar(error_value(xlerrDiv0));
    const double m = mean(xs);
    double squares = 0;
    for (double x : xs)
        squares += (x - m) * (x - m);
    return scalar(finite_number(std::sqrt(squares / static_cast<double>(xs.size() - 1))));
}

// SLOPE(known_y, known_x): pairs where both are numbers count; arguments of
// different sizes give #N/A, errors pass through, no spread in x #DIV/0!.
Value slope(const Node& call, Context& ctx)
{
    std::vector<CellValue> ys, xs;
    CellValue failure;
    if (!argument_cells(call.children[0], ctx, ys, failure) ||
        !argument_cells(call.children[1], ctx, xs, failure))
        return scalar(failure);
    if (ys.size() != xs.size())
        return scalar(error_value(xlerrNA));
    std::vector<double> y, x;
    for (std::size_t i = 0; i < ys.size(); ++i)
        if (ys[i].kind == ValueKind::Number && xs[i].kind == ValueKind::Number) {
            y.push_back(ys[i].number);
            x.push_back(xs[i].number);
        }
    if (x.empty())
        return scalar(error_value(xlerrDiv0));
    const double mx = mean(x), my = mean(y);
    double sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    if (sxx == 0)
        return scalar(error_value(xlerrDiv0));
    return scalar(finite_number(sxy / sxx));
}

} // namespace xlhost
