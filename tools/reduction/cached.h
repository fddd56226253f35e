// The values xlhost computed for the workbook's formula cells, read back from
// its output (one line per cell: "Sheet!A1  =formula  value") so that the
// file can carry them as each formula's cached result.
#pragma once

#include <istream>
#include <map>
#include <string>

namespace reduction {

struct CachedValue {
    enum Kind { Number, Text, Error } kind = Number;
    double number = 0;
    std::string text;  // text result, or the error's name ("#NUM!")
};

// Keyed by the cell's reference without the sheet ("N6").
using CachedValues = std::map<std::string, CachedValue>;

// Reads xlhost's lines; lines that are not cell lines are passed over.
CachedValues read_cached(std::istream& in);

// One value as xlhost prints it: a number in its shortest exact form,
// inf or nan, an error value, or text.
CachedValue parse_value(const std::string& text);

} // namespace reduction
