#include "tools/reduction/formulas.h"

namespace reduction {

namespace {

std::string in(int row) { return a1(row, kInValue, true); }
std::string out(int row) { return a1(row, kOutValue, true); }
std::string at(const Layout& l, int row, ZoneCol field) { return a1(row, l.col(field), false); }

// A verdict that never presents a number computed from bad input.
std::string verdict(const std::string& cell, const std::string& test, const std::string& good,
                    const std::string& bad)
{
    return "=IF(ISERROR(" + cell + ")," + error_meaning(cell) + ",IF(" + cell + test + ",\"" + good +
           "\",\"" + bad + "\"))";
}

// Each zone's opening must have an inner edge at or beyond the centre and an
// outer edge beyond the inner one; otherwise #NUM!.
std::string bad_zone(const Layout& l, int row)
{
    return "OR(" + at(l, row, kInner) + "<0," + at(l, row, kOuter) + "<=" + at(l, row, kInner) + ")";
}

std::string runs(const Layout& l, int row)
{
    return a1(row, l.run(0)) + ":" + a1(row, l.run(l.runs - 1));
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

// The figure functions' vectors: mean readings and the paraboloid's, then
// those that place the zones.

// Wavefront slope per mil of knife-edge difference times the zone's width:
// the add-in's zone term without its difference.
std::string zone_gain(const Layout& l, int row)
{
    return "/1000*" + at(l, row, kZeff) + "/" + in(kRowRadiusIn) + "/" + in(kRowRadiusIn) + "*" +
           at(l, row, kZwidth);
}

std::string difference(const Layout& l, int row)
{
    return "(" + at(l, row, kReading) + "-" + at(l, row, kIdeal) + ")";
}

} // namespace

const std::string kNoAddin = "\"the Pellux add-in is not loaded: see Installing Pellux in the README\"";

std::string error_meaning(const std::string& cell)
{
    return "IF(IFERROR(ERROR.TYPE(" + cell + "),0)=5," + kNoAddin + ",\"check inputs\")";
}

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

// Sample standard deviation of the runs, in the units typed; blank with
// fewer than two runs.
std::string f_sd(const Layout& l, int row)
{
    return "=IF(COUNT(" + runs(l, row) + ")>1,STDEV(" + runs(l, row) + "),\"\")";
}

std::string f_zeff(const Layout& l, int row)
{
    const std::string r1 = at(l, row, kInner), r2 = at(l, row, kOuter), rule = in(kRowZoneRadius);
    const std::string rms = "SQRT((" + r1 + "*" + r1 + "+" + r2 + "*" + r2 + ")/2)";
    const std::string mean = "(" + r1 + "+" + r2 + ")/2";
    return "=IF(" + bad_zone(l, row) + ",SQRT(-1),IF(" + rule + "=\"rms\"," + rms + ",IF(" + rule +
           "=\"carlin\",(" + mean + "+" + rms + ")/2," + mean + "))/" + in(kRowPerInch) + ")";
}

std::string f_zwidth(const Layout& l, int row)
{
    return "=IF(" + bad_zone(l, row) + ",SQRT(-1),(" + at(l, row, kOuter) + "-" +
           at(l, row, kInner) + ")/" + in(kRowPerInch) + ")";
}

// Blank runs are left out of the average; a row of blanks gives #DIV/0!, a
// run that is not a number #N/A (its zone and run named in the check column).
std::string f_reading(const Layout& l, int row)
{
    return "=IF(" + at(l, row, kCheck) + "=\"\",AVERAGE(" + runs(l, row) + ")/" + in(kRowPerInch) +
           "*1000*" + in(kRowTesterFactor) + ",NA())";
}

// "zone 3, run 2: not a number. " for every run of the zone that holds
// anything but a number or a blank; empty when all are.
std::string f_check(const Layout& l, int row)
{
    std::string f = "=";
    for (int k = 0; k < l.runs; ++k) {
        const std::string cell = a1(row, l.run(k));
        f += std::string(k ? "&" : "") + "IF(AND(NOT(ISBLANK(" + cell + ")),NOT(ISNUMBER(" + cell +
             "))),\"zone \"&" + at(l, row, kZoneNo) + "&\", run " + std::to_string(k + 1) +
             ": not a number. \",\"\")";
    }
    return f;
}

// A paraboloid's reading on a fixed-source tester, 1000 Zeff^2 / R (mils): with
// the source fixed, a zone's reflected ray crosses the axis twice as far from
// the centre zone's as its centre of curvature lies (r^2/R against r^2/2R).
std::string f_ideal(const Layout& l, int row)
{
    return "=1000*" + at(l, row, kZeff) + "*" + at(l, row, kZeff) + "/" + in(kRowRadiusIn);
}

// Millies-Lacroix: a reading deviation of 2 R p / Zeff moves the zone's ray
// by the Airy radius p at the focus (mils).
std::string f_tolerance(const Layout& l, int row)
{
    return "=1000*2*" + in(kRowRadiusIn) + "*" + in(kRowAiry) + "/" + at(l, row, kZeff);
}

// Signed aberration in tolerances, as CalcMaxAbsTA forms it before |.|.
std::string f_ta_at_best(const Layout& l, int row)
{
    return "=(" + difference(l, row) + "+" + out(kRowTaCoc) + ")/" + at(l, row, kTol);
}

// One standard deviation of the runs, in tolerances (0 with a single run).
std::string f_ta_sd(const Layout& l, int row)
{
    const std::string sd = at(l, row, kSd);
    return "=IF(ISNUMBER(" + sd + ")," + sd + "/" + in(kRowPerInch) + "*1000*" +
           in(kRowTesterFactor) + "/" + at(l, row, kTol) + ",0)";
}

// The height gained across the zone (inches), operation for operation as
// the add-in forms it.
std::string f_step(const Layout& l, int row)
{
    return "=-(" + difference(l, row) + "+" + out(kRowPvCoc) + ")" + zone_gain(l, row);
}

// Running sum from the starting point (0) outward: W_j = t_j + W_(j-1).
std::string f_profile(const Layout& l, int row)
{
    return "=" + at(l, row, kStep) + "+" + at(l, row - 1, kProfileIn);
}

std::string f_profile_waves(const Layout& l, int row)
{
    return "=" + at(l, row, kProfileIn) + "/" + in(kRowWavelengthIn);
}

std::string f_edge(const Layout& l, int row)
{
    return "=" + at(l, row, kOuter) + "/" + in(kRowPerInch);
}

std::string f_start_edge(const Layout& l) { return "=" + at(l, l.first, kInner) + "/" + in(kRowPerInch); }

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

// "1/n wave" below one wave, "n.nn waves" from one wave up.
std::string f_wave_fraction()
{
    const std::string pv = out(kRowPv);
    return "=IF(ISERROR(" + pv + ")," + pv + ",IF(" + pv + "<=0,\"no error\",IF(" + pv +
           "<1,\"1/\"&FIXED(1/" + pv + ",IF(1/" + pv + ">=100,0,1),TRUE)&\" wave\",FIXED(" + pv +
           ",2,TRUE)&\" waves\")))";
}

std::string f_results_title()
{
    return "=IF(ISERROR(_xll.StrehlRatio(0)),\"Results: the Pellux add-in is not loaded. See "
           "Installing Pellux in the README.\",\"Results from the Pellux add-in\")";
}

// Every zone's check, one after the other.
std::string f_readings(const Layout& l)
{
    std::string all;
    for (int row = l.first; row <= l.last; ++row)
        all += (row > l.first ? "&" : "") + a1(row, l.col(kCheck), true);
    return "=IF(" + all + "=\"\",\"all readings are numbers\"," + all + ")";
}

// MinimizeWFE searches c ± w only: c minus the mean of the last two zones'
// differences, w twice the last zone's tolerance (the add-in's operations).
static std::string window_centre(const Layout& l)
{
    return "-(" + difference(l, l.last) + "+" + difference(l, l.last - 1) + ")*0.5";
}

static std::string window_width(const Layout& l)
{
    return "(" + at(l, l.last, kTol) + "+" + at(l, l.last, kTol) + ")";
}

std::string f_window_low(const Layout& l) { return "=" + window_centre(l) + "-" + window_width(l); }
std::string f_window_high(const Layout& l) { return "=" + window_width(l) + window_centre(l); }

// The wavefront error is convex in the centre of curvature, so the search
// ended at an end of its window exactly when that end is no worse.
std::string f_window_warning(const Layout& l)
{
    const std::string pv = out(kRowWfePv), lo = out(kRowWindowLo), hi = out(kRowWindowHi);
    auto at_end = [&](const std::string& end) {
        return "_xll.CalcWFE(" + vectors5(l) + "," + in(kRowRadiusIn) + "," + end + "," +
               in(kRowWavelengthIn) + ")<=" + pv;
    };
    return "=IF(OR(ISERROR(" + pv + "),ISERROR(" + lo + "),ISERROR(" + hi + ")),\"\",IF(OR(" +
           at_end(lo) + "," + at_end(hi) +
           "),\"At an end of MinimizeWFE's search window: its P-V is not the mirror's, "
           "not even an upper bound. Judge the mirror by the whole-mirror figures above.\",\"\"))";
}

// The surface is half the wavefront; both from the whole-mirror figures.
std::string f_rms_nm() { return "=" + out(kRowRms) + "/2*" + in(kRowWavelength); }
std::string f_pv_nm() { return "=" + out(kRowPv) + "/2*" + in(kRowWavelength); }

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

// Over every point of the chart, its first (0 at the first zone's inner
// edge) included: the whole-mirror P-V's own profile.
std::string f_profile_pv(const Layout& l)
{
    const std::string w = a1(l.start, l.col(kProfileIn), true) + ":" + a1(l.last, l.col(kProfileIn), true);
    return "=(MAX(" + w + ")-MIN(" + w + "))/" + in(kRowWavelengthIn);
}

std::string f_profile_pv_remark()
{
    return "=IF(ISERROR(" + out(kRowProfilePv) + ")," + error_meaning(out(kRowProfilePv)) + ",IF(" +
           out(kRowProfilePv) + "=" +
           out(kRowPv) +
           ",\"equals the P-V above\",\"the zones' steps only\"))";
}

} // namespace reduction
