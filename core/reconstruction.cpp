#include "core/reconstruction.h"

#include <cmath>

namespace pellux {

namespace {

// Indices 0..n-1 sorted by key, stable (bottom-up merge sort, so the order
// and its cost are the same everywhere); `tmp` holds n more.
void sort_indices(const double* key, int n, int* idx, int* tmp)
{
    for (int i = 0; i < n; ++i)
        idx[i] = i;
    for (int width = 1; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width) {
            const int mid = lo + width < n ? lo + width : n;
            const int hi = lo + 2 * width < n ? lo + 2 * width : n;
            int a = lo, b = mid, o = lo;
            while (a < mid && b < hi)
                tmp[o++] = key[idx[b]] < key[idx[a]] ? idx[b++] : idx[a++];
            while (a < mid)
                tmp[o++] = idx[a++];
            while (b < hi)
                tmp[o++] = idx[b++];
        }
        for (int i = 0; i < n; ++i)
            idx[i] = tmp[i];
    }
}

// The quadratic through up to three points in Newton's form, and its
// value, slope and half curvature at any u.
struct Quadratic {
    double x0, x1, y0, f01, f012;
};

Quadratic through(const double* u, const double* d, int i, int j, int k)
{
    Quadratic q{u[i], u[i], d[i], 0.0, 0.0};
    if (j < 0)
        return q;
    q.x1 = u[j];
    q.f01 = (d[j] - d[i]) / (u[j] - u[i]);
    if (k >= 0) {
        const double f12 = (d[k] - d[j]) / (u[k] - u[j]);
        q.f012 = (f12 - q.f01) / (u[k] - u[i]);
    }
    return q;
}

double value_at(const Quadratic& q, double u) { return q.y0 + q.f01 * (u - q.x0) + q.f012 * ((u - q.x0) * (u - q.x1)); }

// Piece k's coefficients about its start, from q.
void piece_from(Profile& p, int k, const Quadratic& q)
{
    const double a = p.u[k];
    p.d1[k] = q.f01 + q.f012 * ((a - q.x0) + (a - q.x1));
    p.d2[k] = q.f012;
}

struct Extremes {
    double hi, lo, u_hi, u_lo;
};

void take(Extremes& e, double h, double u)
{
    if (h > e.hi) {
        e.hi = h;
        e.u_hi = u;
    }
    if (h < e.lo) {
        e.lo = h;
        e.u_lo = u;
    }
}

// Height at t into piece k (from its start), at centre of curvature c.
double within_piece(const Profile& p, const double* h, double c, int k, double t)
{
    return h[k] - p.gain * (t * ((p.d[k] + c) + t * (p.d1[k] / 2 + t * (p.d2[k] / 3))));
}

// A turning point of piece k at t, strictly inside (0, span), taken.
void turning(const Profile& p, const double* h, double c, int k, double t, double span, Extremes& e)
{
    if (t > 0 && t < span)
        take(e, within_piece(p, h, c, k, t), p.u[k] + t);
}

// Extremes of the heights from the centre out to u_limit: the piece ends
// and each piece's turning points, the roots of D + c = 0 (a quadratic,
// solved without cancellation).
Extremes extremes(const Profile& p, const double* h, double c, double u_limit)
{
    Extremes e{h[0], h[0], 0.0, 0.0};
    for (int k = 0; k + 1 < p.nodes && p.u[k] < u_limit; ++k) {
        const double end = p.u[k + 1] < u_limit ? p.u[k + 1] : u_limit;
        const double span = end - p.u[k];
        const double a = p.d2[k], b = p.d1[k], e0 = p.d[k] + c;
        if (a == 0) {
            if (b != 0)
                turning(p, h, c, k, -e0 / b, span, e);
        } else {
            const double disc = b * b - 4 * a * e0;
            if (disc >= 0) {
                const double root = std::sqrt(disc);
                const double qq = b >= 0 ? -(b + root) / 2 : -(b - root) / 2;
                if (qq != 0) {
                    turning(p, h, c, k, qq / a, span, e);
                    turning(p, h, c, k, e0 / qq, span, e);
                }
            }
        }
        take(e, end == p.u[k + 1] ? h[k + 1] : within_piece(p, h, c, k, span), end);
    }
    return e;
}

} // namespace

int profile_doubles(int n) { return 5 * (n + 2); }

