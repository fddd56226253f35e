#include "tests/reduction/workbook.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

#include "tools/reduction/book.h"
#include "tools/reduction/mirror_file.h"

namespace reduction_test {

using reduction::CachedValue;

const CachedValue& Evaluated::at(int row, int col) const
{
    static const CachedValue missing{CachedValue::Error, 0, "(not evaluated)"};
    auto it = cells.find(reduction::a1(row, col));
    return it == cells.end() ? missing : it->second;
}

double Evaluated::number(int row, int col) const
{
    const CachedValue& v = at(row, col);
    return v.kind == CachedValue::Number ? v.number : std::nan("");
}

std::string Evaluated::text(int row, int col) const
{
    const CachedValue& v = at(row, col);
    return v.kind == CachedValue::Number ? std::to_string(v.number) : v.text;
}

double Evaluated::zone(int row, reduction::ZoneCol field) const
{
    return number(row, layout.col(field));
}

std::vector<double> Evaluated::column(reduction::ZoneCol field) const
{
    std::vector<double> out;
    for (int row = layout.first; row <= layout.last; ++row)
        out.push_back(zone(row, field));
    return out;
}

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr)
        throw std::runtime_error("cannot run " + command);
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    pclose(p);
    return out;
}

std::string work_dir()
{
    const std::string dir = REDUCTION_WORK_DIR;
    std::filesystem::create_directories(dir);
    return dir;
}

// The workbook's text form with the typed cells put in place of theirs.
std::string retyped(const std::string& xlsx, const Handling& how)
{
    const std::string cells = xlsx + ".cells";
    run(std::string("'") + XLHOST_PATH + "' --workbook '" + xlsx + "' --save-cells '" + cells + "'");
    std::ifstream in(cells);
    std::string text, line;
    while (std::getline(in, line)) {
        const std::string address = line.substr(0, line.find(' '));
        for (const auto& [cell, typed] : how.typed)
            if (address == cell)
                line.clear();
        if (!line.empty())
            text += line + "\n";
    }
    for (const auto& [cell, typed] : how.typed)
        if (!typed.empty()) // an empty one leaves the cell blank
            text += cell + " " + typed + "\n";
    std::ofstream(cells) << text;
    return cells;
}

Evaluated evaluate(const reduction::Mirror& m, const std::string& name, const Handling& how)
{
    const std::string xlsx = work_dir() + "/" + name + ".xlsx";
    std::string error;
    if (!reduction::write_workbook(m, {}, xlsx, error))
        throw std::runtime_error(error);
    const std::string path = how.typed.empty() ? xlsx : retyped(xlsx, how);
    Evaluated e;
    e.layout = reduction::layout_for(static_cast<int>(m.zones.size()), m.runs);
    // Every cell, constants too, so that figures can be found by their labels.
    const reduction::Layout& l = e.layout;
    const std::string whole = std::string(reduction::kSheet) + "!A1:" +
                              reduction::a1(std::max(l.howto_row + 20, l.first + 3 * l.zones),
                                            l.figures_col());
    const std::string addin = how.addin ? std::string("'") + ADDIN_PATH + "'" : "--no-addin";
    e.output = run(std::string("'") + XLHOST_PATH + "' " + addin + " --workbook '" + path +
                   "' --cells '" + whole + "' 2>&1");
    std::istringstream in(e.output);
    e.cells = reduction::read_cached(in);
    return e;
}

double figure(const Evaluated& e, const std::string& label)
{
    for (int row = reduction::kRowResults; row < reduction::kTableHead; ++row)
        if (e.at(row, reduction::kOutLabel).kind == CachedValue::Text &&
            e.at(row, reduction::kOutLabel).text == label)
            return e.number(row, reduction::kOutValue);
    throw std::runtime_error("no figure labelled " + label);
}

reduction::Mirror parabolised(double fraction, int zones, double diameter, double radius, double offset)
{
    reduction::Mirror m;
    m.diameter = diameter;
    m.radius = radius;
    m.runs = 1;
    double inner = 0;
    for (int k = 1; k <= zones; ++k) {
        const double outer = diameter / 2 * std::sqrt(double(k) / zones);
        const double zeff = (inner + outer) / 2;
        m.zones.push_back({inner, outer, {fraction * zeff * zeff / radius + offset}, ""});
        inner = outer;
    }
    return m;
}

reduction::Mirror from_file(const std::string& path)
{
    std::ifstream in(path);
    reduction::Mirror m;
    std::string error;
    if (!reduction::read_mirror(in, path, m, error))
        ADD_FAILURE() << error;
    return m;
}

} // namespace reduction_test
