// The mirror's surface for the simulations, and the Ronchigram.
#include "core/simulation.h"

#include <cmath>

namespace pellux {

void surface(const SimMirror& m, double r, double& sag, double& slope)
{
    if (m.profile == nullptr) {
        const double root = std::sqrt(m.rcurve * m.rcurve - (1 + m.conic) * r * r);
        sag = r * r / (m.rcurve + root);
        slope = r / root;
        return;
    }
    // A paraboloid, and half the wavefront (the surface's share); dW/du =
    // -gain D(u).
    const Profile& p = *m.profile;
    const double u = r * r;
    int k = 0;
    while (k + 2 < p.nodes && p.u[k + 1] <= u)
        ++k;
    const double t = u - p.u[k];
    const double d = p.d[k] + t * (p.d1[k] + t * p.d2[k]);
    sag = u / (2 * m.rcurve) + profile_height(p, m.heights, 0.0, u) / 2;
    slope = r / m.rcurve + r * (-p.gain * d);
}

bool simulation_ok(const SimMirror& m, const SimTester& t, int size)
{
    const double edge = m.diameter / 2;
    const bool lengths = m.diameter > 0 && std::isfinite(m.diameter) && m.rcurve > edge && std::isfinite(m.rcurve) &&
                         m.obstruction >= 0 && m.obstruction < m.diameter;
    const bool conic = m.profile != nullptr || (std::isfinite(m.conic) && m.rcurve * m.rcurve - (1 + m.conic) * edge * edge > 0);
    const bool tester = t.wavelength > 0 && std::isfinite(t.wavelength) && t.source_width >= 0 &&
                        std::isfinite(t.source_width);
    return lengths && conic && tester && size >= kMinPicture && size <= kMaxPicture;
}

namespace {

// Where the ray from the source, reflected at (x, y), crosses the plane at
// axial distance `plane` from the vertex: its lateral x.
double crossing_x(const SimMirror& m, double source, double x, double y, double plane)
{
    const double r = std::sqrt(x * x + y * y);
    double z = 0, dz = 0;
    surface(m, r, z, dz);
    // Unit normal (-dz x/r, -dz y/r, 1) / |.|, towards the centre of curvature.
    const double gx = r > 0 ? dz * x / r : 0.0, gy = r > 0 ? dz * y / r : 0.0;
    const double norm = std::sqrt(gx * gx + gy * gy + 1);
    const double nx = -gx / norm, ny = -gy / norm, nz = 1 / norm;
    // From the source on the axis to the mirror, reflected; only its x and
    // z parts are wanted.
    const double dot = x * nx + y * ny + (z - source) * nz;
    const double vx = x - 2 * dot * nx, vz = (z - source) - 2 * dot * nz;
    return x + (plane - z) / vz * vx;
}

} // namespace

double geometric_reading(const SimMirror& m, const SimTester& t, double h)
{
    double z = 0, dz = 0;
    surface(m, h, z, dz);
    if (t.moving_source) // where the normal crosses the axis
        return z + h / dz - m.rcurve;
    // Where the ray from the source at R crosses the axis after reflection:
    // the plane z = R + x where the reflected ray's lateral position is 0.
    const double norm = std::sqrt(dz * dz + 1);
    const double nx = -dz / norm, nz = 1 / norm;
    double vx = h, vz = z - m.rcurve;
    const double dot = vx * nx + vz * nz;
    vx = vx - 2 * dot * nx;
    vz = vz - 2 * dot * nz;
    return z + (-h / vx) * vz - m.rcurve;
}

void ronchigram(const SimMirror& m, const SimTester& t, double lines_per_inch, double offset, int size,
                unsigned char* out)
{
    const double edge = m.diameter / 2, inner = m.obstruction / 2;
    const double plane = m.rcurve + offset;
    const double source = t.moving_source ? plane : m.rcurve;
    const double pixel = m.diameter / size;
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            // Two by two samples a pixel.
            int light = 0;
            for (int s = 0; s < 4; ++s) {
                const double x = (col + 0.25 + 0.5 * (s & 1)) * pixel - edge;
                const double y = edge - (row + 0.25 + 0.5 * (s >> 1)) * pixel;
                const double r2 = x * x + y * y;
                if (r2 > edge * edge || r2 < inner * inner)
                    continue;
                const double phase = crossing_x(m, source, x, y, plane) * lines_per_inch;
                light += phase - std::floor(phase) < 0.5;
            }
            out[row * size + col] = static_cast<unsigned char>(light * 255 / 4);
        }
}

} // namespace pellux
