#include "tools/xlhost/formula/builtins_cells.h"

#include "host/xloper.h"
#include "tools/xlhost/formula/evaluate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace pellux;

namespace xlhost {

namespace {

// Rounds half away from zero at the decimal digit, working on the value's
// 15 significant decimal digits as Excel does: ROUND(2.675, 2) is 2.68.
double round_decimal(double x, int digits)
{
    if (x == 0 || !std::isfinite(x))
        return x;
    char buffer[64];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific, 14).ptr;
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    std::size_t e = text.find('e');
    int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    std::string mantissa;
    for (char c : text.substr(0, e))
        if (c != '.')
            mantissa += c; // 15 digits d1 d2 ... : value 0.d1d2... x 10^(exponent+1)
    long keep = static_cast<long>(exponent) + 1 + digits;
    if (keep >= 15)
        return x;
    if (keep < 0)
        return 0;
    bool up = mantissa[static_cast<std::size_t>(keep)] >= '5';
    mantissa.resize(static_cast<std::size_t>(keep));
    int scale = exponent + 1;
    if (up) {
        long i = keep - 1;
        while (i >= 0 && mantissa[static_cast<std::size_t>(i)] == '9')
            mantissa[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0)
            ++mantissa[static_cast<std::size_t>(i)];
        else {
            mantissa.insert(mantissa.begin(), '1');
            ++scale;
        }
    }
    if (mantissa.empty())
        return 0;
    std::string decimal = "0." + mantissa + "e" + std::to_string(scale);
    double value = 0;
    std::from_chars(decimal.data(), decimal.data() + decimal.size(), value);
    return x < 0 ? -value : value;
}

} // namespace

CellValue sqrt_of(const std::vector<CellValue>& v)
{
    CellValue x = to_number(v[0]);
    if (x.kind == ValueKind::Error)
        return x;
    return x.number < 0 ? error_value(xlerrNum) : number_value(std::sqrt(x.number));
}

CellValue exp_of(const std::vector<CellValue>& v)
{
    CellValue x = to_number(v[0]);
    return x.kind == ValueKind::Error ? x : finite_number(std::exp(x.number));
}

CellValue abs_of(const std::vector<CellValue>& v)
{
    CellValue x = to_number(v[0]);
    return x.kind == ValueKind::Error ? x : number_value(std::fabs(x.number));
}

CellValue round_of(const std::vector<CellValue>& v)
{
    CellValue x = to_number(v[0]);
    if (x.kind == ValueKind::Error)
        return x;
    CellValue d = to_number(v[1]);
    if (d.kind == ValueKind::Error)
        return d;
    double digits = std::trunc(d.number);
    if (digits > 400 || digits < -400)
        return digits > 0 ? x : number_value(0);
    return finite_number(round_decimal(x.number, static_cast<int>(digits)));
}

// FIXED(number, [decimals 2], [no commas FALSE]): the number rounded as
// ROUND rounds it, as text with that many decimals.
CellValue fixed(const std::vector<CellValue>& v)
{
    CellValue x = to_number(v[0]);
    if (x.kind == ValueKind::Error)
        return x;
    double digits = 2;
    if (v.size() > 1 && v[1].kind != ValueKind::Empty) {
        CellValue d = to_number(v[1]);
        if (d.kind == ValueKind::Error)
            return d;
        digits = std::trunc(d.number);
    }
    bool commas = true;
    if (v.size() > 2) {
        CellValue c = to_boolean(v[2]);
        if (c.kind == ValueKind::Error)
            return c;
        commas = c.number == 0;
    }
    if (digits > 127 || digits < -127)
        return error_value(xlerrValue);
    const double rounded = round_decimal(x.number, static_cast<int>(digits));
    if (!std::isfinite(rounded))
        return error_value(xlerrNum);
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", digits > 0 ? static_cast<int>(digits) : 0, rounded);
    const std::string_view digits_text = std::string_view(buffer) == "-0" ? "0" : buffer;
    const std::size_t sign = digits_text[0] == '-' ? 1 : 0;
    const std::size_t point = std::min(digits_text.find('.'), digits_text.size());
    std::string text;
    for (std::size_t i = 0; i < digits_text.size(); ++i) {
        // A comma before each group of three whole digits but the first.
        if (commas && i > sign && i < point && (point - i) % 3 == 0)
            text += ',';
        text += digits_text[i];
    }
    return text_value(text);
}

// ERROR.TYPE: 1 to 7 for #NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM!,
// #N/A; #N/A for anything that is not an error.
CellValue error_type(const std::vector<CellValue>& v)
{
    if (v[0].kind != ValueKind::Error)
        return error_value(xlerrNA);
    const int codes[][2] = {{xlerrNull, 1}, {xlerrDiv0, 2}, {xlerrValue, 3}, {xlerrRef, 4},
                            {xlerrName, 5}, {xlerrNum, 6},  {xlerrNA, 7}};
    for (const auto& c : codes)
        if (v[0].error == c[0])
            return number_value(c[1]);
    return error_value(xlerrNA);
}

CellValue not_of(const std::vector<CellValue>& v)
{
    CellValue b = to_boolean(v[0]);
    return b.kind == ValueKind::Error ? b : boolean_value(b.number == 0);
}

CellValue if_error(const std::vector<CellValue>& v) { return v[0].kind == ValueKind::Error ? v[1] : v[0]; }
CellValue is_error(const std::vector<CellValue>& v) { return boolean_value(v[0].kind == ValueKind::Error); }
CellValue is_number(const std::vector<CellValue>& v) { return boolean_value(v[0].kind == ValueKind::Number); }
CellValue is_blank(const std::vector<CellValue>& v) { return boolean_value(v[0].kind == ValueKind::Empty); }
CellValue is_na(const std::vector<CellValue>& v) { return boolean_value(v[0].kind == ValueKind::Error && v[0].error == xlerrNA); }
CellValue is_text(const std::vector<CellValue>& v) { return boolean_value(v[0].kind == ValueKind::Text); }
CellValue is_logical(const std::vector<CellValue>& v) { return boolean_value(v[0].kind == ValueKind::Boolean); }

CellValue len(const std::vector<CellValue>& v)
{
    CellValue t = to_text(v[0]);
    return t.kind == ValueKind::Error ? t : number_value(static_cast<double>(utf16_length(t.text)));
}

CellValue choose(const std::vector<CellValue>& v)
{
    CellValue c = to_boolean(v[0]);
    if (c.kind == ValueKind::Error)
        return c;
    return c.number != 0 ? v[1] : v[2];
}

} // namespace xlhost
