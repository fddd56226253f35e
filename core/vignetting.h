// Light loss at the edge of the field of a centrally obstructed reflector.
#pragma once

namespace pellux {

// The light that reaches the edge of the field relative to the centre of the
// field, in stellar magnitudes: 0 for none lost, negative for a loss,
// -999.9 when no light arrives. D, N, F, L in inches, dstop in millimetres.
double vignetting_magnitudes(double D, double N, double F, double L, double dstop);

constexpr double kNoLightMagnitudes = -999.9;

} // namespace pellux
