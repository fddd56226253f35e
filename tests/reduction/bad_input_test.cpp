// Inputs the reduction cannot use: every add-in result shows the error value
// Excel would show, and every verdict reads "check inputs" instead of
// presenting a number.
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "tests/reduction/workbook.h"

namespace {

using namespace reduction;

struct BadCase {
    const char* name;
    std::function<void(Mirror&)> spoil;
    const char* error;  // the error every add-in cell over the zones shows
};

const BadCase kCases[] = {
    {"BlankReadingRow", [](Mirror& m) { m.zones[2].runs = {}; }, "#DIV/0!"},
    {"NegativeInnerRadius", [](Mirror& m) { m.zones[1].inner = -0.1; }, "#NUM!"},
    {"ZeroOuterRadius", [](Mirror& m) { m.zones[0].outer = 0; }, "#NUM!"},
    {"NegativeOuterRadius", [](Mirror& m) { m.zones[5].outer = -3; }, "#NUM!"},
    {"OuterNotAboveInner", [](Mirror& m) { m.zones[3].outer = m.zones[3].inner; }, "#NUM!"},
    {"DiameterZero", [](Mirror& m) { m.diameter = 0; }, "#NUM!"},
    {"RadiusOfCurvatureZero", [](Mirror& m) { m.radius = 0; }, "#NUM!"},
    {"RadiusOfCurvatureNegative", [](Mirror& m) { m.radius = -96; }, "#NUM!"},
    {"WavelengthZero", [](Mirror& m) { m.wavelength_nm = 0; }, "#NUM!"},
};

std::ostream& operator<<(std::ostream& o, const BadCase& c) { return o << c.name; }

class BadInput : public testing::TestWithParam<BadCase> {};

TEST_P(BadInput, ResultsShowTheErrorAndVerdictsSayCheckInputs)
{
    Mirror m = worked_example(6);
    GetParam().spoil(m);
    const auto e = reduction_test::evaluate(m, std::string("bad_") + GetParam().name);
    ASSERT_FALSE(e.cells.empty()) << e.output;
    for (int row : {kRowTaCoc, kRowTaMax, kRowWfeCoc, kRowWfePv, kRowUserTa, kRowUserWfe})
        EXPECT_EQ(e.text(row, kOutValue), GetParam().error) << "N" << row + 1;
    for (int row : {kRowTaCocReading})
        EXPECT_EQ(e.at(row, kOutValue).kind, CachedValue::Error) << "N" << row + 1;
    EXPECT_EQ(e.text(kRowTaVerdict, kOutValue), "check inputs");
    // The whole mirror's figures need every input: the diameter places the
    // edge, the wavelength turns inches into waves.
    for (int row : {kRowPvCoc, kRowPv, kRowPvUnbiased, kRowRmsCoc, kRowRms, kRowStrehl, kRowRmsNm, kRowPvNm,
                    kRowPvSpread, kRowRmsSpread, kRowStrehlSpread, kRowCorrectionSpread,
                    kRowPvFraction, kRowProfilePv, kRowCorrection, kRowConic})
        EXPECT_EQ(e.at(row, kOutValue).kind, CachedValue::Error) << "N" << row + 1;
    for (int row : {kRowPvVerdict, kRowStrehlVerdict})
        EXPECT_EQ(e.text(row, kOutValue), "check inputs") << "N" << row + 1;
    for (int row : {kRowUserTa, kRowUserWfe, kRowProfilePv})
        EXPECT_EQ(e.text(row, kOutRemark), "check inputs") << "P" << row + 1;
    EXPECT_EQ(e.text(kRowCovered, kInValue), "check inputs");
}

INSTANTIATE_TEST_SUITE_P(Workbook, BadInput, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
