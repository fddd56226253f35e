// The whole mirror's figures against what optics and brute force say:
// spheres against r^4 / (16 R^3), P-V never below RMS, the exact minimiser
// against a scan, the uncertainty against a Monte Carlo of the test's own;
// and the worksheet procedures over them, bad arguments included.
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "core/elementary.h"
#include "core/figures.h"
#include "host/result.h"
#include "tests/support.h"
#include "worksheet/figures.h"

namespace pellux {
namespace {

using test::HostArray;
using test::same_double;

constexpr double kGreen = 550 / 25400000.0; // inches

// Equal-area zones from the centre of a mirror of diameter D and focal
// ratio fn (inches), mean zone radii; readings `fraction` of a paraboloid's.
struct Mirror {
    std::vector<double> data, ideal, zeff, zwidth, zouter;
    double rcurve;

    MirrorZones zones() const
    {
        return {data.data(), ideal.data(), zeff.data(), zwidth.data(), zouter.data(),
                static_cast<int>(data.size()), rcurve};
    }
};

Mirror mirror(double D, double fn, int n, double fraction, double offset = 0)
{
    Mirror m;
    m.rcurve = 2 * fn * D;
    double inner = 0;
    for (int k = 1; k <= n; ++k) {
        const double outer = D / 2 * std::sqrt(double(k) / n);
        const double zeff = (inner + outer) / 2;
        m.ideal.push_back(1000 * zeff * zeff / m.rcurve);
        m.data.push_back(fraction * m.ideal.back() + offset);
        m.zeff.push_back(zeff);
        m.zwidth.push_back(outer - inner);
        m.zouter.push_back(outer);
        inner = outer;
    }
    return m;
}

struct Figures {
    FigureAt pv, rms;
};

Figures figures(const Mirror& m)
{
    std::vector<unsigned char> work(figure_work_bytes(static_cast<int>(m.data.size())));
    return {whole_mirror_pv(m.zones(), work.data()), whole_mirror_rms(m.zones(), work.data())};
}

double pv_at(const Mirror& m, double coc)
{
    std::vector<double> p(m.data.size() + 1);
    profile_at(m.zones(), coc, p.data());
    double lo = p[0], hi = p[0];
    for (double h : p)
        lo = std::fmin(lo, h), hi = std::fmax(hi, h);
    return hi - lo;
}

TEST(WholeMirror, SpheresComeNearTheAnalyticBestFocus)
{
    // The zonal profile is a little above r^4 / (16 R^3) and comes closer
    // with more zones.
    struct {
        double D, fn;
        int zones;
        double within;
    } const cases[] = {
        {6, 8, 6, 0.04}, {5, 7, 6, 0.04}, {6, 5, 10, 0.02}, {8, 4.5, 12, 0.02},
        {10, 6, 30, 0.005}, {16, 4, 100, 0.001},
    };
    for (const auto& c : cases) {
        const Mirror m = mirror(c.D, c.fn, c.zones, 0);
        const double analytic = std::pow(c.D / 2, 4) / (16 * std::pow(m.rcurve, 3));
        const double pv = figures(m).pv.value;
        EXPECT_GE(pv, analytic) << c.D << " f/" << c.fn;
        EXPECT_LE(pv, analytic * (1 + c.within)) << c.D << " f/" << c.fn;
    }
}

TEST(WholeMirror, ParaboloidsUnderAndOvercorrection)
{
    const Mirror para = mirror(8, 5, 8, 1, 0.05);
    const Figures p = figures(para);
    EXPECT_LE(p.pv.value / kGreen, 1e-12);
    EXPECT_LE(p.rms.value / kGreen, 1e-12);
    EXPECT_NEAR(p.pv.coc, -0.05, 1e-9); // the readings' offset, taken back

    // The profile is linear in the readings: 50 % and 150 % correction are
    // the sphere's error halved, with opposite signs.
    const Figures sphere = figures(mirror(8, 5, 8, 0));
    for (double fraction : {0.5, 1.5}) {
        const Figures f = figures(mirror(8, 5, 8, fraction, 0.3));
        EXPECT_NEAR(f.pv.value, sphere.pv.value / 2, sphere.pv.value * 1e-9) << fraction;
        EXPECT_NEAR(f.rms.value, sphere.rms.value / 2, sphere.rms.value * 1e-9) << fraction;
    }
    EXPECT_NEAR(correction_slope(para.data.data(), para.ideal.data(), 8), 1.0, 1e-14);
}

// Random mirrors: zones of random widths, readings near a random conic.
Mirror random_mirror(std::mt19937_64& rng)
{
    std::uniform_real_distribution<double> u(0, 1);
    const int n = 2 + static_cast<int>(u(rng) * 20);
    Mirror m;
    const double D = 4 + 12 * u(rng);
    m.rcurve = D * (6 + 14 * u(rng));
    const double fraction = 2 * u(rng) - 0.3;
    double inner = u(rng) < 0.3 ? 0.1 * D * u(rng) : 0;
    for (int k = 0; k < n; ++k) {
        const double outer = inner + (D / 2 - inner) / (n - k) * (0.5 + u(rng));
        const double zeff = (inner + outer) / 2;
        m.ideal.push_back(1000 * zeff * zeff / m.rcurve);
        m.data.push_back(fraction * m.ideal.back() + 40 * (u(rng) - 0.5));
        m.zeff.push_back(zeff);
        m.zwidth.push_back(outer - inner);
        m.zouter.push_back(outer);
        inner = outer;
    }
    return m;
}

TEST(WholeMirror, ExactMinimumAgainstAScanAndNeverBelowTheRms)
{
    std::mt19937_64 rng(42);
    for (int trial = 0; trial < 300; ++trial) {
        const Mirror m = random_mirror(rng);
        const Figures f = figures(m);
        ASSERT_TRUE(std::isfinite(f.pv.value) && std::isfinite(f.pv.coc)) << trial;
        EXPECT_TRUE(same_double(pv_at(m, f.pv.coc), f.pv.value)) << trial;
        EXPECT_GE(f.pv.value, f.rms.value) << trial;
        // No centre of curvature in a wide scan does better, nor any near
        // the answer.
        double best = INFINITY;
        for (int k = -2000; k <= 2000; ++k)
            best = std::fmin(best, pv_at(m, f.pv.coc + k * 0.05));
        for (int k = -1000; k <= 1000; ++k)
            best = std::fmin(best, pv_at(m, f.pv.coc + k * 1e-6));
        EXPECT_GE(best, f.pv.value * (1 - 1e-12)) << trial;
    }
}

// The test's own Monte Carlo: another generator and twenty times the draws.
FigureSpread spread_by_test(const Mirror& m, const std::vector<double>& sem)
{
    std::mt19937_64 rng(7);
    std::normal_distribution<double> normal;
    const int draws = 20000;
    double sum[4] = {}, squares[4] = {};
    std::vector<unsigned char> work(figure_work_bytes(static_cast<int>(m.data.size())));
    for (int s = 0; s < draws; ++s) {
        Mirror t = m;
        for (std::size_t i = 0; i < t.data.size(); ++i)
            t.data[i] += sem[i] * normal(rng);
        const double rms = whole_mirror_rms(t.zones(), work.data()).value / kGreen;
        const double f[4] = {whole_mirror_pv(t.zones(), work.data()).value / kGreen, rms,
                             std::exp(-std::pow(2 * M_PI * rms, 2)),
                             100 * correction_slope(t.data.data(), t.ideal.data(),
                                                    static_cast<int>(t.data.size()))};
        for (int k = 0; k < 4; ++k)
            sum[k] += f[k], squares[k] += f[k] * f[k];
    }
    double sd[4];
    for (int k = 0; k < 4; ++k)
        sd[k] = std::sqrt((squares[k] - sum[k] * sum[k] / draws) / (draws - 1));
    return {sd[0], sd[1], sd[2], sd[3]};
}

TEST(Uncertainty, AgreesWithAnIndependentMonteCarlo)
{
    struct {
        const char* name;
        Mirror m;
        double sem;
    } const cases[] = {
        {"undercorrected 8 in", mirror(8, 5, 8, 0.6), 2.0},
        {"near paraboloid 6 in", mirror(6, 8, 6, 0.98), 1.0},
        {"sphere 10 in", mirror(10, 4.5, 12, 0), 3.0},
    };
    for (const auto& c : cases) {
        const std::vector<double> sem(c.m.data.size(), c.sem);
        std::vector<unsigned char> work(figure_work_bytes(static_cast<int>(sem.size())));
        const FigureSpread got = figure_uncertainty(c.m.zones(), sem.data(), kGreen, work.data());
        const FigureSpread want = spread_by_test(c.m, sem);
        // 1,000 draws estimate a standard deviation to about 2.2 %.
        EXPECT_NEAR(got.pv, want.pv, want.pv * 0.08) << c.name;
        EXPECT_NEAR(got.rms, want.rms, want.rms * 0.08) << c.name;
        EXPECT_NEAR(got.strehl, want.strehl, want.strehl * 0.08) << c.name;
        EXPECT_NEAR(got.correction, want.correction, want.correction * 0.08) << c.name;

        // The correction is linear in the readings: its spread in closed form.
        double mean = 0, sxx = 0;
        for (double x : c.m.ideal)
            mean += x / c.m.ideal.size();
        for (double x : c.m.ideal)
            sxx += (x - mean) * (x - mean);
        EXPECT_NEAR(got.correction, 100 * c.sem / std::sqrt(sxx), got.correction * 0.08) << c.name;

        // The same draws every time.
        const FigureSpread again = figure_uncertainty(c.m.zones(), sem.data(), kGreen, work.data());
        EXPECT_TRUE(same_double(again.pv, got.pv));
        EXPECT_TRUE(same_double(again.correction, got.correction));
    }
}

TEST(Strehl, FromTheRms)
{
    EXPECT_EQ(strehl_ratio(0), 1.0);
    for (double sigma : {0.01, 0.05, 0.0745, 0.2, 1.0})
        EXPECT_NEAR(strehl_ratio(sigma), std::exp(-std::pow(2 * M_PI * sigma, 2)), 1e-15) << sigma;
    EXPECT_EQ(strehl_ratio(100), 0.0);
}

// ------------------------------------------------------ worksheet procedures

// Reads a library-owned column of numbers and hands it back.
std::vector<double> column_of(XLOPER12* r)
{
    std::vector<double> out;
    if (r->xltype != kOwnedArray)
        return out;
    for (int i = 0; i < r->val.array.rows * r->val.array.columns; ++i)
        out.push_back(r->val.array.lparray[i].val.num);
    xlAutoFree12(r);
    return out;
}

// The correction and the conic constant that every face shows, and when
// there are none: too few zones, a flat paraboloid, a slope whose percent
// overflows.
TEST(Correction, PercentAndConicOrNone)
{
    struct Case {
        const char* name;
        std::vector<double> data, ideal;
        bool ok;
        double percent, conic;
    };
    const double huge = 1e307;
    const Case cases[] = {
        {"sphere", {5, 5, 5}, {1, 2, 4}, true, 0.0, 0.0},
        {"paraboloid", {1, 2, 4}, {1, 2, 4}, true, 100.0, -1.0},
        {"half corrected", {0.5, 1, 2}, {1, 2, 4}, true, 50.0, -0.5},
        {"one zone", {1}, {1}, false, 0, 0},
        {"flat paraboloid", {1, 2, 4}, {3, 3, 3}, false, 0, 0},
        {"percent overflows", {0, huge}, {0, 1}, false, 0, 0},
    };
    for (const Case& c : cases) {
        double percent = -7, conic = -7;
        const bool ok = correction_figures(c.data.data(), c.ideal.data(), static_cast<int>(c.data.size()),
                                           percent, conic);
        ASSERT_EQ(ok, c.ok) << c.name;
        if (!ok)
            continue;
        EXPECT_TRUE(same_double(percent, c.percent)) << c.name << ": " << percent;
        EXPECT_TRUE(same_double(conic, c.conic)) << c.name << ": " << conic; // a sphere's is +0
    }
}

bool is_num_error(const XLOPER12* r) { return r->xltype == xltypeErr && r->val.err == xlerrNum; }

TEST(FigureProcedures, ResultsAreTheCoresAndBadArgumentsGiveNum)
{
    const HostArray data = HostArray::column({10, 40, 70}), ideal = HostArray::column({12, 37, 71}),
                    zeff = HostArray::column({1, 2, 3}), zwidth = HostArray::column({1, 1, 1}),
                    zouter = HostArray::column({1.5, 2.5, 3.5}), sem = HostArray::column({1, 1, 1});
    double rcurve = 100, wvl = 0.000022;
    const std::vector<double> pv = column_of(xl_WholeMirrorPV(data, ideal, zeff, zwidth, &rcurve, &wvl));
    ASSERT_EQ(pv.size(), 2u);
    EXPECT_NEAR(pv[0], -0.6, 1e-12);
    EXPECT_EQ(column_of(xl_WholeMirrorRMS(data, ideal, zeff, zwidth, zouter, &rcurve, &wvl)).size(), 2u);
    const std::vector<double> fit = column_of(xl_Correction(data, ideal));
    ASSERT_EQ(fit.size(), 2u);
    EXPECT_NEAR(fit[1], -fit[0] / 100, 1e-15);
    EXPECT_EQ(column_of(xl_FigureUncertainty(data, ideal, sem, zeff, zwidth, zouter, &rcurve, &wvl)).size(),
              4u);

    // Each bad argument on its own.
    const HostArray row3 = HostArray::row({1, 2, 3}), two = HostArray::column({1, 2}),
                    one = HostArray::column({10}), flat = HostArray::column({3, 3, 3}),
                    no_width = HostArray::column({1, 0, 1}), back = HostArray::column({1.5, 2.5, 2.5}),
                    nan = HostArray::column({1, std::numeric_limits<double>::quiet_NaN(), 3}),
                    negative = HostArray::column({1, -1, 1});
    double zero = 0, minus = -1, inf = INFINITY;
    const XLOPER12* bad[] = {
        xl_WholeMirrorPV(data, ideal, row3, zwidth, &rcurve, &wvl),
        xl_WholeMirrorPV(data, ideal, two, zwidth, &rcurve, &wvl),
        xl_WholeMirrorPV(data, ideal, zeff, no_width, &rcurve, &wvl),
        xl_WholeMirrorPV(data, nan, zeff, zwidth, &rcurve, &wvl),
        xl_WholeMirrorPV(data, ideal, zeff, zwidth, &zero, &wvl),
        xl_WholeMirrorPV(data, ideal, zeff, zwidth, &rcurve, &minus),
        xl_WholeMirrorPV(data, ideal, zeff, zwidth, &inf, &wvl),
        xl_WholeMirrorRMS(data, ideal, zeff, zwidth, back, &rcurve, &wvl),
        xl_WholeMirrorRMS(one, one, one, one, one, &rcurve, &wvl),
        xl_StrehlRatio(&minus),
        xl_StrehlRatio(&inf),
        xl_Correction(one, one),
        xl_Correction(data, flat),
        xl_Correction(data, row3),
        xl_FigureUncertainty(data, ideal, negative, zeff, zwidth, zouter, &rcurve, &wvl),
        xl_FigureUncertainty(data, ideal, nan, zeff, zwidth, zouter, &rcurve, &zero),
    };
    for (std::size_t k = 0; k < sizeof bad / sizeof bad[0]; ++k)
        EXPECT_TRUE(is_num_error(bad[k])) << "case " << k;
}

} // namespace
} // namespace pellux
