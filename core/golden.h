// Golden-section search for the centre of curvature that minimises an
// objective over a bracket, shared by both minimising functions.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/zones.h"

namespace pellux {

struct GoldenResult {
    double point; // best centre of curvature; 0 when the status failed
    double value; // objective at that point; 0 when the status failed
    int passes;   // narrowing passes made
};

struct GoldenConstants {
    double r; // (sqrt 5 - 1) / 2, the reciprocal of the golden ratio
    double c; // 1 - r
};

inline GoldenConstants golden_constants()
{
    const double r = (std::sqrt(5.0) - 1.0) * 0.5;
    return {r, 1.0 - r};
}

// Relative tolerance: fittol clamped to [1e-6, 0.1]; NaN stays NaN.
inline double golden_tolerance(double fittol)
{
    const double m = 0.1 < fittol ? 0.1 : fittol;
    return 0.000001 > m ? 0.000001 : m;
}

// A backstop only. Each pass narrows the bracket to 0.618 of its width, so
// one that ends by its own test, or whose state starts repeating near a
// minimum at zero, ends within about 3,100 passes (the widest bracket of
// doubles shrunk into the subnormals); the repeat guard then ends the rest.
constexpr int kGoldenPassLimit = 10000;

namespace detail {
inline bool same_bits(double a, double b)
{
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}

// The six values (x0, x1, x2, x3, f1, f2) of a search.
inline bool same_state(const double (&a)[6], const double (&b)[6])
{
    bool same = true;
    for (int k = 0; k < 6; ++k)
        same = same && same_bits(a[k], b[k]);
    return same;
}
} // namespace detail

// A search state: x0, x1, x2, x3, f1, f2.
using GoldenState = double[6];

// Ends a search whose state repeats. The exit test depends on the state
// alone, so a state seen before would recur for ever (near a minimum at
// exactly zero the points shrink into the subnormals, where the relative test
// underflows). A repeat of the state one or two passes back, the cycles seen
// in practice, is caught at once; any longer cycle by Brent's cycle
// detection, whose saved state is renewed after each power of two passes.
struct RepeatGuard {
    GoldenState older;  // the state two passes back
    GoldenState saved;  // Brent's saved state
    double narrowest;   // the narrowest bracket so far
    int power;          // passes between renewals of `saved`
    int since;          // passes since `saved` was renewed
    int passes;
};

inline RepeatGuard repeat_guard_start(const GoldenState& start)
{
    RepeatGuard guard{};
    for (int k = 0; k < 6; ++k)
        guard.saved[k] = start[k];
    guard.narrowest = std::fabs(start[3] - start[0]);
    guard.power = 1;
    return guard;
}

// After each pass, from the state before and after it: true when the state
// after it repeats an earlier one.
inline bool repeat_seen(RepeatGuard& guard, const GoldenState& before, const GoldenState& after)
{
    ++guard.passes;
    if (detail::same_state(before, after) ||
        (guard.passes >= 2 && detail::same_state(guard.older, after)) ||
        detail::same_state(guard.saved, after))
        return true;
    for (int k = 0; k < 6; ++k)
        guard.older[k] = before[k];
    // No cycle narrows the bracket below its own narrowest width, so renewing
    // the detection at each new narrowest width keeps its delay to about
    // twice the cycle's length once the bracket stops shrinking.
    const double width = std::fabs(after[3] - after[0]);
    const bool narrower = width < guard.narrowest;
    if (narrower)
        guard.narrowest = width;
    if (narrower || ++guard.since == guard.power) {
        guard.power = narrower ? 1 : guard.power * 2;
        guard.since = 0;
        for (int k = 0; k < 6; ++k)
            guard.saved[k] = after[k];
    }
    return false;
}

// Objective: double(double coc), which may write a failure into status.
template <class Objective>
GoldenResult golden_minimize(double x0, double x3, double fittol, Objective&& objective,
                             FitStatus& status)
{
    const double t = golden_tolerance(fittol);
    const GoldenConstants g = golden_constants();

    double x1 = g.r * x0 + g.c * x3;
    double x2 = g.r * x1 + g.c * x3;
    double f1 = objective(x1);
    double f2 = objective(x2);
    if (status != 0)
        return {0.0, 0.0, 0};

    const GoldenState start = {x0, x1, x2, x3, f1, f2};
    RepeatGuard guard = repeat_guard_start(start);

    int passes = 0;
    while (std::fabs(x3 - x0) > (std::fabs(x2) + std::fabs(x1)) * t) {
        const GoldenState before = {x0, x1, x2, x3, f1, f2};
        if (f2 >= f1) {
            x3 = x2;
            x2 = x1;
            f2 = f1;
            x1 = g.r * x2 + g.c * x0;
            f1 = objective(x1);
        } else {
            x0 = x1;
            x1 = x2;
            f1 = f2;
            x2 = g.r * x1 + g.c * x3;
            f2 = objective(x2);
        }
        ++passes;
        if (status != 0)
            return {0.0, 0.0, passes};
        const GoldenState after = {x0, x1, x2, x3, f1, f2};
        if (repeat_seen(guard, before, after) || passes >= kGoldenPassLimit)
            break;
    }

    if (f2 > f1)
        return {x1, f1, passes};
    return {x2, f2, passes};
}

} // namespace pellux
