// The texts each row of the function table must reach the host with, in
// xlfRegister operand order after the module name.
#pragma once

#include <array>
#include <string>

namespace pellux::expected {

constexpr int kRowTexts = 17; // eight registration texts, nine help texts
constexpr std::size_t kRows = 11;

inline const std::array<std::array<std::u16string, kRowTexts>, 11>& rows()
{
    static const std::u16string measurements = u"vector of Foucault test measurements (mils)";
    static const std::u16string ideal = u"vector of theoretical data points for perfect mirror (mils)";
    static const std::u16string tolerances = u"vector of tolerances for Rayleigh criterion (mils)";
    static const std::u16string zeff = u"vector of effective radii of the zones (inches)";
    static const std::u16string zwidth = u"vector of zone widths (inches)";
    static const std::u16string rcurve = u"paraxial radius of curvature for the mirror (inches)";
    static const std::u16string means = u"vector of mean Foucault readings of the zones (mils)";
    static const std::u16string zouter = u"vector of outer edge radii of the zones (inches)";
    static const std::u16string wvl = u"wavelength (inches)";
    static const std::array<std::array<std::u16string, kRowTexts>, 11> table = {{
        {u"xl_CalcMaxAbsTA", u"UKKKE", u"CalcMaxAbsTA", u"data,ideal,tol,COC", u"1",
         u"Pellux Functions", u"", u"",
         u"Max absolute transverse abberation in multiples of Rayleigh tolerance",
         measurements, ideal, tolerances, u"paraxial center of curvature (mils) ", u"", u"", u"",
         u""},
        {u"xl_MinimizeMaxAbsTA", u"UKKKE", u"MinimizeMaxAbsTA", u"data,ideal,tol,fittol", u"1",
         u"Pellux Functions", u"", u"",
         u"Min transverse abberation and corresponding paraxial center of curvature",
         measurements, ideal, tolerances, u"desired fractional error ", u"", u"", u"", u""},
        {u"xl_CalcWFE", u"UKKKKKEEE", u"CalcWFE", u"data,ideal,tol,Zeff,Zwidth,Rcurve,COC,wvl",
         u"1", u"Pellux Functions", u"", u"", u"Wavefront error in multiples of the wavelength",
         measurements, ideal, tolerances, zeff, zwidth, rcurve,
         u"paraxial center of curvature (mils)", u"wavelength (inches) "},
        {u"xl_MinimizeWFE", u"UKKKKKEEE", u"MinimizeWFE",
         u"data,ideal,tol,Zeff,Zwidth,Rcurve,wvl,fittol", u"1", u"Pellux Functions", u"", u"",
         u"Min wavefront error and corresponding paraxial center of curvature", measurements,
         ideal, tolerances, zeff, zwidth, rcurve, u"wavelength (inches)",
         u"desired fractional error "},
        {u"xl_Vignetting", u"UEEEEE", u"Vignetting", u"D,N,F,L,Dstop", u"1", u"Pellux Functions",
         u"", u"", u"Vignetting for centrally obscured circular aperture",
         u"Primary aperture diameter (inches)", u"Secondary obstruction diameter (inches)",
         u"Primary focal length (inches)", u"Distance from secondary to focus (inches)",
         u"Field stop diameter (mm)", u"", u"", u""},
        {u"xl_WholeMirrorPV", u"UKKKKEE", u"WholeMirrorPV", u"data,ideal,Zeff,Zwidth,Rcurve,wvl",
         u"1", u"Pellux Functions", u"", u"",
         u"Superseded by MirrorFigures. Zonal peak-to-valley wavefront error (waves) below its "
         u"center of curvature (mils)",
         means, ideal, zeff, zwidth, rcurve, wvl, u"", u""},
        {u"xl_WholeMirrorRMS", u"UKKKKKEE", u"WholeMirrorRMS",
         u"data,ideal,Zeff,Zwidth,Zouter,Rcurve,wvl", u"1", u"Pellux Functions", u"", u"",
         u"Superseded by MirrorFigures. Zonal least RMS wavefront error (waves) below its center "
         u"of curvature (mils)", means, ideal,
         zeff, zwidth, zouter, rcurve, wvl, u""},
        {u"xl_StrehlRatio", u"UE", u"StrehlRatio", u"RMS", u"1", u"Pellux Functions", u"", u"",
         u"Strehl ratio exp(-(2 pi RMS)^2) of an RMS wavefront error",
         u"RMS wavefront error (waves)", u"", u"", u"", u"", u"", u"", u""},
        {u"xl_Correction", u"UKK", u"Correction", u"data,ideal", u"1", u"Pellux Functions", u"",
         u"", u"Superseded by MirrorFigures. Correction (%) above the best-fit conic constant", means, ideal, u"", u"", u"", u"",
         u"", u""},
        {u"xl_FigureUncertainty", u"UKKKKKKEE", u"FigureUncertainty",
         u"data,ideal,sem,Zeff,Zwidth,Zouter,Rcurve,wvl", u"1", u"Pellux Functions", u"", u"",
         u"Superseded by MirrorFigures. Standard uncertainties of P-V and RMS (waves), Strehl "
         u"ratio and correction (%), in a column",
         means, ideal, u"vector of standard uncertainties of the mean readings (mils)", zeff,
         zwidth, zouter, rcurve, wvl},
        {u"xl_MirrorFigures", u"UKKKEEEEE", u"MirrorFigures",
         u"runs,present,Zeff,Redge,Rcurve,wvl,sigma,tester", u"1", u"Pellux Functions", u"", u"",
         u"Whole-mirror figures, their uncertainties and verdict probabilities, reconstructed to "
         u"the edge: a column of 21 (see the guide)",
         u"zones x runs of readings (mils, moving source doubled), 0 where blank",
         u"1 where a reading was taken, 0 where blank, as runs", zeff,
         u"radius of the mirror (inches)", rcurve, wvl,
         u"standard uncertainty of one reading (mils, moving source doubled)",
         u"1 for a fixed source, 2 for a moving source "},
    }};
    return table;
}

// The worksheet names, in row order.
inline const std::array<std::u16string, 11>& worksheet_names()
{
    static const std::array<std::u16string, 11> names = {
        u"CalcMaxAbsTA", u"MinimizeMaxAbsTA", u"CalcWFE",        u"MinimizeWFE",
        u"Vignetting",   u"WholeMirrorPV",    u"WholeMirrorRMS", u"StrehlRatio",
        u"Correction",   u"FigureUncertainty", u"MirrorFigures"};
    return names;
}

} // namespace pellux::expected
