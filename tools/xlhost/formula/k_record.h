// The "K" record the host builds for a range argument: 16-bit rows and
// columns, then the doubles row by row.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "host/xloper.h"

namespace xlhost {

// A "K" record (16-bit rows and columns, then the doubles) in doubles, so
// that it is 8-byte aligned. rows and columns must fit 16 bits.
inline std::vector<double> k_record(int rows, int columns, const double* values)
{
    std::size_t count = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    std::vector<double> record(1 + count);
    pellux::ZoneVector header{static_cast<std::uint16_t>(rows), static_cast<std::uint16_t>(columns)};
    std::memcpy(record.data(), &header, sizeof header);
    if (count > 0)
        std::memcpy(record.data() + 1, values, sizeof(double) * count);
    return record;
}

} // namespace xlhost
