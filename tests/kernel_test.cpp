// The zone loops against a plain scalar transcription of the routines as
// they were before they were widened, bit for bit, on random inputs that
// include NaN (any payload and sign), infinities, subnormals and zeros.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "core/golden.h"
#include "core/transverse.h"
#include "core/wavefront.h"
#include "core/zone_kernels.h"
#include "support.h"

using namespace pellux;
using pellux::test::bits;

namespace {

namespace reference {

double max_abs_ta(const double* data, const double* ideal, const double* tol, std::int16_t n,
                  double coc, FitStatus& status)
{
    for (int i = 0; i < n; ++i)
        if (0 >= tol[i])
            status = kBadTolerance;
    if (status != 0 || n <= 0)
        return 0.0;
    double m = 0.0;
    for (int i = 0; i < n; ++i) {
        const double v = std::fabs(((data[i] - ideal[i]) + coc) / tol[i]);
        if (v > m)
            m = v;
    }
    return m;
}

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

double wavefront_pv(const double* data, const double* ideal, const double* tol, const double* zeff,
                    const double* zwidth, std::int16_t n, double rcurve, double coc,
                    FitStatus& status)
{
    if (rcurve <= 0)
        status = kBadRcurve;
    for (int i = 0; i < n; ++i)
        if (0 >= tol[i])
            status = kBadSearchTolerance;
    if (status != 0)
        return 0.0;
    std::vector<double> w(static_cast<std::size_t>(n), 0.0);
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
    return hi - lo;
}

} // namespace reference

// Doubles of every kind: ordinary values over a wide range of magnitudes,
// and, at the given rate, zeros, subnormals, infinities, extremes and NaNs
// with random sign and payload (quiet and signalling).
struct Draw {
    std::mt19937_64 rng;
    double special_rate;

    double uniform(double lo, double hi)
    {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    }

    double special()
    {
        const std::uint64_t r = rng();
        std::uint64_t b = 0;
        switch (r % 8) {
        case 0: return (r & 8) ? -0.0 : 0.0;
        case 1: return (r & 8) ? -HUGE_VAL : HUGE_VAL;
        case 2: b = r >> 12; break;                           // subnormal (or zero)
        case 3: b = 0x7ff8000000000000ULL | (r >> 13); break; // quiet NaN, any payload
        case 4: b = 0x7ff0000000000001ULL | (r >> 14); break; // signalling NaN
        case 5: b = 0x7fefffffffffffffULL; break;             // largest finite
        case 6: b = 0x0010000000000000ULL; break;             // smallest normal
        default: return std::ldexp(uniform(-1, 1), static_cast<int>(r % 2000) - 1000);
        }
        b |= (r & 0x10) ? 0x8000000000000000ULL : 0;
        double x;
        std::memcpy(&x, &b, sizeof x);
        return x;
    }

