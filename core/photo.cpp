#include "core/photo.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/elementary.h"

namespace pellux {

namespace {

constexpr int kRays = 256;
constexpr int G = kPhotoGrid;

double sample(const Picture& p, double x, double y)
{
    if (!(x >= 0 && y >= 0 && x <= p.width - 1 && y <= p.height - 1))
        return 0.0;
    const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    const int x1 = x0 + 1 < p.width ? x0 + 1 : x0, y1 = y0 + 1 < p.height ? y0 + 1 : y0;
    const double fx = x - x0, fy = y - y0;
    const unsigned char* g = p.grey;
    const double top = g[y0 * p.width + x0] * (1 - fx) + g[y0 * p.width + x1] * fx;
    const double bottom = g[y1 * p.width + x0] * (1 - fx) + g[y1 * p.width + x1] * fx;
    return top * (1 - fy) + bottom * fy;
}

// The grey level below which a fraction of the pixels lie.
int percentile(const Picture& p, double fraction)
{
    long count[256] = {};
    const long n = static_cast<long>(p.width) * p.height;
    for (long i = 0; i < n; ++i)
        ++count[p.grey[i]];
    long seen = 0;
    for (int v = 0; v < 256; ++v) {
        seen += count[v];
        if (seen >= fraction * n)
            return v;
    }
    return 255;
}

// Kasa's circle through points (least squares of x^2 + y^2 + D x + E y + F),
// over the points `use` marks.
Disc kasa(const double* px, const double* py, const bool* use, int n)
{
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0, sz = 0, sxz = 0, syz = 0;
    int m = 0;
    for (int i = 0; i < n; ++i) {
        if (!use[i])
            continue;
        const double x = px[i], y = py[i], z = x * x + y * y;
        sx += x, sy += y, sxx += x * x, syy += y * y, sxy += x * y, sz += z, sxz += x * z, syz += y * z;
        ++m;
    }
    if (m < 3)
        return {0, 0, 0, false};
    // [sxx sxy sx; sxy syy sy; sx sy m] [D E F] = -[sxz syz sz]
    const double a[3][4] = {{sxx, sxy, sx, -sxz}, {sxy, syy, sy, -syz}, {sx, sy, static_cast<double>(m), -sz}};
    double s[3][4];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            s[i][j] = a[i][j];
    for (int c = 0; c < 3; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 3; ++r)
            if (std::fabs(s[r][c]) > std::fabs(s[pivot][c]))
                pivot = r;
        for (int j = 0; j < 4; ++j) {
            const double t = s[c][j];
            s[c][j] = s[pivot][j];
            s[pivot][j] = t;
        }
        if (s[c][c] == 0)
            return {0, 0, 0, false};
        for (int r = 0; r < 3; ++r)
            if (r != c) {
                const double f = s[r][c] / s[c][c];
                for (int j = c; j < 4; ++j)
                    s[r][j] -= f * s[c][j];
            }
    }
    const double d = s[0][3] / s[0][0], e = s[1][3] / s[1][1], f = s[2][3] / s[2][2];
    const double cx = -d / 2, cy = -e / 2, r2 = cx * cx + cy * cy - f;
    return r2 > 0 ? Disc{cx, cy, std::sqrt(r2), true} : Disc{0, 0, 0, false};
}

double distance(double dx, double dy)
{
    return std::sqrt(dx * dx + dy * dy);
}

// The circle through three points; not found when they are in a line.
Disc circle_through(double ax, double ay, double bx, double by, double cx, double cy)
{
    const double d = 2 * (ax * (by - cy) + bx * (cy - ay) + cx * (ay - by));
    if (!(std::fabs(d) > 1e-9))
        return {0, 0, 0, false};
    const double a2 = ax * ax + ay * ay, b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double x = (a2 * (by - cy) + b2 * (cy - ay) + c2 * (ay - by)) / d;
    const double y = (a2 * (cx - bx) + b2 * (ax - cx) + c2 * (bx - ax)) / d;
    return {x, y, distance(ax - x, ay - y), true};
}

bool agrees(double x, double y, const Disc& d)
{
    return std::fabs(distance(x - d.x, y - d.y) - d.radius) < 1.5 + 0.01 * d.radius;
}

// Three times: the rays `use` marks that `d` agrees with, and the circle
// fitted to them. Not found when fewer than a fifth of the rays are left.
Disc refine(const double* px, const double* py, bool* use, Disc d)
{
    for (int pass = 0; pass < 3 && d.found; ++pass) {
        int kept = 0;
        for (int k = 0; k < kRays; ++k)
            if (use[k]) {
                use[k] = agrees(px[k], py[k], d);
                kept += use[k];
            }
        if (kept < kRays / 5)
            return {0, 0, 0, false};
        d = kasa(px, py, use, kRays);
    }
    return d;
}

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

// The level halfway into the rim's rise: 0 for a picture without light.
double lit_threshold(const Picture& p)
{
    const double background = percentile(p, 0.05), bright = percentile(p, 0.995);
    return bright > background + 20 ? background + 0.3 * (bright - background) : 0.0;
}

bool lit_centroid(const Picture& p, double threshold, double& cx, double& cy)
{
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.grey[y * p.width + x] >= threshold)
                sx += x, sy += y, n += 1;
    if (n < 100)
        return false;
    cx = sx / n;
    cy = sy / n;
    return true;
}

