// The per-zone loops of the two zonal functions, without any input check:
// the checked routines and the searches call them once the tolerances and
// the radius of curvature have been checked.
#pragma once

namespace pellux {

// The height the wavefront gains across zone i (inches) at centre of
// curvature coc (mils): the knife-edge difference plus coc, negated, in
// inches, times Zeff / R / R and the zone's width, in exactly this order.
inline double zone_term(const double* data, const double* ideal, const double* zeff,
                        const double* zwidth, int i, double rcurve, double coc)
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

// Peak-to-valley height (inches) of the profile W_j = t_0 + ... + t_j, summed
// in zone order from +0, for n >= 1 zones.
double profile_pv(const double* data, const double* ideal, const double* zeff,
                  const double* zwidth, int n, double rcurve, double coc);

// Largest |((data - ideal) + coc) / tol| over n >= 1 zones, starting from +0;
// a quotient that is not a number is skipped.
double largest_abs_ta(const double* data, const double* ideal, const double* tol, int n,
                      double coc);

// Whether any of the n elements is <= 0 (a value that is not a number is not).
bool any_not_positive(const double* v, int n);

#if defined(__SSE2__) || defined(_M_X64)
#define PELLUX_ZONE_SSE2 1
// The same loops two zones at a time, which every x86-64 processor can run.
namespace detail {
double profile_pv_sse2(const double* data, const double* ideal, const double* zeff,
                       const double* zwidth, int n, double rcurve, double coc);
double largest_abs_ta_sse2(const double* data, const double* ideal, const double* tol, int n,
                           double coc);
} // namespace detail
#endif

#if defined(__GNUC__) && defined(__x86_64__)
#define PELLUX_ZONE_AVX 1
// Four zones at a time (zone_kernels_avx.cpp), for processors and systems
// that support AVX; the two above choose them from kAvxZones zones on.
namespace detail {
bool avx_usable();
double profile_pv_avx(const double* data, const double* ideal, const double* zeff,
                      const double* zwidth, int n, double rcurve, double coc);
double largest_abs_ta_avx(const double* data, const double* ideal, const double* tol, int n,
                          double coc);
} // namespace detail
#endif

} // namespace pellux
