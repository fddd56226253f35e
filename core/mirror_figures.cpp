#include "core/mirror_figures.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/elementary.h"
#include "core/figures.h"
#include "core/random.h"
#include "core/reconstruction.h"

namespace pellux {

namespace {

constexpr std::uint64_t kSeed = 0x50454C4C55584D46ull;
// Past this many degrees of freedom the scatter is taken as known.
constexpr int kDrawnDof = 100;

struct Work {
    double* value;   // zones
    double* ideal;   // zones: the paraboloid's readings, 1000 h^2 / R
    double* d;       // zones: value - ideal
    double* sample;  // zones
    double* radii;   // zones: the effective radii without the centre's
    double* offset;  // 2 runs
    double* profile; // profile_doubles(zones)
    double* heights; // 2 (zones + 2)
    int* count;      // zones
    int* order;      // 2 zones
};

std::size_t doubles_of(int zones, int runs)
{
    return static_cast<std::size_t>(5 * zones + 2 * runs + profile_doubles(zones) + 2 * (zones + 2));
}

Work carve(void* block, int zones, int runs)
{
    auto* d = static_cast<double*>(block);
    Work w{};
    w.value = d;
    w.ideal = d + zones;
    w.d = d + 2 * zones;
    w.sample = d + 3 * zones;
    w.radii = d + 4 * zones;
    w.offset = d + 5 * zones;
    w.profile = w.offset + 2 * runs;
    w.heights = w.profile + profile_doubles(zones);
    auto* ints = reinterpret_cast<int*>(d + doubles_of(zones, runs));
    w.count = ints;
    w.order = ints + zones;
    return w;
}

struct Shape {
    double pv, pv_coc, rms, rms_coc;
    bool ok;
};

// P-V and RMS (inches) of the reconstruction from aberrations d (mils),
// the P-V to within `tolerance` inches.
Shape shape_of(const MirrorCall& c, const double* d, const Work& w, Profile& p, double tolerance = kExactPv)
{
    Shape s{};
    s.ok = build_profile(c.zeff, d, c.runs.zones, c.edge, c.rcurve, w.profile, w.order, p);
    if (!s.ok)
        return s;
    const Extent pv = least_pv(p, w.heights, tolerance);
    const Extent rms = least_rms(p, w.heights);
    s.pv = pv.pv;
    s.pv_coc = pv.coc;
    s.rms = rms.pv;
    s.rms_coc = rms.coc;
    return s;
}

// A chi-square deviate of `dof` degrees of freedom, as a sum of squares.
double chi_square(Generator& g, int dof)
{
    double sum = 0.0;
    for (int j = 0; j < dof; ++j) {
        const double z = next_normal(g);
        sum += z * z;
    }
    return sum;
}

// Where the normal at radius h crosses the axis, less R (inches), when the
// rays from a source on the axis at R, reflected there, cross it at R + x.
// The normal bisects the unit vectors towards the source and the knife;
// the sag is the paraboloid's (the mirror's own differs by far less than
// the bisector can feel).
double normal_crossing(double h, double x, double rcurve)
{
    const double z = h * h / (2.0 * rcurve);
    const double to_source = rcurve - z, to_knife = rcurve + x - z;
    const double ls = std::sqrt(h * h + to_source * to_source);
    const double lk = std::sqrt(h * h + to_knife * to_knife);
    const double mx = -h / ls + -h / lk, mz = to_source / ls + to_knife / lk;
    return z + (-h / mx) * mz - rcurve;
}

// A fixed source's zone values (mils) as a moving source's, doubled: the
// paraxial centre of curvature is where the reconstruction's reading at
// the centre lies, so each crossing is taken from there.
bool from_fixed_source(const MirrorCall& c, const Work& w, Profile& p)
{
    const int n = c.runs.zones;
    for (int i = 0; i < n; ++i)
        w.d[i] = w.value[i] - w.ideal[i];
    if (!build_profile(c.zeff, w.d, n, c.edge, c.rcurve, w.profile, w.order, p))
        return false;
    const double centre = p.d[0];
    for (int i = 0; i < n; ++i) {
        const double x = (w.value[i] - centre) / 1000.0;
        w.value[i] = 2000.0 * normal_crossing(c.zeff[i], x, c.rcurve) + centre;
    }
    return true;
}

} // namespace

int check_mirror_call(const MirrorCall& c)
{
    const RunBlock& b = c.runs;
    if (b.zones < 2 || b.zones > kMaxMirrorZones || b.runs < 1 || b.runs > kMaxMirrorRuns)
        return kBadFigureInput;
    const double positives[4] = {c.edge, c.rcurve, c.wvl, c.reading_sigma};
    for (double v : positives)
        if (!(v > 0) || !std::isfinite(v))
            return kBadFigureInput;
    for (int i = 0; i < b.zones; ++i) {
        if (!(c.zeff[i] > 0) || !(c.zeff[i] <= c.edge))
            return kBadFigureInput;
        int readings = 0;
        for (int k = 0; k < b.runs; ++k) {
            const double r = b.readings[i * b.zone_stride + k * b.run_stride];
            if (std::isinf(r))
                return kBadFigureInput;
            readings += !std::isnan(r);
        }
        if (readings == 0)
            return kBadFigureInput;
    }
    return 0;
}

std::size_t mirror_figure_bytes(int zones, int runs)
{
    return sizeof(double) * doubles_of(zones, runs) + sizeof(int) * (3 * static_cast<std::size_t>(zones));
}

namespace {

// Each zone's value from its runs, as a moving source's reading, and its
// aberration D into w.d.
bool fitted_aberrations(const MirrorCall& c, const Work& w, RunFit& fit)
{
    const int n = c.runs.zones;
    fit = fit_runs(c.runs, w.value, w.count, w.offset);
    for (int i = 0; i < n; ++i)
        w.ideal[i] = 1000.0 * c.zeff[i] * c.zeff[i] / c.rcurve;
    Profile p{};
    if (c.fixed_source && !from_fixed_source(c, w, p))
        return false;
    for (int i = 0; i < n; ++i)
        w.d[i] = w.value[i] - w.ideal[i];
    return true;
}

// The figures of the fitted readings, what they cover, and the fit, before
// any sampling; the zone aberrations stay in w.d for the samples.
bool shape_figures(const MirrorCall& c, const Work& w, MirrorFigures& f, RunFit& fit)
{
    const int n = c.runs.zones;
    Profile p{};
    if (!fitted_aberrations(c, w, fit))
        return false;
    const Shape shape = shape_of(c, w.d, w, p);
    if (!shape.ok)
        return false;
    f = MirrorFigures{};
    f.pv = shape.pv / c.wvl;
    f.pv_coc = shape.pv_coc;
    f.rms = shape.rms / c.wvl;
    f.rms_coc = shape.rms_coc;
    f.strehl = strehl_ratio(f.rms);
    if (!correction_figures(w.value, w.ideal, n, f.correction, f.conic))
        return false;

    // What the readings cover.
    double first = c.zeff[0], outer = c.zeff[0];
    for (int i = 1; i < n; ++i) {
        first = c.zeff[i] < first ? c.zeff[i] : first;
        outer = c.zeff[i] > outer ? c.zeff[i] : outer;
    }
    f.first_zeff = first;
    f.last_zeff = outer;
    f.edge_unmeasured = (c.edge - outer) / c.edge;
    // The centre's part: how much of the P-V goes when the innermost
    // zone's reading does, the rest extended to the centre without it.
    int rest = 0;
    for (int i = 0; i < n; ++i)
        if (c.zeff[i] != first) {
            w.radii[rest] = c.zeff[i];
            w.sample[rest++] = w.d[i];
        }
    f.centre_share = 1.0;
    if (rest > 0 && shape.pv > 0) {
        MirrorCall without = c;
        without.zeff = w.radii;
        without.runs.zones = rest;
        Profile q{};
        const Shape outer_only = shape_of(without, w.sample, w, q);
        if (!outer_only.ok)
            return false;
        const double share = (shape.pv - outer_only.pv) / shape.pv;
        f.centre_share = share > 0 ? share : 0.0;
    } else if (shape.pv == 0) {
        f.centre_share = 0.0;
    }

    return true;
}

} // namespace

bool mirror_profile(const MirrorCall& c, void* work, Profile& p, double& centre)
{
    const Work w = carve(work, c.runs.zones, c.runs.runs);
    RunFit fit{};
    if (!fitted_aberrations(c, w, fit) || !build_profile(c.zeff, w.d, c.runs.zones, c.edge, c.rcurve, w.profile, w.order, p))
        return false;
    centre = p.d[0];
    for (int k = 0; k < p.nodes; ++k)
        p.d[k] = p.d[k] - centre;
    return true;
}

bool mirror_shape(const MirrorCall& c, void* work, MirrorFigures& f)
{
    RunFit fit{};
    return shape_figures(c, carve(work, c.runs.zones, c.runs.runs), f, fit);
}

namespace {

// One reading's scatter: the typed uncertainty pooled with the runs'.
double pooled_scatter(const MirrorCall& c, const RunFit& fit, int& dof)
{
    dof = kPriorDof + fit.dof;
    return std::sqrt((kPriorDof * (c.reading_sigma * c.reading_sigma) + fit.rss) / dof);
}

// One retest: each zone's aberration drawn about its fit into w.sample, the
// scatter itself drawn from its scaled inverse chi-square.
void draw_retest(Generator& g, const Work& w, int n, double scatter, int dof)
{
    const double scale = dof <= kDrawnDof ? std::sqrt(dof / chi_square(g, dof)) : 1.0;
    const double sigma = scatter * scale;
    for (int i = 0; i < n; ++i)
        w.sample[i] = w.d[i] + sigma / std::sqrt(static_cast<double>(w.count[i])) * next_normal(g);
}

} // namespace

bool mirror_figures(const MirrorCall& c, void* work, MirrorFigures& f)
{
    const int n = c.runs.zones;
    const Work w = carve(work, n, c.runs.runs);
    RunFit fit{};
    if (!shape_figures(c, w, f, fit))
        return false;
    int dof = 0;
    f.scatter = pooled_scatter(c, fit, dof);

    // The Strehl ratio of 0.8 is an RMS of sqrt(-ln 0.8) / 2 pi waves.
    const double rms_80 = std::sqrt(-pellux::log(0.8)) / (2.0 * kPi);
    const double pv_sq2 = 2.0 * (f.pv * f.pv), rms_sq2 = 2.0 * (f.rms * f.rms);
    Generator g = seeded(kSeed);
    Running pv{}, rms{}, strehl{}, correction{}, pv_sq{}, rms_sq{};
    int quarter = 0, strehl_80 = 0;
    for (int s = 1; s <= kMirrorSamples; ++s) {
        draw_retest(g, w, n, f.scatter, dof);
        Profile q{};
        const Shape drawn = shape_of(c, w.sample, w, q, kSampledPv);
        const double dpv = drawn.pv / c.wvl, drms = drawn.rms / c.wvl;
        for (int i = 0; i < n; ++i)
            w.sample[i] = w.sample[i] + w.ideal[i];
        double percent = 0.0, conic = 0.0;
        if (!drawn.ok || !correction_figures(w.sample, w.ideal, n, percent, conic))
            return false;
        add(pv, dpv, s);
        add(rms, drms, s);
        add(pv_sq, dpv * dpv, s);
        add(rms_sq, drms * drms, s);
        add(strehl, strehl_ratio(drms), s);
        add(correction, percent, s);
        quarter += pv_sq2 - dpv * dpv <= 0.0625;
        strehl_80 += rms_sq2 - drms * drms <= rms_80 * rms_80;
    }
    f.pv_spread = deviation(pv, kMirrorSamples);
    f.rms_spread = deviation(rms, kMirrorSamples);
    f.strehl_spread = deviation(strehl, kMirrorSamples);
    f.correction_spread = deviation(correction, kMirrorSamples);
    const double pv_less = pv_sq2 - pv_sq.mean;
    f.pv_unbiased = pv_less > 0 ? std::sqrt(pv_less) : 0.0;
    const double rms_less = rms_sq2 - rms_sq.mean;
    f.rms_unbiased = rms_less > 0 ? std::sqrt(rms_less) : 0.0;
    f.strehl_unbiased = strehl_ratio(f.rms_unbiased);
    f.p_quarter_wave = quarter / static_cast<double>(kMirrorSamples);
    f.p_strehl = strehl_80 / static_cast<double>(kMirrorSamples);

    double column[kMirrorFigureCount];
    mirror_figure_column(f, column);
    for (double v : column)
        if (!std::isfinite(v))
            return false;
    return true;
}

bool runs_layout(BlockShape runs, BlockShape present, BlockShape zeff, RunBlock& b)
{
    if (present.rows != runs.rows || present.columns != runs.columns)
        return false;
    if (zeff.columns == 1 && zeff.rows == runs.rows)
        b = {b.readings, runs.rows, runs.columns, runs.columns, 1};
    else if (zeff.rows == 1 && zeff.columns == runs.columns)
        b = {b.readings, runs.columns, runs.rows, 1, runs.columns};
    else
        return false;
    return b.zones <= kMaxMirrorZones && b.runs <= kMaxMirrorRuns;
}

void mark_blanks(const double* runs, const double* present, int count, double* out)
{
    for (int k = 0; k < count; ++k)
        out[k] = present[k] != 0 ? runs[k] : std::numeric_limits<double>::quiet_NaN();
}

bool tester_from_factor(double factor, bool& fixed_source)
{
    fixed_source = factor == 1;
    return factor == 1 || factor == 2;
}

bool profile_spread(const MirrorCall& c, void* work, const double* u, int count, double* shape, double* spread,
                    double* scratch)
{
    const int n = c.runs.zones;
    const Work w = carve(work, n, c.runs.runs);
    RunFit fit{};
    Profile p{};
    if (!fitted_aberrations(c, w, fit) ||
        !build_profile(c.zeff, w.d, n, c.edge, c.rcurve, w.profile, w.order, p))
        return false;
    refocused_profile(p, w.heights, u, count, shape);
    for (int j = 0; j < count; ++j)
        shape[j] = shape[j] / c.wvl;
    int dof = 0;
    const double scatter = pooled_scatter(c, fit, dof);
    // The retests' profiles, point by point (spread[] holds each point's
    // sum of squared departures until the end).
    Generator g = seeded(kSeed);
    for (int j = 0; j < count; ++j)
        spread[j] = 0.0;
    for (int s = 1; s <= kMirrorSamples; ++s) {
        draw_retest(g, w, n, scatter, dof);
        Profile q{};
        if (!build_profile(c.zeff, w.sample, n, c.edge, c.rcurve, w.profile, w.order, q))
            return false;
        refocused_profile(q, w.heights, u, count, scratch);
        for (int j = 0; j < count; ++j) {
            const double e = scratch[j] / c.wvl - shape[j];
            spread[j] += e * e;
        }
    }
    for (int j = 0; j < count; ++j)
        spread[j] = std::sqrt(spread[j] / (kMirrorSamples - 1));
    return true;
}

void mirror_figure_column(const MirrorFigures& f, double* v)
{
    const double all[kMirrorFigureCount] = {
        f.pv, f.pv_coc, f.rms, f.rms_coc, f.strehl, f.correction, f.conic,
        f.pv_spread, f.rms_spread, f.strehl_spread, f.correction_spread,
        f.pv_unbiased, f.rms_unbiased, f.strehl_unbiased, f.p_quarter_wave, f.p_strehl,
        f.scatter, f.first_zeff, f.last_zeff, f.edge_unmeasured, f.centre_share};
    for (int k = 0; k < kMirrorFigureCount; ++k)
        v[k] = all[k];
}

} // namespace pellux
