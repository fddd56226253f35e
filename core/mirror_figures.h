// The whole mirror's figures from its zones' runs, each with its
// uncertainty, the verdicts' probabilities and what the readings cannot
// see: one call for every face.
//
// The runs are fitted zone by zone with each run's offset removed (runs.h);
// the scatter of one reading combines the typed reading uncertainty, a
// prior worth kPriorDof degrees of freedom, with the residuals' own:
// s^2 = (kPriorDof s0^2 + RSS) / (kPriorDof + dof). The profile is the
// reconstruction (reconstruction.h) out to the edge. A Monte Carlo of
// kMirrorSamples draws each zone's value about its fit with s / sqrt(runs),
// s itself drawn from its scaled inverse chi-square, so that few degrees
// of freedom widen the spread as Student's t does.
//
// A moving source's reading, doubled, is where the zone's normals cross the
// axis, exactly what the slope needs. A fixed source's is where its
// reflected rays cross, twice as far to first order only: at f/4 the rest
// moves a figure by about 1 %. Its readings are turned into the normals'
// crossings exactly, by the bisector of the rays to the source and to the
// knife, with the paraxial centre of curvature where the profile's
// reading at the centre lies.
//
// Noise raises a P-V and an RMS: each sample lies further from the truth's
// shape than the readings. The basic bootstrap takes that bias off: P-V
// less bias = 2 P-V - mean of samples (at least 0), RMS less bias in
// squares. A verdict's probability is the fraction of the samples,
// reflected the same way, that meet it.
#pragma once

#include <cstddef>

#include "core/reconstruction.h"
#include "core/runs.h"

namespace pellux {

constexpr int kMaxMirrorZones = 1000;
constexpr int kMaxMirrorRuns = 100;
constexpr int kPriorDof = 4;
// The Monte Carlo's retests: enough for a spread to about 3 % and a
// probability to about 0.02, few enough to follow every keystroke.
constexpr int kMirrorSamples = 500;

struct MirrorCall {
    RunBlock runs;          // mils, tester factor applied; NaN where blank
    const double* zeff;     // effective radii (inches), per zone, any order
    bool fixed_source;      // else a moving source
    double edge;            // the mirror's radius (inches)
    double rcurve;          // inches
    double wvl;             // inches
    double reading_sigma;   // one reading's typed uncertainty (mils), above 0
};

// In the order the worksheet function returns them.
struct MirrorFigures {
    double pv, pv_coc, rms, rms_coc, strehl, correction, conic;     // waves, mils, %
    double pv_spread, rms_spread, strehl_spread, correction_spread; // standard uncertainties
    double pv_unbiased, rms_unbiased, strehl_unbiased;              // less noise's bias
    double p_quarter_wave;  // probability that the P-V is within 1/4 wave
    double p_strehl;        // probability that the Strehl ratio is 0.8 or more
    double scatter;         // one reading's standard uncertainty used (mils)
    double first_zeff, last_zeff; // the radii the readings cover (inches)
    double edge_unmeasured; // the band beyond the last effective radius, fraction of the radius
    double centre_share;    // the P-V's part that goes without the innermost zone, 0..1
};

constexpr int kMirrorFigureCount = 21;

// 0, or kBadFigureInput (figures.h): zones outside 2..kMaxMirrorZones,
// runs outside 1..kMaxMirrorRuns, a zone without a reading, a reading that
// is infinite, an effective radius not above
// 0 or beyond the edge, or an edge, radius of curvature, wavelength or
// reading uncertainty not above 0.
int check_mirror_call(const MirrorCall& c);

std::size_t mirror_figure_bytes(int zones, int runs);

// False when a figure is not finite (inputs at the ends of the doubles).
bool mirror_figures(const MirrorCall& c, void* work, MirrorFigures& out);

// The worksheet's rule for a block of runs: `present` has the runs' shape;
// the effective radii are one column of as many rows as the runs (zones
// down the rows, runs across) or else one row of as many columns (zones
// across). Fills b's counts and strides; false for any other shape, or
// more zones or runs than the figures take.
struct BlockShape {
    int rows, columns;
};
bool runs_layout(BlockShape runs, BlockShape present, BlockShape zeff, RunBlock& b);

// The readings where `present` is not 0, NaN elsewhere, into `out`.
void mark_blanks(const double* runs, const double* present, int count, double* out);

// The tester from its factor, as the worksheet passes it: 1 for a fixed
// source, 2 for a moving one; false for anything else.
bool tester_from_factor(double factor, bool& fixed_source);

// The figures and what the readings cover, without the Monte Carlo: the
// spreads, the figures less bias and the probabilities stay 0.
bool mirror_shape(const MirrorCall& c, void* work, MirrorFigures& out);

// The reconstructed wavefront of the fitted runs (a fixed source's turned
// into a moving source's), for the simulations: built in `work`, valid
// while it lives, with the aberration at the centre taken off so that its
// paraxial centre of curvature is R's. `centre` gets that aberration, the
// reading of the paraxial centre of curvature (mils, as the runs). False as
// mirror_shape would be.
bool mirror_profile(const MirrorCall& c, void* work, Profile& p, double& centre);

// The mirror's shape (waves, piston and the least-RMS refocus removed) at
// `count` values of u (radius squared, inches^2), and each point's
// standard uncertainty over the same retests as the figures' (about the
// readings' shape). `scratch` holds `count` doubles.
bool profile_spread(const MirrorCall& c, void* work, const double* u, int count, double* shape, double* spread,
                    double* scratch);

// The figures as the worksheet's column.
void mirror_figure_column(const MirrorFigures& f, double* column);

} // namespace pellux
