#include "tools/args/args.h"

#include <charconv>
#include <cmath>

namespace args {

bool number(const std::string& text, double& x)
{
    const char* b = text.data();
    const char* e = b + text.size();
    if (b != e && *b == '+')
        ++b;
    const auto r = std::from_chars(b, e, x);
    return !text.empty() && r.ec == std::errc() && r.ptr == e && std::isfinite(x);
}

bool whole(const std::string& text, int& n)
{
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, n);
    return r.ec == std::errc() && r.ptr == end;
}

bool number_list(const std::string& text, std::vector<double>& out)
{
    std::size_t from = 0;
    for (;;) {
        const std::size_t comma = text.find(',', from);
        double x = 0;
        if (!number(text.substr(from, comma - from), x))
            return false;
        out.push_back(x);
        if (comma == std::string::npos)
            return true;
        from = comma + 1;
    }
}

bool ends_with(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool number_option(int argc, char** argv, int& i, std::optional<double>& slot, std::string& error)
{
    double x = 0;
    if (i + 1 >= argc || !number(argv[i + 1], x))
        return (error = std::string(argv[i]) + " takes a number"), false;
    slot = x;
    ++i;
    return true;
}

} // namespace args
