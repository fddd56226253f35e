// Numerics of the worksheet functions, compared bit for bit.
#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "core/golden.h"
#include "core/transverse.h"
#include "core/vignetting.h"
#include "core/wavefront.h"
#include "core/zones.h"
#include "host/platform.h"
#include "support.h"

using namespace pellux;
using pellux::test::same_double;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const double kMinSubnormal = std::numeric_limits<double>::denorm_min();

struct Zones {
    std::vector<double> data, ideal, tol, zeff, zwidth;
    std::int16_t n() const { return static_cast<std::int16_t>(data.size()); }
};

// ---------------------------------------------------------------- shapes

struct ShapeCase {
    const char* name;
    std::vector<ZoneShape> shapes;
    bool ok;
    FitStatus status;
    std::int16_t zones;
};

TEST(ZoneShapes, AcceptsOnlyOneDimensionalDataAndExactlyMatchingShapes)
{
    const ShapeCase cases[] = {
        {"single cells", {{1, 1}, {1, 1}, {1, 1}}, true, 0, 1},
        {"rows of five", {{1, 5}, {1, 5}, {1, 5}}, true, 0, 5},
        {"columns of four", {{4, 1}, {4, 1}, {4, 1}, {4, 1}, {4, 1}}, true, 0, 4},
        {"row against column", {{1, 4}, {4, 1}, {1, 4}}, false, kIdealShape, 4},
        {"data of 2 x 3", {{2, 3}, {2, 3}, {2, 3}}, false, kDataNotVector, 0},
        {"later code replaces earlier", {{2, 3}, {3, 2}, {2, 3}}, false, kIdealShape, 0},
        {"last vector has no code", {{1, 5}, {1, 5}, {1, 4}}, false, 0, 5},
        {"five vectors, -400 last", {{1, 4}, {1, 4}, {1, 3}, {1, 2}, {1, 4}}, false, kZeffShape, 4},
        {"tol of five vectors", {{1, 4}, {1, 4}, {1, 3}, {1, 4}, {1, 4}}, false, kTolShape, 4},
        {"zwidth of another shape", {{1, 4}, {1, 4}, {1, 4}, {1, 4}, {4, 1}}, false, 0, 4},
        {"no elements", {{0, 1}, {0, 1}, {0, 1}}, false, kNoZones, 0},
        {"empty row", {{1, 0}, {1, 0}, {1, 0}}, false, kNoZones, 0},
        {"more than 32767", {{1, 40000}, {1, 40000}, {1, 40000}}, false, kNoZones, -25536},
        {"exactly 32767", {{32767, 1}, {32767, 1}, {32767, 1}}, true, 0, 32767},
    };
    for (const ShapeCase& c : cases) {
        const ZoneCheck r = check_zone_shapes(c.shapes.data(), static_cast<int>(c.shapes.size()));
        EXPECT_EQ(r.ok, c.ok) << c.name;
        EXPECT_EQ(r.status, c.status) << c.name;
        if (c.status != kDataNotVector && c.status != kIdealShape)
            EXPECT_EQ(r.zones, c.zones) << c.name;
    }
}

// ---------------------------------------------------------------- max_abs_ta

TEST(MaxAbsTA, LargestAberrationInRayleighTolerances)
{
    const std::vector<double> data{1.5, 2.0, 3.0}, ideal{1.0, 2.5, 2.0}, tol{0.5, 0.25, 2.0};
    struct {
        double coc, expected;
    } const cases[] = {{0.5, 2}, {-1, 6}, {0, 2}};
    for (const auto& c : cases) {
        FitStatus status = 0;
        EXPECT_TRUE(same_double(max_abs_ta(data.data(), ideal.data(), tol.data(), 3, c.coc, status),
                                c.expected));
        EXPECT_EQ(status, 0);
    }
}

