// Each line follows the sheet's formula of the same name, its operations
// left to right as the spreadsheet evaluates them. A NaN stands for an error
// cell: a function given one gives an error, as the host does for an error
// in a range or a scalar argument.
#include "core/reduction.h"

#include <cmath>
#include <initializer_list>
#include <limits>

#include "core/elementary.h"
#include "core/mirror_figures.h"
#include "core/transverse.h"
#include "core/vignetting.h"
#include "core/wavefront.h"
#include "core/zone_kernels.h"

namespace pellux {

double zone_effective_radius(double r1, double r2, int rule)
{
    const double mean = (r1 + r2) / 2;
    const double rms = std::sqrt((r1 * r1 + r2 * r2) / 2);
    return rule == 1 ? rms : rule == 2 ? (mean + rms) / 2 : mean;
}

namespace {

constexpr double kError = std::numeric_limits<double>::quiet_NaN();

bool any_error(const double* v, int n)
{
    for (int i = 0; i < n; ++i)
        if (std::isnan(v[i]))
            return true;
    return false;
}

double positive_or_error(double x, double conversion_divisor)
{
    return x > 0 ? x / conversion_divisor : kError;
}

// The runs that are numbers, in order; their count.
int numbers(const MirrorInput& m, int zone, double* out)
{
    int count = 0;
    for (int k = 0; k < m.runs; ++k)
        if (!std::isnan(m.readings[zone][k]))
            out[count++] = m.readings[zone][k];
    return count;
}

double average(const double* xs, int n)
{
    if (n == 0)
        return kError;
    double total = 0;
    for (int i = 0; i < n; ++i)
        total += xs[i];
    return total / n;
}

double stdev(const double* xs, int n)
{
    if (n < 2)
        return kError;
    const double m = average(xs, n);
    double squares = 0;
    for (int i = 0; i < n; ++i)
        squares += (xs[i] - m) * (xs[i] - m);
    return std::sqrt(squares / (n - 1));
}

void zone_table(const MirrorInput& m, Reduction& r)
{
    r.edge[0] = m.inner[0] / r.per_inch;
    for (int i = 0; i < m.zones; ++i) {
        const double r1 = m.inner[i], r2 = m.outer[i];
        const bool bad = r1 < 0 || r2 <= r1;
        const double rule = zone_effective_radius(r1, r2, m.zone_rule);
        r.zeff[i] = bad ? kError : rule / r.per_inch;
        r.zwidth[i] = bad ? kError : (r2 - r1) / r.per_inch;

        double runs[kReductionRuns];
        const int n = numbers(m, i, runs);
        r.sd[i] = n > 1 ? stdev(runs, n) : kError;
        r.reading[i] = average(runs, n) / r.per_inch * 1000 * r.factor;
        r.ideal[i] = 1000 * r.zeff[i] * r.zeff[i] / r.radius_in;
        r.tol[i] = 1000 * 2 * r.radius_in * r.airy / r.zeff[i];
        for (int k = 0; k < m.runs; ++k) {
            const double x = m.readings[i][k];
            r.taken[i][k] = std::isnan(x) ? 0 : 1;
            r.mils[i][k] = std::isnan(x) ? 0 : x / r.per_inch * 1000 * r.factor;
        }
        r.edge[i + 1] = r2 / r.per_inch;
    }
}

} // namespace

bool reduction_call(const MirrorInput& m, const Reduction& r, void* work, MirrorCall& call, void*& rest)
{
    const int n = m.zones;
    // Zones run down the rows of the block, runs across.
    auto* block = static_cast<double*>(work);
    double* taken = block + n * m.runs;
    bool errors = any_error(r.zeff, n) || std::isnan(r.edge_in) || std::isnan(r.radius_in) ||
                  std::isnan(r.wavelength_in) || std::isnan(r.sigma_mils);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < m.runs; ++k) {
            block[i * m.runs + k] = r.mils[i][k];
            taken[i * m.runs + k] = r.taken[i][k];
            errors = errors || std::isnan(r.mils[i][k]);
        }
    double* marked = taken + n * m.runs;
    if (errors || !runs_layout({n, m.runs}, {n, m.runs}, {n, 1}, call.runs) ||
        !tester_from_factor(r.factor, call.fixed_source))
        return false;
    mark_blanks(block, taken, n * m.runs, marked);
    call.runs.readings = marked;
    call.zeff = r.zeff;
    call.edge = r.edge_in;
    call.rcurve = r.radius_in;
    call.wvl = r.wavelength_in;
    call.reading_sigma = r.sigma_mils;
    rest = marked + n * m.runs;
    return check_mirror_call(call) == 0;
}

