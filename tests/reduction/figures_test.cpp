// The figures a maker decides by, as the sheet shows them, against closed
// forms: readings of conic mirrors, whose wavefront is quadratic in r^2.
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/reduction/workbook.h"
#include "tools/reduction/mirror_file.h"

namespace {

using namespace reduction;
using reduction_test::Evaluated;
using reduction_test::figure;
using reduction_test::from_file;
using reduction_test::parabolised;

// A conic's readings: D linear in u = r^2, so the wavefront is a u^2 + a
// refocus, a = (1 - fraction) / (4 R^3). Its least P-V over [0, U] is
// |a| U^2 / 4 (the Chebyshev residual of u^2), its least RMS |a| U^2 / (6
// sqrt 5) (the Legendre one), whatever the zones.
struct Conic {
    double pv_waves, rms_waves;
};

Conic closed_form(double fraction, double diameter, double radius)
{
    const double big = diameter * diameter / 4, a = std::fabs(1 - fraction) / (4 * radius * radius * radius);
    const double wvl = 550 / 25400000.0;
    return {a * big * big / 4 / wvl, a * big * big / (6 * std::sqrt(5.0)) / wvl};
}

// The runs' sample standard deviation, zone by zone (NaN with fewer than two).
std::vector<double> deviations(const Mirror& m)
{
    std::vector<double> sd;
    for (const Zone& z : m.zones) {
        std::vector<double> runs;
        for (const auto& r : z.runs)
            if (r)
                runs.push_back(*r);
        double mean = 0, ss = 0;
        for (double r : runs)
            mean += r / static_cast<double>(runs.size());
        for (double r : runs)
            ss += (r - mean) * (r - mean);
        sd.push_back(runs.size() > 1 ? std::sqrt(ss / static_cast<double>(runs.size() - 1)) : NAN);
    }
    return sd;
}

// Within 1e-9 relative, or `floor` absolute for a figure that is near 0.
void near(double got, double want, const char* what, double floor = 0)
{
    EXPECT_LE(std::fabs(got - want), std::max(std::fabs(want) * 1e-9, floor))
        << what << ": " << got << " against " << want;
}

struct Case {
    const char* name;
    Mirror mirror;
    bool window;  // MinimizeWFE's best lies at an end of its window
};

class Merit : public testing::TestWithParam<Case> {};

TEST_P(Merit, DeviationsAndTheWindowWarning)
{
    const Case& c = GetParam();
    const Evaluated e = reduction_test::evaluate(c.mirror, std::string("merit_") + c.name);
    EXPECT_GE(figure(e, "Peak-to-valley surface error (nm)"), figure(e, "RMS surface error (nm)"));
    const std::vector<double> sd = deviations(c.mirror);
    for (int i = 0; i < e.layout.zones; ++i) {
        if (std::isnan(sd[static_cast<std::size_t>(i)]))
            EXPECT_EQ(e.text(e.layout.first + i, e.layout.col(kSd)), "") << "zone " << i + 1;
        else
            near(e.zone(e.layout.first + i, kSd), sd[static_cast<std::size_t>(i)], "standard deviation");
    }
    const std::string warning = e.text(kRowWindow, kOutLabel);
    EXPECT_EQ(warning.find("window") != std::string::npos, c.window) << warning;
}

const Case kCases[] = {
    {"worked_example", worked_example(6), false},
    {"paraboloid", parabolised(1, 8, 8, 112), false},
    {"sphere", parabolised(0, 8, 8, 112), true},
    {"undercorrected", parabolised(0.7, 8, 8, 112), false},
    {"four_runs", from_file(MIRROR_EXAMPLE), false},
};

INSTANTIATE_TEST_SUITE_P(Mirrors, Merit, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Readings of conics, in any number of zones: the sheet's figures are the
// closed forms, the correction the fraction. (A fixed source's readings of
// a conic are not these to second order: the optics tests cover them.)
TEST(Merit, ConicReadingsGiveTheClosedForms)
{
    const struct {
        double fraction;
        int zones;
    } rows[] = {{1, 8}, {0, 8}, {0.7, 5}, {1.3, 6}, {0.45, 3}};
    for (const auto& r : rows) {
        // On a moving source, whose doubled reading is exactly where the
        // normals cross: half the fraction, read twice.
        Mirror m = parabolised(r.fraction / 2, r.zones, 8, 112);
        m.tester = "moving source";
        const Evaluated e = reduction_test::evaluate(m, "conic_" + std::to_string(r.zones));
        const Conic want = closed_form(r.fraction, 8, 112);
        near(figure(e, "Peak-to-valley wavefront error, whole mirror (waves)"), want.pv_waves, "P-V", 1e-12);
        near(figure(e, "RMS wavefront error (waves)"), want.rms_waves, "RMS", 1e-12);
        near(figure(e, "Strehl ratio"), std::exp(-std::pow(2 * M_PI * want.rms_waves, 2)), "Strehl", 1e-15);
        near(figure(e, "Correction (%)"), 100 * r.fraction, "correction", 1e-9);
        near(figure(e, "Best-fit conic constant"), -r.fraction, "conic", 1e-11);
    }
    Mirror flat = parabolised(0, 8, 8, 112);
    flat.tester = "moving source";
    const Evaluated sphere = reduction_test::evaluate(flat, "limit_sphere");
    EXPECT_EQ(figure(sphere, "Correction (%)"), 0);
    EXPECT_EQ(std::signbit(figure(sphere, "Best-fit conic constant")), false);
}

} // namespace
