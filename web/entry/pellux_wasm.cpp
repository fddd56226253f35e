// The WebAssembly module's entry points: the worksheet functions with the
// worksheet's argument rules, and the reduction of one mirror, over buffers
// of its own that the page fills. A call answers 0 with its numbers in the
// result buffer, or 1 for #NUM!.
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

#include "core/comparison.h"
#include "core/figures.h"
#include "core/mirror_figures.h"
#include "core/reduction.h"
#include "core/simulation.h"
#include "core/transverse.h"
#include "core/vignetting.h"
#include "core/wavefront.h"
#include "core/zones.h"

#include "web/entry/wasm_entry.h"

using namespace pellux;

namespace {

constexpr int kVectors = 6;
constexpr int kLength = 32768; // one past the zone limit, so the limit itself is checked

double g_vectors[kVectors][kLength];
double g_out[kMirrorFigureCount];
// A block of runs and where its readings are, row by row.
double g_runs[2][kMaxMirrorZones * kMaxMirrorRuns];
alignas(8) unsigned char g_work[sizeof(double) * 5 * (kMaxFigureZones + 1) +
                                sizeof(std::int32_t) * 2 * (kMaxFigureZones + 1)];
MirrorInput g_mirror;
Reduction g_reduction;

const double* v(int k) { return g_vectors[k]; }

// The worksheet's shape rule for vectors of these lengths (one column each):
// the zone count, or 0 for #NUM!.
int zones(std::initializer_list<int> lengths)
{
    ZoneShape shapes[kVectors];
    int count = 0;
    for (int n : lengths) {
        if (n < 1 || n > 65535)
            return 0;
        shapes[count++] = {static_cast<std::uint16_t>(n), 1};
    }
    const ZoneCheck check = check_zone_shapes(shapes, count);
    return check.ok ? check.zones : 0;
}

int answer(double a) { return g_out[0] = a, kOk; }
int answer(double a, double b) { return g_out[0] = a, g_out[1] = b, kOk; }

int finite_pair(const FigureAt& f, double wvl)
{
    FigureAt waves{};
    return figure_in_waves(f, wvl, waves) ? answer(waves.coc, waves.value) : kNum;
}

} // namespace

PELLUX_WASM(pellux_vector) double* pellux_vector(int k) { return k >= 0 && k < kVectors ? g_vectors[k] : nullptr; }
PELLUX_WASM(pellux_out) double* pellux_out() { return g_out; }
PELLUX_WASM(pellux_runs) double* pellux_runs(int k) { return k == 0 || k == 1 ? g_runs[k] : nullptr; }

PELLUX_WASM(calc_max_abs_ta) int calc_max_abs_ta(int nd, int ni, int nt, double coc)
{
    const int n = zones({nd, ni, nt});
    FitStatus s = 0;
    const double r = n ? max_abs_ta(v(0), v(1), v(2), static_cast<std::int16_t>(n), coc, s) : 0;
    return n && s == 0 ? answer(r) : kNum;
}

PELLUX_WASM(minimize_max_abs_ta) int minimize_max_abs_ta(int nd, int ni, int nt, double fittol)
{
    const int n = zones({nd, ni, nt});
    FitStatus s = 0;
    double coc = 0;
    const double r = n ? best_coc_for_ta(v(0), v(1), v(2), static_cast<std::int16_t>(n), fittol, coc, s) : 0;
    return n && s == 0 ? answer(coc, r) : kNum;
}

PELLUX_WASM(calc_wfe) int calc_wfe(int nd, int ni, int nt, int nz, int nw, double rcurve, double coc, double wvl)
{
    const int n = zones({nd, ni, nt, nz, nw});
    FitStatus s = 0;
    const double pv = n ? wavefront_pv(v(0), v(1), v(2), v(3), v(4), static_cast<std::int16_t>(n), rcurve, coc, s) : 0;
    return n && s == 0 ? answer(pv / wvl) : kNum;
}

PELLUX_WASM(minimize_wfe) int minimize_wfe(int nd, int ni, int nt, int nz, int nw, double rcurve, double wvl, double fittol)
{
    const int n = zones({nd, ni, nt, nz, nw});
    FitStatus s = 0;
    double coc = 0;
    const double r = n ? best_coc_for_wfe(v(0), v(1), v(2), v(3), v(4), static_cast<std::int16_t>(n), rcurve, wvl,
                                          fittol, coc, s)
                       : 0;
    return n && s == 0 ? answer(coc, r) : kNum;
}

