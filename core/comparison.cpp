#include "core/comparison.h"

#include <cmath>

namespace pellux {

namespace {

Change change_of(double before, double before_spread, double after, double after_spread)
{
    Change c{before, after, before_spread, after_spread, after - before,
             std::sqrt(before_spread * before_spread + after_spread * after_spread), false};
    c.real = std::fabs(c.change) > kRealChange * c.spread;
    return c;
}

// The figures' memory, rounded up to whole doubles; the grid's follows.
std::size_t figure_part(int zones_a, int runs_a, int zones_b, int runs_b)
{
    const std::size_t a = mirror_figure_bytes(zones_a, runs_a), b = mirror_figure_bytes(zones_b, runs_b);
    const std::size_t most = a > b ? a : b;
    return (most + sizeof(double) - 1) / sizeof(double) * sizeof(double);
}

} // namespace

std::size_t comparison_bytes(int zones_a, int runs_a, int zones_b, int runs_b)
{
    return figure_part(zones_a, runs_a, zones_b, runs_b) + sizeof(double) * (3 * kComparePoints);
}

bool compare_sessions(const MirrorCall& a, const MirrorCall& b, void* work, Comparison& out)
{
    if (check_mirror_call(a) != 0 || check_mirror_call(b) != 0 || a.edge != b.edge)
        return false;
    MirrorFigures fa{}, fb{};
    if (!mirror_figures(a, work, fa) || !mirror_figures(b, work, fb))
        return false;
    out.pv = change_of(fa.pv_unbiased, fa.pv_spread, fb.pv_unbiased, fb.pv_spread);
    out.rms = change_of(fa.rms_unbiased, fa.rms_spread, fb.rms_unbiased, fb.rms_spread);
    out.strehl = change_of(fa.strehl_unbiased, fa.strehl_spread, fb.strehl_unbiased, fb.strehl_spread);
    out.correction = change_of(fa.correction, fa.correction_spread, fb.correction, fb.correction_spread);

    // The shapes on one grid, evenly spaced in radius.
    auto* extra = reinterpret_cast<double*>(static_cast<unsigned char*>(work) +
                                            figure_part(a.runs.zones, a.runs.runs, b.runs.zones, b.runs.runs));
    double* u = extra;
    double* spread_a = extra + kComparePoints;
    double* scratch = extra + 2 * kComparePoints;
    for (int j = 0; j < kComparePoints; ++j) {
        out.radius[j] = a.edge * j / (kComparePoints - 1);
        u[j] = out.radius[j] * out.radius[j];
    }
    if (!profile_spread(a, work, u, kComparePoints, out.before, spread_a, scratch) ||
        !profile_spread(b, work, u, kComparePoints, out.after, out.band, scratch))
        return false;
    out.real_points = 0;
    for (int j = 0; j < kComparePoints; ++j) {
        out.difference[j] = out.after[j] - out.before[j];
        out.band[j] = std::sqrt(spread_a[j] * spread_a[j] + out.band[j] * out.band[j]);
        out.real_points += std::fabs(out.difference[j]) > kRealChange * out.band[j];
    }
    return true;
}

} // namespace pellux
