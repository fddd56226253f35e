// Where everything sits on the one sheet. Rows and columns count from 0 as
// libxlsxwriter does; a1() turns them into Excel references.
#pragma once

#include <string>

namespace reduction {

inline constexpr const char* kSheet = "Reduction";

// Columns of the input block and the results block.
enum Col : int {
    kColA = 0, kColB, kColC, kColD, kColE, kColF, kColG, kColH,
    kColI, kColJ, kColK, kColL, kColM, kColN, kColO, kColP,
};

// Input and converted block: label B:E, value F (F:G merged), unit H.
inline constexpr int kInLabel = kColB, kInLabelEnd = kColE, kInValue = kColF, kInValueEnd = kColG,
                     kInUnit = kColH;
// Results block: label J:M, value N, unit O, remark P.
inline constexpr int kOutLabel = kColJ, kOutLabelEnd = kColM, kOutValue = kColN, kOutUnit = kColO,
                     kOutRemark = kColP;

// Zone table fields, left to right. The run columns stand between kOuter and
// kSd, as many as the mirror has runs; Layout::col() places each field.
enum ZoneCol : int {
    kZoneNo, kInner, kOuter, kRun1,
    kSd,                                          // sample standard deviation of the runs
    kZeff, kZwidth, kReading, kIdeal, kTol, kSem,  // the add-in's per-zone vectors
    kCheck,                                       // readings that are not numbers
    // Chart columns, beyond the printed area.
    kTa, kTaSd, kStep, kProfileIn, kProfileWaves, kEdge,
    kZoneColEnd,
};

// Rows of the input block (value in column F).
enum InputRow : int {
    kRowUnits = 4, kRowDiameter, kRowRadius, kRowWavelength, kRowTester, kRowZoneRadius,
    kRowFittol, kRowCoc, kRowReadingSigma,
    kRowNewtonian = 14, kRowSecondary, kRowFocal, kRowToFocus, kRowStop,
    kRowConverted = 20, kRowPerInch, kRowTesterFactor, kRowDiameterIn, kRowRadiusIn,
    kRowWavelengthIn, kRowAiry, kRowCocMils, kRowBandX, kRowBandUp, kRowBandDown, kRowSigmaMils,
    // What the readings can see (label and text B:H).
    kRowSeeHead = 32, kRowCovered, kRowScatter, kRowEdgeNote, kRowCentreNote,
};

// Rows of the results block (value in column N). The whole mirror's figures
// come first: the verdict follows them. The two-cell and four-cell results
// stand in consecutive rows.
enum ResultRow : int {
    kRowResults = 3, kRowMirrorHead,
    kRowPvCoc, kRowPv, kRowPvFraction, kRowPvUnbiased, kRowPvVerdict, kRowReadings,
    kRowRmsCoc, kRowRms, kRowStrehl, kRowStrehlVerdict, kRowRmsNm, kRowPvNm, kRowCorrection, kRowConic,
    kRowSpreadHead, kRowPvSpread, kRowRmsSpread, kRowStrehlSpread, kRowCorrectionSpread,
    kRowTaHead, kRowTaCoc, kRowTaMax, kRowTaCocReading, kRowTaVerdict,
    kRowWfeHead, kRowWfeCoc, kRowWfePv, kRowWindowLo, kRowWindowHi, kRowWindow,
    kRowUserHead, kRowUserTa, kRowUserWfe, kRowVigHead, kRowVignetting, kRowVigLight,
    kRowProfileHead, kRowProfilePv,
};

inline constexpr int kTableHead = 43;  // section title; group, column and unit rows follow
inline constexpr int kMaxRuns = 10;

struct Layout {
    int zones;        // rows in the zone table
    int runs;         // run columns
    int start;        // the profile's starting point: 0 at the first zone's inner edge
    int first;        // row of the first zone
    int last;         // row of the last zone
    int chart_row;    // top of the two charts
    int howto_row;    // first row of the how-to text

    int col(ZoneCol field) const;
    int run(int k) const { return col(kRun1) + k; }  // k from 0
    int last_col() const { return col(kEdge); }
    // The last column on paper: the chart columns are left off.
    int print_col() const { return col(kCheck) > kColP ? col(kCheck) : kColP; }
    // The error bars' points, three rows a zone from the first zone's row.
    int bars_col() const { return last_col() + 2; }
    // For the whole mirror's figures: each run in mils as the add-in takes
    // it (0 where blank) and whether it was taken, then the figures' column
    // (rows kRowMirrorHead on).
    int mils_col(int k) const { return bars_col() + 3 + k; }
    int taken_col(int k) const { return bars_col() + 3 + runs + k; }
    int figures_col() const { return bars_col() + 3 + 2 * runs; }
};

Layout layout_for(int zones, int runs = 3);

// "F5", or "$F$5" when absolute.
std::string a1(int row, int col, bool absolute = false);
// "$J$36:$J$41": the zone table's cells in one column.
std::string zone_range(const Layout& l, ZoneCol field);
// "Reduction!$J$36:$J$41", for chart series.
std::string sheet_range(int row0, int col0, int row1, int col1);

} // namespace reduction
