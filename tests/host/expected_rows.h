// The texts each row of the function table must reach the host with, in
// xlfRegister operand order after the module name.
#pragma once

#include <array>
#include <string>

namespace pellux::expected {

constexpr int kRowTexts = 17; // eight registration texts, nine help texts

inline const std::array<std::array<std::u16string, kRowTexts>, 5>& rows()
{
    static const std::u16string measurements = u"vector of Foucault test measurements (mils)";
    static const std::u16string ideal = u"vector of theoretical data points for perfect mirror (mils)";
    static const std::u16string tolerances = u"vector of tolerances for Rayleigh criterion (mils)";
    static const std::u16string zeff = u"vector of effective radii of the zones (inches)";
    static const std::u16string zwidth = u"vector of zone widths (inches)";
    static const std::u16string rcurve = u"paraxial radius of curvature for the mirror (inches)";
    static const std::array<std::array<std::u16string, kRowTexts>, 5> table = {{
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
    }};
    return table;
}

// The worksheet names, in row order.
inline const std::array<std::u16string, 5>& worksheet_names()
{
    static const std::array<std::u16string, 5> names = {u"CalcMaxAbsTA", u"MinimizeMaxAbsTA",
                                                        u"CalcWFE", u"MinimizeWFE", u"Vignetting"};
    return names;
}

} // namespace pellux::expected
