// pellux-reduction: writes the Foucault reduction workbook PelluxReduction.xlsx.
//
//   pellux-reduction [--zones N] [--mm] [--moving-source] [--values FILE] OUT.xlsx
//   pellux-reduction --mirror MIRROR.csv [--values FILE] OUT.xlsx
//
// --mirror writes the workbook for the mirror a mirror file describes, sized
// to its zones and runs; without it, the worked example.
// --values takes xlhost's evaluation of an earlier run (one line per formula
// cell) and stores each value as the formula's cached result.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/reduction/book.h"
#include "tools/reduction/mirror_file.h"

namespace {

int usage()
{
    std::cerr << "usage: pellux-reduction [--zones N] [--mm] [--moving-source] [--values FILE] "
                 "OUT.xlsx\n"
                 "       pellux-reduction --mirror MIRROR.csv [--values FILE] OUT.xlsx\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    int zones = 6;
    bool mm = false, fixed = false;
    std::string values_path, mirror_path, out;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--zones" && i + 1 < argc) {
            char* end = nullptr;
            const long n = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || n < 2 || n > 100) {
                std::cerr << "pellux-reduction: --zones takes a count from 2 to 100\n";
                return 2;
            }
            zones = static_cast<int>(n);
        } else if (arg == "--mm") {
            mm = true;
        } else if (arg == "--moving-source") {
            fixed = true;
        } else if (arg == "--mirror" && i + 1 < argc) {
            mirror_path = argv[++i];
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
    if (!mirror_path.empty()) {
        std::ifstream file(mirror_path);
        std::string error;
        if (!file) {
            std::cerr << "pellux-reduction: cannot read " << mirror_path << "\n";
            return 2;
        }
        if (!reduction::read_mirror(file, mirror_path, m, error)) {
            std::cerr << "pellux-reduction: " << error << "\n";
            return 2;
        }
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
    if (!reduction::write_workbook(m, cached, out, error)) {
        std::cerr << "pellux-reduction: " << error << "\n";
        return 1;
    }
    return 0;
}
