// A zone's value from its runs, with each run's own offset removed.
//
// reading(zone i, run k) = m_i + o_k + noise. The tester's zero moving, or
// the centre of curvature drifting, between runs is o_k: a refocus, which
// changes no figure, so it is fitted and removed before the scatter is
// measured. Least squares over the readings present, by alternating means.
#pragma once

namespace pellux {

// Readings (mils) of `zones` x `runs`, element (i, k) at
// readings[i * zone_stride + k * run_stride]; NaN where none was taken.
struct RunBlock {
    const double* readings;
    int zones, runs;
    int zone_stride, run_stride;
};

struct RunFit {
    double rss;     // sum of squared residuals, mils^2
    int dof;        // readings less zones less (runs with a reading - 1)
};

// Each zone's value m (mils) and reading count into `value` and `count`,
// each run's offset into `offset` (2 x runs doubles, the second half
// scratch; mean 0 over the runs that have a reading). Count 0 gives a value of NaN.
RunFit fit_runs(const RunBlock& b, double* value, int* count, double* offset);

} // namespace pellux
