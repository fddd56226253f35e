#include "worksheet/procedures.h"

#include "core/transverse.h"
#include "core/vignetting.h"
#include "core/wavefront.h"
#include "core/zones.h"
#include "host/result.h"

using namespace pellux;

namespace {

ResultCell g_calc_max_abs_ta_cell;
ResultCell g_minimize_max_abs_ta_cell;
ResultCell g_calc_wfe_cell;
ResultCell g_minimize_wfe_cell;
ResultCell g_vignetting_cell;

// Shape check of the zone vectors of one call, data first: false ends the
// call in #NUM!, true gives the zone count and the status to start from.
// (Fields rather than the whole check are handed back: a small record
// returned from a call goes through memory in pieces and is read whole,
// which stalls the processor.)
template <int Count>
bool check_shapes(const ZoneVector* const (&vectors)[Count], std::int16_t& zones,
                  FitStatus& status)
{
    ZoneShape shapes[Count];
    for (int k = 0; k < Count; ++k)
        shapes[k] = {vectors[k]->rows, vectors[k]->columns};
    const ZoneCheck shape = check_zone_shapes(shapes, Count);
    zones = shape.zones;
    status = shape.status;
    return shape.ok;
}

} // namespace

XLOPER12* PELLUX_STDCALL xl_CalcMaxAbsTA(const ZoneVector* data, const ZoneVector* ideal, const ZoneVector* tol,
                          const double* coc)
{
    ResultCell& cell = g_calc_max_abs_ta_cell;
    std::int16_t zones = 0;
    FitStatus status = 0;
    if (!check_shapes({data, ideal, tol}, zones, status))
        return set_num_error(cell);

    const double r = max_abs_ta(zone_elements(data), zone_elements(ideal), zone_elements(tol),
                                zones, *coc, status);
    return status != 0 ? set_num_error(cell) : set_number(cell, r);
}

XLOPER12* PELLUX_STDCALL xl_MinimizeMaxAbsTA(const ZoneVector* data, const ZoneVector* ideal, const ZoneVector* tol,
                              const double* fittol)
{
    ResultCell& cell = g_minimize_max_abs_ta_cell;
    std::int16_t zones = 0;
    FitStatus status = 0;
    if (!check_shapes({data, ideal, tol}, zones, status))
        return set_num_error(cell);

    double coc = 0.0;
    const double value = best_coc_for_ta(zone_elements(data), zone_elements(ideal),
                                         zone_elements(tol), zones, *fittol, coc, status);
    return status != 0 ? set_num_error(cell) : set_pair(cell, coc, value);
}

XLOPER12* PELLUX_STDCALL xl_CalcWFE(const ZoneVector* data, const ZoneVector* ideal, const ZoneVector* tol,
                     const ZoneVector* zeff, const ZoneVector* zwidth, const double* rcurve,
                     const double* coc, const double* wvl)
{
    ResultCell& cell = g_calc_wfe_cell;
    std::int16_t zones = 0;
    FitStatus status = 0;
    if (!check_shapes({data, ideal, tol, zeff, zwidth}, zones, status))
        return set_num_error(cell);

    const double radius = *rcurve;
    const double centre = *coc;
    const double wavelength = *wvl;
    const double pv = wavefront_pv(zone_elements(data), zone_elements(ideal), zone_elements(tol),
                                   zone_elements(zeff), zone_elements(zwidth), zones, radius,
                                   centre, status);
    return status != 0 ? set_num_error(cell) : set_number(cell, pv / wavelength);
}

XLOPER12* PELLUX_STDCALL xl_MinimizeWFE(const ZoneVector* data, const ZoneVector* ideal, const ZoneVector* tol,
                         const ZoneVector* zeff, const ZoneVector* zwidth, const double* rcurve,
                         const double* wvl, const double* fittol)
{
    ResultCell& cell = g_minimize_wfe_cell;
    std::int16_t zones = 0;
    FitStatus status = 0;
    if (!check_shapes({data, ideal, tol, zeff, zwidth}, zones, status))
        return set_num_error(cell);

    const double radius = *rcurve;
    const double wavelength = *wvl;
    const double tolerance = *fittol;
    double coc = 0.0;
    const double value = best_coc_for_wfe(zone_elements(data), zone_elements(ideal),
                                          zone_elements(tol), zone_elements(zeff),
                                          zone_elements(zwidth), zones, radius, wavelength,
                                          tolerance, coc, status);
    return status != 0 ? set_num_error(cell) : set_pair(cell, coc, value);
}

XLOPER12* PELLUX_STDCALL xl_Vignetting(const double* D, const double* N, const double* F, const double* L,
                        const double* dstop)
{
    ResultCell& cell = g_vignetting_cell;
    cell.xltype = xltypeNum;
    cell.val.num = vignetting_magnitudes(*D, *N, *F, *L, *dstop);
    return &cell;
}
