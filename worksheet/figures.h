// The figure functions as the host calls them, in the conventions of the
// five: "K" zone vectors in mils and inches, "E" scalars, results in the
// procedure's own static cell, a column of numbers owned by the library.
#pragma once

#include "host/export.h"
#include "host/xloper.h"

using pellux::XLOPER12;
using pellux::ZoneVector;

// Centre of curvature (mils) over the whole mirror's least P-V (waves).
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_WholeMirrorPV(const ZoneVector* data, const ZoneVector* ideal,
                                         const ZoneVector* zeff, const ZoneVector* zwidth,
                                         const double* rcurve, const double* wvl);
// Centre of curvature (mils) over the least RMS wavefront error (waves).
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_WholeMirrorRMS(const ZoneVector* data, const ZoneVector* ideal,
                                          const ZoneVector* zeff, const ZoneVector* zwidth,
                                          const ZoneVector* zouter, const double* rcurve,
                                          const double* wvl);
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_StrehlRatio(const double* rms);
// Correction (per cent) over the best-fit conic constant.
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_Correction(const ZoneVector* data, const ZoneVector* ideal);
// Standard uncertainties of P-V, RMS (waves), Strehl ratio and correction (%).
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_FigureUncertainty(const ZoneVector* data, const ZoneVector* ideal,
                                             const ZoneVector* sem, const ZoneVector* zeff,
                                             const ZoneVector* zwidth, const ZoneVector* zouter,
                                             const double* rcurve, const double* wvl);
// The whole mirror's figures from its runs (zones x runs, mils, a moving
// source's doubled; `present` 0 where a run has no reading), its zones'
// effective radii, the mirror's radius, R, the wavelength (inches), one
// reading's uncertainty (mils) and the tester's factor (1 fixed, 2 moving):
// a column of 21, in the order of MirrorFigures in the core.
PELLUX_EXPORT XLOPER12* PELLUX_STDCALL xl_MirrorFigures(const ZoneVector* runs, const ZoneVector* present,
                                         const ZoneVector* zeff, const double* redge,
                                         const double* rcurve, const double* wvl,
                                         const double* sigma, const double* tester);
