// A mirror of n zones laid out as the host passes its ranges, shared by the
// benchmarks and the module driver.
#pragma once

#include <cmath>
#include <vector>

#include "host/xloper.h"

namespace pellux::bench {

// One "K" range: a header double (rows, columns) followed by the elements.
struct Range {
    std::vector<double> storage;
    const ZoneVector* get() const { return reinterpret_cast<const ZoneVector*>(storage.data()); }
    const double* elements() const { return storage.data() + 1; }
};

struct Mirror {
    int n;
    Range data, ideal, tol, zeff, zwidth;
    double rcurve, coc, wvl, fittol;
};

// A 10-inch mirror of radius 100 inches cut into n zones of equal width:
// ideal readings r^2 / R (mils, moving source), readings with a rolled edge
// and a little ripple, tolerances that narrow outward.
inline Mirror make_mirror(int n)
{
    auto range = [n] {
        Range r{std::vector<double>(1 + static_cast<std::size_t>(n))};
        auto* v = reinterpret_cast<ZoneVector*>(r.storage.data());
        v->rows = static_cast<std::uint16_t>(n);
        v->columns = 1;
        return r;
    };
    Mirror m{n, range(), range(), range(), range(), range(), 100.0, -0.2, 0.0000217, 0.001};
    const double width = 5.0 / n;
    for (int i = 0; i < n; ++i) {
        const double r = (i + 0.5) * width;
        m.zeff.storage[1 + i] = r;
        m.zwidth.storage[1 + i] = width;
        m.ideal.storage[1 + i] = r * r / m.rcurve * 1000.0;
        m.data.storage[1 + i] = m.ideal.storage[1 + i] + 0.02 * r * r * r + 0.3 * std::sin(0.7 * i);
        m.tol.storage[1 + i] = 5.0 / (1.0 + r);
    }
    return m;
}

} // namespace pellux::bench
