#include "core/transverse.h"

#include "core/golden.h"
#include "core/zone_kernels.h"

namespace pellux {

double max_abs_ta(const double* data, const double* ideal, const double* tol, std::int16_t n,
                  double coc, FitStatus& status)
{
    check_positive(tol, n, kBadTolerance, status);
    if (status != 0 || n <= 0)
        return 0.0;

    return largest_abs_ta(data, ideal, tol, n, coc);
}

double best_coc_for_ta(const double* data, const double* ideal, const double* tol, std::int16_t n,
                       double fittol, double& coc, FitStatus& status, int* passes)
{
    coc = 0.0;
    if (passes != nullptr)
        *passes = 0;
    check_positive(tol, n, kBadSearchTolerance, status);
    if (status != 0)
        return 0.0;
    if (n <= 0) {
        status = kNoZones;
        return 0.0;
    }

    double lo = data[0] - ideal[0];
    double hi = lo;
    for (int i = 1; i < n; ++i) {
        const double d = data[i] - ideal[i];
        if (d < lo)
            lo = d;
        if (d > hi)
            hi = d;
    }

    const GoldenResult r = golden_minimize(
        -hi, -lo, fittol,
        // The tolerances are checked above, and n >= 1 here.
        [&](double x) { return largest_abs_ta(data, ideal, tol, n, x); }, status);
    if (passes != nullptr)
        *passes = r.passes;
    if (status != 0)
        return 0.0;
    coc = r.point;
    return r.value;
}

} // namespace pellux
