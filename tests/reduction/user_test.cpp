// The workbook as a user meets it: a reading typed as text, the add-in not
// loaded, and the P-V said as a fraction of a wave or in waves.
#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/reduction/workbook.h"

namespace {

using namespace reduction;
using reduction_test::Evaluated;
using reduction_test::Handling;

const std::string kNoAddin = "the Pellux add-in is not loaded: see Installing Pellux in the README";

std::string fixed(double x, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, x);
    return text;
}

TEST(User, PeakToValleyAsAFractionOfAWaveOrInWaves)
{
    struct {
        const char* name;
        Mirror m;
    } const cases[] = {
        {"near_paraboloid", worked_example(6)},
        {"sphere_6in_f8", reduction_test::parabolised(0, 6, 6, 96)},
        {"sphere_6in_f5", reduction_test::parabolised(0, 10, 6, 60)},
    };
    for (const auto& c : cases) {
        const Evaluated e = reduction_test::evaluate(c.m, std::string("fraction_") + c.name);
        const double pv = e.number(kRowPv, kOutValue);
        ASSERT_GT(pv, 0) << c.name << e.output;
        const std::string want = pv < 1 ? "1/" + fixed(1 / pv, 1 / pv >= 100 ? 0 : 1) + " wave"
                                        : fixed(pv, 2) + " waves";
        EXPECT_EQ(e.text(kRowPvFraction, kOutValue), want) << c.name;
    }
}

TEST(User, AReadingThatIsNotANumberIsNamedAndStopsTheVerdicts)
{
    const Mirror m = worked_example(6);
    const Layout l = layout_for(6, m.runs);
    const std::string run2_zone3 = a1(l.first + 2, l.run(1));
    const std::string run1_zone3 = a1(l.first + 2, l.run(0));

    const Evaluated comma = reduction_test::evaluate(m, "typed_comma", Handling{{{run2_zone3, "s 0,0405"}}});
    EXPECT_EQ(comma.text(l.first + 2, l.col(kCheck)), "zone 3, run 2: not a number. ");
    EXPECT_EQ(comma.text(l.first + 2, l.col(kReading)), "#N/A");
    EXPECT_EQ(comma.text(kRowReadings, kOutValue), "zone 3, run 2: not a number. ");
    for (int row : {kRowPvVerdict, kRowStrehlVerdict, kRowTaVerdict})
        EXPECT_EQ(comma.text(row, kOutValue), "check inputs") << row + 1;

    // A blank run is not measured: the zone's mean is its other runs'.
    const Evaluated blank = reduction_test::evaluate(m, "typed_blank", Handling{{{run1_zone3, ""}, {run2_zone3, "n 0.0405"}}});
    EXPECT_EQ(blank.text(l.first + 2, l.col(kCheck)), "");
    EXPECT_EQ(blank.text(kRowReadings, kOutValue), "all readings are numbers");
    EXPECT_EQ(blank.text(kRowPvVerdict, kOutValue).rfind("within 1/4 wave (probability ", 0), 0u);
}

TEST(User, WithoutTheAddInTheSheetSaysSo)
{
    const Evaluated e = reduction_test::evaluate(worked_example(6), "no_addin", Handling{{}, false});
    for (int row : {kRowPvVerdict, kRowStrehlVerdict, kRowTaVerdict})
        EXPECT_EQ(e.text(row, kOutValue), kNoAddin) << row + 1;
    EXPECT_EQ(e.text(kRowCovered, kInValue), kNoAddin);
    for (int row : {kRowUserTa, kRowUserWfe, kRowProfilePv})
        EXPECT_EQ(e.text(row, kOutRemark), kNoAddin) << row + 1;
    EXPECT_EQ(e.text(kRowResults, kOutLabel).rfind("Results: the Pellux add-in is not loaded", 0), 0u);
    EXPECT_EQ(e.text(kRowReadings, kOutValue), "all readings are numbers");

    const Evaluated loaded = reduction_test::evaluate(worked_example(6), "addin_loaded");
    EXPECT_EQ(loaded.text(kRowResults, kOutLabel), "Results from the Pellux add-in");
}

} // namespace