    double value(double lo, double hi)
    {
        return uniform(0, 1) < special_rate ? special() : uniform(lo, hi);
    }
};

struct Mirror {
    std::vector<double> data, ideal, tol, zeff, zwidth;
};

Mirror random_mirror(Draw& d, int n)
{
    Mirror m;
    const double zero_width_rate = d.uniform(0, 1) < 0.2 ? 0.3 : 0.0;
    for (int i = 0; i < n; ++i) {
        m.data.push_back(d.value(-100, 100));
        m.ideal.push_back(d.value(-100, 100));
        // Tolerances only gate the call; they are mostly positive, so that
        // the loops run, and otherwise of every kind.
        m.tol.push_back(d.uniform(0, 1) < 0.98 ? d.uniform(0.01, 10) : d.value(0.01, 10));
        m.zeff.push_back(d.value(0, 5));
        m.zwidth.push_back(d.uniform(0, 1) < zero_width_rate ? 0.0 : d.value(0, 1));
    }
    return m;
}

// Where two NaNs meet in a sum or product, the processor returns the first
// operand's. An optimizing build of the scalar code keeps the running value
// first, as the add-in's release build did; an unoptimized build of the
// transcription below may not, so there a NaN result is compared as NaN only.
#if defined(__OPTIMIZE__)
constexpr bool kNaNPayloads = true;
#else
constexpr bool kNaNPayloads = false;
#endif

::testing::AssertionResult same_bits(double a, double b)
{
    if (bits(a) == bits(b) || (!kNaNPayloads && std::isnan(a) && std::isnan(b)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hex << bits(a) << " != " << bits(b);
}

template <class F>
struct Loop {
    const char* name;
    F* f;
};
using ProfileLoop =
    Loop<double(const double*, const double*, const double*, const double*, int, double, double)>;
using TaLoop = Loop<double(const double*, const double*, const double*, int, double)>;

std::vector<ProfileLoop> profile_loops()
{
    std::vector<ProfileLoop> loops;
#if defined(PELLUX_ZONE_SSE2)
    loops.push_back({"profile_pv_sse2", detail::profile_pv_sse2});
#endif
#if defined(PELLUX_ZONE_AVX)
    if (detail::avx_usable())
        loops.push_back({"profile_pv_avx", detail::profile_pv_avx});
#endif
    return loops;
}

std::vector<TaLoop> ta_loops()
{
    std::vector<TaLoop> loops;
#if defined(PELLUX_ZONE_SSE2)
    loops.push_back({"largest_abs_ta_sse2", detail::largest_abs_ta_sse2});
#endif
#if defined(PELLUX_ZONE_AVX)
    if (detail::avx_usable())
        loops.push_back({"largest_abs_ta_avx", detail::largest_abs_ta_avx});
#endif
    return loops;
}

TEST(ZoneKernels, SameBitsAsTheScalarRoutines)
{
    Draw d{std::mt19937_64(20261208), 0};
    const int fixed_counts[] = {1, 2, 3, 31, 32767};
    const double rates[] = {0, 0.001, 0.05, 0.3};
    for (int trial = 0; trial < 2000; ++trial) {
        const int n = trial < 200 ? fixed_counts[trial % 5]
                                  : 1 + static_cast<int>(d.rng() % (trial % 50 == 0 ? 5000 : 80));
        d.special_rate = rates[trial % 4];
        const Mirror m = random_mirror(d, n);
        const auto count = static_cast<std::int16_t>(n);
        for (int k = 0; k < 3; ++k) {
            const double coc = k == 0 ? d.uniform(-50, 50) : d.value(-50, 50);
            const double rcurve = d.uniform(0, 1) < 0.9 ? d.uniform(10, 500) : d.value(0, 500);

            FitStatus want_status = 0, got_status = 0;
            const double want =
                reference::wavefront_pv(m.data.data(), m.ideal.data(), m.tol.data(), m.zeff.data(),
                                        m.zwidth.data(), count, rcurve, coc, want_status);
            const double got =
                wavefront_pv(m.data.data(), m.ideal.data(), m.tol.data(), m.zeff.data(),
                             m.zwidth.data(), count, rcurve, coc, got_status);
            ASSERT_TRUE(same_bits(got, want)) << "wavefront_pv, trial " << trial << ", n " << n;
            ASSERT_EQ(got_status, want_status) << "trial " << trial;
            // Each width of loop, whichever the processor gets.
            for (const auto& loop : profile_loops()) {
                if (want_status != 0)
                    break;
                ASSERT_TRUE(same_bits(loop.f(m.data.data(), m.ideal.data(), m.zeff.data(),
                                             m.zwidth.data(), n, rcurve, coc),
                                      want))
                    << loop.name << ", trial " << trial << ", n " << n;
            }

            want_status = got_status = 0;
            const double want_ta = reference::max_abs_ta(m.data.data(), m.ideal.data(),
                                                         m.tol.data(), count, coc, want_status);
            const double got_ta =
                max_abs_ta(m.data.data(), m.ideal.data(), m.tol.data(), count, coc, got_status);
            ASSERT_TRUE(same_bits(got_ta, want_ta)) << "max_abs_ta, trial " << trial << ", n " << n;
            ASSERT_EQ(got_status, want_status) << "trial " << trial;
            for (const auto& loop : ta_loops()) {
                if (want_status != 0)
                    break;
                ASSERT_TRUE(
                    same_bits(loop.f(m.data.data(), m.ideal.data(), m.tol.data(), n, coc), want_ta))
                    << loop.name << ", trial " << trial << ", n " << n;
            }
        }
    }
}

// The searches evaluate the loops without their checks: the same points,
// values and pass counts as a search over the checked scalar routines.
TEST(ZoneKernels, SearchesAsWithTheScalarRoutines)
{
    Draw d{std::mt19937_64(42), 0};
    for (int trial = 0; trial < 200; ++trial) {
        const int n = 2 + static_cast<int>(d.rng() % 40);
        // Numbers only: the bracket is formed here and in the routine, and
        // a NaN payload from two NaN operands of a sum is the compiler's choice.
        d.special_rate = 0;
        const Mirror m = random_mirror(d, n);
        const auto count = static_cast<std::int16_t>(n);
        const double fittol = d.uniform(0, 0.01), rcurve = d.uniform(10, 500);

        FitStatus status = 0;
        const double c =
            -((m.data[n - 1] - m.ideal[n - 1]) + (m.data[n - 2] - m.ideal[n - 2])) * 0.5;
        const double w = m.tol[n - 1] + m.tol[n - 1];
        const GoldenResult want = golden_minimize(
            c - w, w + c, fittol,
            [&](double x) {
                return reference::wavefront_pv(m.data.data(), m.ideal.data(), m.tol.data(),
                                               m.zeff.data(), m.zwidth.data(), count, rcurve, x,
                                               status);
            },
            status);
        FitStatus got_status = 0;
        double coc = 0;
        int passes = 0;
        const double value =
            best_coc_for_wfe(m.data.data(), m.ideal.data(), m.tol.data(), m.zeff.data(),
                             m.zwidth.data(), count, rcurve, 1.0, fittol, coc, got_status, &passes);
        ASSERT_EQ(got_status, status) << trial;
        if (status == 0) {
            EXPECT_TRUE(same_bits(coc, want.point)) << "wfe, trial " << trial;
            EXPECT_TRUE(same_bits(value, want.value / 1.0)) << "wfe, trial " << trial;
            EXPECT_EQ(passes, want.passes) << "wfe, trial " << trial;
        }

        status = 0;
        double lo = m.data[0] - m.ideal[0], hi = lo;
        for (int i = 1; i < n; ++i) {
            const double dev = m.data[i] - m.ideal[i];
            lo = dev < lo ? dev : lo;
            hi = dev > hi ? dev : hi;
        }
        const GoldenResult want_ta = golden_minimize(
            -hi, -lo, fittol,
            [&](double x) {
                return reference::max_abs_ta(m.data.data(), m.ideal.data(), m.tol.data(), count, x,
                                             status);
            },
            status);
        got_status = 0;
        const double ta = best_coc_for_ta(m.data.data(), m.ideal.data(), m.tol.data(), count,
                                          fittol, coc, got_status, &passes);
        ASSERT_EQ(got_status, status) << trial;
        if (status == 0) {
            EXPECT_TRUE(same_bits(coc, want_ta.point)) << "ta, trial " << trial;
            EXPECT_TRUE(same_bits(ta, want_ta.value)) << "ta, trial " << trial;
            EXPECT_EQ(passes, want_ta.passes) << "ta, trial " << trial;
        }
    }
}

} // namespace
