#include "core/wavefront.h"

#include "core/golden.h"
#include "host/platform.h"

namespace pellux {

namespace {

// Height gained across zone i (inches): the knife-edge difference in inches,
// negated, times the zone radius over the squared radius of curvature gives
// the slope; times the zone width, the step.
double zone_term(const double* data, const double* ideal, const double* zeff, const double* zwidth,
                 int i, double rcurve, double coc)
{
    double u = data[i] - ideal[i];
    u = u + coc;
    u = -u;
    u = u / 1000.0;
    u = u * zeff[i];
    u = u / rcurve;
    u = u / rcurve;
    return u * zwidth[i];
}

} // namespace

double wavefront_pv(const double* data, const double* ideal, const double* tol, const double* zeff,
                    const double* zwidth, std::int16_t n, double rcurve, double coc,
                    FitStatus& status)
{
    if (rcurve <= 0)
        status = kBadRcurve;
    check_positive(tol, n, kBadSearchTolerance, status);
    if (status != 0)
        return 0.0;
    if (n <= 0) {
        status = kNoZones;
        return 0.0;
    }

    auto* w = static_cast<double*>(heap_alloc_zeroed(sizeof(double) * static_cast<unsigned>(n)));
    if (w == nullptr) {
        status = kBadRcurve;
        return 0.0;
    }

    // W_j = t_j + (t_(j-1) + (... + (t_0 + 0))): the running sum equals
    // adding each term to every point from its zone outward.
    w[0] = zone_term(data, ideal, zeff, zwidth, 0, rcurve, coc) + w[0];
    for (int j = 1; j < n; ++j)
        w[j] = zone_term(data, ideal, zeff, zwidth, j, rcurve, coc) + w[j - 1];

    double lo = w[0];
    double hi = w[0];
    for (int k = 1; k < n; ++k) {
        if (w[k] < lo)
            lo = w[k];
        if (w[k] > hi)
            hi = w[k];
    }
    heap_free(w);
    return hi - lo;
}

double best_coc_for_wfe(const double* data, const double* ideal, const double* tol,
                        const double* zeff, const double* zwidth, std::int16_t n, double rcurve,
                        double wvl, double fittol, double& coc, FitStatus& status, int* passes)
{
    coc = 0.0;
    if (passes != nullptr)
        *passes = 0;
    if (rcurve <= 0)
        status = kBadRcurve;
    check_positive(tol, n, kBadSearchTolerance, status);
    if (status != 0)
        return 0.0;
    if (n <= 0) {
        status = kNoZones;
        return 0.0;
    }
    if (n == 1) {
        // A one-point profile is flat for every centre of curvature; take the
        // one that puts the single zone on its ideal reading and, as every
        // search does, give the objective there.
        const double centre = -(data[0] - ideal[0]);
        const double pv = wavefront_pv(data, ideal, tol, zeff, zwidth, n, rcurve, centre, status);
        if (status != 0)
            return 0.0;
        coc = centre;
        return pv / wvl;
    }

    const double c = -((data[n - 1] - ideal[n - 1]) + (data[n - 2] - ideal[n - 2])) * 0.5;
    const double w = tol[n - 1] + tol[n - 1];

    const GoldenResult r = golden_minimize(
        c - w, w + c, fittol,
        [&](double x) { return wavefront_pv(data, ideal, tol, zeff, zwidth, n, rcurve, x, status); },
        status);
    if (passes != nullptr)
        *passes = r.passes;
    if (status != 0)
        return 0.0;
    coc = r.point;
    return r.value / wvl;
}

} // namespace pellux
