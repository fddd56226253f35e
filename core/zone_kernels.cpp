#include "core/zone_kernels.h"

#include <cmath>

#if defined(PELLUX_ZONE_SSE2)
#include <emmintrin.h>
#endif

namespace pellux {

#if defined(PELLUX_ZONE_SSE2)

namespace {

// a + b and a * b with a as the destination operand. When both operands are
// NaN the processor returns the destination's, and the scalar code keeps the
// running value there; a compiler is free to swap the operands of the plain
// intrinsics, so GCC and Clang get the instruction spelled out.
inline __m128d add_to(__m128d a, __m128d b)
{
#if defined(__GNUC__)
    __asm__("addpd %1, %0" : "+x"(a) : "x"(b));
    return a;
#else
    return _mm_add_pd(a, b);
#endif
}

inline __m128d mul_into(__m128d a, __m128d b)
{
#if defined(__GNUC__)
    __asm__("mulpd %1, %0" : "+x"(a) : "x"(b));
    return a;
#else
    return _mm_mul_pd(a, b);
#endif
}

// Two zones' height steps at once: the knife-edge difference in inches,
// negated, times the zone radius over the squared radius of curvature gives
// the slope; times the zone width, the step. Each lane takes exactly the
// scalar operations in the scalar order, so the bits are the scalar bits.
struct TermConstants {
    __m128d coc, sign, thousand, rcurve;
};

inline __m128d zone_terms(__m128d data, __m128d ideal, __m128d zeff, __m128d zwidth,
                          const TermConstants& k)
{
    __m128d u = _mm_sub_pd(data, ideal);
    u = add_to(u, k.coc);
    u = _mm_xor_pd(u, k.sign);
    u = _mm_div_pd(u, k.thousand);
    u = mul_into(u, zeff);
    u = _mm_div_pd(u, k.rcurve);
    u = _mm_div_pd(u, k.rcurve);
    return mul_into(u, zwidth);
}

inline __m128d zone_term(const double* data, const double* ideal, const double* zeff,
                         const double* zwidth, int i, const TermConstants& k)
{
    return zone_terms(_mm_load_sd(data + i), _mm_load_sd(ideal + i), _mm_load_sd(zeff + i),
                      _mm_load_sd(zwidth + i), k);
}

// One profile point: W_j = W_(j-1) + t_j, then the running extremes. The
// scalar forms keep each operand's place, so a NaN in the sum keeps its
// payload, and min/max take W_j exactly when W_j < lo or W_j > hi.
struct Profile {
    __m128d w, lo, hi;
};

inline void add_point(Profile& p, __m128d term)
{
    p.w = _mm_add_sd(p.w, term);
    p.lo = _mm_min_sd(p.w, p.lo);
    p.hi = _mm_max_sd(p.w, p.hi);
}

// From this many zones on, the four-lane loops take over.
constexpr int kAvxZones = 4;

} // namespace

double detail::profile_pv_sse2(const double* data, const double* ideal, const double* zeff,
                               const double* zwidth, int n, double rcurve, double coc)
{
    const TermConstants k{_mm_set1_pd(coc), _mm_set1_pd(-0.0), _mm_set1_pd(1000.0),
                          _mm_set1_pd(rcurve)};

    // W_0 = t_0 + 0 (a step of -0 starts the profile at +0), from the first
    // pair's lower lane when there is a pair.
    int i = n >= 2 ? 2 : 1;
    const __m128d t0 = n >= 2 ? zone_terms(_mm_loadu_pd(data), _mm_loadu_pd(ideal),
                                           _mm_loadu_pd(zeff), _mm_loadu_pd(zwidth), k)
                              : zone_term(data, ideal, zeff, zwidth, 0, k);
    const __m128d first = _mm_add_sd(t0, _mm_setzero_pd());
    Profile p{first, first, first};
    if (n >= 2)
        add_point(p, _mm_unpackhi_pd(t0, t0));

    for (; i + 1 < n; i += 2) {
        const __m128d t = zone_terms(_mm_loadu_pd(data + i), _mm_loadu_pd(ideal + i),
                                     _mm_loadu_pd(zeff + i), _mm_loadu_pd(zwidth + i), k);
        add_point(p, t);
        add_point(p, _mm_unpackhi_pd(t, t));
    }
    if (i < n)
        add_point(p, zone_term(data, ideal, zeff, zwidth, i, k));
    return _mm_cvtsd_f64(_mm_sub_sd(p.hi, p.lo));
}

double detail::largest_abs_ta_sse2(const double* data, const double* ideal, const double* tol,
                                   int n, double coc)
{
    // Every quotient's magnitude is >= +0 or not a number. max(v, m) takes v
    // only when v > m, so a NaN never enters, and the two lanes' maxima are
    // ordered numbers whose larger is the same whichever lane holds it.
    const __m128d c = _mm_set1_pd(coc);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
    __m128d m = _mm_setzero_pd();
    int i = 0;
    for (; i + 1 < n; i += 2) {
        __m128d v = _mm_sub_pd(_mm_loadu_pd(data + i), _mm_loadu_pd(ideal + i));
        v = add_to(v, c);
        v = _mm_div_pd(v, _mm_loadu_pd(tol + i));
        m = _mm_max_pd(_mm_and_pd(v, magnitude), m);
    }
    if (i < n) {
        __m128d v = _mm_sub_sd(_mm_load_sd(data + i), _mm_load_sd(ideal + i));
        v = add_to(v, c);
        v = _mm_div_sd(v, _mm_load_sd(tol + i));
        m = _mm_move_sd(m, _mm_max_sd(_mm_and_pd(v, magnitude), m));
    }
    return _mm_cvtsd_f64(_mm_max_sd(m, _mm_unpackhi_pd(m, m)));
}

double profile_pv(const double* data, const double* ideal, const double* zeff,
                  const double* zwidth, int n, double rcurve, double coc)
{
#if defined(PELLUX_ZONE_AVX)
    if (n >= kAvxZones && detail::avx_usable())
        return detail::profile_pv_avx(data, ideal, zeff, zwidth, n, rcurve, coc);
#endif
    return detail::profile_pv_sse2(data, ideal, zeff, zwidth, n, rcurve, coc);
}

double largest_abs_ta(const double* data, const double* ideal, const double* tol, int n,
                      double coc)
{
#if defined(PELLUX_ZONE_AVX)
    if (n >= kAvxZones && detail::avx_usable())
        return detail::largest_abs_ta_avx(data, ideal, tol, n, coc);
#endif
    return detail::largest_abs_ta_sse2(data, ideal, tol, n, coc);
}

bool any_not_positive(const double* v, int n)
{
    // v <= 0 is false for a NaN, as 0 >= v is.
    // Four flags side by side, so the loop runs at the speed of its loads.
    const __m128d zero = _mm_setzero_pd();
    __m128d f0 = zero, f1 = zero, f2 = zero, f3 = zero;
    int i = 0;
    for (; i + 7 < n; i += 8) {
        f0 = _mm_or_pd(f0, _mm_cmple_pd(_mm_loadu_pd(v + i), zero));
        f1 = _mm_or_pd(f1, _mm_cmple_pd(_mm_loadu_pd(v + i + 2), zero));
        f2 = _mm_or_pd(f2, _mm_cmple_pd(_mm_loadu_pd(v + i + 4), zero));
        f3 = _mm_or_pd(f3, _mm_cmple_pd(_mm_loadu_pd(v + i + 6), zero));
    }
    __m128d found = _mm_or_pd(_mm_or_pd(f0, f1), _mm_or_pd(f2, f3));
    for (; i + 1 < n; i += 2)
        found = _mm_or_pd(found, _mm_cmple_pd(_mm_loadu_pd(v + i), zero));
    if (i < n)
        found = _mm_or_pd(found, _mm_cmple_sd(_mm_load_sd(v + i), zero));
    return _mm_movemask_pd(found) != 0;
}

#else

// Processors without SSE2: the same operations one zone at a time.
double profile_pv(const double* data, const double* ideal, const double* zeff,
                  const double* zwidth, int n, double rcurve, double coc)
{
    double w = zone_term(data, ideal, zeff, zwidth, 0, rcurve, coc) + 0.0;
    double lo = w;
    double hi = w;
    for (int j = 1; j < n; ++j) {
        w = w + zone_term(data, ideal, zeff, zwidth, j, rcurve, coc);
        if (w < lo)
            lo = w;
        if (w > hi)
            hi = w;
    }
    return hi - lo;
}

double largest_abs_ta(const double* data, const double* ideal, const double* tol, int n,
                      double coc)
{
    double m = 0.0;
    for (int i = 0; i < n; ++i) {
        const double v = std::fabs(((data[i] - ideal[i]) + coc) / tol[i]);
        if (v > m)
            m = v;
    }
    return m;
}

bool any_not_positive(const double* v, int n)
{
    bool found = false;
    for (int i = 0; i < n; ++i)
        found = found || 0 >= v[i];
    return found;
}

#endif

} // namespace pellux
