// Simulated tests of a mirror: the Foucault knife-edge in wave optics and
// the Ronchi grating by geometric rays, as the tester sees the mirror.
//
// Conventions: lengths in inches; a knife position or grating offset is a
// reading from the paraxial centre of curvature (0 there), larger farther
// from the mirror; a fixed source sits on the axis at the paraxial centre
// of curvature, a moving one travels with the knife or grating; the knife
// blade enters from the right of the picture.
#pragma once

#include <cstddef>

#include "core/mask_layout.h"
#include "core/reconstruction.h"

namespace pellux {

// A conic (radius of curvature R at the vertex, conic constant K), or a
// paraboloid plus half of a reconstructed wavefront (profile, at centre of
// curvature 0), with an optional central obstruction.
struct SimMirror {
    double diameter;
    double rcurve;
    double conic;             // unused with a profile
    double obstruction;       // diameter, 0 for none
    const Profile* profile;   // null for a conic
    const double* heights;    // the profile's heights at centre of curvature 0
};

// Sag z(r) and slope dz/dr of the mirror's surface (vertex at 0, the centre
// of curvature at +R).
void surface(const SimMirror& m, double r, double& sag, double& slope);

struct SimTester {
    bool moving_source;
    double wavelength;      // inches
    double source_width;    // 0: a point; else a pinhole or a slit this wide
    bool slit;              // a slit (uniform across), else a round pinhole
};

// The largest picture the simulations compute at full resolution; a larger
// one is sampled from it.
constexpr int kSimGrid = 256;
constexpr int kMinPicture = 64;
constexpr int kMaxPicture = 4096;

// Bytes of working memory a picture of `size` pixels needs.
std::size_t simulation_bytes(int size);

// False for a mirror or tester that cannot be simulated (sizes, lengths or
// wavelength not above 0, an obstruction as wide as the mirror, a conic that
// does not reach the edge, a picture outside kMinPicture..kMaxPicture).
bool simulation_ok(const SimMirror& m, const SimTester& t, int size);

// The Foucaultgram with the knife at `knife`: size x size grey levels 0..255
// (a mirror lit evenly without the knife is 255), row by row from the top,
// the mirror filling the picture, black outside it.
void foucaultgram(const SimMirror& m, const SimTester& t, double knife, int size, unsigned char* out,
                  void* work);

// A Couder mask before the mirror, its windows in millimetres as
// mask_windows lays them: the light passes them on the way to the mirror
// and again on the way back.
struct SimMask {
    const MaskWindow* windows;
    int openings;
};

// Whether a point of the mirror (inches, y up) lies in one of the windows.
bool in_mask_window(const SimMask& mask, double x, double y);

// The Foucaultgram through a mask.
void foucaultgram(const SimMirror& m, const SimTester& t, const SimMask& mask, double knife, int size,
                  unsigned char* out, void* work);

// The knife's reading at the null of the rays from radius h, by geometric
// rays: a moving source's normal crossing, a fixed one's reflected crossing.
double geometric_reading(const SimMirror& m, const SimTester& t, double h);

// The Ronchigram with a grating of `lines_per_inch` at `offset`: lines
// parallel to the knife's edge, light where the ray passes between them.
void ronchigram(const SimMirror& m, const SimTester& t, double lines_per_inch, double offset, int size,
                unsigned char* out);

} // namespace pellux
