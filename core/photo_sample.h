// A picture's pixels: between grey levels, bilinear (0 outside the
// picture); and its grey levels' percentiles.
#pragma once

#include "core/photo.h"

namespace pellux {

inline double grey_at(const Picture& p, double x, double y)
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
inline int grey_percentile(const Picture& p, double fraction)
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

} // namespace pellux
