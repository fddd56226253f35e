// The stated uncertainty against the scatter of simulated noisy runs: the
// truth within 1 sigma about two thirds of the time and within 2 sigma about
// 95 %, whatever the runs' offsets; verdict probabilities that come true
// as often as they say.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "core/mirror_figures.h"
#include "tests/optics/foucault_sim.h"

namespace {

constexpr double kWavelength = 550e-6 / 25.4; // inches
constexpr double kReadingSigma = 0.002;       // inches, one reading by eye
#ifdef PELLUX_SANITIZE
constexpr int kTrials = 12;
#else
constexpr int kTrials = 200;
#endif

enum class Offsets { None, Drifting, Normalised };

struct Case {
    double conic;
    int zones, runs;
    Offsets offsets;
    sim::Tester tester;
};

struct Tally {
    int trials = 0, pv1 = 0, pv2 = 0, rms1 = 0, rms2 = 0, corr1 = 0, corr2 = 0;
    double brier_expected = 0, brier_hits = 0; // sums of p and of outcomes
    void merge(const Tally& t)
    {
        trials += t.trials;
        pv1 += t.pv1, pv2 += t.pv2, rms1 += t.rms1, rms2 += t.rms2, corr1 += t.corr1, corr2 += t.corr2;
    }
};

struct Truths {
    sim::Truth figures;
    double correction;
};

// One trial's runs, as the add-in takes them (mils, a moving source's
// doubled), zone by zone.
std::vector<double> noisy_runs(const sim::Zones& z, const Case& c, std::mt19937_64& rng)
{
    const double factor = c.tester == sim::Tester::Moving ? 2 : 1;
    std::normal_distribution<double> noise(0.0, kReadingSigma);
    std::normal_distribution<double> drift(0.0, 0.005);
    const int n = static_cast<int>(z.zeff.size());
    std::vector<double> runs(n * c.runs);
    for (int k = 0; k < c.runs; ++k) {
        const double offset = c.offsets == Offsets::None ? 0.0 : drift(rng);
        for (int i = 0; i < n; ++i)
            runs[i * c.runs + k] = z.exact[i] / 1000 / factor + offset + noise(rng);
        if (c.offsets == Offsets::Normalised) {
            const double first = runs[k];
            for (int i = 0; i < n; ++i)
                runs[i * c.runs + k] -= first;
        }
    }
    for (double& r : runs)
        r *= 1000 * factor;
    return runs;
}

pellux::MirrorFigures figures(const sim::Zones& z, const std::vector<double>& runs, int count, double edge,
                              double radius, sim::Tester t, double sigma_mils)
{
    const int n = static_cast<int>(z.zeff.size());
    const pellux::MirrorCall call{{runs.data(), n, count, count, 1}, z.zeff.data(), t == sim::Tester::Fixed,
                                  edge, radius, kWavelength, sigma_mils};
    std::vector<double> work(pellux::mirror_figure_bytes(n, count) / sizeof(double) + 1);
    pellux::MirrorFigures f{};
    EXPECT_TRUE(pellux::mirror_figures(call, work.data(), f));
    return f;
}

Tally run_case(const Case& c, std::uint64_t seed)
{
    sim::Surface s{96, c.conic, 4}; // 8 in f/6
    const sim::Zones z = sim::equal_area_zones(s, c.zones, sim::Rule::Mean, c.tester);
    const sim::Truth truth = sim::truth(s, kWavelength);
    const double factor = c.tester == sim::Tester::Moving ? 2 : 1;
    // The correction of the noiseless readings is the one the noise hides.
    const pellux::MirrorFigures exact = figures(z, z.exact, 1, s.edge, s.radius, c.tester, 1e-9);
    std::mt19937_64 rng(seed);
    Tally t;
    for (int trial = 0; trial < kTrials; ++trial) {
        const std::vector<double> runs = noisy_runs(z, c, rng);
        const pellux::MirrorFigures f =
            figures(z, runs, c.runs, s.edge, s.radius, c.tester, kReadingSigma * 1000 * factor);
        const double dpv = std::fabs(f.pv_unbiased - truth.pv), drms = std::fabs(f.rms_unbiased - truth.rms);
        const double dcorr = std::fabs(f.correction - exact.correction);
        ++t.trials;
        t.pv1 += dpv <= f.pv_spread, t.pv2 += dpv <= 2 * f.pv_spread;
        t.rms1 += drms <= f.rms_spread, t.rms2 += drms <= 2 * f.rms_spread;
        t.corr1 += dcorr <= f.correction_spread, t.corr2 += dcorr <= 2 * f.correction_spread;
        t.brier_expected += f.p_quarter_wave;
        t.brier_hits += truth.pv <= 0.25;
    }
    return t;
}

double share(int hits, int trials) { return static_cast<double>(hits) / trials; }

TEST(Coverage, TheTruthLiesWithinTheStatedUncertaintyAsOftenAsItClaims)
{
    const double conics[] = {-1.0, -0.9, -0.7, 0.0};
    const Case shapes[] = {
        {0, 3, 1, Offsets::None, sim::Tester::Moving},      {0, 5, 3, Offsets::Drifting, sim::Tester::Moving},
        {0, 9, 10, Offsets::Normalised, sim::Tester::Fixed}, {0, 15, 3, Offsets::Normalised, sim::Tester::Moving},
        {0, 5, 10, Offsets::Drifting, sim::Tester::Fixed},   {0, 7, 3, Offsets::None, sim::Tester::Fixed},
    };
    Tally all;
    std::uint64_t seed = 1;
    for (double k : conics) {
        Tally mirror;
        for (Case c : shapes) {
            c.conic = k;
            const Tally t = run_case(c, seed++);
            std::printf("K %5.2f %2d zones %2d runs offsets %d: P-V %.2f/%.2f RMS %.2f/%.2f corr %.2f/%.2f\n", k,
                        c.zones, c.runs, static_cast<int>(c.offsets), share(t.pv1, t.trials), share(t.pv2, t.trials),
                        share(t.rms1, t.trials), share(t.rms2, t.trials), share(t.corr1, t.trials),
                        share(t.corr2, t.trials));
            mirror.merge(t);
        }
        all.merge(mirror);
    }
    std::printf("all: P-V %.3f/%.3f RMS %.3f/%.3f correction %.3f/%.3f\n", share(all.pv1, all.trials),
                share(all.pv2, all.trials), share(all.rms1, all.trials), share(all.rms2, all.trials),
                share(all.corr1, all.trials), share(all.corr2, all.trials));
}

} // namespace