PELLUX_WASM(vignetting) int vignetting(double D, double N, double F, double L, double stop)
{
    return answer(vignetting_magnitudes(D, N, F, L, stop));
}

PELLUX_WASM(whole_mirror_pv) int whole_mirror_pv_call(int nd, int ni, int nz, int nw, double rcurve, double wvl)
{
    const int n = zones({nd, ni, nz, nw});
    const MirrorZones m{v(0), v(1), v(2), v(3), nullptr, n, rcurve};
    if (n == 0 || check_figure_call(m, wvl) != 0)
        return kNum;
    return finite_pair(whole_mirror_pv(m, g_work), wvl);
}

PELLUX_WASM(whole_mirror_rms) int whole_mirror_rms_call(int nd, int ni, int nz, int nw, int no, double rcurve, double wvl)
{
    const int n = zones({nd, ni, nz, nw, no});
    const MirrorZones m{v(0), v(1), v(2), v(3), v(4), n, rcurve};
    if (n == 0 || check_figure_call(m, wvl) != 0)
        return kNum;
    return finite_pair(whole_mirror_rms(m, g_work), wvl);
}

PELLUX_WASM(strehl_ratio) int strehl_ratio_call(double rms)
{
    if (!(rms >= 0) || !std::isfinite(rms))
        return kNum;
    return answer(strehl_ratio(rms));
}

PELLUX_WASM(correction) int correction(int nd, int ni)
{
    double percent = 0.0, conic = 0.0;
    return correction_figures(v(0), v(1), zones({nd, ni}), percent, conic) ? answer(percent, conic) : kNum;
}

// Vectors: data, ideal, sem, Zeff, Zwidth, Zouter.
PELLUX_WASM(figure_uncertainty) int figure_uncertainty_call(int nd, int ni, int ns, int nz, int nw, int no,
                                                          double rcurve, double wvl)
{
    const int n = zones({nd, ni, ns, nz, nw, no});
    const MirrorZones m{v(0), v(1), v(3), v(4), v(5), n, rcurve};
    if (n == 0 || check_spread_call(m, v(2), wvl) != 0)
        return kNum;
    const FigureSpread f = figure_uncertainty(m, v(2), wvl, g_work);
    const double values[4] = {f.pv, f.rms, f.strehl, f.correction};
    for (int i = 0; i < 4; ++i) {
        if (!std::isfinite(values[i]))
            return kNum;
        g_out[i] = values[i];
    }
    return kOk;
}

// The runs block (rows x columns, row by row) and where its readings are,
// in the runs buffers; the effective radii (zr x zc) in vector 0.
PELLUX_WASM(mirror_figures) int mirror_figures_call(int rows, int columns, int zr, int zc, double redge,
                                                    double rcurve, double wvl, double sigma, double tester)
{
    MirrorCall call{};
    if (rows < 1 || columns < 1 || zr < 1 || zc < 1 || zr * zc > kLength ||
        !runs_layout({rows, columns}, {rows, columns}, {zr, zc}, call.runs) ||
        !tester_from_factor(tester, call.fixed_source))
        return kNum;
    const int count = rows * columns;
    auto* marked = reinterpret_cast<double*>(g_work);
    mark_blanks(g_runs[0], g_runs[1], count, marked);
    call.runs.readings = marked;
    call.zeff = v(0);
    call.edge = redge;
    call.rcurve = rcurve;
    call.wvl = wvl;
    call.reading_sigma = sigma;
    MirrorFigures f{};
    if (check_mirror_call(call) != 0 || !mirror_figures(call, marked + count, f))
        return kNum;
    mirror_figure_column(f, g_out);
    return kOk;
}

// ---------------------------------------------------------------- the mirror

// The mirror's inputs by number, in this order (the page keeps the same list).
PELLUX_WASM(mirror_set) int mirror_set(int field, double x)
{
    MirrorInput& m = g_mirror;
    switch (field) {
    case 0: m.millimetres = x != 0; break;
    case 1: m.diameter = x; break;
    case 2: m.radius = x; break;
    case 3: m.wavelength_nm = x; break;
    case 4: m.moving_source = x != 0; break;
    case 5: m.zone_rule = static_cast<int>(x); break;
    case 6: m.fittol = x; break;
    case 7: m.coc = x; break;
    case 8: m.reading_sigma = x; break;
    case 9: m.secondary = x; break;
    case 10: m.focal_length = x; break;
    case 11: m.to_focus = x; break;
    case 12: m.field_stop_mm = x; break;
    case 13: m.zones = static_cast<int>(x); break;
    case 14: m.runs = static_cast<int>(x); break;
    default: return kNum;
    }
    return kOk;
}

