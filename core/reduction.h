// The reduction of one mirror as the reduction workbook computes it: the
// converted inputs, the per-zone vectors and every result, operation for
// operation as the sheet's formulas, so that a face without a spreadsheet
// (the browser page) gives the workbook's bits.
#pragma once

#include <cstddef>

#include "core/figures.h"

namespace pellux {

constexpr int kReductionZones = 100;
constexpr int kReductionRuns = 10;

struct MirrorInput {
    bool millimetres;       // lengths and readings in mm, else inches
    double diameter, radius, wavelength_nm;
    bool moving_source;     // readings doubled
    int zone_rule;          // 0 mean, 1 rms, 2 carlin
    double fittol, coc, reading_sigma;
    double secondary, focal_length, to_focus, field_stop_mm; // focal length NaN: R / 2
    int zones, runs;
    double inner[kReductionZones], outer[kReductionZones];
    double readings[kReductionZones][kReductionRuns]; // NaN: blank
};

// Every number of the sheet; NaN where the sheet shows an error.
struct Reduction {
    // Converted for the add-in.
    double per_inch, factor, diameter_in, radius_in, wavelength_in, airy, coc_mils, sigma_mils, edge_in;
    // Zone table.
    double sd[kReductionZones], zeff[kReductionZones], zwidth[kReductionZones],
        reading[kReductionZones], ideal[kReductionZones], tol[kReductionZones],
        sem[kReductionZones], edge[kReductionZones + 1], ta[kReductionZones],
        ta_sd[kReductionZones], profile_waves[kReductionZones + 1];
    // Each reading in mils as the add-in takes it (0 where blank), and
    // whether it was taken (1 or 0).
    double mils[kReductionZones][kReductionRuns], taken[kReductionZones][kReductionRuns];
    // Results, as the sheet labels them.
    double pv_coc, pv, rms_coc, rms, strehl, rms_nm, pv_nm, correction, conic;
    double pv_spread, rms_spread, strehl_spread, correction_spread;
    double pv_unbiased, rms_unbiased, strehl_unbiased, p_quarter_wave, p_strehl, scatter_mils;
    double first_zeff, last_zeff, edge_unmeasured, centre_share, scatter; // scatter: units typed
    double ta_coc, ta_max, ta_coc_reading, wfe_coc, wfe_pv, window_low, window_high;
    double user_ta, user_wfe, vignetting, edge_light, profile_pv;
    bool window_end; // MinimizeWFE's answer at an end of its window
};

// A zone's effective radius by its rule (0 mean, 1 rms, 2 carlin).
double zone_effective_radius(double r1, double r2, int rule);

struct MirrorCall;

// The MirrorFigures call of a reduced mirror, as the sheet makes it: its
// readings marked in `work` (reduction_work_bytes() bytes), the figures'
// own memory after them in `rest`. False when an input is an error.
bool reduction_call(const MirrorInput& m, const Reduction& r, void* work, MirrorCall& call, void*& rest);

// Bytes of working memory reduce_mirror needs.
std::size_t reduction_work_bytes();

// Reduces the mirror into r, using `work` (reduction_work_bytes() bytes).
// False, with r untouched, when the zone or run count is out of range.
bool reduce_mirror(const MirrorInput& m, Reduction& r, void* work);

} // namespace pellux
