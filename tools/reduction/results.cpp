// The results block: the add-in's functions over the zone table, with a
// verdict beside each that reads "check inputs" when its result is an error.
#include "tools/reduction/book.h"
#include "tools/reduction/formulas.h"

namespace reduction {

namespace {

void subhead(Book& b, int row, const char* text)
{
    worksheet_merge_range(b.sheet, row, kOutLabel, row, kOutRemark, text, b.f.subhead);
}

void label(Book& b, int row, const char* text, const char* unit)
{
    worksheet_merge_range(b.sheet, row, kOutLabel, row, kOutLabelEnd, text, b.f.label);
    worksheet_write_string(b.sheet, row, kOutUnit, unit, b.f.unit);
}

// A figure labelled with its unit, with a note on how it is computed.
void merit(Book& b, int row, const char* text, const std::string& formula, lxw_format* fmt,
           const char* note)
{
    worksheet_merge_range(b.sheet, row, kOutLabel, row, kOutLabelEnd, text, b.f.label);
    if (!formula.empty()) // else the cell belongs to an array formula above
        put_formula(b, row, kOutValue, formula, fmt);
    put_note(b, row, kOutValue, note);
}

// An array formula down `rows` cells of the value column, marked as one.
void array_result(Book& b, int row, int rows, const std::string& formula)
{
    put_column(b, row, kOutValue, rows, formula, b.f.result);
    worksheet_write_string(b.sheet, row, kOutRemark, rows == 2 ? "(two-cell array)" : "(four-cell array)",
                           b.f.remark);
}

void verdict(Book& b, int row, const char* text, const std::string& formula)
{
    worksheet_merge_range(b.sheet, row, kOutLabel, row, kOutLabelEnd, text, b.f.label);
    worksheet_merge_range(b.sheet, row, kOutValue, row, kOutRemark, "", b.f.verdict);
    put_verdict(b, row, kOutValue, formula, b.f.verdict);
}

// Green for a pass, red for a fail, amber for "check inputs".
void colour_verdicts(Book& b, int row0, int row1, int col0, int col1)
{
    struct Rule {
        const char* text;
        lxw_format* fmt;
    } rules[] = {{"check", b.f.check}, {"the Pellux", b.f.check}, {"zone", b.f.check},
                 {"Results:", b.f.check}, {"within", b.f.good}, {"equals", b.f.good},
                 {"outside", b.f.poor}, {"beyond", b.f.poor}, {"differs", b.f.poor},
                 {"at least", b.f.good}, {"below", b.f.poor}};
    for (const Rule& r : rules) {
        lxw_conditional_format cf{};
        cf.type = LXW_CONDITIONAL_TYPE_TEXT;
        cf.criteria = LXW_CONDITIONAL_CRITERIA_TEXT_BEGINS_WITH;
        cf.value_string = const_cast<char*>(r.text);
        cf.format = r.fmt;
        worksheet_conditional_format_range(b.sheet, row0, col0, row1, col1, &cf);
    }
}

} // namespace

void write_results(Book& b, const Layout& l)
{
    const Formats& f = b.f;
    worksheet_merge_range(b.sheet, kRowResults, kOutLabel, kRowResults, kOutRemark, "", f.section);
    put_verdict(b, kRowResults, kOutLabel, f_results_title(), f.section);

    subhead(b, kRowMirrorHead, "The whole mirror, from the centre to the edge");
    // MirrorFigures' column beside the zone table; every figure reads from it.
    put_column(b, kRowMirrorHead, l.figures_col(), kFigCount, f_mirror_figures(l), f.converted);
    auto figure = [&](int row, const char* text, const char* unit, Figure k, lxw_format* fmt, const char* note) {
        label(b, row, text, unit);
        put_formula(b, row, kOutValue, f_figure(l, k), fmt);
        if (note != nullptr)
            put_note(b, row, kOutValue, note);
    };
    figure(kRowPvCoc, "Centre of curvature of the least P-V", "mils", kFigPvCoc, f.result,
           "The centre of curvature (mils, as the add-in takes it) at which the whole mirror's "
           "peak-to-valley wavefront error is least.");
    figure(kRowPv, "Peak-to-valley wavefront error, whole mirror (waves)", "waves", kFigPv, f.result,
           "Highest less lowest point of the wavefront from the centre to the edge, at the centre of "
           "curvature above. The readings' aberration is taken as a smooth curve in r^2 through the "
           "zones' effective radii and carried on to the centre and the edge; its slope is "
           "integrated exactly. Exact for conic mirrors under every zone rule.");
    label(b, kRowPvFraction, "As a fraction of a wave", "");
    put_formula(b, kRowPvFraction, kOutValue, f_wave_fraction(), f.result_fraction);
    figure(kRowPvUnbiased, "P-V less the noise's bias (waves)", "waves", kFigPvUnbiased, f.result,
           "Noise in the readings raises a P-V: a retest's profile carries its own ripples. This "
           "takes that rise off (in squares, as 500 retests drawn at random show it); near a "
           "perfect mirror it is the better estimate of the truth. The verdict weighs it.");
    verdict(b, kRowPvVerdict, "Verdict (Rayleigh: at most 1/4 wave)", f_pv_verdict(l));
    put_note(b, kRowPvVerdict, kOutValue,
             "With the probability that the mirror itself is within (or beyond) a quarter wave, "
             "given the scatter of the readings.");
    verdict(b, kRowReadings, "Readings", f_readings(l));

    figure(kRowRmsCoc, "Centre of curvature of the least RMS", "mils", kFigRmsCoc, f.result, nullptr);
    figure(kRowRms, "RMS wavefront error (waves)", "waves", kFigRms, f.result,
           "Area-weighted RMS, piston removed, of the same wavefront, at the centre of curvature "
           "above, which makes it least.");
    figure(kRowStrehl, "Strehl ratio", "", kFigStrehl, f.result,
           "exp(-(2 pi sigma)^2), sigma the RMS wavefront error in waves. 0.8 is diffraction "
           "limited; 0.95 and above is excellent.");
    verdict(b, kRowStrehlVerdict, "Verdict (Strehl ratio)", f_strehl_verdict(l));
    merit(b, kRowRmsNm, "RMS surface error (nm)", f_rms_nm(), f.result_nm,
          "Half the RMS wavefront error (the wavefront doubles the surface), times the "
          "wavelength.");
    merit(b, kRowPvNm, "Peak-to-valley surface error (nm)", f_pv_nm(), f.result_nm,
          "Half the whole mirror's peak-to-valley wavefront error, times the wavelength: never "
          "below the RMS surface error.");
    figure(kRowCorrection, "Correction (%)", "", kFigCorrection, f.result,
           "Least squares of the zones' readings against the paraboloid's: reading = c + s x "
           "paraboloid. Correction = 100 s: 0 % is a sphere, 100 % a paraboloid.");
    figure(kRowConic, "Best-fit conic constant", "", kFigConic, f.result,
           "-s of the same fit: 0 for a sphere, -1 for a paraboloid, below -1 a hyperboloid.");

    subhead(b, kRowSpreadHead, "Uncertainty: how much each figure would scatter if you tested again");
    figure(kRowPvSpread, "Peak-to-valley wavefront error uncertainty (waves)", "waves", kFigPvSpread, f.result,
           "One standard deviation of each figure over 500 retests drawn at random: each run's "
           "own offset (a refocus) removed, the scatter of one reading from the runs and the "
           "reading uncertainty above together, the zones drawn about their readings. The draws "
           "are the same every time, so the figures are too.");
    figure(kRowRmsSpread, "RMS wavefront error uncertainty (waves)", "waves", kFigRmsSpread, f.result, nullptr);
    figure(kRowStrehlSpread, "Strehl ratio uncertainty", "", kFigStrehlSpread, f.result, nullptr);
    figure(kRowCorrectionSpread, "Correction uncertainty (%)", "", kFigCorrectionSpread, f.result, nullptr);

    subhead(b, kRowTaHead, "Best fit for the transverse aberration (MinimizeMaxAbsTA)");
    label(b, kRowTaCoc, "Best centre of curvature", "mils");
    label(b, kRowTaMax, "Largest |TA| there", "tolerances");
    array_result(b, kRowTaCoc, 2, f_minimize_ta(l));
    label(b, kRowTaCocReading, "That centre of curvature as a reading", "");
    put_formula(b, kRowTaCocReading, kOutValue, f_coc_as_reading(), f.result);
    put_formula(b, kRowTaCocReading, kOutUnit, f_unit_label(), f.unit);
    verdict(b, kRowTaVerdict, "Verdict (at most 1 tolerance)", f_ta_verdict());

    subhead(b, kRowWfeHead, "MinimizeWFE: the zones' points only, within its search window");
    label(b, kRowWfeCoc, "Its centre of curvature", "mils");
    label(b, kRowWfePv, "Zonal peak-to-valley, without the centre", "waves");
    array_result(b, kRowWfeCoc, 2, f_minimize_wfe(l));
    put_note(b, kRowWfeCoc, kOutValue,
             "MinimizeWFE's profile has no point at the centre of the mirror, and it searches a "
             "fixed window only: its P-V can be far below or above the whole mirror's. Judge "
             "the mirror by the whole-mirror figures.");
    label(b, kRowWindowLo, "Its search window: from", "mils");
    put_formula(b, kRowWindowLo, kOutValue, f_window_low(l), f.converted);
    put_note(b, kRowWindowLo, kOutValue,
             "MinimizeWFE looks for the best centre of curvature only between these two: minus "
             "the mean of the last two zones' differences (reading - paraboloid), plus or minus "
             "twice the last zone's tolerance.");
    label(b, kRowWindowHi, "to", "mils");
    put_formula(b, kRowWindowHi, kOutValue, f_window_high(l), f.converted);
    worksheet_merge_range(b.sheet, kRowWindow, kOutLabel, kRowWindow, kOutRemark, "", f.warning);
    put_verdict(b, kRowWindow, kOutLabel, f_window_warning(l), f.warning);
    worksheet_set_row(b.sheet, kRowWindow, 24, nullptr);

    subhead(b, kRowUserHead, "At your centre of curvature (CalcMaxAbsTA, CalcWFE)");
    label(b, kRowUserTa, "Largest |TA|", "tolerances");
    put_formula(b, kRowUserTa, kOutValue, f_calc_ta(l), f.result);
    put_verdict(b, kRowUserTa, kOutRemark, f_calc_ta_remark(), f.verdict);
    label(b, kRowUserWfe, "Zonal peak-to-valley (CalcWFE)", "waves");
    put_formula(b, kRowUserWfe, kOutValue, f_calc_wfe(l), f.result);
    put_verdict(b, kRowUserWfe, kOutRemark, f_calc_wfe_remark(), f.verdict);

    subhead(b, kRowVigHead, "Newtonian (Vignetting)");
    label(b, kRowVignetting, "Light loss at the edge of the field", "magnitudes");
    put_formula(b, kRowVignetting, kOutValue, f_vignetting(), f.result);
    label(b, kRowVigLight, "Light reaching the edge of the field", "");
    put_formula(b, kRowVigLight, kOutValue, f_edge_light(), f.result_percent);

    subhead(b, kRowProfileHead, "The charted wavefront profile");
    label(b, kRowProfilePv, "Its peak-to-valley", "waves");
    put_formula(b, kRowProfilePv, kOutValue, f_profile_pv(l), f.result);
    put_note(b, kRowProfilePv, kOutValue,
             "The chart sums the zones' own steps, from the first zone's inner edge to the last's "
             "outer edge, at the whole-mirror P-V's centre of curvature. The P-V above follows the "
             "readings' curve between the zones and on to the centre and the edge, so the two "
             "differ where the zones are few or the mirror is not a conic.");
    put_verdict(b, kRowProfilePv, kOutRemark, f_profile_pv_remark(), f.verdict);

    colour_verdicts(b, kRowTaVerdict, kRowTaVerdict, kOutValue, kOutValue);
    colour_verdicts(b, kRowPvVerdict, kRowReadings, kOutValue, kOutValue);
    colour_verdicts(b, kRowStrehlVerdict, kRowStrehlVerdict, kOutValue, kOutValue);
    colour_verdicts(b, kRowResults, kRowResults, kOutLabel, kOutLabel);
    colour_verdicts(b, kRowUserTa, kRowUserWfe, kOutRemark, kOutRemark);
    colour_verdicts(b, kRowProfilePv, kRowProfilePv, kOutRemark, kOutRemark);
}

} // namespace reduction
