// The workbook's comparison sheet: two sessions of the mirror, each figure's
// change against its noise, and the shape's change along the radius.
#pragma once

#include <string>

#include "core/comparison.h"
#include "tools/reduction/book.h"
#include "tools/reduction/mirror_file.h"

namespace reduction {

struct Compared {
    const Session* before;
    const Session* after;
    int before_number, after_number; // counted from 1
    pellux::Comparison result;
};

// The comparison of two sessions; false with a message when either does
// not reduce or their mirrors differ in diameter.
bool compare(const Session& before, const Session& after, Compared& out, std::string& error);

// What a change says: "the correction rose from 71.0 % ± 3.0 % to 84.0 % ±
// 2.0 %: a real change" or "... changed by 0.004 ± 0.006 wave: within the
// noise".
std::string change_text(const char* figure, const pellux::Change& c, const char* unit, int decimals);

void write_comparison(lxw_workbook* wb, const Formats& f, const Compared& c, const std::string& units);

} // namespace reduction
