# The Pellux functions for LibreOffice Calc: a UNO component whose service is
# "_xll", so that Excel's _xll.CalcWFE(...) formulas bind to it, handing each
# call to the add-in module through pellux_bridge.
import unohelper

from org.pellux.calc import XPellux

import pellux_bridge as bridge


class Pellux(unohelper.Base, XPellux):
    def __init__(self, ctx):
        self.ctx = ctx

    def CalcMaxAbsTA(self, data, ideal, tol, COC):
        return bridge.scalar("xl_CalcMaxAbsTA", (data, ideal, tol), (COC,))

    def MinimizeMaxAbsTA(self, data, ideal, tol, fittol):
        return bridge.pair("xl_MinimizeMaxAbsTA", (data, ideal, tol), (fittol,))

    def CalcWFE(self, data, ideal, tol, Zeff, Zwidth, Rcurve, COC, wvl):
        return bridge.scalar("xl_CalcWFE", (data, ideal, tol, Zeff, Zwidth), (Rcurve, COC, wvl))

    def MinimizeWFE(self, data, ideal, tol, Zeff, Zwidth, Rcurve, wvl, fittol):
        return bridge.pair("xl_MinimizeWFE", (data, ideal, tol, Zeff, Zwidth), (Rcurve, wvl, fittol))

    def Vignetting(self, D, N, F, L, Dstop):
        return bridge.scalar("xl_Vignetting", (), (D, N, F, L, Dstop))

    def WholeMirrorPV(self, data, ideal, Zeff, Zwidth, Rcurve, wvl):
        return bridge.pair("xl_WholeMirrorPV", (data, ideal, Zeff, Zwidth), (Rcurve, wvl))

    def WholeMirrorRMS(self, data, ideal, Zeff, Zwidth, Zouter, Rcurve, wvl):
        return bridge.pair("xl_WholeMirrorRMS", (data, ideal, Zeff, Zwidth, Zouter), (Rcurve, wvl))

    def StrehlRatio(self, RMS):
        return bridge.scalar("xl_StrehlRatio", (), (RMS,))

    def Correction(self, data, ideal):
        return bridge.pair("xl_Correction", (data, ideal), ())

    def FigureUncertainty(self, data, ideal, sem, Zeff, Zwidth, Zouter, Rcurve, wvl):
        return bridge.column("xl_FigureUncertainty", (data, ideal, sem, Zeff, Zwidth, Zouter),
                             (Rcurve, wvl), 4)

    def MirrorFigures(self, runs, present, Zeff, Redge, Rcurve, wvl, sigma, tester):
        return bridge.column("xl_MirrorFigures", (runs, present, Zeff),
                             (Redge, Rcurve, wvl, sigma, tester), 21)


g_ImplementationHelper = unohelper.ImplementationHelper()
g_ImplementationHelper.addImplementation(
    Pellux, "org.pellux.calc.Functions", ("_xll", "com.sun.star.sheet.AddIn"))
