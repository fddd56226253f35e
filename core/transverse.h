// Transverse aberration of the zones in multiples of their Rayleigh
// tolerances, and the centre of curvature that minimises its largest value.
#pragma once

#include <cstdint>

#include "core/zones.h"

namespace pellux {

// Largest |((data - ideal) + coc) / tol| over the n zones; 0 with status -1
// when a tolerance is not positive.
double max_abs_ta(const double* data, const double* ideal, const double* tol, std::int16_t n,
                  double coc, FitStatus& status);

// Golden-section search for the centre of curvature (mils, written to coc)
// at which max_abs_ta is smallest; returns that smallest value. The bracket
// runs from minus the largest to minus the smallest reading deviation.
// passes, when given, receives the number of narrowing passes.
double best_coc_for_ta(const double* data, const double* ideal, const double* tol, std::int16_t n,
                       double fittol, double& coc, FitStatus& status, int* passes = nullptr);

} // namespace pellux
