// Wavefront profile integrated from zonal knife-edge readings, its
// peak-to-valley height, and the centre of curvature that minimises it.
#pragma once

#include <cstdint>

#include "core/zones.h"

namespace pellux {

// Peak-to-valley height (inches) of the profile that the n zones imply for
// the paraxial centre of curvature coc (mils). 0 with status -1 (rcurve not
// positive) or -2 (a tolerance not positive). Allocates nothing.
double wavefront_pv(const double* data, const double* ideal, const double* tol, const double* zeff,
                    const double* zwidth, std::int16_t n, double rcurve, double coc,
                    FitStatus& status);

// Golden-section search for the centre of curvature (mils, written to coc)
// with the smallest peak-to-valley error; returns that error in wavelengths.
// The bracket is centred on minus the mean deviation of the last two zones
// and is four times the last zone's tolerance wide.
double best_coc_for_wfe(const double* data, const double* ideal, const double* tol,
                        const double* zeff, const double* zwidth, std::int16_t n, double rcurve,
                        double wvl, double fittol, double& coc, FitStatus& status,
                        int* passes = nullptr);

} // namespace pellux
