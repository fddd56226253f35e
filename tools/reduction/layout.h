// Where everything sits on the one sheet. Rows and columns count from 0 as
// libxlsxwriter does; a1() turns them into Excel references.
#pragma once

#include <string>

namespace reduction {

inline constexpr const char* kSheet = "Reduction";

// Columns of the input block, the results block and the zone table.
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

// Zone table columns.
enum ZoneCol : int {
    kZoneNo = kColB, kInner, kOuter, kRun1, kRun2, kRun3,
    kZeff, kZwidth, kReading, kIdeal, kTol, kTa, kStep, kProfileIn, kProfileWaves,
};

// Rows of the input block (value in column F).
enum InputRow : int {
    kRowUnits = 4, kRowDiameter, kRowRadius, kRowWavelength, kRowTester, kRowZoneRadius,
    kRowFittol, kRowCoc,
    kRowNewtonian = 13, kRowSecondary, kRowFocal, kRowToFocus, kRowStop,
    kRowConverted = 19, kRowPerInch, kRowTesterFactor, kRowDiameterIn, kRowRadiusIn,
    kRowWavelengthIn, kRowAiry, kRowCocMils, kRowBandX, kRowBandUp, kRowBandDown,
};

// Rows of the results block (value in column N).
enum ResultRow : int {
    kRowResults = 3, kRowTaHead, kRowTaCoc, kRowTaMax, kRowTaCocReading, kRowTaVerdict,
    kRowWfeHead, kRowWfeCoc, kRowWfePv, kRowWfeFraction, kRowWfeVerdict,
    kRowUserHead, kRowUserTa, kRowUserWfe, kRowVigHead, kRowVignetting, kRowVigLight,
    kRowProfileHead, kRowProfilePv,
};

struct Layout {
    int zones;        // rows in the zone table
    int first;        // row of the first zone
    int last;         // row of the last zone
    int chart_row;    // top of the two charts
    int howto_row;    // first row of the how-to text
};

inline constexpr int kTableHead = 31;  // section title; group, column and unit rows follow

Layout layout_for(int zones);

// "F5", or "$F$5" when absolute.
std::string a1(int row, int col, bool absolute = false);
// "$J$36:$J$41": the zone table's cells in one column.
std::string zone_range(const Layout& l, int col);
// "Reduction!$J$36:$J$41", for chart series.
std::string sheet_range(int row0, int col0, int row1, int col1);

} // namespace reduction
