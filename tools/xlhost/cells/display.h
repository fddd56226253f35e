// Text that xlhost prints: numbers and host (UTF-16) strings.
#pragma once

#include <string>
#include <string_view>

namespace xlhost {

// The shortest text that reads back to the same double ("0.1", "1e+300",
// "-0"); infinities and NaNs print as "inf", "-inf" and "nan".
std::string format_shortest(double value);

// The value rounded to `digits` significant digits (1..17) in the general
// form Excel displays: fixed notation for decimal exponents -5 < e < digits,
// otherwise "1.5E-07" style; trailing zeros trimmed; -0 shows as "0".
std::string format_general(double value, int digits);

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD and set *malformed.
std::string utf8_from_utf16(std::u16string_view text, bool* malformed = nullptr);
std::u16string utf16_from_utf8(std::string_view text);

} // namespace xlhost
