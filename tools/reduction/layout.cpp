#include "tools/reduction/layout.h"

namespace reduction {

Layout layout_for(int zones)
{
    Layout l{};
    l.zones = zones;
    l.first = kTableHead + 4;
    l.last = l.first + zones - 1;
    l.chart_row = l.last + 3;
    l.howto_row = l.chart_row + 17;
    return l;
}

std::string a1(int row, int col, bool absolute)
{
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    const char* dollar = absolute ? "$" : "";
    return dollar + letters + dollar + std::to_string(row + 1);
}

std::string zone_range(const Layout& l, int col)
{
    return a1(l.first, col, true) + ":" + a1(l.last, col, true);
}

std::string sheet_range(int row0, int col0, int row1, int col1)
{
    return std::string(kSheet) + "!" + a1(row0, col0, true) + ":" + a1(row1, col1, true);
}

} // namespace reduction
