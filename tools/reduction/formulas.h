// The formulas of the workbook, as Excel stores them in the file (A1
// references, "," between arguments, "_xll." before add-in functions).
// Every one computes alike in Excel 2007 and later and in LibreOffice Calc.
#pragma once

#include <string>

#include "tools/reduction/layout.h"

namespace reduction {

// What an error in `cell` means: the add-in's functions unknown (#NAME?, in
// Excel and in Calc alike), or inputs it cannot use. Calc's own codes
// (Err:504, ...) have no ERROR.TYPE: they are inputs too.
std::string error_meaning(const std::string& cell);

// Converted block: what the add-in receives, in inches and mils.
std::string f_units_per_inch();
std::string f_tester_factor();
std::string f_diameter_in();
std::string f_radius_in();
std::string f_wavelength_in();
std::string f_airy_radius();
std::string f_coc_mils();
std::string f_band_edge();
std::string f_default_focal_length();
std::string f_unit_label();

// Zone table, row `row` of the layout.
std::string f_sd(const Layout& l, int row);
std::string f_zeff(const Layout& l, int row);
std::string f_zwidth(const Layout& l, int row);
std::string f_reading(const Layout& l, int row);
std::string f_ideal(const Layout& l, int row);
std::string f_tolerance(const Layout& l, int row);
std::string f_ta_at_best(const Layout& l, int row);
std::string f_ta_sd(const Layout& l, int row);
std::string f_step(const Layout& l, int row);
std::string f_profile(const Layout& l, int row);
std::string f_profile_waves(const Layout& l, int row);
std::string f_edge(const Layout& l, int row);
std::string f_start_edge(const Layout& l);
std::string f_sem(const Layout& l, int row);
std::string f_check(const Layout& l, int row);

// The whole mirror's figures: MirrorFigures' column, by index.
enum Figure : int {
    kFigPv, kFigPvCoc, kFigRms, kFigRmsCoc, kFigStrehl, kFigCorrection, kFigConic,
    kFigPvSpread, kFigRmsSpread, kFigStrehlSpread, kFigCorrectionSpread,
    kFigPvUnbiased, kFigRmsUnbiased, kFigStrehlUnbiased, kFigPQuarter, kFigPStrehl,
    kFigScatter, kFigFirst, kFigLast, kFigEdge, kFigCentre, kFigCount,
};
std::string f_run_mils(const Layout& l, int row, int k);
std::string f_run_taken(const Layout& l, int row, int k);
std::string f_sigma_mils();
std::string f_mirror_figures(const Layout& l);
std::string f_figure(const Layout& l, Figure k);
std::string f_scatter(const Layout& l);
std::string f_pv_verdict(const Layout& l);
std::string f_strehl_verdict(const Layout& l);
std::string f_covered(const Layout& l);
std::string f_edge_note(const Layout& l);
std::string f_centre_note(const Layout& l);

// Results block. The minimisers and the fit are two-cell array formulas in
// braces, the uncertainties a four-cell one.
std::string f_minimize_ta(const Layout& l);
std::string f_coc_as_reading();
std::string f_ta_verdict();
std::string f_minimize_wfe(const Layout& l);
std::string f_wave_fraction();
std::string f_results_title();
std::string f_readings(const Layout& l);
std::string f_window_low(const Layout& l);
std::string f_window_high(const Layout& l);
std::string f_window_warning(const Layout& l);
std::string f_rms_nm();
std::string f_pv_nm();
std::string f_calc_ta(const Layout& l);
std::string f_calc_ta_remark();
std::string f_calc_wfe(const Layout& l);
std::string f_calc_wfe_remark();
std::string f_vignetting();
std::string f_edge_light();
std::string f_profile_pv(const Layout& l);
std::string f_profile_pv_remark();

} // namespace reduction
