// Inside the figures: the working arrays carved from the caller's block, and
// the figures of one set of readings, which the uncertainty samples.
#pragma once

#include <cstdint>

#include "core/figures.h"

namespace pellux {

struct FigureWork {
    double* a;       // n + 1 profile heights at centre of curvature 0
    double* b;       // and their change per mil
    double* profile; // n + 1 heights at one centre of curvature
    double* edges;   // n + 1 radii of the profile's points
    double* data;    // n scattered readings
    std::int32_t* upper;
    std::int32_t* lower;
};

FigureWork figure_work(void* block, int n);

// The four figures of the readings `data` in place of the mean readings.
FigureSpread sample_figures(const MirrorZones& m, const double* data, double wvl,
                            const FigureWork& w);

FigureSpread sample_spread(const MirrorZones& m, const double* sem, double wvl,
                           const FigureWork& w);

} // namespace pellux