TEST(MaxAbsTA, EdgeCases)
{
    FitStatus status = 0;
    const double on_ideal[] = {1, 2, 3};
    const double ones[] = {1, 1, 1};
    EXPECT_TRUE(same_double(max_abs_ta(on_ideal, on_ideal, ones, 3, 0, status), 0));

    const double d = 7.25, i = 2.0, t = 0.5;
    EXPECT_TRUE(same_double(max_abs_ta(&d, &i, &t, 1, -1.5, status), std::fabs((d - i + -1.5) / t)));
    EXPECT_EQ(status, 0);

    // A tolerance that is not a number passes the check and its zone is skipped.
    const double data[] = {1.5, 2.0, 3.0}, ideal[] = {1.0, 2.5, 2.0}, tol[] = {0.5, kNaN, 2.0};
    EXPECT_TRUE(same_double(max_abs_ta(data, ideal, tol, 3, 0, status), 1));
    EXPECT_EQ(status, 0);
}

TEST(MaxAbsTA, NonPositiveToleranceFailsEvenOnAPerfectZone)
{
    const double data[] = {1, 2}, ideal[] = {1, 2};
    for (double bad : {0.0, -0.0, -3.0}) {
        const double tol[] = {1, bad};
        FitStatus status = 0;
        EXPECT_TRUE(same_double(max_abs_ta(data, ideal, tol, 2, 0, status), 0));
        EXPECT_EQ(status, kBadTolerance);
    }
    // An earlier failure is kept and short-cuts the computation.
    FitStatus status = -200;
    const double tol[] = {1, 1};
    EXPECT_TRUE(same_double(max_abs_ta(data, ideal, tol, 2, 5, status), 0));
    EXPECT_EQ(status, -200);
}

// ---------------------------------------------------------------- golden search

TEST(GoldenSearch, ConstantsAndToleranceClamp)
{
    const GoldenConstants g = golden_constants();
    EXPECT_TRUE(same_double(g.r, 0.6180339887498949));
    EXPECT_TRUE(same_double(g.c, 0.3819660112501051));
    struct {
        double fittol, t;
    } const cases[] = {{0.001, 0.001}, {0.1, 0.1}, {5, 0.1}, {0, 0.000001},
                       {-5, 0.000001}, {1e-7, 0.000001}, {0.000001, 0.000001}};
    for (const auto& c : cases)
        EXPECT_TRUE(same_double(golden_tolerance(c.fittol), c.t)) << c.fittol;
    EXPECT_TRUE(std::isnan(golden_tolerance(kNaN)));
}

struct SearchCase {
    const char* name;
    Zones z;
    double fittol;
    double coc, value;
    int passes;
};

TEST(BestCocForTA, SearchResultsAndPassCounts)
{
    const Zones four{{10, 20, 35, 50}, {12, 19, 30, 55}, {5, 4, 3, 2}, {}, {}};
    const SearchCase cases[] = {
        {"equal deviations", {{2, 2, 2}, {1, 1, 1}, {1, 1, 1}, {}, {}}, 0.3, -1, 0, 0},
        {"single zone", {{7}, {2}, {0.5}, {}, {}}, 0.001, -5, 0, 0},
        {"fittol 0.001", four, 0.001, 1.0002644278454071, 2.0000881426151356, 18},
        {"fittol 0", four, 0, 0.9999999030690234, 2.0000000484654885, 33},
        {"fittol -5", four, -5, 0.9999999030690234, 2.0000000484654885, 33},
        {"fittol 5", four, 5, 1.0487837125346995, 2.0162612375115665, 8},
        {"fittol NaN", four, kNaN, 1.1803398874989477, 2.0601132958329824, 0},
        {"ties narrow from above", {{1, -1}, {0, 0}, {1, 1}, {}, {}}, 0.01,
         -3.3289984131285705e-16, 1.0000000000000002, 84},
        {"tie in the final choice", {{1, 4}, {4, 5}, {4, 4}, {}, {}}, 0.01, 2.003105620015142,
         0.2507764050037855, 9},
    };
    for (const SearchCase& c : cases) {
        FitStatus status = 0;
        double coc = 99;
        int passes = -1;
        const double value = best_coc_for_ta(c.z.data.data(), c.z.ideal.data(), c.z.tol.data(),
                                             c.z.n(), c.fittol, coc, status, &passes);
        EXPECT_EQ(status, 0) << c.name;
        EXPECT_TRUE(same_double(coc, c.coc)) << c.name;
        EXPECT_TRUE(same_double(value, c.value)) << c.name;
        EXPECT_EQ(passes, c.passes) << c.name;
    }
}