// One zone's opening, and one reading (NaN: blank).
PELLUX_WASM(mirror_zone) int mirror_zone(int zone, double inner, double outer)
{
    if (zone < 0 || zone >= kReductionZones)
        return kNum;
    g_mirror.inner[zone] = inner;
    g_mirror.outer[zone] = outer;
    return kOk;
}

PELLUX_WASM(mirror_reading) int mirror_reading(int zone, int run, double x)
{
    if (zone < 0 || zone >= kReductionZones || run < 0 || run >= kReductionRuns)
        return kNum;
    g_mirror.readings[zone][run] = x;
    return kOk;
}

PELLUX_WASM(reduce) int reduce() { return reduce_mirror(g_mirror, g_reduction, g_work) ? kOk : kNum; }

static_assert(sizeof(double) * 8 * kReductionZones * kReductionRuns > 36000, "room for reduction_call");

// ---------------------------------------------------------------- two sessions

namespace {

MirrorInput g_kept_mirror;
Reduction g_kept_reduction;
// Room for reduction_call's marked readings and the figures' memory after
// them (reduction_work_bytes(): under 36 KB at 100 zones x 10 runs).
constexpr std::size_t kCallBytes = sizeof(double) * 8 * kReductionZones * kReductionRuns;
alignas(8) unsigned char g_kept_work[kCallBytes];
alignas(8) unsigned char g_current_work[kCallBytes];
Comparison g_comparison;

} // namespace

// Keeps the last reduced mirror as the earlier session of a comparison.
PELLUX_WASM(mirror_keep) int mirror_keep()
{
    g_kept_mirror = g_mirror;
    g_kept_reduction = g_reduction;
    return kOk;
}

// The kept session against the last reduced one.
PELLUX_WASM(compare) int compare()
{
    MirrorCall a{}, b{};
    void* rest_a = nullptr;
    void* rest_b = nullptr;
    if (!reduction_call(g_kept_mirror, g_kept_reduction, g_kept_work, a, rest_a) ||
        !reduction_call(g_mirror, g_reduction, g_current_work, b, rest_b))
        return kNum;
    return compare_sessions(a, b, g_work, g_comparison) ? kOk : kNum;
}

// The comparison by number: for figure f (0 P-V, 1 RMS, 2 Strehl, 3
// correction) field k (0 before, 1 after, 2 their spreads, 4 change, 5 its
// spread, 6 real) at index 8 f + k; from 32, the shapes: 32 + 5 j + (0
// radius, 1 before, 2 after, 3 difference, 4 band) for point j.
PELLUX_WASM(comparison_result) double comparison_result(int field)
{
    const Comparison& c = g_comparison;
    if (field >= 0 && field < 32) {
        const Change* all[4] = {&c.pv, &c.rms, &c.strehl, &c.correction};
        const Change& x = *all[field / 8];
        const double v[8] = {x.before, x.after, x.before_spread, x.after_spread, x.change, x.spread, x.real ? 1.0 : 0.0, 0};
        return v[field % 8];
    }
    const int j = (field - 32) / 5;
    if (j < 0 || j >= kComparePoints)
        return std::numeric_limits<double>::quiet_NaN();
    const double v[5] = {c.radius[j], c.before[j], c.after[j], c.difference[j], c.band[j]};
    return v[(field - 32) % 5];
}

// The results by number, in this order (the page keeps the same list).
PELLUX_WASM(reduction_result) double reduction_result(int field)
{
    const Reduction& r = g_reduction;
    const double values[] = {
        r.pv_coc, r.pv, r.rms_coc, r.rms, r.strehl, r.rms_nm, r.pv_nm, r.correction, r.conic,
        r.pv_spread, r.rms_spread, r.strehl_spread, r.correction_spread, r.ta_coc, r.ta_max,
        r.ta_coc_reading, r.wfe_coc, r.wfe_pv, r.window_low, r.window_high, r.user_ta, r.user_wfe,
        r.vignetting, r.edge_light, r.profile_pv, r.pv_unbiased, r.rms_unbiased, r.strehl_unbiased,
        r.p_quarter_wave, r.p_strehl, r.scatter, r.first_zeff, r.last_zeff, r.edge_unmeasured,
        r.centre_share, r.window_end ? 1.0 : 0.0,
    };
    return field >= 0 && field < static_cast<int>(sizeof values / sizeof values[0])
               ? values[field]
               : std::numeric_limits<double>::quiet_NaN();
}

