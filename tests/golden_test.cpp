// The golden-section search's end near a minimum at exactly zero: the repeat
// guard, the pass bound, and a perfect mirror whose search cycles.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "core/golden.h"
#include "core/wavefront.h"
#include "support.h"

using namespace pellux;
using pellux::test::same_double;

namespace {

const double kMinSubnormal = std::numeric_limits<double>::denorm_min();

TEST(GoldenSearch, RepeatGuardEndsCyclesOfEveryLength)
{
    // States that narrow for `lead` passes, then cycle with period `period`
    // (with a bracket of constant width, or one that changes within the
    // cycle). The guard must fire only on a true repeat, at once for the
    // periods 1 and 2, and within three periods otherwise.
    struct Case {
        int lead, period;
        bool widths_vary;
    };
    const Case cases[] = {{5, 1, false},   {5, 2, false},  {40, 3, false}, {40, 5, true},
                          {100, 17, false}, {100, 17, true}, {3, 64, true}};
    for (const Case& c : cases) {
        auto state = [&](int k, GoldenState& out) {
            const int i = (k - c.lead) % c.period;
            const double half = k < c.lead ? 1000.0 - k : 1 + (c.widths_vary ? 0.5 * i : 0);
            const double inner = k < c.lead ? 0 : i;
            const double values[6] = {-half, inner, inner, half, 0, 0};
            for (int v = 0; v < 6; ++v)
                out[v] = values[v];
        };
        GoldenState before;
        state(0, before);
        RepeatGuard guard = repeat_guard_start(before);
        int fired = 0;
        for (int k = 1; k <= c.lead + 4 * c.period && fired == 0; ++k) {
            GoldenState after;
            state(k, after);
            if (repeat_seen(guard, before, after))
                fired = k;
            for (int v = 0; v < 6; ++v)
                before[v] = after[v];
        }
        SCOPED_TRACE(c.period);
        ASSERT_GE(fired, c.lead + c.period);
        EXPECT_LE(fired, c.lead + (c.period <= 2 ? 1 : 3) * c.period);
    }
}

TEST(GoldenSearch, WidestBracketEndsWithinItsPassBound)
{
    // From the widest bracket of doubles into the subnormals around a minimum
    // at zero: the most passes a search makes.
    const double max = std::numeric_limits<double>::max();
    struct Case {
        double x0, x3;
        double (*objective)(double);
        double point;
        int passes;
    };
    const Case cases[] = {
        {-max, max, [](double x) { return std::fabs(x); }, 0, 3024},
        {0, max, [](double) { return 0.0; }, kMinSubnormal, 3022},
    };
    for (const Case& c : cases) {
        FitStatus status = 0;
        const GoldenResult r = golden_minimize(c.x0, c.x3, 1e-6, c.objective, status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(same_double(r.point, c.point));
        EXPECT_EQ(r.passes, c.passes);
    }
}

TEST(BestCocForWFE, PerfectMirrorCycleEnds)
{
    // Every reading on its ideal, and the six values of the search repeat
    // with period 2 from pass 1,551 on instead of standing still.
    const double zero[5] = {0, 0, 0, 0, 0};
    const double t = 1.7672219924318378;
    const double tol[5] = {t, t, t, t, t};
    const double zeff[5] = {3.4408102686971098, 1.6050419133657856, 0.53121378312004908,
                            1.1343971873176817, 7.5304886053650018};
    const double zwidth[5] = {0.16710963392090195, 0.61110561619614012, 0.26209966685886266,
                              0.40705397331445647, 0.46599170734147921};
    FitStatus status = 0;
    double coc = 99;
    int passes = 0;
    const double value = best_coc_for_wfe(zero, zero, tol, zeff, zwidth, 5, 8.2701948575163957,
                                          0.000022, 1e-6, coc, status, &passes);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(same_double(value, 0));
    EXPECT_TRUE(same_double(coc, -6.6693921532109871e-320)); // subnormal
    EXPECT_EQ(passes, 1553); // the first state that equals the one two passes back
}

} // namespace
