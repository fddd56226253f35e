#include "core/photo_readings.h"

#include <cmath>
#include <vector>

#include "core/mirror_figures.h"
#include "core/simulation.h"

namespace pellux {

namespace {

constexpr int kSimulated = 256; // pixels of the simulated pictures

// The mirror the zones' present readings reconstruct, simulated and
// measured as the photographs were; what its measurement misses its own
// geometric readings by is taken off the raw nulls.
bool correct(const PhotoSeries& s, const PhotoMirror& m, const Null* raw, PhotoZone* zones, int count, void* work)
{
    // The mirror of the present readings (mils as the reduction takes them).
    const double factor = m.moving_source ? 2 : 1, edge = m.diameter / 2;
    std::vector<double> zeff, mils;
    for (int z = 0; z < count; ++z)
        if (zones[z].null.found) {
            zeff.push_back(zones[z].rho * edge);
            mils.push_back(zones[z].null.reading * 1000 * factor);
        }
    const int n = static_cast<int>(zeff.size());
    if (n < 2)
        return false;
    auto* bytes = static_cast<unsigned char*>(work);
    unsigned char* pixels = bytes + photo_bytes(s.count);
    void* sim_work = pixels + static_cast<std::size_t>(s.count) * kSimulated * kSimulated;
    void* fig_work = static_cast<unsigned char*>(sim_work) + simulation_bytes(kSimulated);
    const MirrorCall call{{mils.data(), n, 1, 1, 1}, zeff.data(), !m.moving_source, edge, m.rcurve, m.wavelength, 1.0};
    Profile p{};
    double centre = 0;
    if (check_mirror_call(call) != 0 || !mirror_profile(call, fig_work, p, centre))
        return false;
    std::vector<double> heights(static_cast<std::size_t>(p.nodes));
    profile_heights(p, 0.0, heights.data());
    const SimMirror mirror{m.diameter, m.rcurve, -1, 0, &p, heights.data()};
    const SimTester tester{m.moving_source, m.wavelength, m.pinhole, false};
    // The simulated series at the same knife positions, in the simulated
    // mirror's own scale (its paraxial centre of curvature at 0).
    const double zero = centre / 1000 / factor;
    std::vector<Picture> pictures(static_cast<std::size_t>(s.count));
    std::vector<double> knife(static_cast<std::size_t>(s.count));
    for (int k = 0; k < s.count; ++k) {
        unsigned char* grey = pixels + static_cast<std::size_t>(k) * kSimulated * kSimulated;
        knife[static_cast<std::size_t>(k)] = s.knife[k] - zero;
        foucaultgram(mirror, tester, m.mask, knife[static_cast<std::size_t>(k)], kSimulated, grey, sim_work);
        pictures[static_cast<std::size_t>(k)] = {grey, kSimulated, kSimulated};
    }
    const PhotoSeries simulated{pictures.data(), knife.data(), s.count, false, 0, s.band, s.mask_reach};
    std::vector<Disc> discs(static_cast<std::size_t>(s.count));
    int bad = 0;
    if (prepare_series(simulated, bytes, discs.data(), bad) != kPhotoOk)
        return false;
    std::vector<char> simulated_null(static_cast<std::size_t>(count), 0);
    for (int z = 0; z < count; ++z) {
        if (!zones[z].null.found)
            continue;
        const Null seen = zone_null(simulated, bytes, zones[z].inner, zones[z].outer, 0);
        if (!seen.found)
            continue;
        simulated_null[static_cast<std::size_t>(z)] = 1;
        zones[z].shift = seen.reading - geometric_reading(mirror, tester, zones[z].rho * edge);
        zones[z].null.reading = raw[z].reading - zones[z].shift;
        // The correction is known to about half its size: near the edge,
        // where the rim's diffraction moves the null most, that dominates.
        const double half = zones[z].shift / 2;
        zones[z].null.spread = std::sqrt(raw[z].spread * raw[z].spread + half * half);
    }
    // A zone whose simulated null lies outside the series (the knife was
    // not carried far enough past its raw null for diffraction's move)
    // takes the nearest corrected zone's correction, and all of it as
    // uncertainty.
    for (int z = 0; z < count; ++z) {
        if (!zones[z].null.found || simulated_null[static_cast<std::size_t>(z)])
            continue;
        int nearest = -1;
        for (int q = 0; q < count; ++q)
            if (simulated_null[static_cast<std::size_t>(q)] &&
                (nearest < 0 || std::fabs(zones[q].rho - zones[z].rho) < std::fabs(zones[nearest].rho - zones[z].rho)))
                nearest = q;
        if (nearest < 0)
            return false;
        zones[z].shift = zones[nearest].shift;
        zones[z].null.reading = raw[z].reading - zones[z].shift;
        zones[z].null.spread = std::sqrt(raw[z].spread * raw[z].spread + zones[z].shift * zones[z].shift);
    }
    return true;
}

} // namespace

PhotoZone photo_zone(double rho)
{
    return {rho, rho - kPhotoRing, rho + kPhotoRing, {0, 0, false}, 0};
}

double zone_mask(const double* inner, const double* outer, int count, double edge, double per_inch, MaskWindow* out)
{
    std::vector<double> inner_mm(static_cast<std::size_t>(count)), outer_mm(static_cast<std::size_t>(count));
    double reach = 0;
    for (int k = 0; k < count; ++k) {
        inner_mm[static_cast<std::size_t>(k)] = inner[k] / per_inch * 25.4;
        outer_mm[static_cast<std::size_t>(k)] = outer[k] / per_inch * 25.4;
        reach = outer[k] / edge > reach ? outer[k] / edge : reach;
    }
    zone_windows(inner_mm.data(), outer_mm.data(), count, out);
    return reach;
}

std::size_t photo_readings_bytes(int pictures, int zones)
{
    return photo_bytes(pictures) + static_cast<std::size_t>(pictures) * kSimulated * kSimulated +
           simulation_bytes(kSimulated) + mirror_figure_bytes(zones, 1) + sizeof(double) * (2 * zones + 8);
}

bool photo_readings(const PhotoSeries& s, const void* prepared, const PhotoMirror& m, PhotoZone* zones, int count,
                    void* work)
{
    for (int z = 0; z < count; ++z) {
        zones[z].null = zone_null(s, prepared, zones[z].inner, zones[z].outer, kPhotoSystematic);
        zones[z].shift = 0;
    }
    std::vector<Null> raw(static_cast<std::size_t>(count));
    for (int z = 0; z < count; ++z)
        raw[static_cast<std::size_t>(z)] = zones[z].null;
    // Twice: the second time the mirror simulated is the one the first
    // correction's readings reconstruct, nearer the truth where diffraction
    // moved the raw nulls far (long focal lengths, a fixed source, steep
    // zones).
    if (!correct(s, m, raw.data(), zones, count, work))
        return false;
    correct(s, m, raw.data(), zones, count, work); // failing, the first stands
    return true;
}


} // namespace pellux
