// Readings from photographs of the Foucault test: the mirror found in each
// picture, lighting evened out by the series itself, the balance of the
// left and right halves of a ring at any radius, and each zone's null, the
// knife position where its balance crosses zero, with its uncertainty.
#pragma once

#include <cstddef>

namespace pellux {

// Grey levels, row by row from the top.
struct Picture {
    const unsigned char* grey;
    int width, height;
};

// The mirror's disc in a picture (pixels, x right, y down).
struct Disc {
    double x, y, radius;
    bool found;
};

// A circle fitted to the lit rim of the mirror: the outermost bright pixel
// along rays from `hint`'s centre (or the picture's bright centroid when not
// found), outliers set aside.
Disc find_disc(const Picture& p, Disc hint);

// The mirror behind a Couder mask, whose windows come in pairs turned half
// a turn about the centre: the centre is the lit windows' centroid, the
// radius the outermost window's outer edge over `reach`, that edge as a
// fraction of the mirror's radius.
Disc find_masked_disc(const Picture& p, double reach);

// The series as the analysis takes it. Knife positions are readings
// (larger farther from the mirror), one a picture.
struct PhotoSeries {
    const Picture* pictures;
    const double* knife;
    int count;
    bool knife_from_left; // the blade enters from the left of the picture
    double angle;         // degrees the camera is turned: the knife's edge away from vertical
    double band;          // degrees either side of the horizontal diameter measured
    double mask_reach;    // through a Couder mask: its outermost window's outer edge,
                          // fraction of the radius; 0 without a mask
};

// The grid every picture is resampled on, the mirror's disc fitting it.
constexpr int kPhotoGrid = 160;

std::size_t photo_bytes(int count);

// Why a series cannot be measured, or kPhotoOk.
// kPhotoUnswept: the lighting the series shows varies more than fourfold
// across the mirror, so the outer zones never swung across the knife (the
// knife not carried past their nulls) and its shadow would pass for light.
enum PhotoStatus { kPhotoOk = 0, kPhotoTooFew, kPhotoNoMirror, kPhotoSizes, kPhotoUnswept };

// Finds each picture's disc (into discs[count]) and resamples the series
// onto the grid, each picture divided by the series' flat field (the
// brightest any picture shows each point). Through a mask, every picture of
// the first's size takes the disc the series' brightest shows, and only the
// windows' light is measured. `bad` gets the picture (from 0)
// a failure names.
PhotoStatus prepare_series(const PhotoSeries& s, void* work, Disc* discs, int& bad);

// The half width of the ring a zone is measured on, fraction of the
// radius: narrow, at its effective radius, since the whole zone's null lies
// up to r1^2/8R from that radius's.
constexpr double kPhotoRing = 0.02;

// The balance (left - right) / (left + right) of the ring from `inner` to
// `outer` (fractions of the radius) in picture k of a prepared series, the
// knife's side counted: + before the ring's null, - beyond it. Through a
// mask only the windows count, whatever the band.
double ring_balance(const PhotoSeries& s, const void* work, int k, double inner, double outer);

struct Null {
    double reading;     // the knife position where the balance crosses zero
    double spread;      // its standard uncertainty
    bool found;         // false when the series does not bracket the null
};

// The null of the ring from `inner` to `outer` over the prepared series; `systematic` is added in
// quadrature to the fit's own uncertainty (diffraction, lighting).
Null zone_null(const PhotoSeries& s, const void* work, double inner, double outer, double systematic);

} // namespace pellux
