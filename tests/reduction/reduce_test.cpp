// The core's reduction of a mirror, which the browser page runs, against
// the workbook that xlhost evaluates for the same mirror: every number the
// same to the last bit (the light at the edge of the field, drawn from the
// host's power operator, to 1e-15).
#include <bit>
#include <cmath>
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "core/reduction.h"
#include "tests/reduction/workbook.h"
#include "tools/reduction/formulas.h"
#include "tools/reduction/mirror_file.h"

namespace {

using namespace reduction;
using reduction_test::Evaluated;
using reduction_test::from_file;

pellux::MirrorInput input_of(const Mirror& m) { return mirror_input(m); }

// The same bits, or both an error (NaN against an error cell).
void same(const Evaluated& e, int row, int col, double got, const std::string& what)
{
    const CachedValue& v = e.at(row, col);
    if (v.kind != CachedValue::Number) {
        EXPECT_TRUE(std::isnan(got)) << what << ": the sheet shows " << v.text << ", the core " << got;
        return;
    }
    EXPECT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(v.number))
        << what << ": core " << got << ", sheet " << v.number;
}

TEST(Reduce, EveryNumberAsTheWorkbookComputesIt)
{
    Mirror sphere = worked_example(6);
    for (Zone& z : sphere.zones)
        z.runs = {0.05, 0.052, std::nullopt};
    Mirror bad = worked_example(6);
    bad.radius = -96;
    const struct {
        const char* name;
        Mirror m;
    } cases[] = {
        {"worked", worked_example(6)},
        {"twelve_rms", [] { Mirror m = worked_example(12); m.zone_radius = "rms"; return m; }()},
        {"mm_moving", moving_source(in_millimetres(worked_example(6)))},
        {"example_file", from_file(MIRROR_EXAMPLE)},
        {"sphere_two_runs", sphere},
        {"bad_radius", bad},
    };
    std::vector<unsigned char> work(pellux::reduction_work_bytes());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Evaluated e = reduction_test::evaluate(c.m, std::string("reduce_") + c.name);
        pellux::Reduction r;
        ASSERT_TRUE(pellux::reduce_mirror(input_of(c.m), r, work.data()));
        const struct {
            int row;
            double value;
        } results[] = {
            {kRowPvCoc, r.pv_coc}, {kRowPv, r.pv}, {kRowRmsCoc, r.rms_coc}, {kRowRms, r.rms},
            {kRowStrehl, r.strehl}, {kRowRmsNm, r.rms_nm}, {kRowPvNm, r.pv_nm},
            {kRowCorrection, r.correction}, {kRowConic, r.conic}, {kRowPvSpread, r.pv_spread},
            {kRowRmsSpread, r.rms_spread}, {kRowStrehlSpread, r.strehl_spread},
            {kRowCorrectionSpread, r.correction_spread}, {kRowTaCoc, r.ta_coc}, {kRowTaMax, r.ta_max},
            {kRowTaCocReading, r.ta_coc_reading}, {kRowWfeCoc, r.wfe_coc}, {kRowWfePv, r.wfe_pv},
            {kRowWindowLo, r.window_low}, {kRowWindowHi, r.window_high}, {kRowUserTa, r.user_ta},
            {kRowUserWfe, r.user_wfe}, {kRowVignetting, r.vignetting}, {kRowProfilePv, r.profile_pv},
            {kRowPvUnbiased, r.pv_unbiased},
        };
        for (const auto& x : results)
            same(e, x.row, kOutValue, x.value, "N" + std::to_string(x.row + 1));
        const Layout& l = e.layout;
        const double figures[] = {r.pv, r.pv_coc, r.rms, r.rms_coc, r.strehl, r.correction, r.conic,
                                  r.pv_spread, r.rms_spread, r.strehl_spread, r.correction_spread,
                                  r.pv_unbiased, r.rms_unbiased, r.strehl_unbiased, r.p_quarter_wave,
                                  r.p_strehl, r.scatter_mils, r.first_zeff, r.last_zeff, r.edge_unmeasured,
                                  r.centre_share};
        for (int k = 0; k < kFigCount; ++k)
            same(e, kRowMirrorHead + k, l.figures_col(), figures[k], "figure " + std::to_string(k));
        same(e, kRowScatter, kInValue, r.scatter, "scatter");
        same(e, kRowSigmaMils, kInValue, r.sigma_mils, "reading uncertainty in mils");
        for (int i = 0; i < l.zones; ++i) {
            const int row = l.first + i;
            for (const auto& [field, value] :
                 {std::pair{kZeff, r.zeff[i]}, {kZwidth, r.zwidth[i]}, {kReading, r.reading[i]},
                  {kIdeal, r.ideal[i]}, {kTol, r.tol[i]}, {kSem, r.sem[i]}, {kTa, r.ta[i]},
                  {kTaSd, r.ta_sd[i]}, {kProfileWaves, r.profile_waves[i + 1]}, {kEdge, r.edge[i + 1]}})
                same(e, row, l.col(field), value, "zone " + std::to_string(i + 1) + " field " + std::to_string(field));
            for (int k = 0; k < l.runs; ++k) {
                same(e, row, l.mils_col(k), r.mils[i][k], "zone " + std::to_string(i + 1) + " run in mils");
                same(e, row, l.taken_col(k), r.taken[i][k], "zone " + std::to_string(i + 1) + " taken");
            }
        }
        const double light = e.number(kRowVigLight, kOutValue);
        if (!std::isnan(light)) {
            EXPECT_NEAR(r.edge_light, light, 1e-15);
        }
        EXPECT_EQ(r.window_end, e.text(kRowWindow, kOutLabel).find("window") != std::string::npos);
    }
}

} // namespace
