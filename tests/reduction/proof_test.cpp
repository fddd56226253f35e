// The reduction workbook evaluated by xlhost with Pellux.so: the derived
// columns are the formulas they claim to be, every add-in cell equals the
// add-in's function called directly on the derived vectors, and the charted
// profile has the whole-mirror peak-to-valley.
#include <bit>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/figures.h"
#include "core/mirror_figures.h"
#include "core/transverse.h"
#include "core/vignetting.h"
#include "core/wavefront.h"
#include "tests/reduction/workbook.h"
#include "tools/reduction/formulas.h"

namespace {

using namespace reduction;
using reduction_test::Evaluated;
using reduction_test::evaluate;

std::uint64_t bits(double x) { return std::bit_cast<std::uint64_t>(x); }

bool within_one_ulp(double a, double b) { return a == b || std::nextafter(b, a) == a; }

struct Case {
    int zones;
    const char* rule;
    bool mm = false;     // the mirror typed in millimetres
    bool moving = false;  // read on a moving-source tester
};

std::string name(const Case& c)
{
    return std::to_string(c.zones) + c.rule + (c.mm ? "_mm" : "") + (c.moving ? "_moving" : "");
}

std::ostream& operator<<(std::ostream& o, const Case& c)
{
    return o << c.zones << " zones, " << c.rule << (c.mm ? ", mm" : "") << (c.moving ? ", moving" : "");
}

class Proof : public testing::TestWithParam<Case> {
protected:
    void SetUp() override
    {
        const Case& c = GetParam();
        m = worked_example(c.zones);
        m.zone_radius = c.rule;
        if (c.mm)
            m = in_millimetres(m);
        if (c.moving)
            m = moving_source(m);
        per_inch = c.mm ? 25.4 : 1;
        factor = c.moving ? 2 : 1;
        e = evaluate(m, "proof_" + name(c));
        ASSERT_EQ(e.at(e.layout.first, e.layout.col(kZeff)).kind, CachedValue::Number) << e.output;
    }
    double in(int row) const { return e.number(row, kInValue); }
    double out(int row) const { return e.number(row, kOutValue); }