bool build_profile(const double* zeff, const double* d, int n, double edge, double rcurve,
                   double* memory, int* order, Profile& p)
{
    if (n < 1 || !(edge > 0) || !std::isfinite(edge) || !(rcurve > 0) || !std::isfinite(rcurve))
        return false;
    double* key = memory + 2 * (n + 2);
    for (int i = 0; i < n; ++i) {
        if (!(zeff[i] > 0) || !(zeff[i] <= edge) || !std::isfinite(d[i]))
            return false;
        key[i] = zeff[i] * zeff[i];
    }
    sort_indices(key, n, order, order + n);

    p.u = memory;
    p.d = memory + (n + 2);
    p.d1 = memory + 3 * (n + 2);
    p.d2 = memory + 4 * (n + 2);
    p.gain = 1.0 / (2000.0 * rcurve * rcurve);
    // Distinct radii in ascending order, at nodes 1.., D averaged over the
    // zones at each.
    int m = 0;
    for (int i = 0; i < n;) {
        const double u = key[order[i]];
        double sum = 0.0;
        int count = 0;
        for (; i < n && key[order[i]] == u; ++i, ++count)
            sum += d[order[i]];
        ++m;
        p.u[m] = u;
        p.d[m] = sum / count;
    }
    const double big = edge * edge;
    p.u[0] = 0.0;
    const bool to_edge = p.u[m] < big;
    p.nodes = m + 1 + (to_edge ? 1 : 0);

    // The centre: from the first zone through the nearest zones spread at
    // least its own u apart.
    int a1 = -1, a2 = -1;
    for (int j = 2; j <= m && a1 < 0; ++j)
        if (p.u[j] - p.u[1] >= p.u[1])
            a1 = j;
    for (int j = a1 + 1; a1 > 0 && j <= m && a2 < 0; ++j)
        if (p.u[j] - p.u[a1] >= p.u[1])
            a2 = j;
    if (a1 < 0 && m >= 2)
        a1 = m;
    const Quadratic centre = through(p.u, p.d, 1, a1, a2);
    p.d[0] = value_at(centre, 0.0);
    piece_from(p, 0, centre);

    // Between zones: the piece's ends and the farther of its neighbours.
    for (int k = 1; k < m; ++k) {
        const int left = k - 1 >= 1 ? k - 1 : -1, right = k + 2 <= m ? k + 2 : -1;
        int third = right;
        if (left >= 0 && (right < 0 || p.u[k] - p.u[left] > p.u[right] - p.u[k + 1]))
            third = left;
        piece_from(p, k, through(p.u, p.d, k, k + 1, third));
    }

    if (to_edge) {
        const double reach = big - p.u[m];
        int b1 = -1, b2 = -1;
        for (int j = m - 1; j >= 1 && b1 < 0; --j)
            if (p.u[m] - p.u[j] >= reach)
                b1 = j;
        for (int j = b1 - 1; b1 > 0 && j >= 1 && b2 < 0; --j)
            if (p.u[b1] - p.u[j] >= reach)
                b2 = j;
        if (b1 < 0 && m >= 2)
            b1 = 1;
        const Quadratic outer = through(p.u, p.d, m, b1, b2);
        p.u[m + 1] = big;
        p.d[m + 1] = value_at(outer, big);
        piece_from(p, m, outer);
    }
    for (int k = 0; k < p.nodes; ++k)
        if (!std::isfinite(p.d[k]) || !std::isfinite(p.d1[k]) || !std::isfinite(p.d2[k]))
            return false;
    return true;
}

void profile_heights(const Profile& p, double c, double* h)
{
    h[0] = 0.0;
    for (int k = 0; k + 1 < p.nodes; ++k) {
        const double du = p.u[k + 1] - p.u[k];
        h[k + 1] = within_piece(p, h, c, k, du);
    }
}

double profile_height(const Profile& p, const double* h, double c, double u)
{
    int k = 0;
    while (k + 2 < p.nodes && p.u[k + 1] <= u)
        ++k;
    return within_piece(p, h, c, k, u - p.u[k]);
}

namespace {

// The P-V at c from the heights at 0: a refocus adds -gain c u to each.
double pv_from(const Profile& p, const double* base, double c, double* h, double* u_max, double* u_min)
{
    for (int k = 0; k < p.nodes; ++k)
        h[k] = base[k] - p.gain * (c * p.u[k]);
    const Extremes e = extremes(p, h, c, p.u[p.nodes - 1]);
    *u_max = e.u_hi;
    *u_min = e.u_lo;
    return e.hi - e.lo;
}

} // namespace

