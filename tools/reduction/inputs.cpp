// The input block (mirror, tester, search, Newtonian) and the converted block
// that shows what the add-in receives.
#include "tools/reduction/book.h"
#include "tools/reduction/formulas.h"

namespace reduction {

namespace {

void label(Book& b, int row, const char* text)
{
    worksheet_merge_range(b.sheet, row, kInLabel, row, kInLabelEnd, text, b.f.label);
}

// The value cell spans F:G; the unit goes to H.
void value_cell(Book& b, int row, lxw_format* fmt)
{
    worksheet_merge_range(b.sheet, row, kInValue, row, kInValueEnd, "", fmt);
}

void unit_text(Book& b, int row, const char* unit)
{
    worksheet_write_string(b.sheet, row, kInUnit, unit, b.f.unit);
}

void unit_of_length(Book& b, int row)
{
    put_formula(b, row, kInUnit, f_unit_label(), b.f.unit);
}

void number_input(Book& b, int row, const char* text, double v, const char* note)
{
    label(b, row, text);
    value_cell(b, row, b.f.input);
    worksheet_write_number(b.sheet, row, kInValue, v, b.f.input);
    put_note(b, row, kInValue, note);
}

void list_input(Book& b, int row, const char* text, const std::string& v, const char** choices,
                const char* note)
{
    label(b, row, text);
    value_cell(b, row, b.f.input_text);
    worksheet_write_string(b.sheet, row, kInValue, v.c_str(), b.f.input_text);
    put_note(b, row, kInValue, note);
    lxw_data_validation dv{};
    dv.validate = LXW_VALIDATION_TYPE_LIST;
    dv.value_list = const_cast<char**>(choices);
    worksheet_data_validation_cell(b.sheet, row, kInValue, &dv);
}

// Data validation for a number that must lie above min (or between the two).
void limit(Book& b, int row, double min, double max = 0)
{
    lxw_data_validation dv{};
    dv.validate = LXW_VALIDATION_TYPE_DECIMAL;
    dv.criteria = max > min ? LXW_VALIDATION_CRITERIA_BETWEEN : LXW_VALIDATION_CRITERIA_GREATER_THAN;
    dv.value_number = min;
    dv.minimum_number = min;
    dv.maximum_number = max;
    dv.error_message = const_cast<char*>(max > min ? "Enter a fraction from 0.000001 to 0.1."
                                                   : "Enter a number greater than 0.");
    worksheet_data_validation_cell(b.sheet, row, kInValue, &dv);
}

// A length in the chosen units that must be positive.
void length_input(Book& b, int row, const char* text, double v, const char* note)
{
    number_input(b, row, text, v, note);
    unit_of_length(b, row);
    limit(b, row, 0);
}

void converted(Book& b, int row, const char* text, const std::string& formula, const char* unit,
               lxw_format* fmt)
{
    worksheet_merge_range(b.sheet, row, kInLabel, row, kInLabelEnd, text, b.f.unit);
    put_formula(b, row, kInValue, formula, fmt);
    worksheet_write_string(b.sheet, row, kInUnit, unit, b.f.unit);
}

void band_row(Book& b, int row, const char* text, double v)
{
    worksheet_merge_range(b.sheet, row, kInLabel, row, kInLabelEnd, text, b.f.unit);
    worksheet_write_number(b.sheet, row, kInValue, v, b.f.converted);
    worksheet_write_number(b.sheet, row, kInValueEnd, v, b.f.converted);
}

} // namespace

void write_inputs(Book& b, const Mirror& m, const Layout& l)
{
    static const char* kUnits[] = {"in", "mm", nullptr};
    static const char* kTesters[] = {"fixed source", "moving source", nullptr};
    static const char* kRules[] = {"mean", "rms", "carlin", nullptr};

    worksheet_merge_range(b.sheet, kRowUnits - 1, kInLabel, kRowUnits - 1, kInUnit,
                          "Mirror and test", b.f.section);
    list_input(b, kRowUnits, "Units of length", m.units, kUnits,
               "Units of every length and reading you type on this sheet: in (inches) or mm. "
               "The sheet converts them for the add-in (readings to mils, radii to inches).");
    length_input(b, kRowDiameter, "Mirror diameter D", m.diameter,
                 "Clear diameter of the mirror, in the units above.");
    length_input(b, kRowRadius, "Radius of curvature R", m.radius,
                 "Radius of curvature measured at the centre of curvature, in the units above.");
    number_input(b, kRowWavelength, "Test wavelength", m.wavelength_nm,
                 "Wavelength of the test light, in nanometres (550 for green).");
    unit_text(b, kRowWavelength, "nm");
    limit(b, kRowWavelength, 0);
    list_input(b, kRowTester, "Tester", m.tester, kTesters,
               "The sheet compares the readings with a paraboloid's 1000 Zeff^2 / R (column K). "
               "fixed source (only the knife-edge moves): the readings are taken as they are. "
               "moving source (source and knife-edge move together, half the shift): they are "
               "doubled first.");
    list_input(b, kRowZoneRadius, "Effective zone radius", m.zone_radius, kRules,
               "mean: (r1 + r2) / 2, the classic zone tables. rms: the square root of "
               "(r1^2 + r2^2) / 2. carlin: the mean of those two.");
    number_input(b, kRowFittol, "Search tolerance", m.fittol,
                 "Fractional accuracy of the two searches for the best centre of curvature "
                 "(0.000001 to 0.1; 0.001 is plenty).");
    unit_text(b, kRowFittol, "fraction");
    limit(b, kRowFittol, 0.000001, 0.1);
    number_input(b, kRowCoc, "Your centre of curvature", m.coc,
                 "A centre of curvature of your own choosing, as a reading on your tester (units "
                 "above, same sense as the readings). The 'At your centre of curvature' results "
                 "use it.");
    unit_of_length(b, kRowCoc);
    length_input(b, kRowReadingSigma, "Reading uncertainty", reading_uncertainty(m),
                 "Standard uncertainty of one knife-edge reading, in the units above (0.002 in or "
                 "0.05 mm is the common assumption). It always counts: as worth 4 readings' "
                 "scatter, pooled with the scatter the runs show once each run's own offset is "
                 "removed. With one run it is the scatter.");

    worksheet_merge_range(b.sheet, kRowNewtonian, kInLabel, kRowNewtonian, kInUnit,
                          "Newtonian, for vignetting", b.f.section);
    length_input(b, kRowSecondary, "Secondary minor axis", m.secondary,
                 "Minor axis of the diagonal mirror, in the units above.");
    label(b, kRowFocal, "Focal length");
    value_cell(b, kRowFocal, b.f.input_formula);
    if (m.focal_length)
        worksheet_write_number(b.sheet, kRowFocal, kInValue, *m.focal_length, b.f.input);
    else
        put_formula(b, kRowFocal, kInValue, f_default_focal_length(), b.f.input_formula);
    put_note(b, kRowFocal, kInValue,
             "Focal length of the primary, in the units above. R/2 unless you type another.");
    unit_of_length(b, kRowFocal);
    limit(b, kRowFocal, 0);
    length_input(b, kRowToFocus, "Secondary to focus", m.secondary_to_focus,
                 "Distance from the centre of the diagonal to the focal plane, in the units above.");
    number_input(b, kRowStop, "Field stop diameter", m.field_stop_mm,
                 "Diameter of the eyepiece's field stop, always in millimetres.");
    unit_text(b, kRowStop, "mm");
    limit(b, kRowStop, 0);

    worksheet_merge_range(b.sheet, kRowConverted, kInLabel, kRowConverted, kInUnit,
                          "Converted for the add-in", b.f.section);
    converted(b, kRowPerInch, "Units per inch", f_units_per_inch(), "", b.f.converted);
    converted(b, kRowTesterFactor, "Reading factor (moving source: 2)", f_tester_factor(), "",
              b.f.converted);
    converted(b, kRowDiameterIn, "Diameter D", f_diameter_in(), "in", b.f.converted);
    converted(b, kRowRadiusIn, "Radius of curvature R", f_radius_in(), "in", b.f.converted);
    converted(b, kRowWavelengthIn, "Wavelength", f_wavelength_in(), "in", b.f.small);
    converted(b, kRowAiry, "Airy disc radius p = 1.22 λ (R/2) / D", f_airy_radius(), "in",
              b.f.small);
    converted(b, kRowCocMils, "Your centre of curvature", f_coc_mils(), "mils", b.f.converted);
    worksheet_merge_range(b.sheet, kRowBandX, kInLabel, kRowBandX, kInLabelEnd,
                          "Chart band: from the centre to the edge", b.f.unit);
    worksheet_write_number(b.sheet, kRowBandX, kInValue, 0, b.f.converted);
    put_formula(b, kRowBandX, kInValueEnd, f_band_edge(), b.f.converted);
    worksheet_write_string(b.sheet, kRowBandX, kInUnit, "in", b.f.unit);
    band_row(b, kRowBandUp, "Chart band: +1 tolerance", 1);
    band_row(b, kRowBandDown, "Chart band: -1 tolerance", -1);
    converted(b, kRowSigmaMils, "Reading uncertainty", f_sigma_mils(), "mils", b.f.converted);

    worksheet_merge_range(b.sheet, kRowSeeHead, kInLabel, kRowSeeHead, kInUnit,
                          "What the readings can see", b.f.section);
    label(b, kRowCovered, "Radii the readings cover");
    worksheet_merge_range(b.sheet, kRowCovered, kInValue, kRowCovered, kInUnit, "", b.f.verdict);
    put_verdict(b, kRowCovered, kInValue, f_covered(l), b.f.verdict);
    put_note(b, kRowCovered, kInValue,
             "The first and last zones' effective radii. Between them the figures rest on readings; "
             "inside and beyond they carry the readings' curve on to the centre and the edge.");
    label(b, kRowScatter, "Scatter of one reading");
    value_cell(b, kRowScatter, b.f.converted);
    put_formula(b, kRowScatter, kInValue, f_scatter(l), b.f.converted);
    put_note(b, kRowScatter, kInValue,
             "The standard uncertainty of one reading that the figures use: the runs' scatter about "
             "each zone, each run's offset removed, pooled with the reading uncertainty above.");
    unit_of_length(b, kRowScatter);
    for (int row : {kRowEdgeNote, kRowCentreNote}) {
        worksheet_merge_range(b.sheet, row, kInLabel, row, kInUnit, "", b.f.warning);
        worksheet_set_row(b.sheet, row, 20, nullptr);
    }
    put_verdict(b, kRowEdgeNote, kInLabel, f_edge_note(l), b.f.warning);
    put_verdict(b, kRowCentreNote, kInLabel, f_centre_note(l), b.f.warning);
}

} // namespace reduction
