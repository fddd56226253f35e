#include "tools/xlhost/cells/display.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace xlhost {

namespace {

std::string non_finite(double value)
{
    if (std::isnan(value))
        return "nan";
    return value < 0 ? "-inf" : "inf";
}

void trim_fraction(std::string& text)
{
    std::size_t point = text.find('.');
    if (point == std::string::npos)
        return;
    std::size_t end = text.find_last_not_of('0');
    text.erase(end == point ? point : end + 1);
}

} // namespace

std::string format_shortest(double value)
{
    if (!std::isfinite(value))
        return non_finite(value);
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string format_general(double value, int digits)
{
    if (!std::isfinite(value))
        return non_finite(value);
    if (digits < 1)
        digits = 1;
    if (digits > 17)
        digits = 17;
    // "d.ddde±XX" rounded once to the requested digits; the layout below
    // only moves the point.
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                std::chars_format::scientific, digits - 1);
    std::string scientific(buffer, result.ptr);
    std::size_t e = scientific.find('e');
    int exponent = std::atoi(scientific.c_str() + e + 1);
    std::string mantissa = scientific.substr(0, e);
    std::string significant;
    for (char c : mantissa)
        if (c != '.')
            significant += c;

    std::string text;
    if (exponent >= -4 && exponent < digits) {
        if (exponent >= 0) {
            text = significant.substr(0, static_cast<std::size_t>(exponent) + 1);
            if (significant.size() > static_cast<std::size_t>(exponent) + 1) {
                text += '.';
                text.append(significant, static_cast<std::size_t>(exponent) + 1);
            }
        } else {
            text.assign("0.");
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += significant;
        }
        trim_fraction(text);
    } else {
        text = mantissa;
        trim_fraction(text);
        int magnitude = exponent < 0 ? -exponent : exponent;
        text += exponent < 0 ? "E-" : "E+";
        if (magnitude < 10)
            text += '0';
        text += std::to_string(magnitude);
    }
    if (value < 0 && text != "0")
        text.insert(text.begin(), '-');
    return text;
}

std::string utf8_from_utf16(std::u16string_view text, bool* malformed)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
            if (malformed != nullptr)
                *malformed = true;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string utf16_from_utf8(std::string_view text)
{
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2 : (lead >> 3) == 0x1E ? 3 : -1;
        char32_t c = extra == 0 ? lead : extra == 1 ? (lead & 0x1F) : extra == 2 ? (lead & 0x0F) : (lead & 0x07);
        bool valid = extra >= 0 && i + static_cast<std::size_t>(extra) < text.size();
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                valid = false;
            else
                c = (c << 6) | (next & 0x3F);
        }
        if (!valid || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            // Not UTF-8 (e.g. a Windows code page byte): keep the byte as is.
            out += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

} // namespace xlhost