Extent least_pv(const Profile& p, double* h, double tolerance)
{
    double* base = h + p.nodes;
    profile_heights(p, 0.0, base);
    double lo = -p.d[0], hi = -p.d[0];
    for (int k = 1; k < p.nodes; ++k) {
        if (-p.d[k] < lo)
            lo = -p.d[k];
        if (-p.d[k] > hi)
            hi = -p.d[k];
    }
    // Outside [lo, hi] D + c keeps one sign, the profile is monotone and its
    // P-V grows away from the bracket.
    // The P-V moves by at most gain * u_edge per mil of c: the bracket is
    // narrowed until that bounds its error by the tolerance, or it cannot
    // narrow.
    const double lipschitz = p.gain * p.u[p.nodes - 1];
    double u_max = 0.0, u_min = 0.0;
    for (int step = 0; step < 2200 && (hi - lo) * lipschitz > tolerance; ++step) {
        const double mid = lo + (hi - lo) * 0.5;
        if (!(mid > lo && mid < hi))
            break;
        pv_from(p, base, mid, h, &u_max, &u_min);
        if (u_max > u_min)
            lo = mid;
        else if (u_max < u_min)
            hi = mid;
        else {
            lo = hi = mid;
            break;
        }
    }
    const double at_lo = pv_from(p, base, lo, h, &u_max, &u_min);
    const double at_hi = pv_from(p, base, hi, h, &u_max, &u_min);
    return at_hi < at_lo ? Extent{at_hi, hi} : Extent{at_lo, lo};
}

namespace {

// Four-point Gauss-Legendre over each piece, exact to degree 7: the cubic
// heights times u, and their squares.
constexpr double kNodes[4] = {0.5 - 0.8611363115940526 / 2, 0.5 - 0.3399810435848563 / 2,
                              0.5 + 0.3399810435848563 / 2, 0.5 + 0.8611363115940526 / 2};
constexpr double kWeights[4] = {0.3478548451374538 / 2, 0.6521451548625461 / 2,
                                0.6521451548625461 / 2, 0.3478548451374538 / 2};

// The area-weighted mean of the heights at centre of curvature 0, and
// their least-squares slope in u (the refocus).
void piston_and_trend(const Profile& p, double* h, double& mean, double& trend)
{
    profile_heights(p, 0.0, h);
    const double big = p.u[p.nodes - 1];
    const double centre = big / 2;
    mean = 0.0;
    double cov = 0.0;
    for (int k = 0; k + 1 < p.nodes; ++k) {
        const double du = p.u[k + 1] - p.u[k];
        for (int q = 0; q < 4; ++q) {
            const double t = du * kNodes[q], wt = du * kWeights[q];
            const double w = within_piece(p, h, 0.0, k, t);
            mean += wt * w;
            cov += wt * ((p.u[k] + t - centre) * w);
        }
    }
    mean = mean / big;
    // The variance of u uniform over [0, big] is big^2 / 12.
    trend = cov / big / (big * big / 12.0);
}

} // namespace

Extent least_rms(const Profile& p, double* h)
{
    double mean = 0.0, trend = 0.0;
    piston_and_trend(p, h, mean, trend);
    const double big = p.u[p.nodes - 1], centre = big / 2;
    double square = 0.0;
    for (int k = 0; k + 1 < p.nodes; ++k) {
        const double du = p.u[k + 1] - p.u[k];
        for (int q = 0; q < 4; ++q) {
            const double t = du * kNodes[q];
            const double e = within_piece(p, h, 0.0, k, t) - mean - trend * (p.u[k] + t - centre);
            square += du * kWeights[q] * (e * e);
        }
    }
    return {std::sqrt(square / big), trend / p.gain};
}

void refocused_profile(const Profile& p, double* h, const double* u, int count, double* out)
{
    double mean = 0.0, trend = 0.0;
    piston_and_trend(p, h, mean, trend);
    const double centre = p.u[p.nodes - 1] / 2;
    for (int j = 0; j < count; ++j)
        out[j] = profile_height(p, h, 0.0, u[j]) - mean - trend * (u[j] - centre);
}

} // namespace pellux
