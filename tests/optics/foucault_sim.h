// A Foucault tester of the tests' own, independent of the core: exact
// readings of a known surface by ray geometry, noisy runs, and the true
// whole-aperture figures of the surface.
#pragma once

#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace sim {

// Sag z(h) and slope z'(h) (inches) of a conic of radius R and conic
// constant K, plus a perturbation of the surface.
struct Surface {
    double radius; // paraxial radius of curvature
    double conic;
    double edge; // the mirror's radius
    std::function<double(double)> bump = [](double) { return 0.0; };
    std::function<double(double)> bump_slope = [](double) { return 0.0; };

    double sag(double h) const
    {
        return h * h / (radius + std::sqrt(radius * radius - (1 + conic) * h * h)) + bump(h);
    }
    double slope(double h) const
    {
        return h / std::sqrt(radius * radius - (1 + conic) * h * h) + bump_slope(h);
    }
};

enum class Tester { Fixed, Moving };

// The knife's reading (inches, from the paraxial centre of curvature,
// larger farther from the mirror) at the null of rays from radius h. Moving
// source: the normal's crossing of the axis. Fixed source on the axis at the
// paraxial centre: where the reflected ray crosses the axis.
inline double reading(const Surface& s, double h, Tester t)
{
    const double z = s.sag(h), zp = s.slope(h);
    if (t == Tester::Moving)
        return z + h / zp - s.radius;
    // Incoming ray from (0, R) to (h, z); unit normal (-z', 1) / |.|.
    const double vx = h, vz = z - s.radius;
    const double norm = std::sqrt(zp * zp + 1);
    const double nx = -zp / norm, nz = 1 / norm;
    const double dot = vx * nx + vz * nz;
    const double rx = vx - 2 * dot * nx, rz = vz - 2 * dot * nz;
    return z + (-h / rx) * rz - s.radius;
}

// The reading as the add-in takes it (mils, a moving source's doubled).
inline double reading_mils(const Surface& s, double h, Tester t)
{
    return reading(s, h, t) * 1000 * (t == Tester::Moving ? 2 : 1);
}

enum class Rule { Mean, Rms, Carlin };

inline double effective_radius(double r1, double r2, Rule rule)
{
    const double mean = (r1 + r2) / 2, rms = std::sqrt((r1 * r1 + r2 * r2) / 2);
    return rule == Rule::Mean ? mean : rule == Rule::Rms ? rms : (mean + rms) / 2;
}

inline std::vector<double> equal_area_edges(double edge, int zones)
{
    std::vector<double> e(zones + 1);
    for (int k = 0; k <= zones; ++k)
        e[k] = edge * std::sqrt(static_cast<double>(k) / zones);
    return e;
}

struct Truth {
    double pv, rms; // waves, wavefront (twice the surface), refocus and piston free
};

// The surface's departure from the paraboloid of its paraxial radius, as a
// wavefront, on a fine grid uniform in u = h^2 (uniform area), then the
// least P-V over refocus (golden section, to 1e-12 of the range) and the
// least RMS (least squares on the grid).
inline Truth truth(const Surface& s, double wavelength, int grid = 40000)
{
    const double big = s.edge * s.edge;
    std::vector<double> u(grid + 1), w(grid + 1);
    for (int k = 0; k <= grid; ++k) {
        u[k] = big * k / grid;
        const double h = std::sqrt(u[k]);
        w[k] = 2 * (s.sag(h) - u[k] / (2 * s.radius)) / wavelength;
    }
    auto pv = [&](double c) {
        double lo = INFINITY, hi = -INFINITY;
        for (int k = 0; k <= grid; ++k) {
            const double v = w[k] - c * u[k];
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        return hi - lo;
    };
    double lo = -1e3, hi = 1e3;
    for (double span = INFINITY; span > 1e-13;) {
        const double a = lo + (hi - lo) * 0.381966, b = hi - (hi - lo) * 0.381966;
        (pv(a) < pv(b) ? hi : lo) = pv(a) < pv(b) ? b : a;
        span = hi - lo;
    }
    // Trapezoid weights; regression on 1 and u.
    double sw = 0, su = 0, suu = 0, sy = 0, suy = 0;
    for (int k = 0; k <= grid; ++k) {
        const double wt = (k == 0 || k == grid) ? 0.5 : 1.0;
        sw += wt;
        su += wt * u[k];
        suu += wt * u[k] * u[k];
        sy += wt * w[k];
        suy += wt * u[k] * w[k];
    }
    const double slope = (suy - su * sy / sw) / (suu - su * su / sw);
    const double icept = (sy - slope * su) / sw;
    double ss = 0;
    for (int k = 0; k <= grid; ++k) {
        const double wt = (k == 0 || k == grid) ? 0.5 : 1.0;
        const double e = w[k] - icept - slope * u[k];
        ss += wt * e * e;
    }
    return {pv((lo + hi) / 2), std::sqrt(ss / sw)};
}

// Zones as the reduction takes them: effective radii (inches), the
// paraboloid's readings 1000 h^2 / R and the surface's exact readings (mils).
struct Zones {
    std::vector<double> zeff, ideal, exact;
};

inline Zones zones_of(const Surface& s, const std::vector<double>& inner, const std::vector<double>& outer,
                      Rule rule, Tester t)
{
    Zones z;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const double h = effective_radius(inner[i], outer[i], rule);
        z.zeff.push_back(h);
        z.ideal.push_back(1000 * h * h / s.radius);
        z.exact.push_back(reading_mils(s, h, t));
    }
    return z;
}

inline Zones equal_area_zones(const Surface& s, int count, Rule rule, Tester t)
{
    const std::vector<double> e = equal_area_edges(s.edge, count);
    return zones_of(s, std::vector<double>(e.begin(), e.end() - 1), std::vector<double>(e.begin() + 1, e.end()),
                    rule, t);
}

// A smooth turned edge of depth `depth` (surface, inches) from radius `from`.
inline void turn_edge(Surface& s, double from, double depth)
{
    const double span = s.edge - from;
    s.bump = [=](double h) { return h <= from ? 0.0 : -depth * std::pow((h - from) / span, 2); };
    s.bump_slope = [=](double h) { return h <= from ? 0.0 : -2 * depth * (h - from) / (span * span); };
}

// A smooth bump (surface, inches) of height `height` and half width `width`
// at radius `at`: a raised cosine.
inline void raise_bump(Surface& s, double at, double width, double height)
{
    const double pi = 3.141592653589793;
    s.bump = [=](double h) {
        const double x = (h - at) / width;
        return std::fabs(x) >= 1 ? 0.0 : height * 0.5 * (1 + std::cos(pi * x));
    };
    s.bump_slope = [=](double h) {
        const double x = (h - at) / width;
        return std::fabs(x) >= 1 ? 0.0 : -height * 0.5 * pi / width * std::sin(pi * x);
    };
}

} // namespace sim
