// The short "how to use" text at the foot of the sheet.
#include <string>
#include <vector>

#include "tools/reduction/book.h"

namespace reduction {

namespace {

std::string column(int col)
{
    const std::string cell = a1(0, col);
    return cell.substr(0, cell.size() - 1);
}

std::vector<std::string> lines(const Layout& l)
{
    const std::string runs = std::to_string(l.runs);
    const std::string from = column(l.col(kSd)), to = column(l.last_col());
    return {
        "1.  Load the add-in. Excel: File > Options > Add-ins > Manage: Excel Add-ins > Go... > "
        "Browse..., pick Pellux.XLL. LibreOffice Calc: Tools > Extension Manager > Add..., pick "
        "Pellux.oxt.",
        "     The blue cells need it; every other cell is plain spreadsheet, alike in Excel 2007 "
        "and later and in LibreOffice Calc.",
        "2.  Choose the units of length (in or mm) in F5: the diameter, radius of curvature, zone "
        "radii, readings and your centre of curvature are all typed in them.",
        "3.  Type the mirror's diameter and radius of curvature, the test wavelength, and pick your "
        "tester: fixed source, or moving source (its readings are doubled).",
        "4.  In the zone table, type each zone's inner and outer radius from your Couder mask and up "
        "to " + runs + " runs of knife-edge readings; leave unused runs blank.",
        "     No mask yet? pellux-mask prints one at actual size (ready PDFs come with Pellux): print "
        "at 100 %, not fit to page, check its 100 mm bar with a ruler, glue it to card and cut.",
        "5.  Read the results. The whole mirror's peak-to-valley wavefront error, from the centre "
        "to the edge at the centre of curvature that makes it least,",
        "     decides the verdict: at most 1/4 wave meets Rayleigh's criterion. The RMS wavefront "
        "error and the Strehl ratio (0.8 and above is diffraction limited) say more.",
        "     Each figure has an uncertainty: how much it would scatter if you tested again. With "
        "one run per zone it comes from the reading uncertainty in F13.",
        "     MinimizeMaxAbsTA finds where the worst zone's transverse aberration is smallest (at "
        "most 1 tolerance meets Millies-Lacroix). MinimizeWFE's P-V leaves out the centre.",
        "6.  Correction (%) tells how far parabolising has come: 0 % is a sphere, 100 % a "
        "paraboloid; above 100 % is overcorrected.",
        "7.  Type a centre of curvature of your own in F12 (as a reading) to see CalcMaxAbsTA and "
        "CalcWFE there; the best ones are shown as readings too.",
        "8.  More zones: select a zone row inside the zone table (not the first), Home > Insert > "
        "Insert Sheet Rows, and type the zone. Every range grows with it.",
        "     Then select columns " + from + " to " + to + " from the row above the new one down to "
        "the last zone and press Ctrl+D, so the formulas and the running sums follow.",
        "     Fewer zones: delete a zone's row (not the first) and fill down the same way. The error "
        "bars of the chart cover the zones the sheet was written with.",
        "9.  A result that cannot be computed shows an error (#NUM!, #DIV/0!, #VALUE!, #N/A; in "
        "LibreOffice Err:502 or Err:504 for an argument the add-in cannot use) and its verdict",
        "     reads \"check inputs\": look for a reading that is not a number (the Reading check "
        "column names it), a blank reading row, a negative radius,",
        "     an outer radius not above the inner one, or a diameter, radius of curvature or "
        "wavelength of 0 or below. #NAME? everywhere: the add-in is not loaded (step 1).",
        "10. Hover over a yellow cell or a column heading with a red corner for what it holds and "
        "its unit. The grey block shows what the add-in receives.",
    };
}

} // namespace

int howto_rows(const Layout& l) { return static_cast<int>(lines(l).size()) + 1; }

void write_howto(Book& b, const Layout& l)
{
    worksheet_merge_range(b.sheet, l.howto_row, kColB, l.howto_row, kColP, "How to use this sheet",
                          b.f.howto_head);
    int row = l.howto_row + 1;
    for (const std::string& line : lines(l))
        worksheet_write_string(b.sheet, row++, kColB, line.c_str(), b.f.howto);
}

} // namespace reduction
