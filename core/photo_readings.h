// A zone's reading from a series of photographs, diffraction taken off.
//
// The balance of a ring's halves crosses zero at its geometric null only in
// geometric optics: the knife's edge diffracts, and a pinhole's image,
// wider than the inner zones' rays move, smears. So the series is measured
// twice: first as it is; then the mirror those readings reconstruct is
// simulated (core/simulation.h) at the same knife positions, with the same
// pinhole (and mask), and measured the same way, and what its measurement
// misses its own geometric readings by is taken off the first. That is done
// twice, the second time on the mirror the first correction reconstructs.
// A zone whose simulated null the series does not reach takes its nearest
// neighbour's correction, all of it as uncertainty.
#pragma once

#include <cstddef>

#include "core/photo.h"
#include "core/simulation.h"

namespace pellux {

struct PhotoMirror {
    double diameter, rcurve;  // inches
    bool moving_source;
    double wavelength;        // inches
    double pinhole;           // the source's width, inches
    SimMask mask;             // the Couder mask the pictures are taken through, if any
};

// The method's own uncertainty, added to each fit's: what the correction
// leaves (lighting, the pinhole's shape), measured on simulated series.
constexpr double kPhotoSystematic = 0.0004; // inches

struct PhotoZone {
    double rho;      // effective radius, fraction of the mirror's radius
    double inner, outer; // the ring measured, rho -+ kPhotoRing
    Null null;       // the reading (inches, the knife's own scale) and its uncertainty,
                     // half the diffraction correction in it
    double shift;    // what diffraction moved it by, taken off
};

// The zone at effective radius rho (fraction of the radius), measured on
// the thin ring about it.
PhotoZone photo_zone(double rho);

// A Couder mask whose openings are the zones [inner[k], outer[k]] (any one
// unit, per_inch of it an inch; `edge` the mirror's radius in it): its
// windows, in millimetres as pellux-mask lays them, into out[count]; and
// how far out the outermost reaches, a fraction of the radius.
double zone_mask(const double* inner, const double* outer, int count, double edge, double per_inch, MaskWindow* out);

std::size_t photo_readings_bytes(int pictures, int zones);

// Every zone's reading from a prepared series (prepare_series). False when
// fewer than two zones are bracketed, or no zone's simulated null is (no
// mirror to simulate): the raw nulls stand then, uncorrected.
bool photo_readings(const PhotoSeries& s, const void* prepared, const PhotoMirror& m, PhotoZone* zones, int count,
                    void* work);

} // namespace pellux
