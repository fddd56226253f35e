// The figures a maker decides by, computed again here from the zone table's
// vectors: the ring integrals by Simpson's rule (exact for the cubic
// integrands of a piecewise-linear profile), the RMS about the mean at the
// best centre of curvature, the correction by a plain least-squares fit.
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

struct Figures {
    double pv_waves, rms_waves, rms_coc, strehl, rms_nm, pv_nm, correction, conic;
    std::vector<double> sd;  // per zone, NaN with fewer than two runs
};

// Profile points at c mils: x_0 = first inner edge (height 0), x_j = outer edges.
struct Profile {
    std::vector<double> x, a, b;  // height = a + c b
};

Profile profile(const Mirror& m, const Evaluated& e, double per_inch)
{
    const std::vector<double> d = e.column(kReading), ideal = e.column(kIdeal),
                              zeff = e.column(kZeff), zwidth = e.column(kZwidth);
    const double r = e.number(kRowRadiusIn, kInValue);
    Profile p{{m.zones[0].inner / per_inch}, {0}, {0}};
    for (std::size_t j = 0; j < d.size(); ++j) {
        const double slope = zeff[j] * zwidth[j] / (1000 * r * r);
        p.x.push_back(m.zones[j].outer / per_inch);
        p.a.push_back(p.a.back() - (d[j] - ideal[j]) * slope);
        p.b.push_back(p.b.back() - slope);
    }
    return p;
}

// ∫ f(h(r), r) r dr over the annulus by Simpson's rule on each ring.
template <typename F>
double integrate(const Profile& p, double c, F f)
{
    double total = 0;
    for (std::size_t j = 1; j < p.x.size(); ++j) {
        const double x0 = p.x[j - 1], x1 = p.x[j], xm = (x0 + x1) / 2;
        const double h0 = p.a[j - 1] + c * p.b[j - 1], h1 = p.a[j] + c * p.b[j], hm = (h0 + h1) / 2;
        total += (x1 - x0) / 6 * (f(h0) * x0 + 4 * f(hm) * xm + f(h1) * x1);
    }
    return total;
}

double rms_at(const Profile& p, double c)
{
    const double area = integrate(p, c, [](double) { return 1.0; });
    const double mean = integrate(p, c, [](double h) { return h; }) / area;
    return std::sqrt(integrate(p, c, [&](double h) { return (h - mean) * (h - mean); }) / area);
}

double pv_at(const Profile& p, double c)
{
    double lo = 0, hi = 0;  // the first point, 0 at any centre of curvature
    for (std::size_t j = 1; j < p.a.size(); ++j) {
        lo = std::min(lo, p.a[j] + c * p.b[j]);
        hi = std::max(hi, p.a[j] + c * p.b[j]);
    }
    return hi - lo;
}

// The P-V is convex in c: a ternary search over a window far wider than any
// mirror needs.
double least_pv(const Profile& p)
{
    double lo = -1e4, hi = 1e4;
    for (int k = 0; k < 400; ++k) {
        const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
        (pv_at(p, m1) <= pv_at(p, m2) ? hi : lo) = pv_at(p, m1) <= pv_at(p, m2) ? m2 : m1;
    }
    return pv_at(p, (lo + hi) / 2);
}

Figures expected(const Mirror& m, const Evaluated& e)
{
    const double per_inch = m.units == "mm" ? 25.4 : 1;
    const Profile p = profile(m, e, per_inch);
    // The variance is a quadratic in c: three samples fix it.
    const double v0 = std::pow(rms_at(p, -1), 2), v1 = std::pow(rms_at(p, 0), 2),
                 v2 = std::pow(rms_at(p, 1), 2);
    const double c = -(v2 - v0) / 2 / (v2 - 2 * v1 + v0);
    Figures f{};
    f.rms_coc = c;
    f.rms_waves = rms_at(p, c) / (m.wavelength_nm / 25400000);
    f.strehl = std::exp(-std::pow(2 * M_PI * f.rms_waves, 2));
    f.rms_nm = f.rms_waves / 2 * m.wavelength_nm;
    f.pv_waves = least_pv(p) / (m.wavelength_nm / 25400000);
    f.pv_nm = f.pv_waves / 2 * m.wavelength_nm;

    const std::vector<double> y = e.column(kReading), x = e.column(kIdeal);
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    const double n = static_cast<double>(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i], sy += y[i], sxx += x[i] * x[i], sxy += x[i] * y[i];
    }
    const double s = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    f.correction = 100 * s;
    f.conic = -s;
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
        f.sd.push_back(runs.size() > 1 ? std::sqrt(ss / static_cast<double>(runs.size() - 1)) : NAN);
    }
    return f;
}