namespace {

// MirrorFigures over the runs in mils, as the sheet calls it; every figure
// NaN when it gives an error.
void figures(const MirrorInput& m, Reduction& r, void* work)
{
    const int n = m.zones;
    double column[kMirrorFigureCount];
    for (double& v : column)
        v = kError;
    MirrorCall call{};
    void* rest = nullptr;
    MirrorFigures f{};
    if (reduction_call(m, r, work, call, rest) && mirror_figures(call, rest, f))
        mirror_figure_column(f, column);
    double* const out[kMirrorFigureCount] = {
        &r.pv, &r.pv_coc, &r.rms, &r.rms_coc, &r.strehl, &r.correction, &r.conic,
        &r.pv_spread, &r.rms_spread, &r.strehl_spread, &r.correction_spread,
        &r.pv_unbiased, &r.rms_unbiased, &r.strehl_unbiased, &r.p_quarter_wave, &r.p_strehl,
        &r.scatter_mils, &r.first_zeff, &r.last_zeff, &r.edge_unmeasured, &r.centre_share};
    for (int k = 0; k < kMirrorFigureCount; ++k)
        *out[k] = column[k];
    r.rms_nm = r.rms / 2 * m.wavelength_nm;
    r.pv_nm = r.pv / 2 * m.wavelength_nm;
    r.scatter = r.scatter_mils / 1000 / r.factor * r.per_inch;
    for (int i = 0; i < n; ++i) {
        double runs[kReductionRuns];
        r.sem[i] = r.scatter_mils / std::sqrt(static_cast<double>(numbers(m, i, runs)));
    }
}

void zonal(const MirrorInput& m, Reduction& r)
{
    const auto n = static_cast<std::int16_t>(m.zones);
    const bool ta_errors = any_error(r.reading, n) || any_error(r.ideal, n) || any_error(r.tol, n);
    const bool wfe_errors = ta_errors || any_error(r.zeff, n) || any_error(r.zwidth, n);

    FitStatus s = 0;
    double coc = 0;
    double value = ta_errors || std::isnan(m.fittol)
                       ? kError
                       : best_coc_for_ta(r.reading, r.ideal, r.tol, n, m.fittol, coc, s);
    r.ta_coc = s == 0 && !std::isnan(value) ? coc : kError;
    r.ta_max = s == 0 ? value : kError;
    r.ta_coc_reading = r.ta_coc / 1000 * r.per_inch / r.factor;

    s = 0;
    value = wfe_errors || std::isnan(r.radius_in) || std::isnan(r.wavelength_in)
                ? kError
                : best_coc_for_wfe(r.reading, r.ideal, r.tol, r.zeff, r.zwidth, n, r.radius_in,
                                   r.wavelength_in, m.fittol, coc, s);
    r.wfe_coc = s == 0 && !std::isnan(value) ? coc : kError;
    r.wfe_pv = s == 0 ? value : kError;

    const int a = m.zones - 1, b = m.zones - 2;
    const double centre = b >= 0 ? -((r.reading[a] - r.ideal[a]) + (r.reading[b] - r.ideal[b])) * 0.5 : kError;
    const double width = r.tol[a] + r.tol[a];
    r.window_low = centre - width;
    r.window_high = width + centre;

    s = 0;
    r.user_ta = ta_errors ? kError : max_abs_ta(r.reading, r.ideal, r.tol, n, r.coc_mils, s);
    if (s != 0)
        r.user_ta = kError;
    s = 0;
    const double user = wfe_errors || std::isnan(r.radius_in)
                            ? kError
                            : wavefront_pv(r.reading, r.ideal, r.tol, r.zeff, r.zwidth, n, r.radius_in,
                                           r.coc_mils, s);
    r.user_wfe = s == 0 ? user / r.wavelength_in : kError;

    // The window warning: CalcWFE at an end no worse than MinimizeWFE's answer.
    r.window_end = false;
    for (double end : {r.window_low, r.window_high}) {
        s = 0;
        if (wfe_errors || std::isnan(end) || std::isnan(r.wfe_pv))
            continue;
        const double at_end = wavefront_pv(r.reading, r.ideal, r.tol, r.zeff, r.zwidth, n, r.radius_in, end, s);
        r.window_end = r.window_end || (s == 0 && at_end / r.wavelength_in <= r.wfe_pv);
    }
}

void charts(const MirrorInput& m, Reduction& r)
{
    double profile = 0, lo = 0, hi = 0;
    bool errors = false;
    r.profile_waves[0] = 0 / r.wavelength_in;
    for (int i = 0; i < m.zones; ++i) {
        const double difference = r.reading[i] - r.ideal[i];
        r.ta[i] = (difference + r.ta_coc) / r.tol[i];
        r.ta_sd[i] = std::isnan(r.sd[i]) ? 0 : r.sd[i] / r.per_inch * 1000 * r.factor / r.tol[i];
        profile = zone_term(r.reading, r.ideal, r.zeff, r.zwidth, i, r.radius_in, r.pv_coc) + profile;
        r.profile_waves[i + 1] = profile / r.wavelength_in;
        errors = errors || std::isnan(profile);
        lo = profile < lo ? profile : lo;
        hi = profile > hi ? profile : hi;
    }
    r.profile_pv = errors ? kError : (hi - lo) / r.wavelength_in;
}

} // namespace

