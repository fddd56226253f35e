// The mirror's wavefront from its zones' readings, out to the edge.
//
// A zone's reading minus the paraboloid's is the longitudinal aberration
// D (mils) of the rays at its effective radius h. The wavefront's slope is
// dW/dr = -(D + c) r / (1000 R^2), c the knife's centre of curvature (mils),
// so with u = r^2, dW/du = -(D + c) / (2000 R^2). D is a quadratic in u on
// each piece between the zones' effective radii, through the piece's two
// ends and a third zone: exact for every conic (D linear in u to first
// order) and for a term in r^6 (D quadratic). The third zone is the
// neighbour farther from the piece, which keeps the interpolation's noise
// gain small where zones crowd (two masks' readings together). Beyond the
// first and last zones the quadratic runs on to the centre and the edge,
// through zones spread at least as far apart as the distance it extends
// (linear, or constant, where too few are). The slope is integrated
// exactly: W is cubic in u on each piece. Area weighting r dr is uniform
// weighting in u.
#pragma once

namespace pellux {

// The pieces of one reconstruction: nodes u[0] = 0 < u[1] < ... < u[m] =
// the edge's u, and D at each node. m + 1 <= points. Built in caller memory.
struct Profile {
    double* u;      // inches^2
    double* d;      // mils, at each node
    double* d1;     // D's slope and half its curvature at each piece's start:
    double* d2;     // D(u[k] + t) = d[k] + d1[k] t + d2[k] t^2
    int nodes;      // m + 1
    double gain;    // 1 / (2000 R^2): inches of wavefront per mil per inch^2
};

// Doubles of memory a profile of n zones needs (its arrays and scratch).
int profile_doubles(int n);

// Builds the profile from n zones' effective radii (inches) and aberrations
// D (mils), over the disc of radius `edge` (inches), in `memory`
// (profile_doubles(n) doubles), using `order` (2 n ints) as scratch. Zones at
// one radius share the mean of their D. False when a radius is not above 0,
// lies beyond the edge, or any value is not finite.
bool build_profile(const double* zeff, const double* d, int n, double edge, double rcurve,
                   double* memory, int* order, Profile& p);

// Height (inches) at node k, at centre of curvature c, from 0 at the centre.
// heights[] gets all nodes' heights.
void profile_heights(const Profile& p, double c, double* heights);

// Height at any u, by the piece that holds it (heights from profile_heights).
double profile_height(const Profile& p, const double* heights, double c, double u);

struct Extent {
    double pv;      // inches
    double coc;     // mils
};

// The least peak-to-valley over all centres of curvature, the profile's
// maximum less its minimum over the whole disc (nodes and the pieces'
// turning points). It is convex in c; bisection on the sign of its slope,
// -gain (u at the maximum - u at the minimum), runs until the P-V is within
// `tolerance` inches of its least. `heights` is scratch of 2 nodes doubles.
constexpr double kExactPv = 1e-15;   // 5e-11 wave at 550 nm: the figures
constexpr double kSampledPv = 1e-11; // 5e-7 wave: the uncertainty's samples
Extent least_pv(const Profile& p, double* heights, double tolerance = kExactPv);

// The least area-weighted RMS (inches) over piston and centre of curvature,
// in closed form, and its centre of curvature. `heights` is scratch.
Extent least_rms(const Profile& p, double* heights);

// The heights (inches) at each of `count` values of u with piston and the
// least-RMS refocus removed: the shape of the mirror that the RMS measures.
void refocused_profile(const Profile& p, double* heights, const double* u, int count, double* out);

} // namespace pellux
