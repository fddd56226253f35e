// The per-zone loops of the two zonal functions, without any input check:
// the checked routines and the searches call them once the tolerances and
// the radius of curvature have been checked.
#pragma once

namespace pellux {

// Peak-to-valley height (inches) of the profile W_j = t_0 + ... + t_j, summed
// in zone order from +0, for n >= 1 zones.
double profile_pv(const double* data, const double* ideal, const double* zeff,
                  const double* zwidth, int n, double rcurve, double coc);

// Largest |((data - ideal) + coc) / tol| over n >= 1 zones, starting from +0;
// a quotient that is not a number is skipped.
double largest_abs_ta(const double* data, const double* ideal, const double* tol, int n,
                      double coc);

} // namespace pellux
