#include "core/wavefront.h"

#include "core/golden.h"
#include "core/zone_kernels.h"

namespace pellux {

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
    // The running sum W_j = W_(j-1) + t_j equals adding each term to every
    // point from its zone outward, so the profile needs no array.
    return profile_pv(data, ideal, zeff, zwidth, n, rcurve, coc);
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
        // Radius and tolerances are checked above, and n >= 1.
        [&](double x) { return profile_pv(data, ideal, zeff, zwidth, n, rcurve, x); }, status);
    if (passes != nullptr)
        *passes = r.passes;
    if (status != 0)
        return 0.0;
    coc = r.point;
    return r.value / wvl;
}

} // namespace pellux
