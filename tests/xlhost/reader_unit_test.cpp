// The workbook reader's values and package, on their own.
#include "tools/xlhost/package/package.h"
#include "tools/xlhost/read/read_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

using namespace xlhost;

TEST(ReadValues, SeventeenDigitNumbersComeBackToTheirBits)
{
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000; ++i) {
        std::uint64_t word = random();
        double x = 0;
        std::memcpy(&x, &word, sizeof x);
        if (!std::isfinite(x))
            continue;
        char text[40];
        std::snprintf(text, sizeof text, "%.17g", x);
        double back = 0;
        ASSERT_TRUE(read_number(text, back)) << text;
        ASSERT_EQ(std::memcmp(&x, &back, sizeof x), 0) << text;
    }
    double x = 0;
    EXPECT_TRUE(read_number("27.509835846790338", x) && x == 27.509835846790338);
    for (const char* bad : {"", "1,5", "inf", "nan", "1e999", "++1", "0x10", "1 2"})
        EXPECT_FALSE(read_number(bad, x)) << bad;
}

TEST(ReadValues, DatesAndTimes)
{
    struct Case {
        const char* text;
        DateSystem system;
        double serial; // NaN: refused
    } cases[] = {
        {"2026-12-08", DateSystem::Excel1900, 46364},
        {"2026-12-08T12:00:00", DateSystem::Excel1900, 46364.5},
        {"2026-12-08T06:00:00Z", DateSystem::NullDate, 46364.25},
        {"1900-03-01", DateSystem::Excel1900, 61},
        {"1900-02-28", DateSystem::Excel1900, 59}, // Excel counts a 29 February 1900
        {"1900-01-01", DateSystem::Excel1900, 1},
        {"1904-01-02", DateSystem::Excel1904, 1},
        {"2026-02-29", DateSystem::Excel1900, NAN},
        {"2026-13-01", DateSystem::Excel1900, NAN},
        {"1899-01-01", DateSystem::Excel1900, NAN},
        {"2026-12-08T25:00", DateSystem::Excel1900, NAN},
        {"08/12/2026", DateSystem::Excel1900, NAN},
    };
    for (const Case& c : cases) {
        double serial = 0;
        bool ok = read_iso_date(c.text, c.system, serial);
        EXPECT_EQ(ok, !std::isnan(c.serial)) << c.text;
        if (ok) {
            EXPECT_EQ(serial, c.serial) << c.text;
        }
    }
    double days = 0;
    EXPECT_TRUE(read_duration("PT36H00M00S", days) && days == 1.5);
    EXPECT_TRUE(read_duration("-PT6H", days) && days == -0.25);
    EXPECT_FALSE(read_duration("PT", days));
    EXPECT_FALSE(read_duration("12:00", days));
}

TEST(ReadValues, OoxmlEscapes)
{
    EXPECT_EQ(ooxml_text("ch_x000D_"), "ch\r");
    EXPECT_EQ(ooxml_text("_x005F_x000D_"), "_x000D_");
    EXPECT_EQ(ooxml_text("_x03A9_"), "\xce\xa9");
    EXPECT_EQ(ooxml_text("_x12_ and _xZZZZ_"), "_x12_ and _xZZZZ_");
}

TEST(Package, PartNamesResolveFromTheirSource)
{
    EXPECT_EQ(resolve_part("xl/workbook.xml", "worksheets/sheet1.xml"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(resolve_part("xl/workbook.xml", "/xl/worksheets/sheet1.xml"), "xl/worksheets/sheet1.xml");
    EXPECT_EQ(resolve_part("xl/workbook.xml", "../customXml/item1.xml"), "customXml/item1.xml");
    EXPECT_EQ(resolve_part("", "xl/work%20book.xml"), "xl/work book.xml");
}

TEST(Package, DamagedZipsAreRefused)
{
    std::string end("PK\x05\x06\0\0\0\0\x01\0\x01\0\xff\0\0\0\0\0\0\0\0\0", 22);
    for (const std::string& bytes : {std::string("PK"), std::string(100, 'x'), end, "PK\x03\x04" + end}) {
        Package package;
        std::string problem;
        EXPECT_FALSE(package.open(bytes, problem));
        EXPECT_FALSE(problem.empty());
    }
}
