#include "tools/reduction/formulas.h"

namespace reduction {

namespace {

std::string in(int row) { return a1(row, kInValue, true); }
std::string out(int row) { return a1(row, kOutValue, true); }
std::string at(int row, int col) { return a1(row, col, false); }

const std::string kCheck = "\"check inputs\"";

// A verdict that never presents a number computed from bad input.
std::string verdict(const std::string& cell, const std::string& test, const std::string& good,
                    const std::string& bad)
{
    return "=IF(ISERROR(" + cell + ")," + kCheck + ",IF(" + cell + test + ",\"" + good +
           "\",\"" + bad + "\"))";
}

// Each zone's opening must have an inner edge at or beyond the centre and an
// outer edge beyond the inner one; otherwise #NUM!.
std::string bad_zone(int row)
{
    return "OR(" + at(row, kInner) + "<0," + at(row, kOuter) + "<=" + at(row, kInner) + ")";
}

// The add-in's per-zone vectors.
std::string vectors3(const Layout& l)
{
    return zone_range(l, kReading) + "," + zone_range(l, kIdeal) + "," + zone_range(l, kTol);
}

std::string vectors5(const Layout& l)
{
    return vectors3(l) + "," + zone_range(l, kZeff) + "," + zone_range(l, kZwidth);
}

} // namespace

std::string f_units_per_inch() { return "=IF(" + in(kRowUnits) + "=\"mm\",25.4,1)"; }
std::string f_tester_factor() { return "=IF(" + in(kRowTester) + "=\"moving source\",2,1)"; }
// D, R and the wavelength must be positive; otherwise #NUM! flows on.
static std::string positive(int row, const std::string& conversion)
{
    return "=IF(" + in(row) + ">0," + in(row) + conversion + ",SQRT(-1))";
}

std::string f_diameter_in() { return positive(kRowDiameter, "/" + in(kRowPerInch)); }
std::string f_radius_in() { return positive(kRowRadius, "/" + in(kRowPerInch)); }
std::string f_wavelength_in() { return positive(kRowWavelength, "/25400000"); }

// Radius of the Airy disc, p = 1.22 λ f / D with f = R/2, inches.
std::string f_airy_radius()
{
    return "=1.22*" + in(kRowWavelengthIn) + "*(" + in(kRowRadiusIn) + "/2)/" + in(kRowDiameterIn);
}

std::string f_coc_mils()
{
    return "=" + in(kRowCoc) + "/" + in(kRowPerInch) + "*1000*" + in(kRowTesterFactor);
}

std::string f_band_edge() { return "=" + in(kRowDiameterIn) + "/2"; }
std::string f_default_focal_length() { return "=" + in(kRowRadius) + "/2"; }
std::string f_unit_label() { return "=" + in(kRowUnits); }

std::string f_zeff(int row)
{
    const std::string r1 = at(row, kInner), r2 = at(row, kOuter);
    return "=IF(" + bad_zone(row) + ",SQRT(-1),IF(" + in(kRowZoneRadius) + "=\"rms\",SQRT((" + r1 +
           "*" + r1 + "+" + r2 + "*" + r2 + ")/2),(" + r1 + "+" + r2 + ")/2)/" + in(kRowPerInch) +
           ")";
}

std::string f_zwidth(int row)
{
    return "=IF(" + bad_zone(row) + ",SQRT(-1),(" + at(row, kOuter) + "-" + at(row, kInner) + ")/" +
           in(kRowPerInch) + ")";
}

// Blank runs are left out of the average; a row of blanks gives #DIV/0!.
std::string f_reading(int row)
{
    return "=AVERAGE(" + at(row, kRun1) + ":" + at(row, kRun3) + ")/" + in(kRowPerInch) + "*1000*" +
           in(kRowTesterFactor);
}

// A paraboloid's reading on a fixed-source tester, 1000 Zeff^2 / R (mils): with
// the source fixed, a zone's reflected ray crosses the axis twice as far from
// the centre zone's as its centre of curvature lies (r^2/R against r^2/2R).
std::string f_ideal(int row)
{
    return "=1000*" + at(row, kZeff) + "*" + at(row, kZeff) + "/" + in(kRowRadiusIn);
}

// Millies-Lacroix: a reading deviation of 2 R p / Zeff moves the zone's ray
// by the Airy radius p at the focus (mils).
std::string f_tolerance(int row)
{
    return "=1000*2*" + in(kRowRadiusIn) + "*" + in(kRowAiry) + "/" + at(row, kZeff);
}

// Signed aberration in tolerances, as CalcMaxAbsTA forms it before |.|.
std::string f_ta_at_best(int row)
{
    return "=((" + at(row, kReading) + "-" + at(row, kIdeal) + ")+" + out(kRowTaCoc) + ")/" +
           at(row, kTol);
}

// The height gained across the zone (inches), operation for operation as
// the add-in forms it.
std::string f_step(int row)
{
    return "=-((" + at(row, kReading) + "-" + at(row, kIdeal) + ")+" + out(kRowWfeCoc) + ")/1000*" +
           at(row, kZeff) + "/" + in(kRowRadiusIn) + "/" + in(kRowRadiusIn) + "*" + at(row, kZwidth);
}

// Running sum from the first zone outward: W_j = t_j + W_(j-1).
std::string f_profile(const Layout& l, int row)
{
    if (row == l.first)
        return "=" + at(row, kStep);
    return "=" + at(row, kStep) + "+" + at(row - 1, kProfileIn);
}

std::string f_profile_waves(int row)
{
    return "=" + at(row, kProfileIn) + "/" + in(kRowWavelengthIn);
}

std::string f_minimize_ta(const Layout& l)
{
    return "{=_xll.MinimizeMaxAbsTA(" + vectors3(l) + "," + in(kRowFittol) + ")}";
}

std::string f_coc_as_reading()
{
    return "=" + out(kRowTaCoc) + "/1000*" + in(kRowPerInch) + "/" + in(kRowTesterFactor);
}

std::string f_ta_verdict()
{
    return verdict(out(kRowTaMax), "<=1", "within the Millies-Lacroix tolerance",
                   "outside the Millies-Lacroix tolerance");
}

std::string f_minimize_wfe(const Layout& l)
{
    return "{=_xll.MinimizeWFE(" + vectors5(l) + "," + in(kRowRadiusIn) + "," + in(kRowWavelengthIn) +
           "," + in(kRowFittol) + ")}";
}

std::string f_wave_fraction()
{
    const std::string pv = out(kRowWfePv);
    return "=IF(" + pv + ">0,1/" + pv + ",\"no error\")";
}

std::string f_wfe_verdict()
{
    return verdict(out(kRowWfePv), "<=0.25", "within the Rayleigh quarter wave",
                   "beyond the Rayleigh quarter wave");
}

std::string f_calc_ta(const Layout& l)
{
    return "=_xll.CalcMaxAbsTA(" + vectors3(l) + "," + in(kRowCocMils) + ")";
}

std::string f_calc_ta_remark()
{
    return verdict(out(kRowUserTa), "<=1", "within tolerance", "outside tolerance");
}

std::string f_calc_wfe(const Layout& l)
{
    return "=_xll.CalcWFE(" + vectors5(l) + "," + in(kRowRadiusIn) + "," + in(kRowCocMils) + "," +
           in(kRowWavelengthIn) + ")";
}

std::string f_calc_wfe_remark()
{
    return verdict(out(kRowUserWfe), "<=0.25", "within 1/4 wave", "beyond 1/4 wave");
}

// D in inches from the converted block; the Newtonian's lengths converted here.
std::string f_vignetting()
{
    const std::string per_inch = "/" + in(kRowPerInch);
    return "=_xll.Vignetting(" + in(kRowDiameterIn) + "," + in(kRowSecondary) + per_inch + "," +
           in(kRowFocal) + per_inch + "," + in(kRowToFocus) + per_inch + "," + in(kRowStop) + ")";
}

std::string f_edge_light() { return "=10^(" + out(kRowVignetting) + "/2.5)"; }

std::string f_profile_pv(const Layout& l)
{
    const std::string w = zone_range(l, kProfileIn);
    return "=(MAX(" + w + ")-MIN(" + w + "))/" + in(kRowWavelengthIn);
}

std::string f_profile_pv_remark()
{
    return "=IF(ISERROR(" + out(kRowProfilePv) + ")," + kCheck + ",IF(" + out(kRowProfilePv) + "=" +
           out(kRowWfePv) + ",\"equals MinimizeWFE\",\"differs from MinimizeWFE\"))";
}

} // namespace reduction
