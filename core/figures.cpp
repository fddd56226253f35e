#include "core/figures.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/elementary.h"
#include "core/zone_kernels.h"
#include "core/figures_work.h"

namespace pellux {

std::size_t figure_work_bytes(int n)
{
    const std::size_t points = static_cast<std::size_t>(n) + 1;
    return sizeof(double) * (5 * points) + sizeof(std::int32_t) * (2 * points);
}

FigureWork figure_work(void* block, int n)
{
    const std::size_t points = static_cast<std::size_t>(n) + 1;
    auto* d = static_cast<double*>(block);
    FigureWork w{};
    w.a = d;
    w.b = d + points;
    w.profile = d + 2 * points;
    w.edges = d + 3 * points;
    w.data = d + 4 * points;
    w.upper = reinterpret_cast<std::int32_t*>(d + 5 * points);
    w.lower = w.upper + points;
    return w;
}

FitStatus check_mirror(const MirrorZones& m)
{
    const bool edges = m.zouter != nullptr;
    if (m.n < (edges ? 2 : 1) || m.n > kMaxFigureZones)
        return kBadFigureInput;
    if (!(m.rcurve > 0) || !std::isfinite(m.rcurve))
        return kBadFigureInput;
    bool ok = true;
    for (int i = 0; i < m.n; ++i) {
        ok = ok && std::isfinite(m.data[i]) && std::isfinite(m.ideal[i]);
        ok = ok && m.zeff[i] > 0 && std::isfinite(m.zeff[i]);
        ok = ok && m.zwidth[i] > 0 && std::isfinite(m.zwidth[i]);
        if (edges)
            ok = ok && std::isfinite(m.zouter[i]) && (i == 0 || m.zouter[i] > m.zouter[i - 1]);
    }
    return ok ? 0 : kBadFigureInput;
}

bool figure_in_waves(const FigureAt& f, double wvl, FigureAt& out)
{
    out = {f.coc, f.value / wvl};
    return std::isfinite(out.coc) && std::isfinite(out.value);
}

FitStatus check_figure_call(const MirrorZones& m, double wvl)
{
    if (check_mirror(m) != 0 || !(wvl > 0) || !std::isfinite(wvl))
        return kBadFigureInput;
    return 0;
}

FitStatus check_spread_call(const MirrorZones& m, const double* sem, double wvl)
{
    if (check_figure_call(m, wvl) != 0)
        return kBadFigureInput;
    for (int i = 0; i < m.n; ++i)
        if (!(sem[i] >= 0) || !std::isfinite(sem[i]))
            return kBadFigureInput;
    return 0;
}

namespace {

double peak_to_valley(const double* p, int points)
{
    double lo = p[0], hi = p[0];
    for (int k = 1; k < points; ++k) {
        if (p[k] < lo)
            lo = p[k];
        if (p[k] > hi)
            hi = p[k];
    }
    return hi - lo;
}

// Vertices of the upper (or lower) hull of the points (b_k, a_k), in
// ascending b, which is descending k: every zone adds a negative b.
int hull(const double* a, const double* b, int points, bool upper, std::int32_t* out)
{
    int h = 0;
    for (int j = points - 1; j >= 0; --j) {
        if (h > 0 && b[out[h - 1]] == b[j]) { // the same slope: keep the outer line
            const double last = a[out[h - 1]];
            if (upper ? !(a[j] > last) : !(a[j] < last))
                continue;
            --h;
        }
        while (h >= 2) {
            const int o = out[h - 2], p = out[h - 1];
            const double cross = (b[p] - b[o]) * (a[j] - a[o]) - (a[p] - a[o]) * (b[j] - b[o]);
            if (upper ? cross >= 0 : cross <= 0)
                --h;
            else
                break;
        }
        out[h++] = j;
    }
    return h;
}

// The centre of curvature where the lines a_i + c b_i and a_j + c b_j
// cross, b_i < b_j.
double crossing(const double* a, const double* b, int i, int j) { return (a[i] - a[j]) / (b[j] - b[i]); }

// The least of max_k (a_k + c b_k) - min_k (a_k + c b_k), a convex, piecewise
// linear function of c: walk the hulls' crossings in ascending c until the
// slope (the b of the highest line less the b of the lowest) is no longer
// negative.
double least_spread_coc(const double* a, const double* b, int points, std::int32_t* up,
                        std::int32_t* low)
{
    const int nu = hull(a, b, points, true, up);
    const int nl = hull(a, b, points, false, low);
    int iu = 0, il = nl - 1;
    double c = 0.0;
    while (b[up[iu]] - b[low[il]] < 0) {
        const double cu = iu + 1 < nu ? crossing(a, b, up[iu], up[iu + 1]) : HUGE_VAL;
        const double cl = il > 0 ? crossing(a, b, low[il - 1], low[il]) : HUGE_VAL;
        const bool take_up = cu <= cl, take_low = cl <= cu;
        if (!take_up && !take_low)
            return std::numeric_limits<double>::quiet_NaN(); // a crossing that is not a number
        c = take_up ? cu : cl;
        if (take_up && iu + 1 < nu)
            ++iu;
        if (take_low && il > 0)
            --il;
        if (c == HUGE_VAL)
            break;
    }
    return c;
}

// The profile's lines a + c b: heights at centre of curvature 0, and per mil.
void profile_lines(const MirrorZones& m, const double* data, double* a, double* b)
{
    a[0] = 0.0;
    b[0] = 0.0;
    for (int i = 0; i < m.n; ++i) {
        a[i + 1] = zone_term(data, m.ideal, m.zeff, m.zwidth, i, m.rcurve, 0.0) + a[i];
        double u = -1.0 / 1000.0;
        u = u * m.zeff[i];
        u = u / m.rcurve;
        u = u / m.rcurve;
        b[i + 1] = u * m.zwidth[i] + b[i];
    }
}

void profile_from(const MirrorZones& m, const double* data, double coc, double* profile)
{
    profile[0] = 0.0;
    for (int i = 0; i < m.n; ++i)
        profile[i + 1] = zone_term(data, m.ideal, m.zeff, m.zwidth, i, m.rcurve, coc) + profile[i];
}

// Integrals over the ring x0..x1, weight r dr, of 1, of a linear p, and of
// the product of linear p and q.
double ring_area(double x0, double x1) { return (x1 * x1 - x0 * x0) / 2; }

double ring_moment(double x0, double x1, double p0, double p1)
{
    return (x1 - x0) / 6 * (p0 * (2 * x0 + x1) + p1 * (x0 + 2 * x1));
}

double ring_product(double x0, double x1, double p0, double p1, double q0, double q1)
{
    return (x1 - x0) / 12 *
           (p0 * q0 * (3 * x0 + x1) + (p0 * q1 + p1 * q0) * (x0 + x1) + p1 * q1 * (x0 + 3 * x1));
}

void ring_edges(const MirrorZones& m, double* x)
{
    x[0] = m.zouter[0] - m.zwidth[0];
    for (int i = 0; i < m.n; ++i)
        x[i + 1] = m.zouter[i];
}

// Area-weighted mean of a profile over the annulus.
double area_mean(const double* x, const double* p, int n)
{
    double area = 0.0, moment = 0.0;
    for (int k = 0; k < n; ++k) {
        area += ring_area(x[k], x[k + 1]);
        moment += ring_moment(x[k], x[k + 1], p[k], p[k + 1]);
    }
    return moment / area;
}

// Area-weighted RMS about the mean, from the values less the mean.
double area_rms(const double* x, const double* p, int n)
{
    const double mean = area_mean(x, p, n);
    double area = 0.0, square = 0.0;
    for (int k = 0; k < n; ++k) {
        const double e0 = p[k] - mean, e1 = p[k + 1] - mean;
        area += ring_area(x[k], x[k + 1]);
        square += ring_product(x[k], x[k + 1], e0, e1, e0, e1);
    }
    return std::sqrt(square / area);
}

// The centre of curvature of least RMS: with both lines' piston removed,
// c = -(a, b) / (b, b) in the area-weighted inner product.
double least_rms_coc(const double* x, const double* a, const double* b, int n)
{
    const double ma = area_mean(x, a, n), mb = area_mean(x, b, n);
    double ab = 0.0, bb = 0.0;
    for (int k = 0; k < n; ++k) {
        const double a0 = a[k] - ma, a1 = a[k + 1] - ma, b0 = b[k] - mb, b1 = b[k + 1] - mb;
        ab += ring_product(x[k], x[k + 1], a0, a1, b0, b1);
        bb += ring_product(x[k], x[k + 1], b0, b1, b0, b1);
    }
    return bb > 0 ? -ab / bb : 0.0;
}

FigureAt pv_of(const MirrorZones& m, const double* data, const FigureWork& w)
{
    profile_lines(m, data, w.a, w.b);
    const double coc = least_spread_coc(w.a, w.b, m.n + 1, w.upper, w.lower);
    profile_from(m, data, coc, w.profile);
    return {coc, peak_to_valley(w.profile, m.n + 1)};
}

FigureAt rms_of(const MirrorZones& m, const double* data, const FigureWork& w)
{
    profile_lines(m, data, w.a, w.b);
    ring_edges(m, w.edges);
    const double coc = least_rms_coc(w.edges, w.a, w.b, m.n);
    profile_from(m, data, coc, w.profile);
    return {coc, area_rms(w.edges, w.profile, m.n)};
}

} // namespace

void profile_at(const MirrorZones& m, double coc, double* profile)
{
    profile_from(m, m.data, coc, profile);
}

FigureAt whole_mirror_pv(const MirrorZones& m, void* work)
{
    return pv_of(m, m.data, figure_work(work, m.n));
}

FigureAt whole_mirror_rms(const MirrorZones& m, void* work)
{
    return rms_of(m, m.data, figure_work(work, m.n));
}

double strehl_ratio(double rms_waves)
{
    const double phase = 2.0 * kPi * rms_waves;
    return pellux::exp(-(phase * phase));
}

double correction_slope(const double* data, const double* ideal, int n)
{
    double sx = 0.0, sy = 0.0;
    for (int i = 0; i < n; ++i) {
        sx += ideal[i];
        sy += data[i];
    }
    const double mx = sx / n, my = sy / n;
    double sxy = 0.0, sxx = 0.0;
    for (int i = 0; i < n; ++i) {
        const double dx = ideal[i] - mx;
        sxy += dx * (data[i] - my);
        sxx += dx * dx;
    }
    return sxx > 0 ? sxy / sxx : std::numeric_limits<double>::quiet_NaN();
}

bool correction_figures(const double* data, const double* ideal, int n, double& percent, double& conic)
{
    if (n < 2)
        return false;
    const double s = correction_slope(data, ideal, n);
    percent = 100.0 * s;
    conic = 0.0 - s;
    return std::isfinite(percent) && std::isfinite(conic);
}

FigureSpread figure_uncertainty(const MirrorZones& m, const double* sem, double wvl, void* work)
{
    return sample_spread(m, sem, wvl, figure_work(work, m.n));
}

FigureSpread sample_figures(const MirrorZones& m, const double* data, double wvl,
                            const FigureWork& w)
{
    FigureSpread f{};
    f.pv = pv_of(m, data, w).value / wvl;
    f.rms = rms_of(m, data, w).value / wvl;
    f.strehl = strehl_ratio(f.rms);
    double conic = 0.0;
    if (!correction_figures(data, m.ideal, m.n, f.correction, conic))
        f.correction = std::numeric_limits<double>::quiet_NaN();
    return f;
}

} // namespace pellux
