// Argument reduction and minimax polynomials after Sun's freely distributed
// fdlibm (acos, log, exp) and its FreeBSD descendant (log10 with a split
// 1/ln 10). Every operation is written out in its order: with no fused
// multiply-add and SSE2 or WebAssembly doubles, the bits are the same on
// every compiler and platform.
#include "core/elementary.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace pellux {

namespace {

std::uint64_t bits_of(double x)
{
    std::uint64_t u;
    std::memcpy(&u, &x, sizeof u);
    return u;
}

double from_bits(std::uint64_t u)
{
    double x;
    std::memcpy(&x, &u, sizeof x);
    return x;
}

std::int32_t high_word(double x) { return static_cast<std::int32_t>(bits_of(x) >> 32); }
std::uint32_t low_word(double x) { return static_cast<std::uint32_t>(bits_of(x)); }

double with_high_word(double x, std::uint32_t high)
{
    return from_bits((static_cast<std::uint64_t>(high) << 32) | low_word(x));
}

double with_low_word(double x, std::uint32_t low)
{
    return from_bits((bits_of(x) & 0xFFFFFFFF00000000ull) | low);
}

// 2^k for a normal exponent, -1022 <= k <= 1023.
double two_to(int k) { return from_bits(static_cast<std::uint64_t>(k + 1023) << 52); }

// log(1 + f) for f in [sqrt(2)/2 - 1, sqrt(2) - 1], less f - f^2/2:
// s = f / (2 + f), log(1 + f) = 2 atanh(s), in minimax form.
constexpr double kLg1 = 6.666666666666735130e-01;
constexpr double kLg2 = 3.999999999940941908e-01;
constexpr double kLg3 = 2.857142874366239149e-01;
constexpr double kLg4 = 2.222219843214978396e-01;
constexpr double kLg5 = 1.818357216161805012e-01;
constexpr double kLg6 = 1.531383769920937332e-01;
constexpr double kLg7 = 1.479819860511658591e-01;

double log1p_tail(double s, double hfsq)
{
    const double z = s * s;
    const double w = z * z;
    const double t1 = w * (kLg2 + w * (kLg4 + w * kLg6));
    const double t2 = z * (kLg1 + w * (kLg3 + w * (kLg5 + w * kLg7)));
    const double r = t2 + t1;
    return s * (hfsq + r);
}

// log(x) = k ln 2 + f - hfsq + tail, with x = (1 + f) 2^k and 1 + f in
// [sqrt(2)/2, sqrt(2)): the parts both logarithms assemble.
struct LogParts {
    double k, f, hfsq, tail;
};

// The parts of a positive finite normal or subnormal x.
LogParts log_parts(double x)
{
    int k = 0;
    std::int32_t hx = high_word(x);
    if (hx < 0x00100000) { // subnormal: scale up by 2^54
        k -= 54;
        x *= 18014398509481984.0;
        hx = high_word(x);
    }
    k += (hx >> 20) - 1023;
    hx &= 0x000FFFFF;
    const std::int32_t i = (hx + 0x95F64) & 0x100000;
    x = with_high_word(x, static_cast<std::uint32_t>(hx | (i ^ 0x3FF00000)));
    k += i >> 20;
    LogParts p;
    p.k = static_cast<double>(k);
    p.f = x - 1.0;
    p.hfsq = 0.5 * p.f * p.f;
    p.tail = log1p_tail(p.f / (2.0 + p.f), p.hfsq);
    return p;
}

// The special cases of both logarithms; true with the result set.
bool log_special(double x, double& result)
{
    const std::int32_t hx = high_word(x);
    if (((hx & 0x7FFFFFFF) | static_cast<std::int32_t>(low_word(x))) == 0) {
        result = -HUGE_VAL; // log(+-0)
        return true;
    }
    if (hx < 0 || x != x) {
        result = x != x ? x + x : std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (hx >= 0x7FF00000) { // +inf
        result = x + x;
        return true;
    }
    if (x == 1.0) {
        result = 0.0;
        return true;
    }
    return false;
}

} // namespace

double log(double x)
{
    constexpr double ln2_hi = 6.93147180369123816490e-01;
    constexpr double ln2_lo = 1.90821492927058770002e-10;
    double special;
    if (log_special(x, special))
        return special;
    const LogParts p = log_parts(x);
    return p.k * ln2_hi - ((p.hfsq - (p.tail + p.k * ln2_lo)) - p.f);
}

double log10(double x)
{
    constexpr double ivln10hi = 4.34294481878168880939e-01;
    constexpr double ivln10lo = 2.50829467116452752298e-11;
    constexpr double log10_2hi = 3.01029995663611771306e-01;
    constexpr double log10_2lo = 3.69423907715893078616e-13;
    double special;
    if (log_special(x, special))
        return special;
    const LogParts p = log_parts(x);
    const double y = p.k, f = p.f, hfsq = p.hfsq, tail = p.tail;

    // f - f^2/2 + tail in two parts, the upper one with 32 bits, so that its
    // products with the upper parts of 1/ln 10 and log10(2) are exact.
    const double hi = with_low_word(f - hfsq, 0);
    const double lo = ((f - hi) - hfsq) + tail;
    double val_hi = hi * ivln10hi;
    const double y2 = y * log10_2hi;
    double val_lo = (y * log10_2lo + (lo + hi) * ivln10lo) + lo * ivln10hi;
    const double w = y2 + val_hi;
    val_lo += (y2 - w) + val_hi;
    val_hi = w;
    return val_lo + val_hi;
}

double acos(double x)
{
    constexpr double pio2_hi = 1.57079632679489655800e+00;
    constexpr double pio2_lo = 6.12323399573676603587e-17;
    constexpr double pS0 = 1.66666666666666657415e-01;
    constexpr double pS1 = -3.25565818622400915405e-01;
    constexpr double pS2 = 2.01212532134862925881e-01;
    constexpr double pS3 = -4.00555345006794114027e-02;
    constexpr double pS4 = 7.91534994289814532176e-04;
    constexpr double pS5 = 3.47933107596021167570e-05;
    constexpr double qS1 = -2.40339491173441421878e+00;
    constexpr double qS2 = 2.02094576023350569471e+00;
    constexpr double qS3 = -6.88283971605453293030e-01;
    constexpr double qS4 = 7.70381505559019352791e-02;

    // acos(x) = pi/2 - asin(x); asin(x) = x + x^3 R(x^2), R a rational
    // minimax fit on [0, 1/4].
    auto ratio = [&](double z) {
        const double p = z * (pS0 + z * (pS1 + z * (pS2 + z * (pS3 + z * (pS4 + z * pS5)))));
        const double q = 1.0 + z * (qS1 + z * (qS2 + z * (qS3 + z * qS4)));
        return p / q;
    };

    const std::int32_t hx = high_word(x);
    const std::int32_t ix = hx & 0x7FFFFFFF;
    if (ix >= 0x3FF00000) { // |x| >= 1, or not a number
        if (((ix - 0x3FF00000) | static_cast<std::int32_t>(low_word(x))) == 0)
            return hx > 0 ? 0.0 : kPi + 2.0 * pio2_lo;
        return x != x ? x + x : std::numeric_limits<double>::quiet_NaN();
    }
    if (ix < 0x3FE00000) { // |x| < 1/2
        if (ix <= 0x3C600000)
            return pio2_hi + pio2_lo;
        const double r = ratio(x * x);
        return pio2_hi - (x - (pio2_lo - x * r));
    }
    if (hx < 0) { // x <= -1/2: acos(x) = pi - 2 asin(sqrt((1 + x) / 2))
        const double z = (1.0 + x) * 0.5;
        const double s = std::sqrt(z);
        const double w = ratio(z) * s - pio2_lo;
        return kPi - 2.0 * (s + w);
    }
    // x >= 1/2: acos(x) = 2 asin(sqrt((1 - x) / 2)), the root split in two
    // parts so that the upper one squares exactly.
    const double z = (1.0 - x) * 0.5;
    const double s = std::sqrt(z);
    const double df = with_low_word(s, 0);
    const double c = (z - df * df) / (s + df);
    const double w = ratio(z) * s + c;
    return 2.0 * (df + w);
}

double exp(double x)
{
    constexpr double o_threshold = 7.09782712893383973096e+02;
    constexpr double u_threshold = -7.45133219101941108420e+02;
    constexpr double ln2_hi = 6.93147180369123816490e-01;
    constexpr double ln2_lo = 1.90821492927058770002e-10;
    constexpr double invln2 = 1.44269504088896338700e+00;
    constexpr double P1 = 1.66666666666666019037e-01;
    constexpr double P2 = -2.77777777770155933842e-03;
    constexpr double P3 = 6.61375632143793436117e-05;
    constexpr double P4 = -1.65339022054652515390e-06;
    constexpr double P5 = 4.13813679705723846039e-08;

    const std::int32_t word = high_word(x);
    const int negative = (word >> 31) & 1;
    const std::int32_t hx = word & 0x7FFFFFFF;
    if (hx >= 0x40862E42) { // |x| >= 709.78, or not finite
        if (x != x)
            return x + x;
        if (hx >= 0x7FF00000)
            return negative ? 0.0 : x;
        if (x > o_threshold)
            return HUGE_VAL;
        if (x < u_threshold)
            return 0.0;
    }

    // x = k ln 2 + r, |r| <= ln 2 / 2, r carried as hi - lo.
    double hi = 0.0, lo = 0.0;
    int k = 0;
    if (hx > 0x3FD62E42) {     // |x| > ln 2 / 2
        if (hx < 0x3FF0A2B2) { // and |x| < 3 ln 2 / 2
            hi = negative ? x + ln2_hi : x - ln2_hi;
            lo = negative ? -ln2_lo : ln2_lo;
            k = negative ? -1 : 1;
        } else {
            k = static_cast<int>(invln2 * x + (negative ? -0.5 : 0.5));
            const double t = k;
            hi = x - t * ln2_hi; // exact: t ln2_hi has 32 significant bits
            lo = t * ln2_lo;
        }
        x = hi - lo;
    } else if (hx < 0x3E300000) { // |x| < 2^-28
        return 1.0 + x;
    }

    // exp(r) = 1 + r + r c / (2 - c), c = r - r^2 P(r^2), minimax on the range.
    const double t = x * x;
    const double c = x - t * (P1 + t * (P2 + t * (P3 + t * (P4 + t * P5))));
    if (k == 0)
        return 1.0 - ((x * c) / (c - 2.0) - x);
    const double y = 1.0 - ((lo - (x * c) / (2.0 - c)) - hi);
    if (k > 1023)
        return y * 2.0 * two_to(1023);
    if (k >= -1021)
        return y * two_to(k);
    return (y * two_to(k + 1000)) * two_to(-1000);
}

namespace {

// fdlibm's __kernel_sin and __kernel_cos, for |x| <= pi/4 (no tail).
double kernel_sin(double x)
{
    const double z = x * x, v = z * x;
    const double r = 8.33333333332248946124e-03 +
                     z * (-1.98412698298579493134e-04 +
                          z * (2.75573137070700676789e-06 +
                               z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)));
    return x + v * (-1.66666666666666324348e-01 + z * r);
}

double kernel_cos(double x)
{
    const double z = x * x;
    const double r = z * (4.16666666666666019037e-02 +
                          z * (-1.38888888888741095749e-03 +
                               z * (2.48015872894767294178e-05 +
                                    z * (-2.75573143513906633035e-07 +
                                         z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
    const double hz = 0.5 * z;
    const double w = 1.0 - hz;
    return w + (((1.0 - w) - hz) + z * r);
}

} // namespace

void sin_cos_turns(double t, double& sine, double& cosine)
{
    // Whole turns and quarter turns come off exactly: t - nearbyint(t) and
    // r - q / 4 are exact in binary.
    const double r = t - std::nearbyint(t);
    const double q = std::nearbyint(4.0 * r);
    const double x = (r - q * 0.25) * (2.0 * kPi);
    const double s = kernel_sin(x), c = kernel_cos(x);
    switch ((static_cast<int>(q) + 4) % 4) {
    case 0: sine = s, cosine = c; break;
    case 1: sine = c, cosine = -s; break;
    case 2: sine = -s, cosine = -c; break;
    default: sine = -c, cosine = s; break;
    }
}

} // namespace pellux