TEST(BestCocForTA, StallAtZeroEndsOnTheSmallestSubnormal)
{
    // The bracket closes on a centre of curvature of zero with equal values
    // at both interior points: the relative test alone never ends it.
    const double data[] = {0, -1}, ideal[] = {0, 0}, tol[] = {1, 1e17};
    FitStatus status = 0;
    double coc = 0;
    int passes = 0;
    const double value = best_coc_for_ta(data, ideal, tol, 2, 0.001, coc, status, &passes);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(same_double(coc, kMinSubnormal));
    EXPECT_TRUE(same_double(value, 1e-17));
    EXPECT_EQ(passes, 1547); // the first pass that changes nothing ends it
}

TEST(BestCocForTA, RefusesBadTolerancesAndEmptyVectors)
{
    const double data[] = {1, 2}, ideal[] = {0, 0};
    for (double bad : {0.0, -1.0}) {
        const double tol[] = {bad, 1};
        FitStatus status = 0;
        double coc = 7;
        EXPECT_TRUE(same_double(best_coc_for_ta(data, ideal, tol, 2, 0.01, coc, status), 0));
        EXPECT_EQ(status, kBadSearchTolerance);
        EXPECT_TRUE(same_double(coc, 0));
    }
    FitStatus status = 0;
    double coc = 7;
    const double tol[] = {1, 1};
    EXPECT_TRUE(same_double(best_coc_for_ta(data, ideal, tol, 0, 0.01, coc, status), 0));
    EXPECT_EQ(status, kNoZones);
    EXPECT_TRUE(same_double(coc, 0));
}

// ---------------------------------------------------------------- wavefront

double pv(const Zones& z, double rcurve, double coc, FitStatus& status)
{
    return wavefront_pv(z.data.data(), z.ideal.data(), z.tol.data(), z.zeff.data(), z.zwidth.data(),
                        z.n(), rcurve, coc, status);
}

TEST(WavefrontPV, TwoZoneProfiles)
{
    const Zones z{{10, 40}, {12, 37}, {5, 5}, {1, 2}, {1, 1}};
    FitStatus status = 0;
    EXPECT_TRUE(same_double(pv(z, 100, 0, status) / 0.000022, 0.02727272727272727));
    // Two divisions by the radius, not one by its square, show in the last digit.
    const double at_one = pv(z, 100, 1, status);
    EXPECT_TRUE(same_double(at_one, 8.000000000000001e-7));
    EXPECT_TRUE(same_double(at_one / 0.000022, 0.03636363636363637));
    EXPECT_EQ(status, 0);
}

TEST(WavefrontPV, ProfileStartsAtTheFirstZoneNotAtTheCentre)
{
    // Both terms equal t: the profile is (t, 2t), so the height is t, not 2t.
    const Zones z{{-1, -1}, {0, 0}, {1, 1}, {1, 1}, {1, 1}};
    FitStatus status = 0;
    const double t = (-(-1.0 + 0.0) / 1000.0);
    EXPECT_TRUE(same_double(pv(z, 1, 0, status), (t + t) - t));
    EXPECT_FALSE(same_double(pv(z, 1, 0, status), t + t));

    const Zones single{{123}, {-4}, {1}, {2}, {3}};
    EXPECT_TRUE(same_double(pv(single, 50, 7, status), 0));
    const Zones perfect{{1, 2, 3}, {1, 2, 3}, {1, 1, 1}, {1, 2, 3}, {1, 1, 1}};
    EXPECT_TRUE(same_double(pv(perfect, 50, 0, status), 0));
    EXPECT_EQ(status, 0);
}