namespace {

// Mirrors whose true P-V straddles the quarter wave and whose Strehl ratio
// straddles 0.8: of those given probability p, about a fraction p must be
// within. Binned by the stated probability.
TEST(Coverage, VerdictProbabilitiesComeTrueAsOftenAsTheySay)
{
    std::mt19937_64 rng(77);
    std::uniform_real_distribution<double> conic(-0.8, -0.6); // P-V 0.17 to 0.33 wave
    const int mirrors = kTrials * 2;
    struct Bin {
        double lo, hi, p = 0, hits = 0;
        int count = 0;
    };
    Bin quarter[3] = {{0, 0.2}, {0.2, 0.8}, {0.8, 1.01}}, strehl[3] = {{0, 0.2}, {0.2, 0.8}, {0.8, 1.01}};
    auto put = [](Bin* bins, double p, bool hit) {
        for (int b = 0; b < 3; ++b)
            if (p >= bins[b].lo && p < bins[b].hi) {
                bins[b].p += p, bins[b].hits += hit, ++bins[b].count;
            }
    };
    for (int m = 0; m < mirrors; ++m) {
        const Case c{conic(rng), 3 + 2 * (m % 5), 1 + (m % 3) * 2, static_cast<Offsets>(m % 3),
                     m % 2 ? sim::Tester::Fixed : sim::Tester::Moving};
        sim::Surface s{96, c.conic, 4};
        const sim::Zones z = sim::equal_area_zones(s, c.zones, sim::Rule::Mean, c.tester);
        const sim::Truth truth = sim::truth(s, kWavelength, 4000);
        const double factor = c.tester == sim::Tester::Moving ? 2 : 1;
        const pellux::MirrorFigures f = figures(z, noisy_runs(z, c, rng), c.runs, s.edge, s.radius, c.tester,
                                                kReadingSigma * 1000 * factor);
        const double true_strehl = std::exp(-std::pow(2 * 3.141592653589793 * truth.rms, 2));
        put(quarter, f.p_quarter_wave, truth.pv <= 0.25);
        put(strehl, f.p_strehl, true_strehl >= 0.8);
    }
    for (const Bin* bins : {quarter, strehl})
        for (int b = 0; b < 3; ++b) {
            const Bin& bin = bins[b];
            if (bin.count == 0)
                continue;
            const double said = bin.p / bin.count, came = bin.hits / bin.count;
            std::printf("%s p in [%.1f, %.1f): %3d mirrors, said %.3f, came true %.3f\n",
                        bins == quarter ? "quarter wave" : "Strehl 0.8  ", bin.lo, bin.hi, bin.count, said, came);
            if (bin.count >= 20) {
                EXPECT_NEAR(came, said, 0.15) << "bin " << b;
            }
        }
}

} // namespace

namespace {

// A run that differs from another by a constant is a refocus: the figures
// and their uncertainties are those of two equal runs, and not 0.
TEST(Coverage, ARunsCommonOffsetChangesNoFigureNorItsUncertainty)
{
    const std::vector<double> zeff = {0.8944, 2.15935, 2.8141, 3.33805, 3.78885}; // inches
    const double run1[] = {0.0029, 0.0170, 0.0289, 0.0406, 0.0523};               // inches, moving source
    std::vector<double> shifted, equal;
    for (double r : run1) {
        for (double second : {r + 0.010, r})
            (second == r ? equal : shifted).push_back(r * 2000), (second == r ? equal : shifted).push_back(second * 2000);
    }
    const pellux::MirrorCall a{{shifted.data(), 5, 2, 2, 1}, zeff.data(), false, 4, 96, kWavelength, 4};
    const pellux::MirrorCall b{{equal.data(), 5, 2, 2, 1}, zeff.data(), false, 4, 96, kWavelength, 4};
    std::vector<double> work(pellux::mirror_figure_bytes(5, 2) / sizeof(double) + 1);
    pellux::MirrorFigures fa{}, fb{};
    ASSERT_TRUE(pellux::mirror_figures(a, work.data(), fa));
    ASSERT_TRUE(pellux::mirror_figures(b, work.data(), fb));
    double ca[pellux::kMirrorFigureCount], cb[pellux::kMirrorFigureCount];
    pellux::mirror_figure_column(fa, ca);
    pellux::mirror_figure_column(fb, cb);
    // The centres of curvature move with the runs' mean zero (10 mils), as
    // the knife would; nothing else moves.
    for (int k = 0; k < pellux::kMirrorFigureCount; ++k)
        EXPECT_NEAR(ca[k] + (k == 1 || k == 3 ? 10 : 0), cb[k], 1e-9 * (1 + std::fabs(cb[k]))) << "figure " << k;
    EXPECT_GT(fa.pv_spread, 0);
    EXPECT_GT(fa.correction_spread, 0);
}

} // namespace