    Mirror m;
    Evaluated e;
    double per_inch = 1;  // units of length per inch
    double factor = 1;    // moving-source readings count double
};

TEST_P(Proof, DerivedColumnsAreTheirFormulas)
{
    const double r_in = m.radius / per_inch, d_in = m.diameter / per_inch;
    const double wvl = m.wavelength_nm / 25400000;
    const double airy = 1.22 * wvl * (r_in / 2) / d_in;
    EXPECT_TRUE(within_one_ulp(in(kRowRadiusIn), r_in));
    EXPECT_TRUE(within_one_ulp(in(kRowWavelengthIn), wvl));
    EXPECT_TRUE(within_one_ulp(in(kRowAiry), airy));
    EXPECT_TRUE(within_one_ulp(in(kRowCocMils), m.coc / per_inch * 1000 * factor));
    const bool rms = std::string(GetParam().rule) == "rms";
    for (int i = 0; i < e.layout.zones; ++i) {
        const Zone& z = m.zones[static_cast<std::size_t>(i)];
        const int row = e.layout.first + i;
        const double zeff = (rms ? std::sqrt((z.inner * z.inner + z.outer * z.outer) / 2)
                                 : (z.inner + z.outer) / 2) /
                            per_inch;
        double sum = 0;
        int count = 0;
        for (const auto& run : z.runs)
            if (run) {
                sum += *run;
                ++count;
            }
        const double w = e.zone(row, kZeff);  // upstream value, so errors do not compound
        EXPECT_TRUE(within_one_ulp(w, zeff)) << "zone " << i + 1;
        EXPECT_TRUE(within_one_ulp(e.zone(row, kZwidth), (z.outer - z.inner) / per_inch));
        EXPECT_TRUE(within_one_ulp(e.zone(row, kReading), sum / count / per_inch * 1000 * factor));
        EXPECT_TRUE(within_one_ulp(e.zone(row, kIdeal), 1000 * w * w / r_in));
        EXPECT_TRUE(within_one_ulp(e.zone(row, kTol), 1000 * 2 * r_in * in(kRowAiry) / w));
    }
}

TEST_P(Proof, AddInCellsEqualTheFunctionsOnTheDerivedVectors)
{
    const std::vector<double> data = e.column(kReading), ideal = e.column(kIdeal),
                              tol = e.column(kTol), zeff = e.column(kZeff),
                              zwidth = e.column(kZwidth);
    const auto n = static_cast<std::int16_t>(data.size());
    const double rc = in(kRowRadiusIn), wvl = in(kRowWavelengthIn), coc = in(kRowCocMils);
    pellux::FitStatus s = 0;
    double best = 0;
    const double ta = pellux::best_coc_for_ta(data.data(), ideal.data(), tol.data(), n, m.fittol,
                                              best, s);
    EXPECT_EQ(bits(out(kRowTaCoc)), bits(best));
    EXPECT_EQ(bits(out(kRowTaMax)), bits(ta));
    const double wfe = pellux::best_coc_for_wfe(data.data(), ideal.data(), tol.data(), zeff.data(),
                                                zwidth.data(), n, rc, wvl, m.fittol, best, s);
    EXPECT_EQ(bits(out(kRowWfeCoc)), bits(best));
    EXPECT_EQ(bits(out(kRowWfePv)), bits(wfe));
    EXPECT_EQ(bits(out(kRowUserTa)),
              bits(pellux::max_abs_ta(data.data(), ideal.data(), tol.data(), n, coc, s)));
    EXPECT_EQ(bits(out(kRowUserWfe)),
              bits(pellux::wavefront_pv(data.data(), ideal.data(), tol.data(), zeff.data(),
                                        zwidth.data(), n, rc, coc, s) /
                   wvl));
    const double focal = m.focal_length ? *m.focal_length : m.radius / 2;
    EXPECT_EQ(bits(out(kRowVignetting)),
              bits(pellux::vignetting_magnitudes(in(kRowDiameterIn), m.secondary / per_inch,
                                                 focal / per_inch,
                                                 m.secondary_to_focus / per_inch,
                                                 m.field_stop_mm)));
    EXPECT_EQ(s, 0);


    // The whole mirror: MirrorFigures on the runs' own cells, every figure
    // and the cells that read from it.
    const int runs = e.layout.runs;
    std::vector<double> marked;
    for (int row = e.layout.first; row <= e.layout.last; ++row)
        for (int k = 0; k < runs; ++k)
            marked.push_back(e.number(row, e.layout.taken_col(k)) != 0 ? e.number(row, e.layout.mils_col(k))
                                                                       : std::nan(""));
    const pellux::MirrorCall call{{marked.data(), n, runs, runs, 1}, zeff.data(), factor == 1,
                                  e.number(kRowBandX, kInValueEnd), rc, wvl, in(kRowSigmaMils)};
    std::vector<unsigned char> work(pellux::mirror_figure_bytes(n, runs));
    pellux::MirrorFigures f{};
    ASSERT_EQ(pellux::check_mirror_call(call), 0) << call.edge << " " << call.reading_sigma << " " << marked[0] << " " << zeff[0];
    ASSERT_TRUE(pellux::mirror_figures(call, work.data(), f));
    double column[pellux::kMirrorFigureCount];
    pellux::mirror_figure_column(f, column);
    for (int k = 0; k < pellux::kMirrorFigureCount; ++k)
        EXPECT_EQ(bits(e.number(kRowMirrorHead + k, e.layout.figures_col())), bits(column[k])) << "figure " << k;
    const struct {
        int row;
        double value;
    } shown[] = {{kRowPv, f.pv}, {kRowPvCoc, f.pv_coc}, {kRowRms, f.rms}, {kRowRmsCoc, f.rms_coc},
                 {kRowStrehl, f.strehl}, {kRowCorrection, f.correction}, {kRowConic, f.conic},
                 {kRowPvSpread, f.pv_spread}, {kRowRmsSpread, f.rms_spread}, {kRowStrehlSpread, f.strehl_spread},
                 {kRowCorrectionSpread, f.correction_spread}, {kRowPvUnbiased, f.pv_unbiased}};
    for (const auto& c : shown)
        EXPECT_EQ(bits(out(c.row)), bits(c.value)) << "row " << c.row + 1;
    EXPECT_EQ(bits(in(kRowSigmaMils)), bits(reduction::reading_uncertainty(m) /
                                            per_inch * 1000 * factor));
}

TEST_P(Proof, ChartColumnsFollowTheAddIn)
{
    const std::vector<double> data = e.column(kReading), ideal = e.column(kIdeal),
                              tol = e.column(kTol), zeff = e.column(kZeff),
                              zwidth = e.column(kZwidth), ta = e.column(kTa),
                              profile = e.column(kProfileIn);
    const double rc = in(kRowRadiusIn), coc = out(kRowPvCoc);
    double w = 0, lo = 0, hi = 0;  // the first point: 0 at the first zone's inner edge
    for (std::size_t i = 0; i < data.size(); ++i) {
        EXPECT_EQ(bits(ta[i]), bits(((data[i] - ideal[i]) + out(kRowTaCoc)) / tol[i]));
        double u = data[i] - ideal[i];
        u = u + coc;
        u = -u;
        u = u / 1000;
        u = u * zeff[i];
        u = u / rc;
        u = u / rc;
        w = u * zwidth[i] + w;
        EXPECT_EQ(profile[i], w) << "zone " << i + 1;
        lo = std::fmin(lo, w);
        hi = std::fmax(hi, w);
    }
    EXPECT_EQ(bits((hi - lo) / in(kRowWavelengthIn)), bits(out(kRowProfilePv)));
}

TEST_P(Proof, VerdictsReadTheResults)
{
    EXPECT_EQ(e.text(kRowTaVerdict, kOutValue), out(kRowTaMax) <= 1
                                                     ? "within the Millies-Lacroix tolerance"
                                                     : "outside the Millies-Lacroix tolerance");
    const double p = e.number(static_cast<int>(kRowMirrorHead) + static_cast<int>(kFigPQuarter), e.layout.figures_col());
    EXPECT_EQ(e.text(kRowPvVerdict, kOutValue).rfind(p >= 0.5 ? "within 1/4 wave (probability " : "beyond 1/4 wave (probability ",
                                                     0),
              0u)
        << e.text(kRowPvVerdict, kOutValue);
    EXPECT_FALSE(e.text(kRowPvFraction, kOutValue).empty());
}

INSTANTIATE_TEST_SUITE_P(Zones, Proof,
                         testing::Values(Case{3, "mean"}, Case{6, "mean"}, Case{12, "mean"},
                                         Case{6, "rms"}, Case{6, "mean", true, true}),
                         [](const auto& info) { return name(info.param); });

// The same mirror typed in millimetres, or read on a moving-source tester,
// gives the same verdicts and wavefront error.
TEST(UnitsAndTester, SameMirrorSameAnswers)
{
    const Mirror base = worked_example(6);
    const Evaluated ref = evaluate(base, "units_in");
    const std::string ref_tester = base.tester;
    const Mirror variants[] = {in_millimetres(base), moving_source(base),
                               moving_source(in_millimetres(base))};
    int k = 0;
    for (const Mirror& m : variants) {
        const Evaluated e = evaluate(m, "units_" + std::to_string(k++));
        for (int row : {kRowTaVerdict, kRowPvVerdict})
            EXPECT_EQ(e.text(row, kOutValue), ref.text(row, kOutValue)) << m.units << m.tester;
        for (int row : {kRowWfePv, kRowTaMax, kRowUserWfe}) {
            const double a = e.number(row, kOutValue), b = ref.number(row, kOutValue);
            EXPECT_NEAR(a, b, std::fabs(b) * 5e-12) << m.units << ", " << m.tester << ", row "
                                                    << row + 1;
        }
        // The whole mirror's figures take a fixed source's readings exactly,
        // not as half a moving source's: the two differ at second order.
        for (int row : {kRowPv, kRowRms}) {
            const double a = e.number(row, kOutValue), b = ref.number(row, kOutValue);
            EXPECT_NEAR(a, b, m.tester == ref_tester ? std::fabs(b) * 1e-9 : 2e-4) << m.units << ", " << m.tester
                                                                                  << ", row " << row + 1;
        }
    }
}

} // namespace
