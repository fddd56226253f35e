#include "worksheet/figures.h"

#include <cmath>

#include "core/figures.h"
#include "core/mirror_figures.h"
#include "core/zones.h"
#include "host/platform.h"
#include "host/result.h"

using namespace pellux;

namespace {

ResultCell g_whole_mirror_pv_cell;
ResultCell g_whole_mirror_rms_cell;
ResultCell g_strehl_ratio_cell;
ResultCell g_correction_cell;
ResultCell g_figure_uncertainty_cell;
ResultCell g_mirror_figures_cell;

// The zone vectors of one call, data first, all of one shape: the zone
// count, or 0.
template <int Count>
int zone_count(const ZoneVector* const (&vectors)[Count])
{
    ZoneShape shapes[Count];
    for (int k = 0; k < Count; ++k)
        shapes[k] = {vectors[k]->rows, vectors[k]->columns};
    const ZoneCheck check = check_zone_shapes(shapes, Count);
    return check.ok ? check.zones : 0;
}

// Runs a figure over a working block from the process heap, released before
// returning; false when the heap refuses.
template <class Figure>
bool with_work(int zones, Figure&& figure)
{
    void* work = heap_alloc_zeroed(figure_work_bytes(zones));
    if (work == nullptr)
        return false;
    figure(work);
    heap_free(work);
    return true;
}


// A figure with its centre of curvature, in waves: the checks, the working
// block and the pair.
template <class Figure>
XLOPER12* centred_figure(ResultCell& cell, const MirrorZones& m, double wavelength, Figure&& figure)
{
    if (m.n == 0 || check_figure_call(m, wavelength) != 0)
        return set_num_error(cell);
    FigureAt f{}, waves{};
    if (!with_work(m.n, [&](void* work) { f = figure(m, work); }) ||
        !figure_in_waves(f, wavelength, waves))
        return set_num_error(cell);
    return set_pair(cell, waves.coc, waves.value);
}

} // namespace

XLOPER12* PELLUX_STDCALL xl_WholeMirrorPV(const ZoneVector* data, const ZoneVector* ideal,
                                          const ZoneVector* zeff, const ZoneVector* zwidth,
                                          const double* rcurve, const double* wvl)
{
    const int n = zone_count({data, ideal, zeff, zwidth});
    const MirrorZones m{zone_elements(data), zone_elements(ideal), zone_elements(zeff),
                        zone_elements(zwidth), nullptr, n, *rcurve};
    return centred_figure(g_whole_mirror_pv_cell, m, *wvl, whole_mirror_pv);
}

XLOPER12* PELLUX_STDCALL xl_WholeMirrorRMS(const ZoneVector* data, const ZoneVector* ideal,
                                           const ZoneVector* zeff, const ZoneVector* zwidth,
                                           const ZoneVector* zouter, const double* rcurve,
                                           const double* wvl)
{
    const int n = zone_count({data, ideal, zeff, zwidth, zouter});
    const MirrorZones m{zone_elements(data), zone_elements(ideal), zone_elements(zeff),
                        zone_elements(zwidth), zone_elements(zouter), n, *rcurve};
    return centred_figure(g_whole_mirror_rms_cell, m, *wvl, whole_mirror_rms);
}

XLOPER12* PELLUX_STDCALL xl_StrehlRatio(const double* rms)
{
    ResultCell& cell = g_strehl_ratio_cell;
    const double sigma = *rms;
    if (!(sigma >= 0) || !std::isfinite(sigma))
        return set_num_error(cell);
    return set_number(cell, strehl_ratio(sigma));
}

XLOPER12* PELLUX_STDCALL xl_Correction(const ZoneVector* data, const ZoneVector* ideal)
{
    ResultCell& cell = g_correction_cell;
    double percent = 0.0, conic = 0.0;
    if (!correction_figures(zone_elements(data), zone_elements(ideal), zone_count({data, ideal}), percent, conic))
        return set_num_error(cell);
    return set_pair(cell, percent, conic);
}

XLOPER12* PELLUX_STDCALL xl_FigureUncertainty(const ZoneVector* data, const ZoneVector* ideal,
                                              const ZoneVector* sem, const ZoneVector* zeff,
                                              const ZoneVector* zwidth, const ZoneVector* zouter,
                                              const double* rcurve, const double* wvl)
{
    ResultCell& cell = g_figure_uncertainty_cell;
    const int n = zone_count({data, ideal, sem, zeff, zwidth, zouter});
    const MirrorZones m{zone_elements(data), zone_elements(ideal), zone_elements(zeff),
                        zone_elements(zwidth), zone_elements(zouter), n, *rcurve};
    const double wavelength = *wvl;
    const double* spread = zone_elements(sem);
    if (n == 0 || check_spread_call(m, spread, wavelength) != 0)
        return set_num_error(cell);
    FigureSpread f{};
    if (!with_work(n, [&](void* work) { f = figure_uncertainty(m, spread, wavelength, work); }))
        return set_num_error(cell);
    const double values[4] = {f.pv, f.rms, f.strehl, f.correction};
    for (double v : values)
        if (!std::isfinite(v))
            return set_num_error(cell);
    return set_column(cell, values, 4);
}

XLOPER12* PELLUX_STDCALL xl_MirrorFigures(const ZoneVector* runs, const ZoneVector* present,
                                          const ZoneVector* zeff, const double* redge,
                                          const double* rcurve, const double* wvl,
                                          const double* sigma, const double* tester)
{
    ResultCell& cell = g_mirror_figures_cell;
    MirrorCall call{};
    if (!runs_layout({runs->rows, runs->columns}, {present->rows, present->columns},
                     {zeff->rows, zeff->columns}, call.runs) ||
        !tester_from_factor(*tester, call.fixed_source))
        return set_num_error(cell);
    call.zeff = zone_elements(zeff);
    call.edge = *redge;
    call.rcurve = *rcurve;
    call.wvl = *wvl;
    call.reading_sigma = *sigma;
    // The readings with their blanks marked, then the figures' working memory.
    const int count = runs->rows * runs->columns;
    const std::size_t block = sizeof(double) * static_cast<std::size_t>(count);
    auto* memory = static_cast<double*>(
        heap_alloc_zeroed(block + mirror_figure_bytes(call.runs.zones, call.runs.runs)));
    if (memory == nullptr)
        return set_num_error(cell);
    mark_blanks(zone_elements(runs), zone_elements(present), count, memory);
    call.runs.readings = memory;
    MirrorFigures f{};
    const bool ok = check_mirror_call(call) == 0 && mirror_figures(call, memory + count, f);
    heap_free(memory);
    if (!ok)
        return set_num_error(cell);
    double values[kMirrorFigureCount];
    mirror_figure_column(f, values);
    return set_column(cell, values, kMirrorFigureCount);
}
