#include "core/photo.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/elementary.h"
#include "core/photo_sample.h"

namespace pellux {

namespace {

constexpr int G = kPhotoGrid;

// Gaussian elimination with partial pivoting on the 6 x 7 normal equations.
bool solve6(double (&a)[6][7], double* x)
{
    for (int c = 0; c < 6; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 6; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c]))
                pivot = r;
        if (a[pivot][c] == 0)
            return false;
        for (int j = 0; j < 7; ++j) {
            const double t = a[c][j];
            a[c][j] = a[pivot][j];
            a[pivot][j] = t;
        }
        for (int r = c + 1; r < 6; ++r) {
            const double f = a[r][c] / a[c][c];
            for (int j = c; j < 7; ++j)
                a[r][j] -= f * a[c][j];
        }
    }
    for (int r = 5; r >= 0; --r) {
        double sum = a[r][6];
        for (int j = r + 1; j < 6; ++j)
            sum -= a[r][j] * x[j];
        x[r] = sum / a[r][r];
    }
    return true;
}

struct Grid {
    double* cells; // count pictures of G x G, each over its disc
    double* flat;  // G x G
    double* lit;   // G x G: 1 where the series ever lights the mirror (all of it without a mask)
};

Grid grid_of(const void* work, int count)
{
    auto* d = static_cast<double*>(const_cast<void*>(work));
    const std::size_t plane = static_cast<std::size_t>(G) * G;
    return {d, d + count * plane, d + (count + 1) * plane};
}

} // namespace

std::size_t photo_bytes(int count)
{
    return sizeof(double) * (static_cast<std::size_t>(count) + 2) * G * G;
}

