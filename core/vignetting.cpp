#include "core/vignetting.h"

#include <cmath>

#include "core/elementary.h"

namespace pellux {

namespace {

// Area of a circular segment over r^2, for the cosine of its half-angle.
double segment(double cosine)
{
    return pellux::acos(cosine) - std::sqrt(1.0 - cosine * cosine) * cosine;
}

} // namespace

double vignetting_magnitudes(double D, double N, double F, double L, double dstop)
{
    // Seen from the edge of the field, the secondary projects onto the
    // primary as a circle of radius rs whose centre is shifted by d.
    const double rs = ((N / L) * F) * 0.5;
    const double h = (dstop / 25.4) * 0.5;
    const double rp = D * 0.5;
    const double d = (F / L - 1.0) * h;

    if (std::fabs(rp - rs) >= d)
        return pellux::log10(1.0) * 2.5; // one circle inside the other
    if (!(rs + rp > d))
        return kNoLightMagnitudes;

    // Overlap of the two circles as segments of each, relative to the
    // smaller circle's area: the light the edge of the field receives over
    // what the centre of the field receives.
    const double e = ((rs * rs + d * d) - rp * rp) / ((rs + rs) * d);
    const double x = ((rp * rp + d * d) - rs * rs) / ((rp + rp) * d);
    const double q = (rs / rp) * (rs / rp);
    double ts = segment(e);
    double tp = segment(x);
    if (1.0 > q)
        tp = tp / q;
    else
        ts = ts * q;
    const double m = (ts + tp) / kPi;
    return m > 0 ? pellux::log10(m) * 2.5 : kNoLightMagnitudes;
}

} // namespace pellux