// Within 1e-12 relative, or `floor` absolute for a figure that is near 0.
void near(double got, double want, const char* what, double floor = 0)
{
    EXPECT_LE(std::fabs(got - want), std::max(std::fabs(want) * 1e-12, floor))
        << what << ": " << got << " against " << want;
}

struct Case {
    const char* name;
    Mirror mirror;
    bool window;  // MinimizeWFE's best lies at an end of its window
};

class Merit : public testing::TestWithParam<Case> {};

TEST_P(Merit, FiguresMatchAnIndependentReduction)
{
    const Case& c = GetParam();
    const Evaluated e = reduction_test::evaluate(c.mirror, std::string("merit_") + c.name);
    const Figures f = expected(c.mirror, e);
    const double floor = 1e-9;  // for the paraboloid's zeros
    near(figure(e, "Peak-to-valley wavefront error, whole mirror (waves)"), f.pv_waves, "P-V", floor);
    near(figure(e, "RMS wavefront error (waves)"), f.rms_waves, "RMS", floor);
    EXPECT_GE(figure(e, "Peak-to-valley surface error (nm)"), figure(e, "RMS surface error (nm)"));
    near(figure(e, "Strehl ratio"), f.strehl, "Strehl");
    near(figure(e, "RMS surface error (nm)"), f.rms_nm, "RMS nm", floor);
    near(figure(e, "Peak-to-valley surface error (nm)"), f.pv_nm, "P-V nm", floor);
    near(figure(e, "Correction (%)"), f.correction, "correction", floor);
    near(figure(e, "Best-fit conic constant"), f.conic, "conic", floor);
    if (f.rms_waves > 1e-9)
        near(e.number(kRowRmsCoc, kOutValue), f.rms_coc, "RMS centre of curvature", 1e-9);
    for (int i = 0; i < e.layout.zones; ++i) {
        const double sd = f.sd[static_cast<std::size_t>(i)];
        if (std::isnan(sd))
            EXPECT_EQ(e.text(e.layout.first + i, e.layout.col(kSd)), "") << "zone " << i + 1;
        else
            near(e.zone(e.layout.first + i, kSd), sd, "standard deviation");
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

TEST(Merit, LimitCases)
{
    const Evaluated para = reduction_test::evaluate(parabolised(1, 8, 8, 112), "limit_paraboloid");
    EXPECT_NEAR(figure(para, "Strehl ratio"), 1, 1e-15);
    EXPECT_NEAR(figure(para, "Correction (%)"), 100, 1e-9);
    EXPECT_NEAR(figure(para, "Best-fit conic constant"), -1, 1e-11);

    // Spherical aberration at best focus: W040 / (6 √5), W040 = a⁴ / (4 R³).
    const Evaluated sphere = reduction_test::evaluate(parabolised(0, 8, 8, 112), "limit_sphere");
    const double w040 = std::pow(4.0, 4) / (4 * std::pow(112.0, 3)) / (550 / 25400000.0);
    EXPECT_NEAR(figure(sphere, "RMS wavefront error (waves)"), w040 / (6 * std::sqrt(5.0)),
                0.05 * w040 / (6 * std::sqrt(5.0)));
    EXPECT_EQ(figure(sphere, "Correction (%)"), 0);
    EXPECT_EQ(std::signbit(figure(sphere, "Best-fit conic constant")), false);
}

} // namespace
