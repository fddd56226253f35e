// Mirror files: the documented example, every optional key, and bad files
// refused with the line they name.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tools/reduction/mirror_file.h"

namespace {

using namespace reduction;

const char* const kHead = "units,mm\ndiameter,200\nradius of curvature,2825.75\n";
const char* const kZones = "zones\ninner,outer,run 1,run 2\n0,50,0.1,0.2\n50,100,1.1,\n";

bool read(const std::string& text, Mirror& m, std::string& error)
{
    std::istringstream in(text);
    return read_mirror(in, "m.csv", m, error);
}

TEST(MirrorFile, DocumentedExample)
{
    const std::string text = std::string("# comment\n") + kHead +
                             "Wavelength NM,632.8 # He-Ne\nTESTER,Moving Source\nzone radius,carlin\n" +
                             kZones;
    Mirror m;
    std::string error;
    ASSERT_TRUE(read(text, m, error)) << error;
    EXPECT_EQ(m.units, "mm");
    EXPECT_EQ(m.diameter, 200);
    EXPECT_EQ(m.radius, 2825.75);
    EXPECT_EQ(m.wavelength_nm, 632.8);
    EXPECT_EQ(m.tester, "moving source");
    EXPECT_EQ(m.zone_radius, "carlin");
    EXPECT_EQ(m.runs, 2);
    ASSERT_EQ(m.zones.size(), 2u);
    EXPECT_EQ(m.zones[1].runs[0], 1.1);
    EXPECT_FALSE(m.zones[1].runs[1].has_value());
    EXPECT_EQ(m.coc, 0);
    EXPECT_FALSE(m.focal_length.has_value());
}

TEST(MirrorFile, EveryOptionalKey)
{
    const std::string text = std::string(kHead) +
                             "search tolerance,0.0001\nyour centre of curvature,-0.25\n"
                             "secondary,50\nfocal length,1400\nsecondary to focus,180\n"
                             "field stop mm,27\n" + kZones;
    Mirror m;
    std::string error;
    ASSERT_TRUE(read(text, m, error)) << error;
    EXPECT_EQ(m.fittol, 0.0001);
    EXPECT_EQ(m.coc, -0.25);
    EXPECT_EQ(m.secondary, 50);
    EXPECT_EQ(m.focal_length, 1400);
    EXPECT_EQ(m.secondary_to_focus, 180);
    EXPECT_EQ(m.field_stop_mm, 27);
    EXPECT_EQ(m.wavelength_nm, 550);
    EXPECT_EQ(m.tester, "fixed source");
    EXPECT_EQ(m.zone_radius, "mean");
}

TEST(MirrorFile, NumbersReadExactly)
{
    Mirror m;
    std::string error;
    ASSERT_TRUE(read(std::string(kHead) + "zones\ninner,outer,r\n0,27.509835846790338,1\n"
                                          "27.509835846790338,100,2\n",
                     m, error))
        << error;
    EXPECT_EQ(m.zones[0].outer, 27.509835846790338);
}

struct Bad {
    const char* name;
    std::string text;
    const char* error;
};

const Bad kBad[] = {
    {"UnknownKey", std::string(kHead) + "colour,red\n" + kZones, "m.csv:4: unknown key 'colour'"},
    {"UnknownUnit", "units,ft\n", "m.csv:1: unknown unit 'ft' (in, mm)"},
    {"TextForNumber", "units,mm\ndiameter,eight\n", "m.csv:2: 'diameter' takes a number, not 'eight'"},
    {"TextForReading", std::string(kHead) + "zones\ninner,outer,r\n0,50,x\n",
     "m.csv:6: run 1 takes a number, not 'x'"},
    {"OneZone", std::string(kHead) + "zones\ninner,outer,r\n0,50,1\n", "m.csv:6: fewer than 2 zones"},
    {"OuterNotAboveInner", std::string(kHead) + "zones\ninner,outer,r\n0,50,1\n50,50,2\n",
     "m.csv:7: the outer radius is not above the inner radius"},
    {"ElevenRuns", std::string(kHead) + "zones\ninner,outer,1,2,3,4,5,6,7,8,9,10,11\n",
     "m.csv:5: more than 10 runs"},
    {"NoReading", std::string(kHead) + "zones\ninner,outer,r\n0,50,\n", "m.csv:6: the zone has no reading"},
    {"MoreCellsThanHeader", std::string(kHead) + "zones\ninner,outer,r\n0,50,1,2\n",
     "m.csv:6: more cells than the header names"},
    {"NoDiameter", "radius of curvature,100\nzones\n", "m.csv:2: no 'diameter'"},
    {"Twice", "units,mm\nunits,in\n", "m.csv:2: 'units' given twice"},
    {"BadHeader", std::string(kHead) + "zones\nouter,inner,r\n", "m.csv:5: the header reads inner,outer, then one name per run"},
    {"NegativeDiameter", "diameter,-2\n", "m.csv:1: 'diameter' must be above 0"},
};

class BadFile : public testing::TestWithParam<Bad> {};

TEST_P(BadFile, IsRefusedNamingTheLine)
{
    Mirror m;
    std::string error;
    EXPECT_FALSE(read(GetParam().text, m, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(MirrorFile, BadFile, testing::ValuesIn(kBad),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