TEST(WavefrontPV, FailureCodes)
{
    const Zones good{{10, 40}, {12, 37}, {5, 5}, {1, 2}, {1, 1}};
    Zones zero_tol = good;
    zero_tol.tol[1] = 0;
    struct {
        const char* name;
        const Zones& z;
        double rcurve;
        FitStatus status;
    } const cases[] = {
        {"rcurve 0", good, 0, kBadRcurve},
        {"rcurve negative", good, -100, kBadRcurve},
        {"tol 0", zero_tol, 100, kBadSearchTolerance},
        {"tol replaces rcurve", zero_tol, 0, kBadSearchTolerance},
    };
    for (const auto& c : cases) {
        FitStatus status = 0;
        EXPECT_TRUE(same_double(pv(c.z, c.rcurve, 0, status), 0)) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
    }
    // Values that are not numbers pass the checks.
    FitStatus status = 0;
    EXPECT_TRUE(std::isnan(pv(good, kNaN, 0, status)));
    EXPECT_EQ(status, 0);
}

TEST(WavefrontPV, NeedsNoHeap)
{
    // The profile is a running sum: nothing is allocated, so a heap that
    // refuses every block changes nothing.
    const Zones z{{10, 40}, {12, 37}, {5, 5}, {1, 2}, {1, 1}};
    const auto live = heap_live_blocks();
    FitStatus status = 0;
    const double expected = pv(z, 100, 0, status);
    EXPECT_EQ(heap_live_blocks(), live);

    heap_fail_after(0);
    const double r = pv(z, 100, 0, status);
    heap_fail_after(-1);
    EXPECT_TRUE(same_double(r, expected));
    EXPECT_TRUE(same_double(r / 0.000022, 0.02727272727272727));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(heap_live_blocks(), live);
}

// ---------------------------------------------------------------- best_coc_for_wfe

TEST(BestCocForWFE, SearchResultsAndPassCounts)
{
    const Zones three{{10, 40, 70}, {12, 37, 71}, {5, 4, 3}, {1, 2, 3}, {1, 1, 1}};
    Zones narrow = three;
    narrow.tol = {5, 4, 0.1};
    const SearchCase cases[] = {
        {"fittol 0.001", three, 0.001, -0.5998942288618376, 0.02181914337398329, 20},
        {"fittol 0", three, 0, -0.5999998906750378, 0.021818182812045114, 34},
        {"fittol -1", three, -1, -0.5999998906750378, 0.021818182812045114, 34},
        {"fittol 1", three, 1, -0.6053314751072555, 0.021890883751462573, 10},
        {"fittol 0.1", three, 0.1, -0.6053314751072555, 0.021890883751462573, 10},
        {"optimum outside the bracket", narrow, 0.001, -0.8004744965158569, 0.024551924952488955, 12},
    };
    for (const SearchCase& c : cases) {
        FitStatus status = 0;
        double coc = 99;
        int passes = -1;
        const double value = best_coc_for_wfe(c.z.data.data(), c.z.ideal.data(), c.z.tol.data(),
                                              c.z.zeff.data(), c.z.zwidth.data(), c.z.n(), 100,
                                              0.000022, c.fittol, coc, status, &passes);
        EXPECT_EQ(status, 0) << c.name;
        EXPECT_TRUE(same_double(coc, c.coc)) << c.name;
        EXPECT_TRUE(same_double(value, c.value)) << c.name;
        EXPECT_EQ(passes, c.passes) << c.name;
    }
}

TEST(BestCocForWFE, WavelengthOnlyScalesTheMinimum)
{
    const Zones z{{10, 40, 70}, {12, 37, 71}, {5, 4, 3}, {1, 2, 3}, {1, 1, 1}};
    FitStatus status = 0;
    double coc = 0;
    EXPECT_TRUE(same_double(best_coc_for_wfe(z.data.data(), z.ideal.data(), z.tol.data(),
                                             z.zeff.data(), z.zwidth.data(), 3, 100, 0, 0.001, coc,
                                             status),
                            kInf));
    EXPECT_TRUE(same_double(coc, -0.5998942288618376));
    const double negative = best_coc_for_wfe(z.data.data(), z.ideal.data(), z.tol.data(),
                                             z.zeff.data(), z.zwidth.data(), 3, 100, -0.000022,
                                             0.001, coc, status);
    EXPECT_TRUE(same_double(negative, -0.02181914337398329));
    EXPECT_EQ(status, 0);
}

