// The simulated tests against the optics they should show: a sphere at its
// centre of curvature, a paraboloid's zones balancing at their readings, a
// turned edge's rim, and a Ronchigram's straight bands.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/mirror_figures.h"
#include "core/simulation.h"
#include "tests/optics/foucault_sim.h"

namespace {

constexpr double kWavelength = 550e-6 / 25.4;
constexpr int kSize = 256;

using Picture = std::vector<unsigned char>;

Picture foucault(const pellux::SimMirror& m, const pellux::SimTester& t, double knife)
{
    Picture p(kSize * kSize);
    std::vector<double> work(pellux::simulation_bytes(kSize) / sizeof(double) + 1);
    pellux::foucaultgram(m, t, knife, kSize, p.data(), work.data());
    return p;
}

// Mean grey of the pixels at fractions of the radius from lo to hi, within
// `band` degrees of the horizontal diameter; side -1 left, +1 right, 0 both.
double mean(const Picture& p, double lo, double hi, int side, double band = 90)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const double px = (x + 0.5) / kSize * 2 - 1, py = 1 - (y + 0.5) / kSize * 2;
            const double r = std::sqrt(px * px + py * py);
            if (r < lo || r > hi || (side != 0 && px * side < 0) ||
                std::fabs(py) > r * std::sin(band * 3.141592653589793 / 180))
                continue;
            sum += p[y * kSize + x];
            ++n;
        }
    return sum / n;
}

// (left - right) / (left + right) in a narrow ring about the horizontal diameter.
double balance(const Picture& p, double at)
{
    const double l = mean(p, at - 0.02, at + 0.02, -1, 30), r = mean(p, at - 0.02, at + 0.02, 1, 30);
    return (l - r) / (l + r);
}

TEST(Simulation, ASphereAtItsCentreOfCurvature)
{
    const pellux::SimMirror sphere{8, 96, 0, 0, nullptr, nullptr};
    const struct {
        double source;
        double rim_low, rim_high; // darkening of the outer tenth against the inner field
    } rows[] = {{0.02, -0.025, 0.03}, {0.004, 0.10, 0.14}};
    for (const auto& r : rows) {
        const Picture p = foucault(sphere, {false, kWavelength, r.source, false}, 0);
        double asymmetry = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                asymmetry = std::max(asymmetry, std::fabs(p[y * kSize + x] - p[y * kSize + kSize - 1 - x] + 0.0));
        EXPECT_LE(asymmetry, 1) << r.source;
        const double inner = mean(p, 0, 0.8, 0), rim = 1 - mean(p, 0.9, 0.98, 0) / inner;
        EXPECT_NEAR(inner, 127, 6) << "half the light passes";
        EXPECT_GE(rim, r.rim_low) << r.source;
        EXPECT_LE(rim, r.rim_high) << r.source;
        if (r.source >= 0.02) { // evenly grey within 2 % out to 0.9 of the radius
            for (double at = 0.1; at < 0.9; at += 0.1)
                EXPECT_NEAR(mean(p, at - 0.05, at + 0.05, 0) / inner, 1, 0.02) << "at " << at;
        }
    }
}

TEST(Simulation, AParaboloidsZonesBalanceAtTheirReadings)
{
    const pellux::SimMirror paraboloid{8, 96, -1, 0, nullptr, nullptr};
    for (bool moving : {true, false})
        for (double at : {0.5, 0.7, 0.9}) {
            const sim::Surface s{96, -1, 4};
            const double reading = sim::reading(s, at * 4, moving ? sim::Tester::Moving : sim::Tester::Fixed);
            const pellux::SimTester t{moving, kWavelength, 0.004, false};
            const double here = balance(foucault(paraboloid, t, reading), at);
            const double inside = balance(foucault(paraboloid, t, reading - 0.005), at);
            const double outside = balance(foucault(paraboloid, t, reading + 0.005), at);
            EXPECT_LT(std::fabs(here), 0.25 * std::min(std::fabs(inside), std::fabs(outside)))
                << (moving ? "moving" : "fixed") << " at " << at << ": " << inside << " " << here << " " << outside;
            EXPECT_LT(inside * outside, 0) << "opposite signs either side";
            // Inside a zone's centre of curvature its rays have not crossed:
            // the blade from the right darkens its right half.
            EXPECT_GT(inside, 0);
        }
}