PhotoStatus prepare_series(const PhotoSeries& s, void* work, Disc* discs, int& bad)
{
    bad = -1;
    if (s.count < 3)
        return kPhotoTooFew;
    // The disc of the brightest each point is over the pictures of the
    // first's size: lit all round, whatever the knife hid in each.
    const Picture& first = s.pictures[0];
    std::vector<unsigned char> brightest(static_cast<std::size_t>(first.width) * first.height, 0);
    for (int k = 0; k < s.count; ++k)
        if (s.pictures[k].width == first.width && s.pictures[k].height == first.height)
            for (std::size_t i = 0; i < brightest.size(); ++i)
                brightest[i] = s.pictures[k].grey[i] > brightest[i] ? s.pictures[k].grey[i] : brightest[i];
    const bool masked = s.mask_reach > 0;
    const Picture lit{brightest.data(), first.width, first.height};
    const Disc hint = masked ? find_masked_disc(lit, s.mask_reach) : find_disc(lit, Disc{0, 0, 0, false});
    for (int k = 0; k < s.count; ++k) {
        const bool same = s.pictures[k].width == first.width && s.pictures[k].height == first.height;
        if (masked)
            discs[k] = same ? hint : find_masked_disc(s.pictures[k], s.mask_reach);
        else
            discs[k] = find_disc(s.pictures[k], same ? hint : Disc{0, 0, 0, false});
        // A picture the knife darkens nearly all over shows too little rim:
        // it is measured on the circle the series' brightest shows. A bright
        // one without a mirror found is refused: its mirror may have been
        // zoomed beyond the series' circle.
        if (!discs[k].found && same && hint.found &&
            2 * grey_percentile(s.pictures[k], 0.995) < grey_percentile(lit, 0.995))
            discs[k] = hint;
        if (!discs[k].found) {
            bad = k;
            return kPhotoNoMirror;
        }
    }
    double lo = discs[0].radius, hi = lo;
    for (int k = 1; k < s.count; ++k) {
        lo = discs[k].radius < lo ? discs[k].radius : lo;
        hi = discs[k].radius > hi ? discs[k].radius : hi;
    }
    if (hi > 1.05 * lo) {
        for (int k = 0; k < s.count; ++k)
            if (discs[k].radius == hi || discs[k].radius == lo)
                bad = k;
        return kPhotoSizes;
    }
    // Each picture on the grid over its own disc.
    const Grid g = grid_of(work, s.count);
    for (int k = 0; k < s.count; ++k)
        for (int j = 0; j < G; ++j)
            for (int i = 0; i < G; ++i) {
                const double u = (i + 0.5) / G * 2 - 1, v = (j + 0.5) / G * 2 - 1;
                g.cells[(static_cast<std::size_t>(k) * G + j) * G + i] =
                    u * u + v * v <= 1 ? grey_at(s.pictures[k], discs[k].x + u * discs[k].radius, discs[k].y + v * discs[k].radius) : 0.0;
            }
    // The flat field: the light the mirror would show, knife withdrawn. The
    // outer zones swing right across the knife over a series, so their
    // brightest (the second brightest, against noise) is the lighting
    // itself; the inner zones' rays barely move and never show it. The
    // lighting is smooth: a quadratic in x and y fitted to the logarithm of
    // the outer zones' brightest, and carried over the whole mirror.
    // Through a mask only the windows count, and they lie about the
    // diameter: a plane in x and y, the lighting's gradient, is all they fix.
    for (int c = 0; c < G * G; ++c) {
        double first = 0, second = 0;
        for (int k = 0; k < s.count; ++k) {
            const double x = g.cells[static_cast<std::size_t>(k) * G * G + c];
            if (x > first) {
                second = first;
                first = x;
            } else if (x > second) {
                second = x;
            }
        }
        g.lit[c] = second;
    }
    double level = 0;
    if (masked) {
        std::vector<double> seen(g.lit, g.lit + G * G);
        std::nth_element(seen.begin(), seen.begin() + G * G * 99 / 100, seen.end());
        level = 0.2 * seen[G * G * 99 / 100];
    }
    const int terms = masked ? 3 : 6;
    double normal[6][7] = {};
    for (int j = 0; j < G; ++j)
        for (int i = 0; i < G; ++i) {
            const double u = (i + 0.5) / G * 2 - 1, v = (j + 0.5) / G * 2 - 1, r2 = u * u + v * v;
            if (r2 < 0.6 * 0.6 || r2 > 0.95 * 0.95)
                continue;
            const double second = g.lit[j * G + i];
            if (!(second > 2) || second < level)
                continue;
            const double basis[6] = {1, u, v, u * u, u * v, v * v};
            const double y = pellux::log(second);
            for (int a = 0; a < terms; ++a) {
                for (int c = 0; c < terms; ++c)
                    normal[a][c] += basis[a] * basis[c];
                normal[a][6] += basis[a] * y;
            }
        }
    for (int a = terms; a < 6; ++a)
        normal[a][a] = 1; // the unused terms held at 0
    double coef[6] = {};
    if (!solve6(normal, coef)) {
        bad = 0;
        return kPhotoNoMirror;
    }
    double least = 1e300, most = -1e300;
    for (int j = 0; j < G; ++j)
        for (int i = 0; i < G; ++i) {
            const double u = (i + 0.5) / G * 2 - 1, v = (j + 0.5) / G * 2 - 1;
            const double level = coef[0] + coef[1] * u + coef[2] * v + coef[3] * u * u + coef[4] * u * v + coef[5] * v * v;
            g.flat[j * G + i] = pellux::exp(level);
            if (u * u + v * v <= 0.95 * 0.95) {
                least = level < least ? level : least;
                most = level > most ? level : most;
            }
        }
    if (most - least > 1.3862943611198906) // log 4
        return kPhotoUnswept;
    for (int c = 0; c < G * G; ++c)
        g.lit[c] = !masked || g.lit[c] >= level ? 1.0 : 0.0;
    for (int k = 0; k < s.count; ++k)
        for (int c = 0; c < G * G; ++c) {
            double& v = g.cells[static_cast<std::size_t>(k) * G * G + c];
            v = g.flat[c] > 1 ? v / g.flat[c] : 0.0;
        }
    return kPhotoOk;
}

