// A generator every platform draws alike: SplitMix64, uniform deviates from
// the top 52 bits, normal deviates by Marsaglia's polar method with our own
// logarithm. Only integer arithmetic and IEEE +, -, *, / and sqrt.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "core/elementary.h"

namespace pellux {

struct Generator {
    std::uint64_t state;
    // A pair of normal deviates is drawn at a time; the second waits here.
    double spare;
    bool has_spare;
};

inline Generator seeded(std::uint64_t seed) { return {seed, 0.0, false}; }

inline std::uint64_t next_bits(Generator& g)
{
    std::uint64_t z = (g.state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Uniform on [-1, 1), in steps of 2^-51: the top 52 bits as the mantissa of
// a double in [1, 2), so no integer conversion is needed (32-bit x86 would
// make one with the x87 unit).
inline double next_signed_unit(Generator& g)
{
    const std::uint64_t one = 0x3FF0000000000000ull;
    const std::uint64_t bits = one | (next_bits(g) >> 12);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return (x - 1.0) * 2.0 - 1.0;
}

inline double next_normal(Generator& g)
{
    if (g.has_spare) {
        g.has_spare = false;
        return g.spare;
    }
    double u, v, s;
    do {
        u = next_signed_unit(g);
        v = next_signed_unit(g);
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double f = std::sqrt(-2.0 * pellux::log(s) / s);
    g.spare = v * f;
    g.has_spare = true;
    return u * f;
}

// Running mean and variance (Welford).
struct Running {
    double mean;
    double squares; // sum of squared deviations from the running mean
};

inline void add(Running& r, double x, int count)
{
    const double d = x - r.mean;
    r.mean += d / count;
    r.squares += d * (x - r.mean);
}

inline double deviation(const Running& r, int count) { return std::sqrt(r.squares / (count - 1)); }

} // namespace pellux
