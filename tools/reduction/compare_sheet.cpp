#include "tools/reduction/compare_sheet.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/reduction.h"

namespace reduction {

namespace {

// A session's MirrorFigures call, and the memory its readings are marked in.
struct Call {
    pellux::MirrorCall call{};
    std::vector<double> memory;
};

bool call_of(const Session& s, Call& out, pellux::MirrorInput& input, pellux::Reduction& red)
{
    input = mirror_input(s.mirror);
    out.memory.assign(pellux::reduction_work_bytes() / sizeof(double) + 1, 0.0);
    std::vector<double> scratch(pellux::reduction_work_bytes() / sizeof(double) + 1);
    void* rest = nullptr;
    return pellux::reduce_mirror(input, red, scratch.data()) &&
           pellux::reduction_call(input, red, out.memory.data(), out.call, rest);
}

std::string fixed(double x, int decimals)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.*f", decimals, x);
    return text;
}

std::string title(const Session& s, int number)
{
    return "Session " + std::to_string(number) + (s.date.empty() ? "" : ", " + s.date) +
           (s.note.empty() ? "" : ": " + s.note);
}

} // namespace

bool compare(const Session& before, const Session& after, Compared& out, std::string& error)
{
    Call a, b;
    pellux::MirrorInput ia{}, ib{};
    std::vector<pellux::Reduction> reduced(2);
    if (!call_of(before, a, ia, reduced[0]) || !call_of(after, b, ib, reduced[1]))
        return (error = "a session's readings do not reduce"), false;
    std::vector<double> work(pellux::comparison_bytes(a.call.runs.zones, a.call.runs.runs, b.call.runs.zones,
                                                      b.call.runs.runs) / sizeof(double) + 1);
    if (!pellux::compare_sessions(a.call, b.call, work.data(), out.result))
        return (error = "the sessions cannot be compared: their mirrors differ in diameter, or a figure does not compute"),
               false;
    out.before = &before;
    out.after = &after;
    return true;
}

std::string change_text(const char* figure, const pellux::Change& c, const char* unit, int decimals)
{
    const std::string u = unit;
    if (c.real)
        return std::string("the ") + figure + (c.change > 0 ? " rose" : " fell") + " from " +
               fixed(c.before, decimals) + u + " ± " + fixed(c.before_spread, decimals) + u + " to " +
               fixed(c.after, decimals) + u + " ± " + fixed(c.after_spread, decimals) + u + ": a real change";
    return std::string("the ") + figure + " changed by " + fixed(c.change, decimals) + " ± " +
           fixed(c.spread, decimals) + u + ": within the noise";
}

void write_comparison(lxw_workbook* wb, const Formats& f, const Compared& c, const std::string& units)
{
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Comparison");
    worksheet_set_column(ws, 0, 0, 34, nullptr);
    worksheet_set_column(ws, 1, 6, 13, nullptr);
    worksheet_write_string(ws, 0, 0, "Two sessions compared", f.title);
    worksheet_write_string(ws, 1, 0, ("Before: " + title(*c.before, c.before_number)).c_str(), f.subtitle);
    worksheet_write_string(ws, 2, 0, ("After: " + title(*c.after, c.after_number)).c_str(), f.subtitle);
    worksheet_write_string(ws, 3, 0,
                           "A change is real when it exceeds twice its standard uncertainty, which two sessions "
                           "of an unchanged mirror do about once in twenty.",
                           f.subtitle);
    const char* heads[] = {"Figure", "Before", "After", "Change", "Its uncertainty", "Verdict"};
    for (int k = 0; k < 6; ++k)
        worksheet_write_string(ws, 5, k, heads[k], f.header);
    const pellux::Comparison& r = c.result;
    const struct {
        const char* label;
        const char* name;
        const pellux::Change* change;
        const char* unit;
        int decimals;
    } rows[] = {{"P-V less the noise's bias (waves)", "P-V", &r.pv, " wave", 3},
                {"RMS less the noise's bias (waves)", "RMS", &r.rms, " wave", 4},
                {"Strehl ratio less the noise's bias", "Strehl ratio", &r.strehl, "", 3},
                {"Correction (%)", "correction", &r.correction, " %", 1}};
    int row = 6;
    for (const auto& x : rows) {
        worksheet_write_string(ws, row, 0, x.label, f.label);
        worksheet_write_number(ws, row, 1, x.change->before, f.result);
        worksheet_write_number(ws, row, 2, x.change->after, f.result);
        worksheet_write_number(ws, row, 3, x.change->change, f.result);
        worksheet_write_number(ws, row, 4, x.change->spread, f.result);
        worksheet_write_string(ws, row, 5, change_text(x.name, *x.change, x.unit, x.decimals).c_str(),
                               x.change->real ? f.poor : f.good);
        ++row;
    }
    row += 1;
    worksheet_write_string(ws, row++, 0, "The shape, piston and refocus removed (waves)", f.section);
    const char* shape_heads[] = {"Radius", "Before", "After", "Change", "Its uncertainty", "Beyond the noise"};
    for (int k = 0; k < 6; ++k)
        worksheet_write_string(ws, row, k, shape_heads[k], f.header);
    worksheet_write_string(ws, row + 1, 0, units.c_str(), f.unit);
    row += 2;
    const double per_inch = units == "mm" ? 25.4 : 1;
    for (int j = 0; j < pellux::kComparePoints; ++j, ++row) {
        worksheet_write_number(ws, row, 0, r.radius[j] * per_inch, f.result);
        worksheet_write_number(ws, row, 1, r.before[j], f.result);
        worksheet_write_number(ws, row, 2, r.after[j], f.result);
        worksheet_write_number(ws, row, 3, r.difference[j], f.result);
        worksheet_write_number(ws, row, 4, r.band[j], f.result);
        if (std::fabs(r.difference[j]) > pellux::kRealChange * r.band[j])
            worksheet_write_string(ws, row, 5, "yes", f.poor);
    }
}

} // namespace reduction
