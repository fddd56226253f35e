// Mirror files: the documented example, every optional key, and bad files
// refused with the line they name.
#include <fstream>
#include <sstream>
#include <vector>
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
    std::string name;
    std::string text;
    std::string error;
};

// The bad files the page's reader is tested on too: '%% NAME', '%% ERROR',
// then the file's lines.
const std::vector<Bad>& bad_files()
{
    static const std::vector<Bad> cases = [] {
        std::vector<Bad> out;
        std::ifstream in(BAD_MIRROR_FILES);
        std::string line;
        int header = 0;
        while (std::getline(in, line)) {
            if (line.rfind("%% ", 0) == 0) {
                if (header == 0)
                    out.push_back({line.substr(3), "", ""});
                else
                    out.back().error = line.substr(3);
                header = 1 - header;
            } else if (!out.empty()) {
                out.back().text += line + "\n";
            }
        }
        return out;
    }();
    return cases;
}

class BadFile : public testing::TestWithParam<Bad> {};

TEST_P(BadFile, IsRefusedNamingTheLine)
{
    Mirror m;
    std::string error;
    EXPECT_FALSE(read(GetParam().text, m, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(MirrorFile, BadFile, testing::ValuesIn(bad_files()),
                         [](const auto& info) { return info.param.name; });

TEST(MirrorFile, TheBadFilesAreThere) { EXPECT_GE(bad_files().size(), 15u); }

// Files as spreadsheets write them: '%% NAME', '%% DIAMETER ZONES RUNS
// FIRST-READING', then the lines (ended by a lone CR where NAME ends in CR).
TEST(MirrorFile, SpreadsheetFilesRead)
{
    std::ifstream in(SPREADSHEET_MIRROR_FILES);
    std::string line, name, text;
    int count = 0;
    auto finish = [&] {
        if (name.empty())
            return;
        Mirror m;
        std::string error;
        const std::string want = name.substr(name.find('\n') + 1);
        ASSERT_TRUE(read(text, m, error)) << name << ": " << error;
        std::istringstream w(want);
        double diameter = 0, first = 0;
        std::size_t zones = 0;
        int runs = 0;
        w >> diameter >> zones >> runs >> first;
        EXPECT_EQ(m.diameter, diameter) << name;
        EXPECT_EQ(m.zones.size(), zones) << name;
        EXPECT_EQ(m.runs, runs) << name;
        EXPECT_EQ(m.zones[0].runs[0].value_or(-1), first) << name;
        ++count;
    };
    while (std::getline(in, line)) {
        if (line.rfind("#", 0) == 0)
            continue;
        if (line.rfind("%% ", 0) == 0) {
            if (name.find('\n') != std::string::npos) {
                finish();
                name.clear();
                text.clear();
            }
            name += (name.empty() ? "" : "\n") + line.substr(3);
            continue;
        }
        const bool cr = name.substr(0, name.find('\n')).size() >= 2 &&
                        name.substr(name.find('\n') - 2, 2) == "CR";
        text += line + (cr ? "\r" : "\n");
    }
    finish();
    EXPECT_EQ(count, 4);
}

} // namespace
