// pellux-reduction: writes the Foucault reduction workbook PelluxReduction.xlsx.
//
//   pellux-reduction [--zones N] [--mm] [--moving-source] [--values FILE] OUT.xlsx
//   pellux-reduction --mirror MIRROR.csv [--session N] [--compare A,B] [--values FILE] OUT.xlsx
//
// --mirror writes the workbook for the mirror a mirror file describes, sized
// to its zones and runs; without it, the worked example. Of a project file
// of several sessions it takes the last, or --session N (from 1); --compare
// A,B adds a sheet comparing session A with session B.
// --values takes xlhost's evaluation of an earlier run (one line per formula
// cell) and stores each value as the formula's cached result.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/args/args.h"
#include "tools/reduction/book.h"
#include "tools/reduction/compare_sheet.h"
#include "tools/reduction/mirror_file.h"

namespace {

bool whole_in(const std::string& text, int lo, int hi, int& n)
{
    return args::whole(text, n) && n >= lo && n <= hi;
}

int usage()
{
    std::cerr << "usage: pellux-reduction [--zones N] [--mm] [--moving-source] [--values FILE] "
                 "OUT.xlsx\n"
                 "       pellux-reduction --mirror MIRROR.csv [--session N] [--compare A,B] [--values FILE] "
                 "OUT.xlsx\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int zones = 6;
    bool mm = false, fixed = false;
    std::string values_path, mirror_path, out;
    int session = 0;              // 0: the last
    int compare_a = 0, compare_b = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--zones" && i + 1 < argc) {
            if (!whole_in(argv[++i], 2, 100, zones)) {
                std::cerr << "pellux-reduction: --zones takes a count from 2 to 100\n";
                return 2;
            }
        } else if (arg == "--mm") {
            mm = true;
        } else if (arg == "--moving-source") {
            fixed = true;
        } else if (arg == "--mirror" && i + 1 < argc) {
            mirror_path = argv[++i];
        } else if (arg == "--session" && i + 1 < argc) {
            if (!whole_in(argv[++i], 1, 100, session)) {
                std::cerr << "pellux-reduction: --session takes a session's number, from 1\n";
                return 2;
            }
        } else if (arg == "--compare" && i + 1 < argc) {
            const std::string pair = argv[++i];
            const std::size_t comma = pair.find(',');
            if (comma == std::string::npos || !whole_in(pair.substr(0, comma), 1, 100, compare_a) ||
                !whole_in(pair.substr(comma + 1), 1, 100, compare_b) || compare_a == compare_b) {
                std::cerr << "pellux-reduction: --compare takes two sessions' numbers, as 1,3\n";
                return 2;
            }
        } else if (arg == "--values" && i + 1 < argc) {
            values_path = argv[++i];
        } else if (!arg.empty() && arg[0] != '-' && out.empty()) {
            out = arg;
        } else {
            return usage();
        }
    }
    if (out.empty())
        return usage();

    reduction::Mirror m = reduction::worked_example(zones);
    reduction::Project project;
    if ((session || compare_a) && mirror_path.empty()) {
        std::cerr << "pellux-reduction: --session and --compare need --mirror\n";
        return 2;
    }
    if (!mirror_path.empty()) {
        std::ifstream file(mirror_path);
        std::string error;
        if (!file) {
            std::cerr << "pellux-reduction: cannot read " << mirror_path << "\n";
            return 2;
        }
        if (!reduction::read_project(file, mirror_path, project, error)) {
            std::cerr << "pellux-reduction: " << error << "\n";
            return 2;
        }
        const int count = static_cast<int>(project.sessions.size());
        if (session > count || compare_a > count || compare_b > count) {
            std::cerr << "pellux-reduction: " << mirror_path << " holds " << count
                      << (count == 1 ? " session" : " sessions") << "\n";
            return 2;
        }
        m = project.sessions[static_cast<std::size_t>(session ? session : count) - 1].mirror;
    }
    reduction::Compared compared{};
    if (compare_a) {
        std::string error;
        if (!reduction::compare(project.sessions[static_cast<std::size_t>(compare_a) - 1],
                                project.sessions[static_cast<std::size_t>(compare_b) - 1], compared, error)) {
            std::cerr << "pellux-reduction: " << error << "\n";
            return 2;
        }
        compared.before_number = compare_a;
        compared.after_number = compare_b;
    }
    if (mm)
        m = reduction::in_millimetres(m);
    if (fixed)
        m = reduction::moving_source(m);

    reduction::CachedValues cached;
    if (!values_path.empty()) {
        std::ifstream in(values_path);
        if (!in) {
            std::cerr << "pellux-reduction: cannot read " << values_path << "\n";
            return 1;
        }
        cached = reduction::read_cached(in);
    }
    std::string error;
    if (!reduction::write_workbook(m, cached, out, error, compare_a ? &compared : nullptr)) {
        std::cerr << "pellux-reduction: " << error << "\n";
        return 1;
    }
    return 0;
}
