// Values as xlsx and ods files write them, read exactly, and the bounds
// every reader keeps.
#pragma once

#include "tools/xlhost/cells/cells.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace xlhost {


// A decimal number, correctly rounded; surrounding blanks allowed. False
// for anything else and for values that are not finite.
bool read_number(std::string_view text, double& value);

// A non-negative decimal integer no greater than `most`.
bool read_count(std::string_view text, long most, long& value);

// The days since the epoch for an ISO 8601 date and time
// (2026-12-08, 2026-12-08T10:20:30.5, with an optional zone that is
// ignored): epoch 1899-12-30 for ods and Excel's 1900 system (Excel counts
// 1900-02-29, so its dates before March 1900 are one day less), 1904-01-01
// for the 1904 system. False for text that is no such date.
enum class DateSystem { Excel1900, Excel1904, NullDate };
bool read_iso_date(std::string_view text, DateSystem system, double& serial, int null_year = 1899,
                   int null_month = 12, int null_day = 30);

// An ODF duration ("PT12H30M15S", "-PT1H") in days.
bool read_duration(std::string_view text, double& days);

// OOXML text with its _xHHHH_ escapes decoded.
std::string ooxml_text(std::string_view text);

} // namespace xlhost
