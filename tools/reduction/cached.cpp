#include "tools/reduction/cached.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace reduction {

CachedValue parse_value(const std::string& text)
{
    CachedValue v;
    if (!text.empty() && text[0] == '#') {
        v.kind = CachedValue::Error;
        v.text = text;
        return v;
    }
    if (text == "inf" || text == "-inf" || text == "nan") {
        v.number = text == "nan" ? std::numeric_limits<double>::quiet_NaN()
                                 : std::copysign(HUGE_VAL, text[0] == '-' ? -1.0 : 1.0);
        return v;
    }
    const char* end = text.data() + text.size();
    auto r = std::from_chars(text.data(), end, v.number);
    if (r.ec == std::errc() && r.ptr == end && !text.empty())
        return v;
    v.kind = CachedValue::Text;
    v.text = text;
    if (v.text.size() >= 2 && v.text.front() == '"' && v.text.back() == '"')
        v.text = v.text.substr(1, v.text.size() - 2);
    return v;
}

CachedValues read_cached(std::istream& in)
{
    CachedValues values;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t bang = line.find('!');
        const std::size_t gap = line.find("  ");
        if (bang == std::string::npos || gap == std::string::npos || bang > gap)
            continue;
        const std::size_t last = line.rfind("  ");
        const std::string cell = line.substr(bang + 1, gap - bang - 1);
        values[cell] = parse_value(last == gap && line.compare(gap + 2, 1, "=") == 0
                                       ? std::string()
                                       : line.substr(last + 2));
    }
    return values;
}

} // namespace reduction
