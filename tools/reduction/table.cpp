// The zone table: the Couder mask's zones and readings typed by the user,
// then the derived per-zone vectors for the add-in and the chart columns.
#include <string>

#include "tools/reduction/book.h"
#include "tools/reduction/formulas.h"

namespace reduction {

namespace {

struct Column {
    ZoneCol field;
    const char* header;
    const char* unit;  // nullptr: the unit of length chosen above
    int format;        // index into Formats::derived, or -1
    const char* note;
};

const Column kColumns[] = {
    {kZoneNo, "Zone", "", -1, nullptr},
    {kInner, "Inner radius r1", nullptr, -1,
     "Radius of the inner edge of the zone's opening in the Couder mask (0 for the central "
     "zone), in the units of length chosen above."},
    {kOuter, "Outer radius r2", nullptr, -1, "Radius of the outer edge of the zone's opening; above r1."},
    {kSd, "Standard deviation", nullptr, 9,
     "Sample standard deviation of the zone's runs, in the units of length chosen above; blank "
     "with fewer than two runs."},
    {kZeff, "Zeff", "in", 0, nullptr},
    {kZwidth, "Zwidth", "in", 1, nullptr},
    {kReading, "Mean reading", "mils", 2,
     "Mean of the runs in mils, as a fixed-source reading (a moving-source reading is doubled)."},
    {kIdeal, "Paraboloid", "mils", 3, "Reading of a perfect paraboloid: 1000 Zeff^2 / R (mils)."},
    {kTol, "Tolerance", "mils", 4,
     "Millies-Lacroix tolerance: 1000 x 2 R p / Zeff (mils), p the Airy disc radius."},
    {kSem, "Uncertainty of the mean", "mils", 3,
     "Standard uncertainty of the zone's reading (mils): the scatter of one reading (What the "
     "readings can see, above) over the square root of the zone's count of runs."},
    {kCheck, "Reading check", "", -1,
     "Names each run of the zone that holds something other than a number (text such as "
     "0,0405 with a decimal comma): the zone's mean is then #N/A and the verdicts say check "
     "inputs. A blank run is simply not measured."},
    {kTa, "TA at best fit", "tolerances", 5,
     "Transverse aberration in tolerances at MinimizeMaxAbsTA's best centre of curvature: "
     "(reading - paraboloid + COC) / tolerance."},
    {kTaSd, "1 standard deviation", "tolerances", 5,
     "The runs' standard deviation in tolerances: the error bars of the chart."},
    {kStep, "Wavefront step", "in", 6,
     "Height of the wavefront gained across the zone at the whole-mirror P-V's centre of "
     "curvature, formed as the add-in forms it."},
    {kProfileIn, "Profile", "in", 7,
     "Running sum of the steps from 0 at the first zone's inner edge outward."},
    {kProfileWaves, "Profile", "waves", 8, nullptr},
    {kEdge, "Outer edge", "in", 0, "Where the profile reaches each zone's height: its outer edge."},
};

void group(Book& b, const Layout& l, int row, ZoneCol c0, int c1, const char* text)
{
    const int col0 = l.col(c0);
    if (c1 > col0)
        worksheet_merge_range(b.sheet, row, col0, row, c1, text, b.f.group);
    else
        worksheet_write_string(b.sheet, row, col0, text, b.f.group);
}

void header_cell(Book& b, const Layout& l, int row, int col, const char* text, const char* unit,
                 const char* note)
{
    worksheet_write_string(b.sheet, row + 2, col, text, b.f.header);
    if (unit != nullptr)
        worksheet_write_string(b.sheet, row + 3, col, unit, b.f.unit_row);
    else
        put_formula(b, row + 3, col, f_unit_label(), b.f.unit_row);
    if (note != nullptr)
        put_note(b, row + 2, col, note);
    (void)l;
}

void headers(Book& b, const Layout& l)
{
    const int row = kTableHead;
    worksheet_merge_range(b.sheet, row, l.col(kZoneNo), row, l.last_col(),
                          "Zones of the Couder mask, from the centre outward", b.f.section);
    group(b, l, row + 1, kZoneNo, l.col(kOuter), "Mask openings");
    group(b, l, row + 1, kRun1, l.col(kSd), "Knife-edge readings");
    group(b, l, row + 1, kZeff, l.col(kSem), "Per-zone vectors for the add-in");
    group(b, l, row + 1, kCheck, l.col(kCheck), "Checks");
    group(b, l, row + 1, kTa, l.col(kEdge), "Chart columns");
    worksheet_set_row(b.sheet, row + 2, 45, nullptr);
    for (const Column& c : kColumns)
        header_cell(b, l, row, l.col(c.field), c.header, c.unit, c.note);
    worksheet_write_string(b.sheet, row + 1, l.mils_col(0), "Runs for MirrorFigures", b.f.group);
    worksheet_write_string(b.sheet, row + 1, l.figures_col(), "MirrorFigures", b.f.group);
    for (int k = 0; k < l.runs; ++k) {
        const std::string name = "Run " + std::to_string(k + 1);
        header_cell(b, l, row, l.mils_col(k), name.c_str(), "mils",
                    k == 0 ? "Each run in mils as the add-in takes it (a moving source's doubled), "
                             "0 where blank."
                           : nullptr);
        header_cell(b, l, row, l.taken_col(k), (name + " taken").c_str(), "",
                    k == 0 ? "1 where the run has a reading, 0 where it is blank." : nullptr);
        header_cell(b, l, row, l.run(k), name.c_str(), nullptr,
                    k == 0 ? "Knife-edge readings of the zone, in the units of length chosen "
                             "above, as your tester reads them. Blank runs are left out of the "
                             "mean."
                           : nullptr);
    }
}

// The profile's starting point: height 0 at the first zone's inner edge.
void start_row(Book& b, const Layout& l)
{
    const Formats& f = b.f;
    const int row = l.start;
    worksheet_write_string(b.sheet, row, l.col(kZoneNo), "start", f.unit);
    put_formula(b, row, l.col(kEdge), f_start_edge(l), f.derived[0]);
    worksheet_write_number(b.sheet, row, l.col(kProfileIn), 0, f.derived[7]);
    worksheet_write_number(b.sheet, row, l.col(kProfileWaves), 0, f.derived[8]);
}

void zone_row(Book& b, const Layout& l, int row, int number, const Zone& z)
{
    const Formats& f = b.f;
    worksheet_write_number(b.sheet, row, l.col(kZoneNo), number, f.zone_no);
    worksheet_write_number(b.sheet, row, l.col(kInner), z.inner, f.zone_input);
    worksheet_write_number(b.sheet, row, l.col(kOuter), z.outer, f.zone_input);
    for (int k = 0; k < l.runs; ++k) {
        const std::size_t i = static_cast<std::size_t>(k);
        if (i < z.runs.size() && z.runs[i])
            worksheet_write_number(b.sheet, row, l.run(k), *z.runs[i], f.zone_input);
        else
            worksheet_write_blank(b.sheet, row, l.run(k), f.zone_input);
    }
    struct Cell {
        ZoneCol field;
        std::string formula;
        int format;
    };
    const Cell cells[] = {
        {kSd, f_sd(l, row), 9},
        {kZeff, f_zeff(l, row), 0},
        {kZwidth, f_zwidth(l, row), 1},
        {kReading, f_reading(l, row), 2},
        {kIdeal, f_ideal(l, row), 3},
        {kTol, f_tolerance(l, row), 4},
        {kSem, f_sem(l, row), 3},
        {kCheck, f_check(l, row), -1},
        {kTa, f_ta_at_best(l, row), 5},
        {kTaSd, f_ta_sd(l, row), 5},
        {kStep, f_step(l, row), 6},
        {kProfileIn, f_profile(l, row), 7},
        {kProfileWaves, f_profile_waves(l, row), 8},
        {kEdge, f_edge(l, row), 0},
    };
    for (const Cell& c : cells)
        put_formula(b, row, l.col(c.field), c.formula, c.format < 0 ? f.warning : f.derived[c.format]);
    for (int k = 0; k < l.runs; ++k) {
        put_formula(b, row, l.mils_col(k), f_run_mils(l, row, k), f.derived[2]);
        put_formula(b, row, l.taken_col(k), f_run_taken(l, row, k), f.derived[9]);
    }
}

// Readings: any number, negative ones included; a blank is not measured.
void validate_readings(Book& b, const Layout& l)
{
    lxw_data_validation dv{};
    dv.validate = LXW_VALIDATION_TYPE_DECIMAL;
    dv.criteria = LXW_VALIDATION_CRITERIA_BETWEEN;
    dv.minimum_number = -1e9;
    dv.maximum_number = 1e9;
    dv.error_title = const_cast<char*>("Not a number");
    dv.error_message = const_cast<char*>(
        "A reading is a number, with a decimal point (0.0405, not 0,0405). Leave a run blank "
        "when it was not measured.");
    worksheet_data_validation_range(b.sheet, l.first, l.run(0), l.last, l.run(l.runs - 1), &dv);
}

void validate_radii(Book& b, const Layout& l)
{
    lxw_data_validation dv{};
    dv.validate = LXW_VALIDATION_TYPE_DECIMAL;
    dv.criteria = LXW_VALIDATION_CRITERIA_GREATER_THAN_OR_EQUAL_TO;
    dv.value_number = 0;
    dv.error_message = const_cast<char*>("A zone radius is 0 or more.");
    worksheet_data_validation_range(b.sheet, l.first, l.col(kInner), l.last, l.col(kOuter), &dv);
}

} // namespace

void write_zone_table(Book& b, const Mirror& m, const Layout& l)
{
    headers(b, l);
    start_row(b, l);
    for (int i = 0; i < l.zones; ++i)
        zone_row(b, l, l.first + i, i + 1, m.zones[static_cast<std::size_t>(i)]);
    validate_radii(b, l);
    validate_readings(b, l);
}

} // namespace reduction
