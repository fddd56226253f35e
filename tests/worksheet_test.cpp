// The exported worksheet procedures, called as the host calls them.
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "host/platform.h"
#include "host/result.h"
#include "support.h"
#include "worksheet/procedures.h"

using namespace pellux;
using pellux::test::HostArray;
using pellux::test::same_double;

namespace {

const double kInf = std::numeric_limits<double>::infinity();

bool is_num_error(const XLOPER12* r) { return r->xltype == xltypeErr && r->val.err == xlerrNum; }

::testing::AssertionResult is_number(const XLOPER12* r, double expected)
{
    if (r->xltype != xltypeNum)
        return ::testing::AssertionFailure() << "type word " << r->xltype;
    return same_double(r->val.num, expected);
}

// Checks the pair form, then hands the block back as the host does.
::testing::AssertionResult take_pair(XLOPER12* r, double upper, double lower)
{
    if (r->xltype != (xltypeMulti | xlbitDLLFree) || r->val.array.rows != 2 ||
        r->val.array.columns != 1)
        return ::testing::AssertionFailure() << "not a 2 x 1 library-owned array";
    const XLOPER12* cells = r->val.array.lparray;
    static const unsigned char zero[32] = {};
    if (std::memcmp(cells - 1, zero, sizeof zero) != 0)
        return ::testing::AssertionFailure() << "block head is not zero";
    if (cells[0].xltype != xltypeNum || cells[1].xltype != xltypeNum)
        return ::testing::AssertionFailure() << "elements are not numbers";
    auto upper_ok = same_double(cells[0].val.num, upper);
    auto lower_ok = same_double(cells[1].val.num, lower);
    EXPECT_EQ(xlAutoFree12(r), 1);
    if (!upper_ok)
        return upper_ok << " (upper)";
    if (!lower_ok)
        return lower_ok << " (lower)";
    return ::testing::AssertionSuccess();
}

struct Mirror3 {
    HostArray data = HostArray::row({1.5, 2.0, 3.0});
    HostArray ideal = HostArray::row({1.0, 2.5, 2.0});
    HostArray tol = HostArray::row({0.5, 0.25, 2.0});
};

struct Mirror2 {
    HostArray data = HostArray::row({10, 40});
    HostArray ideal = HostArray::row({12, 37});
    HostArray tol = HostArray::row({5, 5});
    HostArray zeff = HostArray::row({1, 2});
    HostArray zwidth = HostArray::row({1, 1});
};

TEST(CalcMaxAbsTA, NumbersAndErrorsInItsOwnCell)
{
    Mirror3 m;
    const double cocs[] = {0.5, -1, 0};
    const double expected[] = {2, 6, 2};
    XLOPER12* first = nullptr;
    for (int i = 0; i < 3; ++i) {
        XLOPER12* r = xl_CalcMaxAbsTA(m.data, m.ideal, m.tol, &cocs[i]);
        EXPECT_TRUE(is_number(r, expected[i]));
        if (first == nullptr)
            first = r;
        EXPECT_EQ(r, first); // one static cell, rewritten by every call
    }
    const HostArray zero_tol = HostArray::row({0.5, 0, 2});
    EXPECT_TRUE(is_num_error(xl_CalcMaxAbsTA(m.data, m.ideal, zero_tol, &cocs[0])));
    EXPECT_TRUE(is_number(xl_CalcMaxAbsTA(m.data, m.ideal, m.tol, &cocs[0]), 2));
}

TEST(ZoneProcedures, ShapeFailuresGiveNumErrorWithoutReadingScalars)
{
    // A failed shape check must not touch the scalar arguments: they are null here.
    const HostArray row4 = HostArray::row({1, 2, 3, 4}), col4 = HostArray::column({1, 2, 3, 4});
    const HostArray grid(2, 3, {1, 2, 3, 4, 5, 6}), grid_t(3, 2, {1, 2, 3, 4, 5, 6});
    const HostArray row3 = HostArray::row({1, 2, 3}), col3 = HostArray::column({1, 2, 3});
    const HostArray empty(0, 1), wide(1, 40000);
    struct {
        const char* name;
        const ZoneVector *data, *ideal, *tol, *zeff, *zwidth;
        bool first_three_fail;
    } const cases[] = {
        {"row against column", row4, col4, row4, row4, row4, true},
        {"data of 2 x 3", grid, grid, grid, grid, grid, true},
        {"data 2 x 3, ideal 3 x 2", grid, grid_t, grid, grid, grid, true},
        {"tol shorter", row4, row4, row3, row4, row4, true},
        {"tol a column", row3, row3, col3, row3, row3, true},
        {"zeff other", row4, row4, row4, row3, row4, false},
        {"zwidth other", row4, row4, row4, row4, col4, false},
        {"no elements", empty, empty, empty, empty, empty, true},
        {"more than 32767 elements", wide, wide, wide, wide, wide, true},
    };
    for (const auto& c : cases) {
        if (c.first_three_fail) {
            EXPECT_TRUE(is_num_error(xl_CalcMaxAbsTA(c.data, c.ideal, c.tol, nullptr))) << c.name;
            EXPECT_TRUE(is_num_error(xl_MinimizeMaxAbsTA(c.data, c.ideal, c.tol, nullptr))) << c.name;
        }
        EXPECT_TRUE(is_num_error(
            xl_CalcWFE(c.data, c.ideal, c.tol, c.zeff, c.zwidth, nullptr, nullptr, nullptr)))
            << c.name;
        EXPECT_TRUE(is_num_error(
            xl_MinimizeWFE(c.data, c.ideal, c.tol, c.zeff, c.zwidth, nullptr, nullptr, nullptr)))
            << c.name;
    }
}

TEST(ZoneProcedures, NegativeInputsOtherThanTolerancesAreAccepted)
{
    const HostArray data = HostArray::row({-10, -40}), ideal = HostArray::row({-12, -37});
    const HostArray tol = HostArray::row({5, 5}), zeff = HostArray::row({-1, -2}),
                    zwidth = HostArray::row({-1, -1});
    const double coc = -3, rcurve = 100, wvl = 0.000022;
    EXPECT_EQ(xl_CalcMaxAbsTA(data, ideal, tol, &coc)->xltype, xltypeNum);
    EXPECT_EQ(xl_CalcWFE(data, ideal, tol, zeff, zwidth, &rcurve, &coc, &wvl)->xltype, xltypeNum);
}

TEST(MinimizeMaxAbsTA, PairResults)
{
    const HostArray data = HostArray::row({10, 20, 35, 50}), ideal = HostArray::row({12, 19, 30, 55}),
                    tol = HostArray::row({5, 4, 3, 2});
    const HostArray cdata = HostArray::column({10, 20, 35, 50}),
                    cideal = HostArray::column({12, 19, 30, 55}), ctol = HostArray::column({5, 4, 3, 2});
    const double fittol = 0.001;
    const auto live = heap_live_blocks();
    EXPECT_TRUE(take_pair(xl_MinimizeMaxAbsTA(data, ideal, tol, &fittol), 1.0002644278454071,
                          2.0000881426151356));
    EXPECT_TRUE(take_pair(xl_MinimizeMaxAbsTA(cdata, cideal, ctol, &fittol), 1.0002644278454071,
                          2.0000881426151356));
    const HostArray d7 = HostArray::row({7}), i2 = HostArray::row({2}), t05 = HostArray::row({0.5});
    EXPECT_TRUE(take_pair(xl_MinimizeMaxAbsTA(d7, i2, t05, &fittol), -5, 0));
    EXPECT_EQ(heap_live_blocks(), live);

    const HostArray bad_tol = HostArray::row({5, 4, -3, 2});
    EXPECT_TRUE(is_num_error(xl_MinimizeMaxAbsTA(data, ideal, bad_tol, &fittol)));
    EXPECT_EQ(heap_live_blocks(), live);
}

TEST(CalcWFE, NumbersAndErrors)
{
    Mirror2 m;
    const double rcurve = 100, zero = 0, one = 1, wvl = 0.000022, no_wvl = 0, minus = -1;
    EXPECT_TRUE(is_number(xl_CalcWFE(m.data, m.ideal, m.tol, m.zeff, m.zwidth, &rcurve, &zero, &wvl),
                          0.02727272727272727));
    EXPECT_TRUE(is_number(xl_CalcWFE(m.data, m.ideal, m.tol, m.zeff, m.zwidth, &rcurve, &one, &wvl),
                          0.03636363636363637));
    EXPECT_TRUE(is_number(
        xl_CalcWFE(m.data, m.ideal, m.tol, m.zeff, m.zwidth, &rcurve, &zero, &no_wvl), kInf));
    EXPECT_TRUE(is_num_error(
        xl_CalcWFE(m.data, m.ideal, m.tol, m.zeff, m.zwidth, &zero, &zero, &wvl)));
    EXPECT_TRUE(is_num_error(
        xl_CalcWFE(m.data, m.ideal, m.tol, m.zeff, m.zwidth, &minus, &zero, &wvl)));
    const HostArray zero_tol = HostArray::row({5, 0});
    EXPECT_TRUE(is_num_error(
        xl_CalcWFE(m.data, m.ideal, zero_tol, m.zeff, m.zwidth, &rcurve, &zero, &wvl)));

    // A perfect mirror with wvl 0: 0 / 0 is a number that is not a number.
    const XLOPER12* r = xl_CalcWFE(m.data, m.data, m.tol, m.zeff, m.zwidth, &rcurve, &zero, &no_wvl);
    EXPECT_EQ(r->xltype, xltypeNum);
    EXPECT_TRUE(std::isnan(r->val.num));

    // Nothing is allocated: a heap that refuses every block changes nothing.
    heap_fail_after(0);
    r = xl_CalcWFE(m.data, m.ideal, m.tol, m.zeff, m.zwidth, &rcurve, &zero, &wvl);
    heap_fail_after(-1);
    EXPECT_TRUE(is_number(r, 0.02727272727272727));
}

TEST(MinimizeWFE, PairResultsAndErrors)
{
    const HostArray data = HostArray::column({10, 40, 70}), ideal = HostArray::column({12, 37, 71}),
                    tol = HostArray::column({5, 4, 3}), zeff = HostArray::column({1, 2, 3}),
                    zwidth = HostArray::column({1, 1, 1});
    const double rcurve = 100, wvl = 0.000022, fittol = 0.001, zero = 0;
    const auto live = heap_live_blocks();
    EXPECT_TRUE(take_pair(xl_MinimizeWFE(data, ideal, tol, zeff, zwidth, &rcurve, &wvl, &fittol),
                          -0.5998942288618376, 0.02181914337398329));
    EXPECT_TRUE(take_pair(xl_MinimizeWFE(data, ideal, tol, zeff, zwidth, &rcurve, &zero, &fittol),
                          -0.5998942288618376, kInf));
    EXPECT_TRUE(is_num_error(xl_MinimizeWFE(data, ideal, tol, zeff, zwidth, &zero, &wvl, &fittol)));

    // One zone: flat profile, centre of curvature on the zone's ideal.
    const HostArray d = HostArray::row({7}), i = HostArray::row({2.5}), one = HostArray::row({1});
    EXPECT_TRUE(take_pair(xl_MinimizeWFE(d, i, one, one, one, &rcurve, &wvl, &fittol), -4.5, 0));

    // The search allocates nothing, so the pair block is the first and only
    // block: refused, #NUM!; granted, the pair.
    heap_fail_after(0);
    EXPECT_TRUE(is_num_error(xl_MinimizeWFE(data, ideal, tol, zeff, zwidth, &rcurve, &wvl, &fittol)));
    heap_fail_after(3);
    XLOPER12* granted = xl_MinimizeWFE(data, ideal, tol, zeff, zwidth, &rcurve, &wvl, &fittol);
    heap_fail_after(-1);
    EXPECT_TRUE(take_pair(granted, -0.5998942288618376, 0.02181914337398329));
    // The pair block alone: the search ran through, its allocation failed.
    heap_fail_after(0);
    const HostArray d4 = HostArray::row({10, 20, 35, 50}), i4 = HostArray::row({12, 19, 30, 55}),
                    t4 = HostArray::row({5, 4, 3, 2});
    const XLOPER12* r = xl_MinimizeMaxAbsTA(d4, i4, t4, &fittol);
    heap_fail_after(-1);
    EXPECT_TRUE(is_num_error(r));
    EXPECT_EQ(heap_live_blocks(), live);
}

TEST(Vignetting, AlwaysANumber)
{
    const double D = 6, N = 1.3, F = 48, L = 6, stop = 25, zero = 0, beyond = 60;
    XLOPER12* r = xl_Vignetting(&D, &N, &F, &L, &stop);
    EXPECT_EQ(r->xltype, xltypeNum);
    EXPECT_NEAR(r->val.num, -0.235074, 5e-7);
    EXPECT_TRUE(is_number(xl_Vignetting(&D, &N, &F, &L, &zero), 0));
    EXPECT_TRUE(is_number(xl_Vignetting(&D, &N, &F, &L, &beyond), -999.9));
    EXPECT_TRUE(is_number(xl_Vignetting(&D, &N, &F, &zero, &zero), -999.9));
    EXPECT_EQ(xl_Vignetting(&D, &N, &F, &L, &stop), r);
}

} // namespace
