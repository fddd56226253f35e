#include "tools/reduction/layout.h"

namespace reduction {

Layout layout_for(int zones, int runs)
{
    Layout l{};
    l.zones = zones;
    l.runs = runs;
    l.start = kTableHead + 4;
    l.first = l.start + 1;
    l.last = l.first + zones - 1;
    l.chart_row = l.last + 3;
    l.howto_row = l.chart_row + 17;
    return l;
}

int Layout::col(ZoneCol field) const
{
    const int f = field;
    if (f <= kRun1)
        return kColB + f;
    return static_cast<int>(kColB) + static_cast<int>(kRun1) + runs + (f - kSd);
}

std::string a1(int row, int col, bool absolute)
{
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    const char* dollar = absolute ? "$" : "";
    return dollar + letters + dollar + std::to_string(row + 1);
}

std::string zone_range(const Layout& l, ZoneCol field)
{
    return a1(l.first, l.col(field), true) + ":" + a1(l.last, l.col(field), true);
}

std::string sheet_range(int row0, int col0, int row1, int col1)
{
    return std::string(kSheet) + "!" + a1(row0, col0, true) + ":" + a1(row1, col1, true);
}

} // namespace reduction