double ring_balance(const PhotoSeries& s, const void* work, int k, double inner, double outer)
{
    const Grid g = grid_of(work, s.count);
    double sa = 0, ca = 0;
    sin_cos_turns(s.angle / 360.0, sa, ca);
    double sine = 0, cosine = 0;
    sin_cos_turns(s.band / 360.0, sine, cosine);
    double left = 0, right = 0;
    int nl = 0, nr = 0;
    for (int j = 0; j < G; ++j)
        for (int i = 0; i < G; ++i) {
            const double u = (i + 0.5) / G * 2 - 1, v = (j + 0.5) / G * 2 - 1;
            const double r = std::sqrt(u * u + v * v);
            if (r < inner || r > outer)
                continue;
            // Turned back by the camera's angle: the knife's edge vertical.
            const double x = u * ca + v * sa, y = -u * sa + v * ca;
            if (s.mask_reach > 0 ? g.lit[j * G + i] == 0 : std::fabs(y) > r * sine)
                continue;
            const double value = g.cells[(static_cast<std::size_t>(k) * G + j) * G + i];
            if (x < 0)
                left += value, ++nl;
            else
                right += value, ++nr;
        }
    if (nl == 0 || nr == 0)
        return 0.0;
    left /= nl;
    right /= nr;
    const double b = left + right > 0 ? (left - right) / (left + right) : 0.0;
    return s.knife_from_left ? -b : b;
}

Null zone_null(const PhotoSeries& s, const void* work, double inner, double outer, double systematic)
{
    // The pictures in knife order.
    int order[256];
    const int n = s.count < 256 ? s.count : 256;
    for (int k = 0; k < n; ++k)
        order[k] = k;
    for (int a = 1; a < n; ++a)
        for (int b = a; b > 0 && s.knife[order[b]] < s.knife[order[b - 1]]; --b) {
            const int t = order[b];
            order[b] = order[b - 1];
            order[b - 1] = t;
        }
    double bal[256];
    for (int k = 0; k < n; ++k)
        bal[k] = ring_balance(s, work, order[k], inner, outer);
    // The crossing from + to - with the steepest fall.
    int at = -1;
    double steepest = 0;
    for (int k = 0; k + 1 < n; ++k)
        if (bal[k] > 0 && bal[k + 1] <= 0 && bal[k] - bal[k + 1] > steepest) {
            steepest = bal[k] - bal[k + 1];
            at = k;
        }
    if (at < 0)
        return {0, 0, false};
    // A line through the pictures about the crossing while the balance
    // stays within the linear part (|b| < 0.5), two at least.
    int lo = at, hi = at + 1;
    while (lo > 0 && std::fabs(bal[lo - 1]) < 0.5 && hi - lo < 5)
        --lo;
    while (hi + 1 < n && std::fabs(bal[hi + 1]) < 0.5 && hi - lo < 5)
        ++hi;
    double sx = 0, sy = 0;
    const int m = hi - lo + 1;
    for (int k = lo; k <= hi; ++k)
        sx += s.knife[order[k]], sy += bal[k];
    const double mx = sx / m, my = sy / m;
    double sxx = 0, sxy = 0;
    for (int k = lo; k <= hi; ++k) {
        const double dx = s.knife[order[k]] - mx;
        sxx += dx * dx;
        sxy += dx * (bal[k] - my);
    }
    if (!(sxx > 0) || !(sxy < 0))
        return {0, 0, false};
    const double slope = sxy / sxx;
    const double zero = mx - my / slope;
    // The zero's standard error from the residuals (none left with two
    // points: their spacing's share stands in), then the method's own.
    double rss = 0;
    for (int k = lo; k <= hi; ++k) {
        const double e = bal[k] - (my + slope * (s.knife[order[k]] - mx));
        rss += e * e;
    }
    const double spacing = (s.knife[order[hi]] - s.knife[order[lo]]) / (m - 1);
    const double fit = m > 2 ? std::sqrt(rss / (m - 2)) / std::fabs(slope) *
                                   std::sqrt(1.0 / m + (zero - mx) * (zero - mx) / sxx)
                             : spacing / 4;
    return {zero, std::sqrt(fit * fit + systematic * systematic), true};
}

} // namespace pellux
