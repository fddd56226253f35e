// The whole mirror's figures: MirrorFigures over the runs in mils, its
// column beside the zone table, and the results, verdicts and notes that
// read from it.
#include "tools/reduction/formulas.h"

namespace reduction {

namespace {

std::string in(int row) { return a1(row, kInValue, true); }
std::string figure(const Layout& l, Figure k) { return a1(static_cast<int>(kRowMirrorHead) + static_cast<int>(k), l.figures_col(), true); }
// The mirror's radius, inches: the chart band's far end.
std::string edge_in() { return a1(kRowBandX, kInValueEnd, true); }

std::string runs_range(const Layout& l, int (Layout::*col)(int) const)
{
    return a1(l.first, (l.*col)(0), true) + ":" + a1(l.last, (l.*col)(l.runs - 1), true);
}

// A probability of at least one half, as the verdicts say it.
std::string probability(const std::string& p)
{
    return "IF(" + p + ">0.99,\"above 0.99\",FIXED(" + p + ",2))";
}

// A length in the units typed: two decimals of an inch, one of a millimetre.
std::string length(const std::string& inches)
{
    return "FIXED(" + inches + "*" + in(kRowPerInch) + ",IF(" + in(kRowPerInch) + "=1,2,1))&\" \"&" +
           in(kRowUnits);
}

} // namespace

std::string f_run_mils(const Layout& l, int row, int k)
{
    const std::string run = a1(row, l.run(k));
    return "=IF(ISNUMBER(" + run + ")," + run + "/" + in(kRowPerInch) + "*1000*" + in(kRowTesterFactor) +
           ",IF(ISBLANK(" + run + "),0,NA()))";
}

std::string f_run_taken(const Layout& l, int row, int k)
{
    return "=IF(ISNUMBER(" + a1(row, l.run(k)) + "),1,0)";
}

std::string f_sigma_mils()
{
    return "=" + in(kRowReadingSigma) + "/" + in(kRowPerInch) + "*1000*" + in(kRowTesterFactor);
}

std::string f_mirror_figures(const Layout& l)
{
    return "{=_xll.MirrorFigures(" + runs_range(l, &Layout::mils_col) + "," + runs_range(l, &Layout::taken_col) +
           "," + zone_range(l, kZeff) + "," + edge_in() + "," + in(kRowRadiusIn) + "," + in(kRowWavelengthIn) +
           "," + in(kRowSigmaMils) + "," + in(kRowTesterFactor) + ")}";
}

std::string f_figure(const Layout& l, Figure k) { return "=" + figure(l, k); }

// One reading's scatter over the root of the zone's count of readings.
std::string f_sem(const Layout& l, int row)
{
    const std::string r = a1(row, l.run(0)) + ":" + a1(row, l.run(l.runs - 1));
    return "=" + figure(l, kFigScatter) + "/SQRT(COUNT(" + r + "))";
}

std::string f_scatter(const Layout& l)
{
    return "=" + figure(l, kFigScatter) + "/1000/" + in(kRowTesterFactor) + "*" + in(kRowPerInch);
}

std::string f_pv_verdict(const Layout& l)
{
    const std::string p = figure(l, kFigPQuarter);
    return "=IF(ISERROR(" + p + ")," + error_meaning(p) + ",IF(" + p +
           ">=0.5,\"within 1/4 wave (probability \"&" + probability(p) + "&\")\",\"beyond 1/4 wave (probability \"&" +
           probability("1-" + p) + "&\")\"))";
}

std::string f_strehl_verdict(const Layout& l)
{
    const std::string p = figure(l, kFigPStrehl);
    return "=IF(ISERROR(" + p + ")," + error_meaning(p) + ",IF(" + p +
           ">=0.5,\"at least 0.8 (probability \"&" + probability(p) + "&\")\",\"below 0.8 (probability \"&" +
           probability("1-" + p) + "&\")\"))";
}

std::string f_covered(const Layout& l)
{
    const std::string first = figure(l, kFigFirst), last = figure(l, kFigLast);
    return "=IF(ISERROR(" + first + ")," + error_meaning(first) + ",\"from \"&" + length(first) + "&\" to \"&" +
           length(last) + ")";
}

std::string f_edge_note(const Layout& l)
{
    const std::string e = figure(l, kFigEdge);
    return "=IF(ISERROR(" + e + "),\"\",IF(" + e + ">0.02,\"The outer \"&FIXED(" + e +
           "*100,1)&\" % of the radius (\"&" + length(e + "*" + edge_in()) +
           "&\") is not measured: a turned edge there would not show. Add a narrow edge zone.\","
           "\"The readings reach within \"&FIXED(" + e + "*100,1)&\" % of the edge.\"))";
}

std::string f_centre_note(const Layout& l)
{
    const std::string c = figure(l, kFigCentre);
    return "=IF(ISERROR(" + c + "),\"\",IF(" + c + ">0.5,\"The innermost zone carries \"&FIXED(" + c +
           "*100,0)&\" % of the P-V: one reading cannot tell a hill's shape. Test the centre again with a "
           "narrower opening.\",\"\"))";
}

} // namespace reduction
