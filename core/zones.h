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
// and columns with columns. The last vector has no code of its own. Inline:
// out of line, the small result goes back through memory in pieces and is
// read whole, which stalls the processor on every worksheet call.
inline ZoneCheck check_zone_shapes(const ZoneShape* shapes, int count)
{
    ZoneCheck result{0, 0, false};
    const ZoneShape data = shapes[0];
    if (data.rows == 1)
        result.zones = static_cast<std::int16_t>(data.columns);
    else if (data.columns == 1)
        result.zones = static_cast<std::int16_t>(data.rows);
    else
        result.status = kDataNotVector;

    // Zero elements, or more than a signed 16-bit count holds: no zone loop
    // could run and the search brackets would read past the vectors.
    if (result.status == 0 && result.zones <= 0)
        result.status = kNoZones;

    for (int k = 1; k < count - 1; ++k)
        if (shapes[k].rows != data.rows || shapes[k].columns != data.columns)
            result.status = static_cast<FitStatus>(-100 * (k + 1));

    const ZoneShape last = shapes[count - 1];
    result.ok = result.status == 0 && last.rows == data.rows && last.columns == data.columns;
    return result;
}

// For every one of the n elements (no early stop): 0 >= v[i] writes code.
// Values that are not numbers pass.
void check_positive(const double* v, std::int16_t n, FitStatus code, FitStatus& status);

} // namespace pellux