TEST(Simulation, ATurnedEdgeShowsItsRimOnTheKnifesSide)
{
    // A mirror file's readings of a paraboloid whose outer 10 % is turned
    // down by a quarter wave of wavefront, through the reconstruction.
    sim::Surface s{96, -1, 4};
    sim::turn_edge(s, 0.9 * s.edge, kWavelength / 8);
    std::vector<double> zeff, readings;
    const std::vector<double> edges = sim::equal_area_edges(0.96 * s.edge, 8);
    for (int k = 0; k < 9; ++k) {
        const double h = k < 8 ? sim::effective_radius(edges[k], edges[k + 1], sim::Rule::Mean) : 0.98 * s.edge;
        zeff.push_back(h);
        readings.push_back(sim::reading_mils(s, h, sim::Tester::Moving));
    }
    const pellux::MirrorCall call{{readings.data(), 9, 1, 1, 1}, zeff.data(), false, s.edge, s.radius, kWavelength, 1};
    std::vector<double> memory(pellux::mirror_figure_bytes(9, 1) / sizeof(double) + 1);
    pellux::Profile p{};
    double centre = 0;
    ASSERT_TRUE(pellux::mirror_profile(call, memory.data(), p, centre));
    EXPECT_NEAR(centre, 0, 0.05) << "a paraboloid's readings put its centre of curvature at 0";
    std::vector<double> heights(static_cast<std::size_t>(p.nodes));
    pellux::profile_heights(p, 0, heights.data());
    const pellux::SimMirror turned{8, 96, -1, 0, &p, heights.data()};
    const pellux::SimMirror smooth{8, 96, -1, 0, nullptr, nullptr};
    const pellux::SimTester t{true, kWavelength, 0.004, false};
    // The knife at the 0.8 zone's null. A turned-down edge is flatter than
    // the paraboloid, so its normals cross farther out: its rays have not
    // crossed at the knife, the blade from the right takes the right rim's,
    // and the rim opposite the knife shows bright.
    const double knife = sim::reading(sim::Surface{96, -1, 4}, 0.8 * 4, sim::Tester::Moving);
    const Picture a = foucault(turned, t, knife), b = foucault(smooth, t, knife);
    const double right = mean(a, 0.95, 0.99, 1, 30) - mean(b, 0.95, 0.99, 1, 30);
    const double left = mean(a, 0.95, 0.99, -1, 30) - mean(b, 0.95, 0.99, -1, 30);
    EXPECT_LT(right, -10) << "right rim against a smooth mirror's";
    EXPECT_GT(left, 20) << "left rim against a smooth mirror's";
}

// Transitions between light and dark along the middle row, inside the
// mirror's outer tenth.
int transitions(const std::vector<unsigned char>& p)
{
    int n = 0;
    const int row = kSize / 2;
    for (int x = kSize / 20 + 1; x < kSize - kSize / 20; ++x)
        n += (p[row * kSize + x] >= 128) != (p[row * kSize + x - 1] >= 128);
    return n;
}

TEST(Simulation, ARonchigramOfASphereHasStraightEquallySpacedBands)
{
    const pellux::SimMirror sphere{8, 96, 0, 0, nullptr, nullptr};
    for (bool moving : {false, true}) {
        std::vector<unsigned char> p(kSize * kSize);
        // 300 lines per inch 0.2 in beyond the centre of curvature: the rays
        // spread over D d / R at the grating, twice that with the source in it.
        pellux::ronchigram(sphere, {moving, kWavelength, 0, false}, 300, 0.2, kSize, p.data());
        const double bands = 8 * 0.2 / 96 * 300 * (moving ? 2 : 1);
        EXPECT_NEAR(transitions(p) / 2.0, bands * 0.9, 1.0) << (moving ? "moving" : "fixed");
        // Straight and parallel: every row crosses the bands at the same
        // columns (within a pixel).
        for (int row = kSize / 4; row < 3 * kSize / 4; row += 8)
            for (int x = kSize / 4; x < 3 * kSize / 4; ++x)
                if (p[row * kSize + x] != p[kSize / 2 * kSize + x]) {
                    EXPECT_TRUE(p[row * kSize + x - 1] == p[kSize / 2 * kSize + x - 1] ||
                                p[row * kSize + x + 1] == p[kSize / 2 * kSize + x + 1])
                        << "row " << row << " column " << x;
                }
    }
}

} // namespace
