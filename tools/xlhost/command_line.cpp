#include "tools/xlhost/command_line.h"

#include "host/platform.h"
#include "tools/xlhost/cells/cells.h"
#include "tools/xlhost/cells/display.h"
#include "tools/xlhost/formula/call.h"

#include <cstdio>

using namespace pellux;

namespace xlhost {

namespace {

using ManagerInfo = XLOPER12*(PELLUX_STDCALL*)(XLOPER12*);

bool print_lines(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        std::printf("  %s\n", line.c_str());
    return true;
}

} // namespace

std::string number_text(double value, int digits)
{
    return digits == 0 ? format_shortest(value) : format_general(value, digits);
}

bool CommandLineFormulas::evaluate(const std::string& formula)
{
    std::size_t first = formula.find_first_not_of(" \t");
    bool has_equals = first != std::string::npos && formula[first] == '=';
    std::printf("%s%s\n", has_equals ? "" : "=", formula.c_str());
    bool ok = evaluate_lines(formula);
    std::fflush(stdout);
    return ok;
}

void CommandLineFormulas::print_addin_name(void* module)
{
    auto info = reinterpret_cast<ManagerInfo>(module_symbol(module, "xlAddInManagerInfo12"));
    if (info == nullptr)
        return;
    XLOPER12 action{};
    action.val.num = 1;
    action.xltype = xltypeNum;
    std::vector<std::string> lines;
    if (result_lines("xlAddInManagerInfo12", info(&action), lines) && lines.size() == 1)
        std::printf("Add-in: \"%s\"\n", lines[0].c_str());
}

bool CommandLineFormulas::evaluate_lines(const std::string& formula)
{
    ParseResult parsed = parse_formula(formula);
    if (!parsed.ok) {
        std::fprintf(stderr, "xlhost: syntax error in \"%s\" at column %zu: %s\n", formula.c_str(),
                     parsed.position + 1, parsed.error.c_str());
        return false;
    }
    const Registration* found = host().find(parsed.call.name);
    if (found == nullptr)
        return print_lines({"#NAME?"});
    // A copy: the procedure may call the host, which may change the table.
    const Registration entry = *found;
    const std::vector<Operand>& operands = parsed.call.arguments;
    if (operands.size() != entry.argument_letters.size())
        return print_lines({"#VALUE!"});

    std::vector<std::vector<double>> zones;
    std::vector<double> numbers(operands.size());
    std::vector<void*> pointers;
    zones.reserve(operands.size());
    for (std::size_t i = 0; i < operands.size(); ++i) {
        const Operand& operand = operands[i];
        if (entry.argument_letters[i] == 'E') {
            if (operand.cells.size() != 1)
                return print_lines({"#VALUE!"});
            numbers[i] = operand.cells[0];
            pointers.push_back(&numbers[i]);
        } else {
            if (operand.rows > 0xFFFF || operand.columns > 0xFFFF)
                return print_lines({"#VALUE!"});
            zones.push_back(k_record(operand.rows, operand.columns, operand.cells.data()));
            pointers.push_back(zones.back().data());
        }
    }
    std::vector<std::string> lines;
    bool ok = result_lines(entry.name, call_procedure(entry.address, pointers), lines);
    print_lines(lines);
    return ok;
}

bool CommandLineFormulas::cell_text(const XLOPER12& cell, std::string& text) const
{
    switch (cell.xltype & kTypeBits) {
    case xltypeNum: text = number_text(cell.val.num, digits_); return true;
    case xltypeInt: text = number_text(cell.val.w, digits_); return true;
    case xltypeBool: text = cell.val.w != 0 ? "TRUE" : "FALSE"; return true;
    case xltypeNil: text = "(nil)"; return true;
    case xltypeMissing: text = "(missing)"; return true;
    case xltypeErr:
        if (const char* name = error_name(cell.val.err)) {
            text = name;
            return true;
        }
        text = "#ERROR(" + std::to_string(cell.val.err) + ")";
        std::fprintf(stderr, "xlhost: unknown error code %d\n", static_cast<int>(cell.val.err));
        return false;
    case xltypeStr: {
        std::u16string chars;
        std::string problem;
        if (!read_text(cell, chars, problem)) {
            text = "(malformed text)";
            std::fprintf(stderr, "xlhost: %s\n", problem.c_str());
            return false;
        }
        text = utf8_from_utf16(chars);
        return true;
    }
    default:
        text = "(type " + std::to_string(cell.xltype) + ")";
        std::fprintf(stderr, "xlhost: unexpected type word 0x%x in a result\n", static_cast<unsigned>(cell.xltype));
        return false;
    }
}

bool CommandLineFormulas::result_lines(const std::string& from, XLOPER12* result, std::vector<std::string>& lines)
{
    ResultShape shape;
    bool ok = read_result(from, result, auto_free_, shape, [&](const XLOPER12& cell) {
        std::string text;
        bool good = cell_text(cell, text);
        lines.push_back(text);
        return good;
    });
    if (shape.null)
        lines.push_back("(null record)");
    if (shape.malformed)
        lines.push_back("(malformed array)");
    return ok;
}

void print_list(const std::vector<Registration>& functions)
{
    for (const Registration& f : functions) {
        std::printf("%s(%s)\n", f.name.c_str(), f.argument_text.c_str());
        std::printf("  category: \"%s\"\n", f.category.c_str());
        std::printf("  procedure: %s %s\n", f.procedure.c_str(), f.type_text.c_str());
        std::printf("  help: \"%s\"\n", f.function_help.c_str());
        for (std::size_t i = 0; i < f.argument_names.size(); ++i)
            std::printf("  %s: \"%s\"\n", f.argument_names[i].c_str(), f.argument_helps[i].c_str());
    }
    std::fflush(stdout);
}

} // namespace xlhost
