#include "tests/reduction/workbook.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "tools/reduction/book.h"

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

std::vector<double> Evaluated::column(int col) const
{
    std::vector<double> out;
    for (int row = layout.first; row <= layout.last; ++row)
        out.push_back(number(row, col));
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

Evaluated evaluate(const reduction::Mirror& m, const std::string& name)
{
    const std::string path = work_dir() + "/" + name + ".xlsx";
    std::string error;
    if (!reduction::write_workbook(m, {}, path, error))
        throw std::runtime_error(error);
    Evaluated e;
    e.layout = reduction::layout_for(static_cast<int>(m.zones.size()));
    e.output = run(std::string("'") + XLHOST_PATH + "' '" + ADDIN_PATH + "' --workbook '" + path +
                   "' 2>&1");
    std::istringstream in(e.output);
    e.cells = reduction::read_cached(in);
    return e;
}

} // namespace reduction_test
