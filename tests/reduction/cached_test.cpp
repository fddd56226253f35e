// The built PelluxReduction.xlsx carries, in every formula cell, the value
// xlhost computes for it, so a viewer without the add-in shows the worked
// example's numbers. libxlsxwriter stores numbers with 16 significant digits.
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/reduction/workbook.h"
#include "tools/reduction/book.h"

namespace {

using reduction::CachedValue;

// Cell reference -> the text of its <v> element, for every cell that has one.
std::map<std::string, std::string> stored_values(const std::string& sheet_xml)
{
    std::map<std::string, std::string> out;
    static const std::regex cell(R"re(<c r="([A-Z]+[0-9]+)"[^>]*>(?:<f[^>]*/>|<f[^>]*>[^<]*</f>)?<v>([^<]*)</v></c>)re");
    for (std::sregex_iterator it(sheet_xml.begin(), sheet_xml.end(), cell), end; it != end; ++it)
        out[(*it)[1]] = (*it)[2];
    return out;
}

std::string sixteen_digits(double x)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.16G", x);
    return buffer;
}

TEST(CachedValues, EveryFormulaCellCarriesXlhostsValue)
{
    const std::string xml =
        reduction_test::run(std::string("unzip -p '") + WORKBOOK_PATH + "' xl/worksheets/sheet1.xml");
    const auto stored = stored_values(xml);
    ASSERT_FALSE(stored.empty()) << "cannot read " << WORKBOOK_PATH;

    std::istringstream in(reduction_test::run(std::string("'") + XLHOST_PATH + "' '" +
                                              ADDIN_PATH + "' --workbook '" + WORKBOOK_PATH + "'"));
    const reduction::CachedValues computed = reduction::read_cached(in);
    ASSERT_GT(computed.size(), 80u);
    int verdicts = 0;
    for (const auto& [cell, v] : computed) {
        auto it = stored.find(cell);
        ASSERT_NE(it, stored.end()) << cell << " has no cached value";
        ASSERT_NE(v.kind, CachedValue::Error) << cell << " is " << v.text;
        if (v.kind == CachedValue::Number)
            EXPECT_EQ(std::strtod(it->second.c_str(), nullptr),
                      std::strtod(sixteen_digits(v.number).c_str(), nullptr))
                << cell;
        else if (it->second != reduction::kRecalculate)
            EXPECT_EQ(it->second, v.text) << cell;
        else
            ++verdicts;
    }
    // Verdicts and remarks ask for a recalculation: a viewer that shows cached
    // values never shows one that was not computed there.
    EXPECT_GE(verdicts, 10);
    for (const auto& [cell, text] : stored)
        for (const char* word : {"within", "beyond", "outside", "at least 0.8", "below 0.8", "equals"})
            EXPECT_EQ(text.find(word), std::string::npos) << cell << " caches " << text;
}

} // namespace
