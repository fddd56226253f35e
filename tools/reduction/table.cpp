// The zone table: the Couder mask's zones and readings typed by the user,
// then the derived per-zone vectors for the add-in and the chart columns.
#include "tools/reduction/book.h"
#include "tools/reduction/formulas.h"

namespace reduction {

namespace {

struct Column {
    int col;
    const char* header;
    const char* unit;  // nullptr: the unit of length chosen above
};

const Column kColumns[] = {
    {kZoneNo, "Zone", ""},
    {kInner, "Inner radius r1", nullptr},
    {kOuter, "Outer radius r2", nullptr},
    {kRun1, "Run 1", nullptr},
    {kRun2, "Run 2", nullptr},
    {kRun3, "Run 3", nullptr},
    {kZeff, "Zeff", "in"},
    {kZwidth, "Zwidth", "in"},
    {kReading, "Mean reading", "mils"},
    {kIdeal, "Paraboloid", "mils"},
    {kTol, "Tolerance", "mils"},
    {kTa, "TA at best fit", "tolerances"},
    {kStep, "Wavefront step", "in"},
    {kProfileIn, "Profile", "in"},
    {kProfileWaves, "Profile", "waves"},
};

void group(Book& b, int row, int c0, int c1, const char* text)
{
    worksheet_merge_range(b.sheet, row, c0, row, c1, text, b.f.group);
}

void headers(Book& b)
{
    const int row = kTableHead;
    worksheet_merge_range(b.sheet, row, kColB, row, kColP,
                          "Zones of the Couder mask, from the centre outward", b.f.section);
    group(b, row + 1, kZoneNo, kOuter, "Mask openings");
    group(b, row + 1, kRun1, kRun3, "Knife-edge readings");
    group(b, row + 1, kZeff, kTol, "Per-zone vectors for the add-in");
    group(b, row + 1, kTa, kProfileWaves, "Chart columns");
    worksheet_set_row(b.sheet, row + 2, 30, nullptr);
    for (const Column& c : kColumns) {
        worksheet_write_string(b.sheet, row + 2, c.col, c.header, b.f.header);
        if (c.unit != nullptr)
            worksheet_write_string(b.sheet, row + 3, c.col, c.unit, b.f.unit_row);
        else
            put_formula(b, row + 3, c.col, f_unit_label(), b.f.unit_row);
    }
    put_note(b, row + 2, kInner,
             "Radius of the inner edge of the zone's opening in the Couder mask (0 for the "
             "central zone), in the units of length chosen above.");
    put_note(b, row + 2, kOuter, "Radius of the outer edge of the zone's opening; above r1.");
    put_note(b, row + 2, kRun1,
             "Knife-edge readings of the zone, in the units of length chosen above, as your "
             "tester reads them. Up to three runs; blank runs are left out of the mean.");
    put_note(b, row + 2, kReading,
             "Mean of the runs in mils, as a fixed-source reading (a moving-source reading is "
             "doubled).");
    put_note(b, row + 2, kIdeal, "Reading of a perfect paraboloid: 1000 Zeff^2 / R (mils).");
    put_note(b, row + 2, kTol,
             "Millies-Lacroix tolerance: 1000 x 2 R p / Zeff (mils), p the Airy disc radius.");
    put_note(b, row + 2, kTa,
             "Transverse aberration in tolerances at MinimizeMaxAbsTA's best centre of "
             "curvature: (reading - paraboloid + COC) / tolerance.");
    put_note(b, row + 2, kStep,
             "Height of the wavefront gained across the zone at MinimizeWFE's best centre of "
             "curvature, formed as the add-in forms it.");
    put_note(b, row + 2, kProfileIn, "Running sum of the steps from the first zone outward.");
}

void zone_row(Book& b, const Layout& l, int row, int number, const Zone& z)
{
    const Formats& f = b.f;
    worksheet_write_number(b.sheet, row, kZoneNo, number, f.zone_no);
    worksheet_write_number(b.sheet, row, kInner, z.inner, f.zone_input);
    worksheet_write_number(b.sheet, row, kOuter, z.outer, f.zone_input);
    for (int k = 0; k < 3; ++k) {
        if (z.runs[k])
            worksheet_write_number(b.sheet, row, kRun1 + k, *z.runs[k], f.zone_input);
        else
            worksheet_write_blank(b.sheet, row, kRun1 + k, f.zone_input);
    }
    put_formula(b, row, kZeff, f_zeff(row), f.derived[0]);
    put_formula(b, row, kZwidth, f_zwidth(row), f.derived[1]);
    put_formula(b, row, kReading, f_reading(row), f.derived[2]);
    put_formula(b, row, kIdeal, f_ideal(row), f.derived[3]);
    put_formula(b, row, kTol, f_tolerance(row), f.derived[4]);
    put_formula(b, row, kTa, f_ta_at_best(row), f.derived[5]);
    put_formula(b, row, kStep, f_step(row), f.derived[6]);
    put_formula(b, row, kProfileIn, f_profile(l, row), f.derived[7]);
    put_formula(b, row, kProfileWaves, f_profile_waves(row), f.derived[8]);
}

void validate_radii(Book& b, const Layout& l)
{
    lxw_data_validation dv{};
    dv.validate = LXW_VALIDATION_TYPE_DECIMAL;
    dv.criteria = LXW_VALIDATION_CRITERIA_GREATER_THAN_OR_EQUAL_TO;
    dv.value_number = 0;
    dv.error_message = const_cast<char*>("A zone radius is 0 or more.");
    worksheet_data_validation_range(b.sheet, l.first, kInner, l.last, kOuter, &dv);
}

} // namespace

void write_zone_table(Book& b, const Mirror& m, const Layout& l)
{
    headers(b);
    for (int i = 0; i < l.zones; ++i)
        zone_row(b, l, l.first + i, i + 1, m.zones[static_cast<std::size_t>(i)]);
    validate_radii(b, l);
}

} // namespace reduction
