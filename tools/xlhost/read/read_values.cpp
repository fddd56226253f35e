#include "tools/xlhost/read/read_values.h"

#include <charconv>
#include <cmath>

namespace xlhost {

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

long days_from_civil(long y, long m, long d) // 0 = 1970-01-01
{
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

// Digits at s[at..at+n); advances `at`.
bool digits(std::string_view s, std::size_t& at, std::size_t n, long& value)
{
    if (at + n > s.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < n; ++i) {
        char c = s[at + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    at += n;
    return true;
}

void put_utf8(std::string& out, unsigned long c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xe0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

} // namespace

bool read_number(std::string_view text, double& value)
{
    std::string_view s = trimmed(text);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    if (s.empty() || s.front() == '+')
        return false;
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    return error == std::errc() && end == s.data() + s.size() && std::isfinite(value);
}

bool read_count(std::string_view text, long most, long& value)
{
    std::string_view s = trimmed(text);
    auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && error == std::errc() && end == s.data() + s.size() && value >= 0 && value <= most;
}

bool read_iso_date(std::string_view text, DateSystem system, double& serial, int null_year, int null_month,
                   int null_day)
{
    std::string_view s = trimmed(text);
    std::size_t at = 0;
    long y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    if (!digits(s, at, 4, y) || at >= s.size() || s[at++] != '-' || !digits(s, at, 2, mo) || at >= s.size() ||
        s[at++] != '-' || !digits(s, at, 2, d))
        return false;
    double fraction = 0;
    if (at < s.size() && s[at] == 'T') {
        ++at;
        if (!digits(s, at, 2, h) || at >= s.size() || s[at++] != ':' || !digits(s, at, 2, mi))
            return false;
        if (at < s.size() && s[at] == ':') {
            ++at;
            if (!digits(s, at, 2, sec))
                return false;
            if (at < s.size() && (s[at] == '.' || s[at] == ',')) {
                std::size_t start = at;
                ++at;
                while (at < s.size() && s[at] >= '0' && s[at] <= '9')
                    ++at;
                std::string part = "0." + std::string(s.substr(start + 1, at - start - 1));
                if (!read_number(part, fraction))
                    return false;
            }
        }
    }
    // A zone is ignored, as spreadsheets keep local time.
    if (at < s.size()) {
        std::string_view zone = s.substr(at);
        long zh = 0, zm = 0;
        std::size_t z = 1;
        bool ok = zone == "Z" || ((zone[0] == '+' || zone[0] == '-') && digits(zone, z, 2, zh) && z < zone.size() &&
                                  zone[z++] == ':' && digits(zone, z, 2, zm) && z == zone.size());
        if (!ok)
            return false;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 24 || mi > 59 || sec > 60)
        return false;
    long day = days_from_civil(y, mo, d);
    long next_month = mo == 12 ? days_from_civil(y + 1, 1, 1) : days_from_civil(y, mo + 1, 1);
    if (day >= next_month)
        return false;
    long whole = 0;
    switch (system) {
    case DateSystem::Excel1900:
        whole = day - days_from_civil(1899, 12, 30);
        if (whole < 61)
            --whole; // Excel's day 60 is 1900-02-29
        if (whole < 1 && !(whole == 0 && y == 1899))
            return false;
        break;
    case DateSystem::Excel1904: whole = day - days_from_civil(1904, 1, 1); break;
    case DateSystem::NullDate: whole = day - days_from_civil(null_year, null_month, null_day); break;
    }
    double seconds = static_cast<double>(h * 3600 + mi * 60 + sec) + fraction;
    serial = static_cast<double>(whole) + seconds / 86400.0;
    return true;
}

bool read_duration(std::string_view text, double& days)
{
    std::string_view s = trimmed(text);
    bool negative = !s.empty() && s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    if (s.empty() || s.front() != 'P')
        return false;
    s.remove_prefix(1);
    double total = 0; // seconds
    bool in_time = false, any = false;
    while (!s.empty()) {
        if (s.front() == 'T') {
            in_time = true;
            s.remove_prefix(1);
            continue;
        }
        std::size_t n = 0;
        while (n < s.size() && ((s[n] >= '0' && s[n] <= '9') || s[n] == '.'))
            ++n;
        double v = 0;
        if (n == 0 || n >= s.size() || !read_number(s.substr(0, n), v))
            return false;
        char unit = s[n];
        if (!in_time && unit == 'D')
            total += v * 86400;
        else if (in_time && unit == 'H')
            total += v * 3600;
        else if (in_time && unit == 'M')
            total += v * 60;
        else if (in_time && unit == 'S')
            total += v;
        else
            return false;
        any = true;
        s.remove_prefix(n + 1);
    }
    if (!any)
        return false;
    days = (negative ? -total : total) / 86400.0;
    return true;
}

std::string ooxml_text(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned long code = 0;
        bool escape = text[i] == '_' && i + 6 < text.size() && text[i + 1] == 'x' && text[i + 6] == '_';
        for (std::size_t k = 2; escape && k < 6; ++k) {
            char c = text[i + k];
            int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            escape = digit >= 0;
            code = code * 16 + static_cast<unsigned long>(digit < 0 ? 0 : digit);
        }
        if (escape) {
            put_utf8(out, code);
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace xlhost
