// The Foucaultgram in wave optics. The pupil carries the phase of the exact
// optical path from the source, via the mirror, to the knife's point; a
// Fourier transform carries it to the knife's plane, the knife's half-plane
// cuts it there, and the inverse transform brings it back to the pupil,
// which the eye behind the knife sees. A source of some width is the
// incoherent sum of its points, each shifting the pattern across the knife.
#include <cmath>

#include <algorithm>

#include "core/elementary.h"
#include "core/fft.h"
#include "core/simulation.h"

namespace pellux {

namespace {

// The pupil's grid: a power of two no larger than the picture or kSimGrid,
// padded twice over for the transform.
int pupil_grid(int size)
{
    int n = 64;
    while (n * 2 <= size && n * 2 <= kSimGrid)
        n *= 2;
    return n;
}

struct Grid {
    int n, m;          // pupil samples across the mirror, transform length
    double* re;        // m x m
    double* im;
    double* table;     // m
    double* row_re;    // m
    double* row_im;
    double* light;     // n x n
};

Grid carve(void* block, int size)
{
    Grid g{};
    g.n = pupil_grid(size);
    g.m = 2 * g.n;
    const std::size_t mm = static_cast<std::size_t>(g.m) * g.m;
    auto* d = static_cast<double*>(block);
    g.re = d;
    g.im = d + mm;
    g.table = d + 2 * mm;
    g.row_re = g.table + g.m;
    g.row_im = g.row_re + g.m;
    g.light = g.row_im + g.m;
    return g;
}

// |P - Q| - |Q| for Q on the axis at q, P = (r, z): without cancellation.
double path_beyond(double r2, double z, double q)
{
    const double d = std::sqrt(r2 + (z - q) * (z - q));
    return (r2 + z * z - 2 * z * q) / (d + q);
}

// The pupil's field: the phase of the path source - mirror - knife point,
// in turns, over the mirror's samples; 0 outside.
void pupil(const SimMirror& m, const SimTester& t, const SimMask& mask, double knife, const Grid& g)
{
    const double edge = m.diameter / 2, inner = m.obstruction / 2, pixel = m.diameter / g.n;
    const double k = m.rcurve + knife, s = t.moving_source ? k : m.rcurve;
    for (int i = 0; i < g.m * g.m; ++i)
        g.re[i] = g.im[i] = 0.0;
    for (int row = 0; row < g.n; ++row)
        for (int col = 0; col < g.n; ++col) {
            const double x = (col + 0.5) * pixel - edge, y = edge - (row + 0.5) * pixel;
            const double r2 = x * x + y * y;
            if (r2 > edge * edge || r2 < inner * inner || (mask.openings > 0 && !in_mask_window(mask, x, y)))
                continue;
            double z = 0, slope = 0;
            surface(m, std::sqrt(r2), z, slope);
            const double path = path_beyond(r2, z, s) + path_beyond(r2, z, k);
            sin_cos_turns(path / t.wavelength, g.im[row * g.m + col], g.re[row * g.m + col]);
        }
}

} // namespace

std::size_t simulation_bytes(int size)
{
    const int n = pupil_grid(size), m = 2 * n;
    return sizeof(double) * (2 * static_cast<std::size_t>(m) * m + 3 * static_cast<std::size_t>(m) +
                             static_cast<std::size_t>(n) * n);
}

bool in_mask_window(const SimMask& mask, double x, double y)
{
    // The left windows are the right ones turned half a turn.
    double u = x * 25.4, v = y * 25.4;
    if (u < 0)
        u = -u, v = -v;
    const double r2 = u * u + v * v;
    for (int k = 0; k < mask.openings; ++k) {
        const MaskWindow& w = mask.windows[k];
        const double h = w.up * v;
        if (h >= w.y0 && h <= w.y1 && r2 >= w.inner * w.inner && r2 <= w.outer * w.outer)
            return true;
    }
    return false;
}

void foucaultgram(const SimMirror& m, const SimTester& t, double knife, int size, unsigned char* out, void* work)
{
    foucaultgram(m, t, SimMask{nullptr, 0}, knife, size, out, work);
}

void foucaultgram(const SimMirror& m, const SimTester& t, const SimMask& mask, double knife, int size,
                  unsigned char* out, void* work)
{
    const Grid g = carve(work, size);
    pupil(m, t, mask, knife, g);
    fft_table(g.m, g.table);
    // To the knife's plane: along x for the mirror's rows, along y for all;
    // then back along y, which the knife does not touch.
    for (int row = 0; row < g.n; ++row)
        fft(g.re + row * g.m, g.im + row * g.m, g.m, 1, g.table, false);
    for (int col = 0; col < g.m; ++col)
        fft(g.re + col, g.im + col, g.m, g.m, g.table, false);
    for (int col = 0; col < g.m; ++col)
        fft(g.re + col, g.im + col, g.m, g.m, g.table, true);

    // The knife's plane: ξ = f λ L / (m Δ) for frequency f; the source's
    // points spread its pattern over the source's width.
    const double step = t.wavelength * (m.rcurve + knife) / (g.m * (m.diameter / g.n));
    const int points = t.source_width > 0 ? std::min(64, std::max(2, static_cast<int>(std::ceil(t.source_width / step)) + 1)) : 1;
    double total = 0.0;
    for (int i = 0; i < g.n * g.n; ++i)
        g.light[i] = 0.0;
    const double scale = 1.0 / (static_cast<double>(g.m) * g.m);
    for (int j = 0; j < points; ++j) {
        const double f = points == 1 ? 0.0 : (j + 0.5) / points * 2 - 1; // -1..1 across the source
        const double shift = f * t.source_width / 2;
        const double weight = t.slit || points == 1 ? 1.0 : std::sqrt(1 - f * f);
        total += weight;
        for (int row = 0; row < g.n; ++row) {
            for (int k = 0; k < g.m; ++k) {
                // The blade from the right: light left of its edge passes, a
                // sample straddling it in part.
                const double xi = (k < g.m / 2 ? k : k - g.m) * step;
                double pass = 0.5 - (xi - shift) / step;
                pass = pass < 0 ? 0 : pass > 1 ? 1 : pass;
                g.row_re[k] = g.re[row * g.m + k] * pass;
                g.row_im[k] = g.im[row * g.m + k] * pass;
            }
            fft(g.row_re, g.row_im, g.m, 1, g.table, true);
            for (int col = 0; col < g.n; ++col) {
                const double a = g.row_re[col] * scale, b = g.row_im[col] * scale;
                g.light[row * g.n + col] += weight * (a * a + b * b);
            }
        }
    }

    // The picture: the pupil's light sampled at each pixel, the mirror
    // filling it.
    const double edge = m.diameter / 2, inner = m.obstruction / 2;
    for (int row = 0; row < size; ++row)
        for (int col = 0; col < size; ++col) {
            const double x = (col + 0.5) / size * m.diameter - edge, y = edge - (row + 0.5) / size * m.diameter;
            const double r2 = x * x + y * y;
            unsigned char& v = out[row * size + col];
            v = 0;
            if (r2 > edge * edge || r2 < inner * inner || (mask.openings > 0 && !in_mask_window(mask, x, y)))
                continue;
            // Bilinear between the pupil's samples, clamped to the grid.
            double gx = (col + 0.5) / size * g.n - 0.5, gy = (row + 0.5) / size * g.n - 0.5;
            gx = gx < 0 ? 0 : gx > g.n - 1 ? g.n - 1 : gx;
            gy = gy < 0 ? 0 : gy > g.n - 1 ? g.n - 1 : gy;
            const int x0 = static_cast<int>(gx), y0 = static_cast<int>(gy);
            const int x1 = x0 + 1 < g.n ? x0 + 1 : x0, y1 = y0 + 1 < g.n ? y0 + 1 : y0;
            const double fx = gx - x0, fy = gy - y0;
            const double top = g.light[y0 * g.n + x0] * (1 - fx) + g.light[y0 * g.n + x1] * fx;
            const double bottom = g.light[y1 * g.n + x0] * (1 - fx) + g.light[y1 * g.n + x1] * fx;
            const double level = (top * (1 - fy) + bottom * fy) / total;
            v = static_cast<unsigned char>(level >= 1 ? 255 : std::floor(level * 255 + 0.5));
        }
}

} // namespace pellux
