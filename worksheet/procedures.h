// The five worksheet procedures as the host calls them: "K" arguments as
// ZoneVector records, "E" arguments as pointers to doubles, the result a
// pointer to the procedure's own static cell.
#pragma once

#include "host/export.h"
#include "host/xloper.h"

using pellux::XLOPER12;
using pellux::ZoneVector;

PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_CalcMaxAbsTA(const ZoneVector* data, const ZoneVector* ideal,
                                        const ZoneVector* tol, const double* coc);
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_MinimizeMaxAbsTA(const ZoneVector* data, const ZoneVector* ideal,
                                            const ZoneVector* tol, const double* fittol);
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_CalcWFE(const ZoneVector* data, const ZoneVector* ideal,
                                   const ZoneVector* tol, const ZoneVector* zeff,
                                   const ZoneVector* zwidth, const double* rcurve,
                                   const double* coc, const double* wvl);
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_MinimizeWFE(const ZoneVector* data, const ZoneVector* ideal,
                                       const ZoneVector* tol, const ZoneVector* zeff,
                                       const ZoneVector* zwidth, const double* rcurve,
                                       const double* wvl, const double* fittol);
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_Vignetting(const double* D, const double* N, const double* F,
                                      const double* L, const double* dstop);
