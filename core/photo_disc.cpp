// The mirror's disc in a picture: its lit rim, or a Couder mask's windows.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/elementary.h"
#include "core/photo.h"
#include "core/photo_sample.h"

namespace pellux {

namespace {

constexpr int kRays = 256;

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

// The level three tenths of the way from the background to the brightest,
// where a lit rim is found: 0 for a picture without light.
double lit_threshold(const Picture& p)
{
    const double background = grey_percentile(p, 0.05), bright = grey_percentile(p, 0.995);
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
        if (grey_at(p, x, y) >= threshold && grey_at(p, cx + (r - 1) * c, cy + (r - 1) * s) >= threshold &&
            grey_at(p, cx + (r - 2) * c, cy + (r - 2) * s) >= threshold) {
            // Between r + 0.5 and r.
            const double outside = grey_at(p, cx + (r + 0.5) * c, cy + (r + 0.5) * s), inside = grey_at(p, x, y);
            const double t = inside > outside ? (inside - threshold) / (inside - outside) : 0.0;
            return r + 0.5 * t;
        }
    }
    return 0.0;
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
    const double background = grey_percentile(p, 0.05), bright = grey_percentile(p, 0.995);
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
                peak = std::fmax(peak, grey_at(p, cx + r * c, cy + r * s));
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

} // namespace pellux
