#include "core/runs.h"

#include <cmath>
#include <limits>

namespace pellux {

namespace {

double at(const RunBlock& b, int i, int k) { return b.readings[i * b.zone_stride + k * b.run_stride]; }

void zone_values(const RunBlock& b, const double* offset, double* value, int* count)
{
    for (int i = 0; i < b.zones; ++i) {
        double sum = 0.0;
        int c = 0;
        for (int k = 0; k < b.runs; ++k) {
            const double r = at(b, i, k);
            if (!std::isnan(r)) {
                sum += r - offset[k];
                ++c;
            }
        }
        count[i] = c;
        value[i] = c > 0 ? sum / c : std::numeric_limits<double>::quiet_NaN();
    }
}

// New offsets from the zone values, centred on the runs that have
// readings, into `fresh`; true when they equal `offset` to the bit.
bool run_offsets(const RunBlock& b, const double* value, const double* offset, double* fresh)
{
    double total = 0.0;
    int used = 0;
    for (int k = 0; k < b.runs; ++k) {
        double sum = 0.0;
        int c = 0;
        for (int i = 0; i < b.zones; ++i) {
            const double r = at(b, i, k);
            if (!std::isnan(r) && !std::isnan(value[i])) {
                sum += r - value[i];
                ++c;
            }
        }
        fresh[k] = c > 0 ? sum / c : 0.0;
        if (c > 0) {
            total += fresh[k];
            ++used;
        }
    }
    const double centre = used > 0 ? total / used : 0.0;
    bool same = true;
    for (int k = 0; k < b.runs; ++k) {
        fresh[k] = fresh[k] - centre;
        same = same && fresh[k] == offset[k];
    }
    return same;
}

} // namespace

RunFit fit_runs(const RunBlock& b, double* value, int* count, double* offset)
{
    for (int k = 0; k < b.runs; ++k)
        offset[k] = 0.0;
    // Complete blocks settle in two sweeps; gaps slow the exchange between
    // runs, never past this many.
    for (int sweep = 0; sweep < 200; ++sweep) {
        zone_values(b, offset, value, count);
        const bool settled = run_offsets(b, value, offset, offset + b.runs);
        for (int k = 0; k < b.runs; ++k)
            offset[k] = offset[b.runs + k];
        if (settled)
            break;
    }
    zone_values(b, offset, value, count);

    RunFit fit{0.0, 0};
    int readings = 0, zones = 0, runs = 0;
    for (int i = 0; i < b.zones; ++i) {
        zones += count[i] > 0;
        for (int k = 0; k < b.runs; ++k) {
            const double r = at(b, i, k);
            if (!std::isnan(r)) {
                const double e = r - value[i] - offset[k];
                fit.rss += e * e;
                ++readings;
            }
        }
    }
    for (int k = 0; k < b.runs; ++k) {
        bool any = false;
        for (int i = 0; i < b.zones; ++i)
            any = any || !std::isnan(at(b, i, k));
        runs += any;
    }
    fit.dof = readings - zones - (runs > 0 ? runs - 1 : 0);
    if (fit.dof < 0)
        fit.dof = 0;
    return fit;
}

} // namespace pellux
