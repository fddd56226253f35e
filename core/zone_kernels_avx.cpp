// The zone loops four zones at a time with 256-bit AVX, for processors that
// have it (zone_kernels.cpp checks at run time). Same operations in the same
// order per lane as the SSE2 loops, so the same bits.
#include "core/zone_kernels.h"

#if defined(PELLUX_ZONE_AVX)

#include <immintrin.h>

#define PELLUX_AVX __attribute__((target("avx")))
#define PELLUX_AVX_INLINE __attribute__((target("avx"), always_inline)) inline
#define PELLUX_AVX_LAMBDA __attribute__((target("avx"), always_inline))

namespace pellux::detail {

namespace {

// a + b and a * b with a as the first source: its NaN wins over b's, as in
// the scalar code (see zone_kernels.cpp).
template <class V>
PELLUX_AVX_INLINE V add_to(V a, V b)
{
    V r;
    __asm__("vaddpd %2, %1, %0" : "=x"(r) : "x"(a), "x"(b));
    return r;
}

template <class V>
PELLUX_AVX_INLINE V mul_into(V a, V b)
{
    V r;
    __asm__("vmulpd %2, %1, %0" : "=x"(r) : "x"(a), "x"(b));
    return r;
}

// The height step of each zone, in the scalar order (see zone_kernels.cpp).
template <class V>
PELLUX_AVX_INLINE V zone_terms(V data, V ideal, V zeff, V zwidth, V coc, V thousand, V rcurve)
{
    V u = data - ideal;
    u = add_to(u, coc);
    u = -u; // the sign bit flipped, as in the scalar code
    u = u / thousand;
    u = mul_into(u, zeff);
    u = u / rcurve;
    u = u / rcurve;
    return mul_into(u, zwidth);
}

struct Profile {
    __m128d w, lo, hi;
};

PELLUX_AVX_INLINE void add_point(Profile& p, __m128d term)
{
    p.w = _mm_add_sd(p.w, term);
    p.lo = _mm_min_sd(p.w, p.lo);
    p.hi = _mm_max_sd(p.w, p.hi);
}

} // namespace

PELLUX_AVX double profile_pv_avx(const double* data, const double* ideal, const double* zeff,
                                 const double* zwidth, int n, double rcurve, double coc)
{
    if (n < 4)
        return profile_pv_sse2(data, ideal, zeff, zwidth, n, rcurve, coc);
    const __m256d c4 = _mm256_set1_pd(coc), k4 = _mm256_set1_pd(1000.0),
                  r4 = _mm256_set1_pd(rcurve);
    const __m128d c2 = _mm_set1_pd(coc), k2 = _mm_set1_pd(1000.0), r2 = _mm_set1_pd(rcurve);
    auto four = [&](int i) PELLUX_AVX_LAMBDA {
        return zone_terms(_mm256_loadu_pd(data + i), _mm256_loadu_pd(ideal + i),
                          _mm256_loadu_pd(zeff + i), _mm256_loadu_pd(zwidth + i), c4, k4, r4);
    };
    auto two = [&](int i) PELLUX_AVX_LAMBDA {
        return zone_terms(_mm_loadu_pd(data + i), _mm_loadu_pd(ideal + i), _mm_loadu_pd(zeff + i),
                          _mm_loadu_pd(zwidth + i), c2, k2, r2);
    };
    auto one = [&](int i) PELLUX_AVX_LAMBDA {
        return zone_terms(_mm_load_sd(data + i), _mm_load_sd(ideal + i), _mm_load_sd(zeff + i),
                          _mm_load_sd(zwidth + i), c2, k2, r2);
    };

    // Zones 0 to 3 first, W_0 = t_0 + 0 from the lowest lane (n >= 4 here).
    __m256d t = four(0);
    __m128d low = _mm256_castpd256_pd128(t);
    __m128d high = _mm256_extractf128_pd(t, 1);
    const __m128d first = _mm_add_sd(low, _mm_setzero_pd());
    Profile p{first, first, first};
    add_point(p, _mm_unpackhi_pd(low, low));
    add_point(p, high);
    add_point(p, _mm_unpackhi_pd(high, high));

    int i = 4;
    for (; i + 3 < n; i += 4) {
        t = four(i);
        low = _mm256_castpd256_pd128(t);
        high = _mm256_extractf128_pd(t, 1);
        add_point(p, low);
        add_point(p, _mm_unpackhi_pd(low, low));
        add_point(p, high);
        add_point(p, _mm_unpackhi_pd(high, high));
    }
    if (i + 1 < n) {
        low = two(i);
        add_point(p, low);
        add_point(p, _mm_unpackhi_pd(low, low));
        i += 2;
    }
    if (i < n)
        add_point(p, one(i));
    const double pv = _mm_cvtsd_f64(_mm_sub_sd(p.hi, p.lo));
    // Clean upper halves, so that the SSE code that follows runs at speed.
    _mm256_zeroupper();
    return pv;
}

PELLUX_AVX double largest_abs_ta_avx(const double* data, const double* ideal, const double* tol,
                                     int n, double coc)
{
    // Lane-wise maxima as in zone_kernels.cpp: no NaN enters, and the lanes'
    // ordered maxima combine in any order.
    const __m256d c4 = _mm256_set1_pd(coc);
    const __m256d magnitude4 = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffff));
    __m256d m4 = _mm256_setzero_pd();
    int i = 0;
    for (; i + 3 < n; i += 4) {
        __m256d v = _mm256_loadu_pd(data + i) - _mm256_loadu_pd(ideal + i);
        v = add_to(v, c4);
        v = v / _mm256_loadu_pd(tol + i);
        m4 = _mm256_max_pd(_mm256_and_pd(v, magnitude4), m4);
    }
    const __m128d c1 = _mm_set_sd(coc);
    const __m128d magnitude1 = _mm256_castpd256_pd128(magnitude4);
    __m128d m1 = _mm_setzero_pd();
    for (; i < n; ++i) {
        __m128d v = _mm_load_sd(data + i) - _mm_load_sd(ideal + i);
        v = add_to(v, c1);
        v = _mm_div_sd(v, _mm_load_sd(tol + i));
        m1 = _mm_move_sd(m1, _mm_max_sd(_mm_and_pd(v, magnitude1), m1));
    }
    __m128d m = _mm_max_pd(_mm256_castpd256_pd128(m4), _mm256_extractf128_pd(m4, 1));
    m = _mm_max_pd(m, m1);
    const double largest = _mm_cvtsd_f64(_mm_max_sd(m, _mm_unpackhi_pd(m, m)));
    _mm256_zeroupper();
    return largest;
}

// Asked once, when the module loads.
const bool g_avx_usable = (__builtin_cpu_init(), __builtin_cpu_supports("avx") != 0);

bool avx_usable() { return g_avx_usable; }

} // namespace pellux::detail

#endif
