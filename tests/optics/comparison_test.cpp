// Two sessions compared against the truth of simulated mirrors: an
// unchanged mirror seldom called changed, a changed one called changed by
// about the right amount, masks of different zones compared through the
// reconstruction.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "core/comparison.h"
#include "tests/optics/foucault_sim.h"

namespace {

constexpr double kWavelength = 550e-6 / 25.4;
constexpr double kSigma = 0.002; // inches, one reading
#ifdef PELLUX_SANITIZE
constexpr int kTrials = 4;
#else
constexpr int kTrials = 60;
#endif

// A session: three runs of a mirror of conic constant `conic` read through
// `zones` equal-area zones on a moving source, each run with its own zero.
struct Session {
    sim::Zones z;
    std::vector<double> runs;
    pellux::MirrorCall call() const
    {
        const int n = static_cast<int>(z.zeff.size());
        return {{runs.data(), n, 3, 3, 1}, z.zeff.data(), false, 4, 96, kWavelength, kSigma * 2000};
    }
};

Session session(double conic, int zones, std::mt19937_64& rng)
{
    const sim::Surface s{96, conic, 4};
    Session out{sim::equal_area_zones(s, zones, sim::Rule::Mean, sim::Tester::Moving), {}};
    std::normal_distribution<double> noise(0, kSigma), zero(0, 0.005);
    const int n = static_cast<int>(out.z.zeff.size());
    out.runs.assign(static_cast<std::size_t>(n * 3), 0);
    for (int k = 0; k < 3; ++k) {
        const double offset = zero(rng);
        for (int i = 0; i < n; ++i)
            out.runs[static_cast<std::size_t>(i * 3 + k)] = (out.z.exact[static_cast<std::size_t>(i)] / 2000 + offset + noise(rng)) * 2000;
    }
    return out;
}

pellux::Comparison compared(const Session& a, const Session& b)
{
    std::vector<double> work(pellux::comparison_bytes(static_cast<int>(a.z.zeff.size()), 3,
                                                      static_cast<int>(b.z.zeff.size()), 3) / sizeof(double) + 1);
    pellux::Comparison c{};
    EXPECT_TRUE(pellux::compare_sessions(a.call(), b.call(), work.data(), c));
    return c;
}

TEST(Comparison, AnUnchangedMirrorIsSeldomCalledChanged)
{
    std::mt19937_64 rng(5);
    int called[4] = {}, points = 0;
    for (int t = 0; t < kTrials; ++t) {
        // The same mirror, and a second mask of other zones half the time.
        const Session a = session(-0.8, 5, rng), b = session(-0.8, t % 2 ? 7 : 5, rng);
        const pellux::Comparison c = compared(a, b);
        const pellux::Change* all[4] = {&c.pv, &c.rms, &c.strehl, &c.correction};
        for (int k = 0; k < 4; ++k)
            called[k] += all[k]->real;
        points += c.real_points;
    }
    std::printf("unchanged mirror called changed in %d trials: P-V %d, RMS %d, Strehl %d, correction %d; "
                "%d of %d profile points\n", kTrials, called[0], called[1], called[2], called[3], points,
                kTrials * pellux::kComparePoints);
    for (int k = 0; k < 4; ++k)
        EXPECT_LE(called[k], kTrials / 8 + 1) << "figure " << k;
    EXPECT_LE(points, kTrials * pellux::kComparePoints / 8);
}

TEST(Comparison, ACorrectionFrom70To85PerCentIsCalledRealWithItsSize)
{
    std::mt19937_64 rng(6);
    int real = 0, sized = 0;
    for (int t = 0; t < kTrials; ++t) {
        const pellux::Comparison c = compared(session(-0.70, 7, rng), session(-0.85, 7, rng));
        real += c.correction.real && c.pv.real;
        sized += std::fabs(c.correction.change - 15) <= 2 * c.correction.spread;
        EXPECT_LT(c.pv.change, 0) << "the P-V falls as the correction nears 100 %";
    }
    std::printf("70 %% to 85 %%: called real in %d of %d trials, the change within 2 sigma of 15 %% in %d\n", real,
                kTrials, sized);
    EXPECT_GE(real, kTrials * 9 / 10);
    EXPECT_GE(sized, kTrials * 8 / 10);
}

} // namespace