TEST(BestCocForWFE, PerfectMirrorStallEnds)
{
    // Every reading on its ideal: zero error at a centre of curvature of
    // exactly zero, where the relative exit test underflows.
    const Zones z{{3, 5, 8, 13}, {3, 5, 8, 13}, {1, 1, 1, 1}, {1, 2, 3, 4}, {1, 1, 1, 1}};
    FitStatus status = 0;
    double coc = 99;
    int passes = 0;
    const double value = best_coc_for_wfe(z.data.data(), z.ideal.data(), z.tol.data(),
                                          z.zeff.data(), z.zwidth.data(), z.n(), 100, 0.000022,
                                          0.001, coc, status, &passes);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(same_double(value, 0));
    EXPECT_TRUE(same_double(coc, -6.2361953949373821e-318)); // subnormal
    EXPECT_EQ(passes, 1534);
}

TEST(BestCocForWFE, SingleZoneGivesTheObjectiveAtItsCentre)
{
    // The centre puts the zone on its ideal reading; the value is CalcWFE's
    // there, so a radius or width that is infinite or not a number gives NaN.
    struct Case {
        double zeff, zwidth, wvl;
        double value;
    };
    const Case cases[] = {
        {1, 1, 0.000022, 0},  {kInf, 1, 0.000022, kNaN}, {kNaN, 1, 0.000022, kNaN},
        {1, kInf, 0.000022, kNaN}, {1, 1, 0, kNaN},      {1, 1, -0.000022, -0.0},
    };
    for (const Case& c : cases) {
        const double data = 7, ideal = 2.5, tol = 1;
        FitStatus status = 0;
        double coc = 0;
        const double value = best_coc_for_wfe(&data, &ideal, &tol, &c.zeff, &c.zwidth, 1, 100,
                                              c.wvl, 0.001, coc, status);
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(same_double(coc, -4.5));
        FitStatus calc_status = 0;
        const double calc =
            wavefront_pv(&data, &ideal, &tol, &c.zeff, &c.zwidth, 1, 100, coc, calc_status) / c.wvl;
        EXPECT_TRUE(same_double(value, calc));
        EXPECT_EQ(std::isnan(value), std::isnan(c.value)) << c.zeff << " " << c.zwidth;
        if (!std::isnan(c.value)) {
            EXPECT_TRUE(same_double(value, c.value)) << c.zeff << " " << c.zwidth << " " << c.wvl;
        }
    }
}

