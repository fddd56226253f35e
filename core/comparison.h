// Two test sessions of one mirror compared: each figure's change with its
// standard uncertainty from both sessions, the change of the mirror's shape
// point by point, and whether each exceeds its noise.
//
// A change is real when it exceeds kRealChange times its standard
// uncertainty: two sessions of an unchanged mirror call a figure changed
// about 5 % of the time. Sessions read through different masks compare
// through the reconstruction, on a common grid of radii.
#pragma once

#include <cstddef>

#include "core/mirror_figures.h"

namespace pellux {

constexpr double kRealChange = 2.0;
constexpr int kComparePoints = 41;

struct Change {
    double before, after;   // the figure in each session
    double before_spread, after_spread; // their standard uncertainties
    double change, spread;  // after - before, and its standard uncertainty
    bool real;              // |change| > kRealChange spread
};

struct Comparison {
    Change pv, rms, strehl, correction; // P-V, RMS, Strehl ratio less noise's bias; correction (%)
    double radius[kComparePoints];      // from the centre to the edge (inches)
    double before[kComparePoints], after[kComparePoints]; // the shapes (waves)
    double difference[kComparePoints], band[kComparePoints]; // after - before, its standard uncertainty
    int real_points;                    // where the difference exceeds kRealChange band
};

std::size_t comparison_bytes(int zones_a, int runs_a, int zones_b, int runs_b);

// False when either session does not reduce, or their mirrors' edges differ.
bool compare_sessions(const MirrorCall& a, const MirrorCall& b, void* work, Comparison& out);

} // namespace pellux