std::size_t reduction_work_bytes()
{
    return sizeof(double) * 3 * kReductionZones * kReductionRuns +
           mirror_figure_bytes(kReductionZones, kReductionRuns);
}

bool reduce_mirror(const MirrorInput& m, Reduction& r, void* work)
{
    if (m.zones < 1 || m.zones > kReductionZones || m.runs < 1 || m.runs > kReductionRuns)
        return false;
    r = Reduction{};
    r.per_inch = m.millimetres ? 25.4 : 1;
    r.factor = m.moving_source ? 2 : 1;
    r.diameter_in = positive_or_error(m.diameter, r.per_inch);
    r.radius_in = positive_or_error(m.radius, r.per_inch);
    r.wavelength_in = positive_or_error(m.wavelength_nm, 25400000);
    r.airy = 1.22 * r.wavelength_in * (r.radius_in / 2) / r.diameter_in;
    r.coc_mils = m.coc / r.per_inch * 1000 * r.factor;
    r.edge_in = r.diameter_in / 2;
    r.sigma_mils = m.reading_sigma / r.per_inch * 1000 * r.factor;

    zone_table(m, r);
    figures(m, r, work);
    zonal(m, r);
    charts(m, r);

    // A focal length left blank is R / 2, as the sheet's own formula.
    const double focal = std::isnan(m.focal_length) ? m.radius / 2 : m.focal_length;
    const bool newtonian = !std::isnan(r.diameter_in);
    r.vignetting = newtonian ? vignetting_magnitudes(r.diameter_in, m.secondary / r.per_inch,
                                                     focal / r.per_inch, m.to_focus / r.per_inch,
                                                     m.field_stop_mm)
                             : kError;
    // 10^(magnitudes / 2.5), by our own exp (the sheet's power operator is the host's).
    r.edge_light = pellux::exp(r.vignetting / 2.5 * 2.302585092994046);
    return true;
}

} // namespace pellux