// The distance from (cx, cy) along (c, s) of the outermost lit pixel, three
// in a row lit, to where the level crosses the threshold; 0 for none
// between `inner` and `outer`.
double outermost_lit(const Picture& p, double cx, double cy, double c, double s, double outer, double inner,
                     double threshold)
{
    for (double r = outer; r > inner; r -= 0.5) {
        const double x = cx + r * c, y = cy + r * s;
        if (sample(p, x, y) >= threshold && sample(p, cx + (r - 1) * c, cy + (r - 1) * s) >= threshold &&
            sample(p, cx + (r - 2) * c, cy + (r - 2) * s) >= threshold) {
            // Between r + 0.5 and r.
            const double outside = sample(p, cx + (r + 0.5) * c, cy + (r + 0.5) * s), inside = sample(p, x, y);
            const double t = inside > outside ? (inside - threshold) / (inside - outside) : 0.0;
            return r + 0.5 * t;
        }
    }
    return 0.0;
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

Disc find_disc(const Picture& p, Disc hint)
{
    const double threshold = lit_threshold(p);
    if (!(threshold > 0))
        return {0, 0, 0, false};
    double cx = hint.x, cy = hint.y;
    if (!hint.found && !lit_centroid(p, threshold, cx, cy))
        return {0, 0, 0, false};
    // The outermost lit pixel along each ray, three in a row lit.
    double px[kRays], py[kRays];
    bool use[kRays];
    int found = 0;
    const double reach = std::sqrt(static_cast<double>(p.width) * p.width + static_cast<double>(p.height) * p.height);
    // With a hint, the rim lies within a tenth of its radius of the hint's.
    const double outer = hint.found ? 1.1 * hint.radius : reach, inner = hint.found ? 0.9 * hint.radius : 2;
    for (int k = 0; k < kRays; ++k) {
        double s = 0, c = 0;
        sin_cos_turns(static_cast<double>(k) / kRays, s, c);
        const double r = outermost_lit(p, cx, cy, c, s, outer, inner, threshold);
        use[k] = r > 0;
        px[k] = cx + r * c;
        py[k] = cy + r * s;
        found += use[k];
    }
    if (found < kRays / 5)
        return {0, 0, 0, false};
    // Fit, then set aside rays that hit the far side's light through a dark
    // half, and fit again.
    bool lit[kRays];
    for (int k = 0; k < kRays; ++k)
        lit[k] = use[k];
    Disc d = refine(px, py, use, kasa(px, py, use, kRays));
    if (!d.found) {
        // Where the knife darkens much of the mirror in every picture, many
        // rays end on the shadow's edge instead of the rim, and the first
        // fit goes astray. The circle through three rays a quarter turn
        // apart that most rays agree with picks the rim's rays.
        Disc best{0, 0, 0, false};
        int most = 0;
        for (int k = 0; k < kRays; ++k) {
            const int a = k, b = (k + kRays / 8) % kRays, c = (k + kRays / 4) % kRays;
            if (!lit[a] || !lit[b] || !lit[c])
                continue;
            const Disc t = circle_through(px[a], py[a], px[b], py[b], px[c], py[c]);
            if (!t.found || !(t.radius > 10 && t.radius < reach))
                continue;
            int agree = 0;
            for (int i = 0; i < kRays; ++i)
                agree += lit[i] && agrees(px[i], py[i], t);
            if (agree > most) {
                most = agree;
                best = t;
            }
        }
        for (int k = 0; k < kRays; ++k)
            use[k] = lit[k];
        d = most >= kRays / 5 ? refine(px, py, use, best) : Disc{0, 0, 0, false};
    }
    return d.found && d.radius > 10 ? d : Disc{0, 0, 0, false};
}

Disc find_masked_disc(const Picture& p, double reach)
{
    const double background = percentile(p, 0.05), bright = percentile(p, 0.995);
    if (!(bright > background + 20) || !(reach > 0 && reach <= 1))
        return {0, 0, 0, false};
    // The windows, patches lit above a low level, each weighed once: the
    // pairs, turned half a turn about the centre, have it for centroid
    // however unevenly lit, however much of each the knife ever uncovered.
    const int w = p.width, h = p.height;
    const double low = background + 0.25 * (bright - background);
    std::vector<char> seen(static_cast<std::size_t>(w) * h, 0);
    std::vector<int> stack;
    double sx = 0, sy = 0, n = 0;
    for (int start = 0; start < w * h; ++start) {
        if (seen[start] || p.grey[start] < low)
            continue;
        stack.assign(1, start);
        seen[start] = 1;
        double px = 0, py = 0, count = 0;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            const int x = at % w, y = at / w;
            px += x, py += y, count += 1;
            const int next[4] = {x > 0 ? at - 1 : -1, x + 1 < w ? at + 1 : -1, y > 0 ? at - w : -1, y + 1 < h ? at + w : -1};
            for (int q : next)
                if (q >= 0 && !seen[q] && p.grey[q] >= low) {
                    seen[q] = 1;
                    stack.push_back(q);
                }
        }
        if (count >= 20)
            sx += px / count, sy += py / count, n += 1;
    }
    if (n < 2)
        return {0, 0, 0, false};
    const double cx = sx / n, cy = sy / n;
    // Rays through the outermost windows end on their outer edge, a circle
    // about the centre; the others end short of it, on inner windows. Each
    // ends where the level falls through half the window's peak before it.
    const double far = std::sqrt(static_cast<double>(w) * w + static_cast<double>(h) * h);
    double radii[kRays];
    double longest = 0;
    for (int k = 0; k < kRays; ++k) {
        double s = 0, c = 0;
        sin_cos_turns(static_cast<double>(k) / kRays, s, c);
        radii[k] = 0;
        const double r0 = outermost_lit(p, cx, cy, c, s, far, 2, low);
        if (r0 > 0) {
            double peak = 0;
            for (double r = r0; r > r0 - 12 && r > 0; r -= 0.5)
                peak = std::fmax(peak, sample(p, cx + r * c, cy + r * s));
            radii[k] = outermost_lit(p, cx, cy, c, s, r0 + 2, r0 - 12, background + 0.5 * (peak - background));
        }
        longest = radii[k] > longest ? radii[k] : longest;
    }
    double outer[kRays];
    int m = 0;
    for (int k = 0; k < kRays; ++k)
        if (radii[k] > 0.97 * longest)
            outer[m++] = radii[k];
    std::sort(outer, outer + m);
    const double edge = m == 0 ? 0 : m % 2 ? outer[m / 2] : (outer[m / 2 - 1] + outer[m / 2]) / 2;
    return m >= 4 && edge > 10 ? Disc{cx, cy, edge / reach, true} : Disc{0, 0, 0, false};
}

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
        // it is measured on the circle the series' brightest shows.
        if (!discs[k].found && same && hint.found)
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
                    u * u + v * v <= 1 ? sample(s.pictures[k], discs[k].x + u * discs[k].radius, discs[k].y + v * discs[k].radius) : 0.0;
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
    for (int j = 0; j < G; ++j)
        for (int i = 0; i < G; ++i) {
            const double u = (i + 0.5) / G * 2 - 1, v = (j + 0.5) / G * 2 - 1;
            g.flat[j * G + i] = pellux::exp(coef[0] + coef[1] * u + coef[2] * v + coef[3] * u * u + coef[4] * u * v +
                                            coef[5] * v * v);
        }
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
