// The figures a maker judges a mirror by, from the same zone terms as the
// wavefront functions: the whole mirror's peak-to-valley and RMS wavefront
// error, each at the centre of curvature that makes it least, the Strehl
// ratio, the correction, and the uncertainty of each.
//
// The profile has n + 1 points: height 0 at the first zone's inner edge,
// then each zone's running sum of zone terms at its outer edge.
#pragma once

#include <cstddef>

#include "core/zones.h"

namespace pellux {

// The per-zone vectors of one mirror, n of each: mean readings and the
// paraboloid's readings (mils), effective radii, widths and outer edges
// (inches). The first zone's inner edge is its outer edge less its width.
struct MirrorZones {
    const double* data;
    const double* ideal;
    const double* zeff;
    const double* zwidth;
    const double* zouter; // null where no figure needs the edges
    int n;
    double rcurve; // inches
};

// A figure and the centre of curvature (mils) where it is least.
struct FigureAt {
    double coc;
    double value;
};

// The standard uncertainty of each figure.
struct FigureSpread {
    double pv;         // waves
    double rms;        // waves
    double strehl;
    double correction; // per cent
};

constexpr int kMaxFigureZones = 32767;
constexpr int kSpreadSamples = 1000;

constexpr FitStatus kBadFigureInput = -1;
constexpr FitStatus kNoFigureMemory = -3;

// A figure given in waves: false, for the faces' #NUM!, when the centre of
// curvature or value / wvl is not finite (inputs at the ends of the doubles).
bool figure_in_waves(const FigureAt& f, double wvl, FigureAt& out);

// Bytes of working memory that the figures of n zones need.
std::size_t figure_work_bytes(int n);

// 0, or kBadFigureInput: zone count outside 1..32767 (2.. with edges), a
// value that is not finite, a radius of curvature, effective radius or
// width not above 0, or outer edges that do not increase.
FitStatus check_mirror(const MirrorZones& m);

// The figure functions' checks: the mirror's, and a wavelength above 0
// (with standard uncertainties of 0 or more, for the spread).
FitStatus check_figure_call(const MirrorZones& m, double wvl);
FitStatus check_spread_call(const MirrorZones& m, const double* sem, double wvl);

// The n + 1 profile heights (inches) at centre of curvature coc (mils):
// each zone term formed exactly as the wavefront functions form it.
void profile_at(const MirrorZones& m, double coc, double* profile);

// Peak-to-valley over every profile point, least over all centres of
// curvature: exactly, by the upper and lower hulls of the points' lines.
FigureAt whole_mirror_pv(const MirrorZones& m, void* work);

// Area-weighted RMS (inches) of the profile, straight between its points,
// piston removed, least over all centres of curvature (closed form).
FigureAt whole_mirror_rms(const MirrorZones& m, void* work);

// exp(-(2 pi sigma)^2), sigma the RMS wavefront error in waves.
double strehl_ratio(double rms_waves);

// Least-squares slope s of reading = c + s paraboloid over the zones:
// 1 for a paraboloid, 0 for a sphere. NaN when the paraboloid's readings
// do not vary.
double correction_slope(const double* data, const double* ideal, int n);

// The correction in percent, 100 s, and the best-fit conic constant, 0 - s
// (so that a sphere's is 0, not -0); false for fewer than 2 zones or when
// either is not finite.
bool correction_figures(const double* data, const double* ideal, int n, double& percent, double& conic);

// The spread of each figure (standard deviation) when each zone's mean
// reading scatters by its standard uncertainty sem (mils): a Monte Carlo of
// kSpreadSamples with a fixed seed, the same bits on every platform.
FigureSpread figure_uncertainty(const MirrorZones& m, const double* sem, double wvl, void* work);

} // namespace pellux
