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
constexpr const XChar* kMeanReadings = u"vector of mean Foucault readings of the zones (mils)";
constexpr const XChar* kZouter = u"vector of outer edge radii of the zones (inches)";
constexpr const XChar* kWavelength = u"wavelength (inches)";
} // namespace

const FunctionTable kFunctionTable = {
    {
        {u"xl_CalcMaxAbsTA", u"UKKKE", u"CalcMaxAbsTA", u"data,ideal,tol,COC", u"1", kCategory, u"", u""},
        {u"xl_MinimizeMaxAbsTA", u"UKKKE", u"MinimizeMaxAbsTA", u"data,ideal,tol,fittol", u"1", kCategory, u"", u""},
        {u"xl_CalcWFE", u"UKKKKKEEE", u"CalcWFE", u"data,ideal,tol,Zeff,Zwidth,Rcurve,COC,wvl", u"1", kCategory, u"", u""},
        {u"xl_MinimizeWFE", u"UKKKKKEEE", u"MinimizeWFE", u"data,ideal,tol,Zeff,Zwidth,Rcurve,wvl,fittol", u"1", kCategory, u"", u""},
        {u"xl_Vignetting", u"UEEEEE", u"Vignetting", u"D,N,F,L,Dstop", u"1", kCategory, u"", u""},
        {u"xl_WholeMirrorPV", u"UKKKKEE", u"WholeMirrorPV", u"data,ideal,Zeff,Zwidth,Rcurve,wvl", u"1", kCategory, u"", u""},
        {u"xl_WholeMirrorRMS", u"UKKKKKEE", u"WholeMirrorRMS", u"data,ideal,Zeff,Zwidth,Zouter,Rcurve,wvl", u"1", kCategory, u"", u""},
        {u"xl_StrehlRatio", u"UE", u"StrehlRatio", u"RMS", u"1", kCategory, u"", u""},
        {u"xl_Correction", u"UKK", u"Correction", u"data,ideal", u"1", kCategory, u"", u""},
        {u"xl_FigureUncertainty", u"UKKKKKKEE", u"FigureUncertainty", u"data,ideal,sem,Zeff,Zwidth,Zouter,Rcurve,wvl", u"1", kCategory, u"", u""},
        {u"xl_MirrorFigures", u"UKKKEEEEE", u"MirrorFigures", u"runs,present,Zeff,Redge,Rcurve,wvl,sigma,tester", u"1", kCategory, u"", u""},
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
        {u"Superseded by MirrorFigures. Zonal peak-to-valley wavefront error (waves) below its center of curvature (mils)",
         kMeanReadings, kIdeal, kZeff, kZwidth, kRcurve, kWavelength, nullptr, nullptr},
        {u"Superseded by MirrorFigures. Zonal least RMS wavefront error (waves) below its center of curvature (mils)",
         kMeanReadings, kIdeal, kZeff, kZwidth, kZouter, kRcurve, kWavelength, nullptr},
        {u"Strehl ratio exp(-(2 pi RMS)^2) of an RMS wavefront error",
         u"RMS wavefront error (waves)", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
         nullptr},
        {u"Superseded by MirrorFigures. Correction (%) above the best-fit conic constant",
         kMeanReadings, kIdeal, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
        {u"Superseded by MirrorFigures. Standard uncertainties of P-V and RMS (waves), Strehl ratio and correction (%), in a column",
         kMeanReadings, kIdeal, u"vector of standard uncertainties of the mean readings (mils)",
         kZeff, kZwidth, kZouter, kRcurve, kWavelength},
        {u"Whole-mirror figures, their uncertainties and verdict probabilities, reconstructed to the edge: a column of 21 (see the guide)",
         u"zones x runs of readings (mils, moving source doubled), 0 where blank",
         u"1 where a reading was taken, 0 where blank, as runs",
         kZeff, u"radius of the mirror (inches)", kRcurve, kWavelength,
         u"standard uncertainty of one reading (mils, moving source doubled)",
         u"1 for a fixed source, 2 for a moving source "},
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
