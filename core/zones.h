// Zone vectors: the shape rule shared by the four zone-based functions, the
// status they report, and the positivity check of tolerances.
#pragma once

#include <cstdint>

namespace pellux {

// 0 is success; any other code ends the worksheet call in #NUM!.
using FitStatus = std::int16_t;

constexpr FitStatus kDataNotVector = -100;
constexpr FitStatus kIdealShape = -200;
constexpr FitStatus kTolShape = -300;
constexpr FitStatus kZeffShape = -400;
// The zone count is 0 or does not fit a signed 16-bit count.
constexpr FitStatus kNoZones = -500;

constexpr FitStatus kBadTolerance = -1;       // max_abs_ta
constexpr FitStatus kBadRcurve = -1;          // wavefront routines
constexpr FitStatus kBadSearchTolerance = -2; // searches and wavefront_pv

struct ZoneShape {
    std::uint16_t rows;
    std::uint16_t columns;
};

struct ZoneCheck {
    std::int16_t zones; // valid when ok
    FitStatus status;
    bool ok;
};

// Shapes in argument order, data first (3 or 5 of them). Data must be one
// row or one column; every other vector must match it exactly, rows with rows
// and columns with columns. The last vector has no code of its own.
ZoneCheck check_zone_shapes(const ZoneShape* shapes, int count);

// For every one of the n elements (no early stop): 0 >= v[i] writes code.
// Values that are not numbers pass.
void check_positive(const double* v, std::int16_t n, FitStatus code, FitStatus& status);

} // namespace pellux
