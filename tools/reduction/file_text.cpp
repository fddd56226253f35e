#include "tools/reduction/file_text.h"

#include <algorithm>
#include <cctype>

namespace reduction {

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return "";
    return s.substr(b, s.find_last_not_of(" \t\r") + 1 - b);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The cells of a line, trimmed; empty cells at its end, as spreadsheets
// write them, dropped.
std::vector<std::string> cells(const std::string& line, char separator)
{
    std::vector<std::string> out;
    std::size_t from = 0;
    for (;;) {
        const auto at = line.find(separator, from);
        out.push_back(trim(line.substr(from, at - from)));
        if (at == std::string::npos)
            break;
        from = at + 1;
    }
    while (out.size() > 1 && out.back().empty())
        out.pop_back();
    return out;
}

// The file's lines, broken at CR LF, LF or a lone CR; a final break ends
// the last line.
std::vector<std::string> lines_of(std::istream& in)
{
    std::vector<std::string> out;
    std::string line;
    bool open = false;
    for (int c = in.get(); c != EOF; c = in.get()) {
        if (c == '\r' || c == '\n') {
            if (c == '\r' && in.peek() == '\n')
                in.get();
            out.push_back(line);
            line.clear();
            open = false;
        } else {
            line += static_cast<char>(c);
            open = true;
        }
    }
    if (open)
        out.push_back(line);
    return out;
}

// A text as a message quotes it: at most its first 80 characters.
std::string quoted(const std::string& text)
{
    return "'" + (text.size() > 80 ? text.substr(0, 80) + "..." : text) + "'";
}

} // namespace reduction
