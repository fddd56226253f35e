#include "bench/floors.h"

#include <cmath>

#include "core/golden.h"
#include "core/zone_kernels.h"

namespace pellux::bench {

namespace {

double pv(const double* data, const double* ideal, const double* zeff, const double* zwidth, int n,
          double rcurve, double coc)
{
    double w = zone_term(data, ideal, zeff, zwidth, 0, rcurve, coc) + 0.0;
    double lo = w;
    double hi = w;
    for (int j = 1; j < n; ++j) {
        w = w + zone_term(data, ideal, zeff, zwidth, j, rcurve, coc);
        lo = w < lo ? w : lo;
        hi = w > hi ? w : hi;
    }
    return hi - lo;
}

} // namespace

double calc_wfe_bare(const double* data, const double* ideal, const double* zeff,
                     const double* zwidth, int n, double rcurve, double coc, double wvl)
{
    return pv(data, ideal, zeff, zwidth, n, rcurve, coc) / wvl;
}

double calc_wfe_sum(const double* terms, int n, double wvl)
{
    double w = terms[0] + 0.0;
    double lo = w;
    double hi = w;
    for (int j = 1; j < n; ++j) {
        w = w + terms[j];
        lo = w < lo ? w : lo;
        hi = w > hi ? w : hi;
    }
    return (hi - lo) / wvl;
}

void wfe_terms(const double* data, const double* ideal, const double* zeff, const double* zwidth,
               int n, double rcurve, double coc, double* terms)
{
    for (int i = 0; i < n; ++i)
        terms[i] = zone_term(data, ideal, zeff, zwidth, i, rcurve, coc);
}

double calc_max_abs_ta_bare(const double* data, const double* ideal, const double* tol, int n,
                            double coc)
{
    double m = 0.0;
    for (int i = 0; i < n; ++i) {
        const double v = std::fabs(((data[i] - ideal[i]) + coc) / tol[i]);
        m = v > m ? v : m;
    }
    return m;
}

Pair minimize_wfe_bare(const double* data, const double* ideal, const double* tol,
                       const double* zeff, const double* zwidth, int n, double rcurve, double wvl,
                       double fittol)
{
    const double c = -((data[n - 1] - ideal[n - 1]) + (data[n - 2] - ideal[n - 2])) * 0.5;
    const double w = tol[n - 1] + tol[n - 1];
    FitStatus status = 0;
    const GoldenResult r = golden_minimize(
        c - w, w + c, fittol, [&](double x) { return pv(data, ideal, zeff, zwidth, n, rcurve, x); },
        status);
    return {r.point, r.value / wvl};
}

Pair minimize_max_abs_ta_bare(const double* data, const double* ideal, const double* tol, int n,
                              double fittol)
{
    double lo = data[0] - ideal[0];
    double hi = lo;
    for (int i = 1; i < n; ++i) {
        const double d = data[i] - ideal[i];
        lo = d < lo ? d : lo;
        hi = d > hi ? d : hi;
    }
    FitStatus status = 0;
    const GoldenResult r = golden_minimize(
        -hi, -lo, fittol, [&](double x) { return calc_max_abs_ta_bare(data, ideal, tol, n, x); },
        status);
    return {r.point, r.value};
}

} // namespace pellux::bench
