// Couder mask zones: equal-area edges over the annulus between a central
// obstruction and the mirror's edge, the zone count to suggest, and the
// check that every opening is wide enough to cut.
#pragma once

namespace pellux {

constexpr int kMaxMaskZones = 100;

// r_k = sqrt(r0^2 + k/N (R^2 - r0^2)), k = 0..N, into edges[0..N] (any
// unit); r_0 and r_N are r0 and R themselves.
void equal_area_edges(double r0, double R, int zones, double* edges);

// `zones` equal-area zones from r0 out to R - width, then an edge zone of
// that width: zones + 2 edges. Its effective radius lies within width / 2 of
// the edge, where equal-area zones leave a band unmeasured.
void edge_zone_edges(double r0, double R, int zones, double width, double* edges);

// The second mask of a pair: its edges halve the area of each opening of
// the first (edges[0..openings]), so that its openings straddle the first's
// edges and the two masks' readings interleave. openings + 2 edges into
// out: the first's inner and outer ends, and the openings' area midpoints.
void straddling_edges(const double* edges, int openings, double* out);

// About one zone per inch of diameter less one, odd preferred (an even
// count goes up by one), at least 3.
int suggested_zones(double diameter_inches);

// The first of the openings inner[k]..outer[k] (counted from 1) narrower
// than min_width, or 0. Equal-area zones: inner = edges, outer = edges + 1.
int first_narrow_opening(const double* inner, const double* outer, int zones, double min_width);

} // namespace pellux