TEST(BestCocForWFE, SingleZoneIsFlatForEveryCentre)
{
    const double data = 7, ideal = 2.5, tol = 1, zeff = 1, zwidth = 1;
    FitStatus status = 0;
    double coc = 0;
    const auto live = heap_live_blocks();
    const double value = best_coc_for_wfe(&data, &ideal, &tol, &zeff, &zwidth, 1, 100, 0.000022,
                                          0.001, coc, status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(same_double(value, 0));
    EXPECT_TRUE(same_double(coc, -4.5));
    EXPECT_EQ(heap_live_blocks(), live);
    EXPECT_TRUE(std::isnan(best_coc_for_wfe(&data, &ideal, &tol, &zeff, &zwidth, 1, 100, 0, 0.001,
                                            coc, status)));
}

TEST(BestCocForWFE, FailuresLeaveZeroCentre)
{
    const Zones z{{10, 40, 70}, {12, 37, 71}, {5, 4, 3}, {1, 2, 3}, {1, 1, 1}};
    Zones zero_tol = z;
    zero_tol.tol[0] = 0;
    struct {
        const char* name;
        const Zones& z;
        double rcurve;
        std::int64_t heap_successes;
        FitStatus status;
    } const cases[] = {
        {"rcurve 0", z, 0, -1, kBadRcurve},
        {"tol 0", zero_tol, 100, -1, kBadSearchTolerance},
        {"tol after rcurve", zero_tol, -1, -1, kBadSearchTolerance},
        // The search allocates nothing: a refusing heap is no failure.
        {"heap refuses the first block", z, 100, 0, 0},
        {"heap refuses after five blocks", z, 100, 5, 0},
    };
    for (const auto& c : cases) {
        FitStatus status = 0;
        double coc = 99;
        heap_fail_after(c.heap_successes);
        const double value = best_coc_for_wfe(c.z.data.data(), c.z.ideal.data(), c.z.tol.data(),
                                              c.z.zeff.data(), c.z.zwidth.data(), c.z.n(), c.rcurve,
                                              0.000022, 0.001, coc, status);
        heap_fail_after(-1);
        const bool fails = c.status != 0;
        EXPECT_TRUE(same_double(value, fails ? 0 : 0.02181914337398329)) << c.name;
        EXPECT_TRUE(same_double(coc, fails ? 0 : -0.5998942288618376)) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
    }
}

// ---------------------------------------------------------------- vignetting

TEST(Vignetting, EdgeOfFieldLossInMagnitudes)
{
    struct {
        double D, N, F, L, dstop, expected;
    } const cases[] = {
        {6, 1.3, 48, 6, 25, -0.235074},
        {6, 1.3, 48, 6, 50, -2.187155},
        // Projected secondary smaller than the primary: the overlap over
        // the projected circle's area, the light at the centre of the field.
        {6, 0.5, 48, 6, 10, -0.082330},
    };
    for (const auto& c : cases) {
        const double m = vignetting_magnitudes(c.D, c.N, c.F, c.L, c.dstop);
        EXPECT_NEAR(m, c.expected, 5e-7) << c.dstop;
        EXPECT_LT(m, 0);
    }
}

TEST(Vignetting, ExactOutcomes)
{
    struct {
        const char* name;
        double D, N, F, L, dstop, expected;
    } const cases[] = {
        {"field stop 0", 6, 1.3, 48, 6, 0, 0},
        {"beyond the primary", 6, 1.3, 48, 6, 60, -999.9},
        {"small projection still inside", 6, 0.5, 48, 6, 5, 0},
        {"F equals L", 6, 1.3, 6, 6, 25, 0},
        {"F below L", 6, 1.3, 5, 6, 25, 0},
        {"negative field stop", 6, 1.3, 48, 6, -25, 0},
        {"no secondary, inside", 6, 0, 48, 6, 5, 0},
        {"no secondary, beyond", 6, 0, 48, 6, 50, -999.9},
        {"no primary, inside", 0, 1.3, 48, 6, 5, 0},
        {"no primary, beyond", 0, 1.3, 48, 6, 200, -999.9},
        {"L 0", 6, 1.3, 48, 0, 25, 0},
        {"L 0 and field stop 0", 6, 1.3, 48, 0, 0, -999.9},
        {"NaN", kNaN, 1.3, 48, 6, 25, -999.9},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(same_double(vignetting_magnitudes(c.D, c.N, c.F, c.L, c.dstop), c.expected))
            << c.name;
}

TEST(Vignetting, FallsSmoothlyFromFullLightToNone)
{
    // For both sizes of projection the ratio tends to 1 where the small
    // circle touches the large one from inside, and to no light where the
    // circles part; in between a loss never shows as a gain.
    for (double N : {0.5, 1.3}) {
        const double rs = ((N / 6.0) * 48.0) * 0.5, rp = 3.0;
        const double per_mm = (48.0 / 6.0 - 1.0) * 0.5 / 25.4;
        const double inner = std::fabs(rp - rs) / per_mm, outer = (rp + rs) / per_mm;
        EXPECT_NEAR(vignetting_magnitudes(6, N, 48, 6, inner * (1 + 1e-9)), 0, 1e-4) << N;
        EXPECT_LT(vignetting_magnitudes(6, N, 48, 6, outer * (1 - 1e-9)), -5) << N;
        double previous = 0;
        for (int k = 1; k < 100; ++k) {
            const double m = vignetting_magnitudes(6, N, 48, 6, inner + (outer - inner) * k / 100);
            EXPECT_LE(m, previous) << N << " " << k;
            previous = m;
        }
    }
}

} // namespace
