// The spread of the figures by Monte Carlo: each zone's mean reading drawn
// from a normal distribution about itself with its standard uncertainty, the
// figures recomputed, their sample standard deviation taken. The generator
// (SplitMix64), the normal deviates (Marsaglia's polar method) and the
// running variance (Welford) use only integer arithmetic and IEEE +, -, *,
// / and sqrt, with our own logarithm, so every platform draws the same.
#include <cstdint>

#include "core/figures_work.h"
#include "core/random.h"

namespace pellux {

namespace {

constexpr std::uint64_t kSeed = 0x50454C4C55584D43ull;

} // namespace

FigureSpread sample_spread(const MirrorZones& m, const double* sem, double wvl,
                           const FigureWork& w)
{
    Generator g = seeded(kSeed);
    Running pv{}, rms{}, strehl{}, correction{};
    for (int s = 1; s <= kSpreadSamples; ++s) {
        for (int i = 0; i < m.n; ++i)
            w.data[i] = m.data[i] + sem[i] * next_normal(g);
        const FigureSpread f = sample_figures(m, w.data, wvl, w);
        add(pv, f.pv, s);
        add(rms, f.rms, s);
        add(strehl, f.strehl, s);
        add(correction, f.correction, s);
    }
    return {deviation(pv, kSpreadSamples), deviation(rms, kSpreadSamples),
            deviation(strehl, kSpreadSamples), deviation(correction, kSpreadSamples)};
}

} // namespace pellux