// A zone's value of the zone table, by number: Zeff, Zwidth, mean reading,
// paraboloid, tolerance, uncertainty, TA, its standard deviation, the
// profile at the zone's outer edge (waves) and that edge; zone -1 is the
// profile's first point.
PELLUX_WASM(reduction_zone) double reduction_zone(int field, int zone)
{
    const Reduction& r = g_reduction;
    if (zone == -1 && field >= 8)
        return field == 8 ? r.profile_waves[0] : r.edge[0];
    if (zone < 0 || zone >= g_mirror.zones)
        return std::numeric_limits<double>::quiet_NaN();
    const double values[] = {r.zeff[zone], r.zwidth[zone], r.reading[zone], r.ideal[zone], r.tol[zone],
                             r.sem[zone], r.ta[zone], r.ta_sd[zone], r.profile_waves[zone + 1],
                             r.edge[zone + 1]};
    return field >= 0 && field < 10 ? values[field] : std::numeric_limits<double>::quiet_NaN();
}

// ---------------------------------------------------------------- what you should see

namespace {

constexpr int kPagePicture = 512;
unsigned char g_picture[kPagePicture * kPagePicture];
alignas(8) unsigned char g_sim_work[sizeof(double) * (2 * 512 * 512 + 3 * 512 + 256 * 256)];
alignas(8) unsigned char g_profile_work[kCallBytes];
Profile g_profile;
double g_heights[kReductionZones + 2];
double g_centre; // the paraxial centre of curvature as a reading, mils

// The last reduced mirror as a simulated one: false when its readings do
// not reduce.
bool simulated(SimMirror& mirror, SimTester& tester)
{
    MirrorCall call{};
    void* rest = nullptr;
    if (!reduction_call(g_mirror, g_reduction, g_profile_work, call, rest) ||
        !mirror_profile(call, rest, g_profile, g_centre))
        return false;
    profile_heights(g_profile, 0.0, g_heights);
    mirror = {g_reduction.diameter_in, g_reduction.radius_in, -1, 0, &g_profile, g_heights};
    tester = {g_mirror.moving_source, g_reduction.wavelength_in, 0, false};
    return simulation_ok(mirror, tester, kMinPicture);
}

// A knife's reading as the user types it, from the paraxial centre of
// curvature, in inches.
double from_centre(double reading)
{
    const Reduction& r = g_reduction;
    return (reading / r.per_inch * 1000 * r.factor - g_centre) / (1000 * r.factor);
}

} // namespace

PELLUX_WASM(pellux_picture) unsigned char* pellux_picture() { return g_picture; }

// The Foucaultgram of the last reduced mirror, size x size into the
// picture, with the knife at a reading in the mirror's units and a source
// of that width; 0, or 1 when the mirror or the request cannot be shown.
PELLUX_WASM(sim_foucault) int sim_foucault(int size, double reading, double source_width)
{
    SimMirror mirror{};
    SimTester tester{};
    if (size < kMinPicture || size > kPagePicture || !(source_width >= 0) || !std::isfinite(reading) ||
        !simulated(mirror, tester))
        return kNum;
    tester.source_width = source_width / g_reduction.per_inch;
    foucaultgram(mirror, tester, from_centre(reading), size, g_picture, g_sim_work);
    return kOk;
}

// Its Ronchigram: a grating of lines per inch at an offset (a reading, as
// the knife's).
PELLUX_WASM(sim_ronchi) int sim_ronchi(int size, double lines_per_inch, double offset)
{
    SimMirror mirror{};
    SimTester tester{};
    if (size < kMinPicture || size > kPagePicture || !(lines_per_inch > 0) || !std::isfinite(offset) ||
        !simulated(mirror, tester))
        return kNum;
    ronchigram(mirror, tester, lines_per_inch, from_centre(offset), size, g_picture);
    return kOk;
}

// The paraxial centre of curvature of the last simulated mirror, as a
// reading in the mirror's units.
PELLUX_WASM(sim_centre_reading) double sim_centre_reading()
{
    return g_centre / 1000 / g_reduction.factor * g_reduction.per_inch;
}
