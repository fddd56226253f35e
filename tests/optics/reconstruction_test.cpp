// The whole-mirror figures against the truth of simulated mirrors: exact
// readings of smooth surfaces under every zone rule and both testers.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "core/mirror_figures.h"
#include "tests/optics/foucault_sim.h"

namespace {

constexpr double kWavelength = 550e-6 / 25.4; // inches

struct Shape {
    double pv, rms; // waves
};

// The figures of one run of the zones' exact readings.
pellux::MirrorFigures figures_of(const std::vector<double>& zeff, const std::vector<double>& readings, int runs,
                                 double edge, double radius, bool fixed, double sigma = 1e-6)
{
    const int n = static_cast<int>(zeff.size());
    const pellux::MirrorCall call{{readings.data(), n, runs, runs, 1}, zeff.data(), fixed, edge, radius,
                                  kWavelength, sigma};
    EXPECT_EQ(pellux::check_mirror_call(call), 0);
    std::vector<double> work(pellux::mirror_figure_bytes(n, runs) / sizeof(double) + 1);
    pellux::MirrorFigures f{};
    EXPECT_TRUE(pellux::mirror_shape(call, work.data(), f));
    return f;
}

Shape reconstructed(const sim::Zones& z, double edge, double radius, sim::Tester t)
{
    const pellux::MirrorFigures f = figures_of(z.zeff, z.exact, 1, edge, radius, t == sim::Tester::Fixed);
    return {f.pv, f.rms};
}

struct Mirror {
    const char* name;
    double diameter, focal_ratio, conic, r6; // r6: surface term a h^6 (inches^-5)
};

TEST(Reconstruction, SmoothMirrorsWithinHalfAPerCentOfTheTruth)
{
    const Mirror mirrors[] = {
        {"6 in f/8 sphere", 6, 8, 0, 0},          {"8 in f/6 sphere", 8, 6, 0, 0},
        {"8 in f/6 K -0.7", 8, 6, -0.7, 0},       {"10 in f/5 K -0.5", 10, 5, -0.5, 0},
        {"12 in f/4 K -1.5", 12, 4, -1.5, 0},     {"8 in f/4.5 K -1.3", 8, 4.5, -1.3, 0},
        {"8 in f/6 paraboloid + r^6", 8, 6, -1, 2e-9}, {"6 in f/5 K -0.3", 6, 5, -0.3, 0},
    };
    double worst = 0;
    for (const Mirror& m : mirrors) {
        sim::Surface s{m.diameter * m.focal_ratio * 2, m.conic, m.diameter / 2};
        if (m.r6 != 0) {
            s.bump = [a = m.r6](double h) { return a * std::pow(h, 6); };
            s.bump_slope = [a = m.r6](double h) { return 6 * a * std::pow(h, 5); };
        }
        const sim::Truth t = sim::truth(s, kWavelength);
        for (sim::Tester tester : {sim::Tester::Fixed, sim::Tester::Moving})
            for (sim::Rule rule : {sim::Rule::Mean, sim::Rule::Rms, sim::Rule::Carlin})
                for (int zones : {3, 4, 5, 7, 9, 12, 15}) {
                    const sim::Zones z = sim::equal_area_zones(s, zones, rule, tester);
                    const Shape got = reconstructed(z, s.edge, s.radius, tester);
                    const double pv_err = std::fabs(got.pv / t.pv - 1), rms_err = std::fabs(got.rms / t.rms - 1);
                    worst = std::max({worst, pv_err, rms_err});
                    EXPECT_LT(pv_err, 0.005) << m.name << " " << zones << " zones: P-V " << got.pv << " truth " << t.pv
                                             << " rule " << static_cast<int>(rule) << " tester " << static_cast<int>(tester);
                    EXPECT_LT(rms_err, 0.005) << m.name << " " << zones << " zones: RMS " << got.rms << " truth " << t.rms
                                              << " rule " << static_cast<int>(rule) << " tester " << static_cast<int>(tester);
                }
    }
    std::printf("worst relative error of P-V and RMS: %.5f\n", worst);
}

} // namespace
