#include "addin/function_table.h"

namespace pellux {

namespace {
constexpr const XChar* kCategory = u"Pellux Functions";
constexpr const XChar* kMeasurements = u"vector of Foucault test measurements (mils)";
constexpr const XChar* kIdeal = u"vector of theoretical data points for perfect mirror (mils)";
constexpr const XChar* kTolerances = u"vector of tolerances for Rayleigh criterion (mils)";
constexpr const XChar* kZeff = u"vector of effective radii of the zones (inches)";
constexpr const XChar* kZwidth = u"vector of zone widths (inches)";
constexpr const XChar* kRcurve = u"paraxial radius of curvature for the mirror (inches)";
} // namespace

const FunctionTable kFunctionTable = {
    {
        {u"xl_CalcMaxAbsTA", u"UKKKE", u"CalcMaxAbsTA", u"data,ideal,tol,COC", u"1", kCategory, u"", u""},
        {u"xl_MinimizeMaxAbsTA", u"UKKKE", u"MinimizeMaxAbsTA", u"data,ideal,tol,fittol", u"1", kCategory, u"", u""},
        {u"xl_CalcWFE", u"UKKKKKEEE", u"CalcWFE", u"data,ideal,tol,Zeff,Zwidth,Rcurve,COC,wvl", u"1", kCategory, u"", u""},
        {u"xl_MinimizeWFE", u"UKKKKKEEE", u"MinimizeWFE", u"data,ideal,tol,Zeff,Zwidth,Rcurve,wvl,fittol", u"1", kCategory, u"", u""},
        {u"xl_Vignetting", u"UEEEEE", u"Vignetting", u"D,N,F,L,Dstop", u"1", kCategory, u"", u""},
    },
    {
        {u"Max absolute transverse abberation in multiples of Rayleigh tolerance",
         kMeasurements, kIdeal, kTolerances, u"paraxial center of curvature (mils) ",
         nullptr, nullptr, nullptr, nullptr},
        {u"Min transverse abberation and corresponding paraxial center of curvature",
         kMeasurements, kIdeal, kTolerances, u"desired fractional error ",
         nullptr, nullptr, nullptr, nullptr},
        {u"Wavefront error in multiples of the wavelength",
         kMeasurements, kIdeal, kTolerances, kZeff, kZwidth, kRcurve,
         u"paraxial center of curvature (mils)", u"wavelength (inches) "},
        {u"Min wavefront error and corresponding paraxial center of curvature",
         kMeasurements, kIdeal, kTolerances, kZeff, kZwidth, kRcurve,
         u"wavelength (inches)", u"desired fractional error "},
        {u"Vignetting for centrally obscured circular aperture",
         u"Primary aperture diameter (inches)", u"Secondary obstruction diameter (inches)",
         u"Primary focal length (inches)", u"Distance from secondary to focus (inches)",
         u"Field stop diameter (mm)", nullptr, nullptr, nullptr},
    },
};

const XChar* registration_text(const FunctionRow& row, int index)
{
    const XChar* const texts[kRegistrationTexts] = {
        row.procedure, row.type_text, row.function_text, row.argument_text,
        row.macro_type, row.category, row.shortcut_text, row.help_topic};
    return texts[index];
}

} // namespace pellux
