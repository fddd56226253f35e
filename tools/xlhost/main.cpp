// xlhost: loads an XLL add-in the way Excel does, serves the host functions it
// calls, and evaluates worksheet formulas against the functions it registers.
//
//   xlhost [--excel-version TEXT] [--list] [--digits N] ADDIN [FORMULA ...]

#include "host/platform.h"
#include "host/xloper.h"
#include "tools/xlhost/display.h"
#include "tools/xlhost/formula.h"
#include "tools/xlhost/host.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

using namespace pellux;
using namespace xlhost;

namespace {

using AutoOpen = int(PELLUX_STDCALL*)();
using AutoFree = int(PELLUX_STDCALL*)(XLOPER12*);
using EntryPoint = void(PELLUX_STDCALL*)(HostCallback);
using ManagerInfo = XLOPER12*(PELLUX_STDCALL*)(XLOPER12*);

constexpr std::uint32_t kTypeBits = ~(xlbitXLFree | xlbitDLLFree);

struct Options {
    std::u16string excel_version = u"16.0";
    bool list = false;
    int digits = 0; // 0: shortest round-trip form
    std::string addin;
    std::vector<std::string> formulas;
};

void usage()
{
    std::fputs("usage: xlhost [--excel-version TEXT] [--list] [--digits N] ADDIN [FORMULA ...]\n", stderr);
}

bool parse_options(int argc, char** argv, Options& options)
{
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--list") {
            options.list = true;
        } else if (arg == "--excel-version" && i + 1 < argc) {
            options.excel_version = utf16_from_utf8(argv[++i]);
        } else if (arg == "--digits" && i + 1 < argc) {
            std::string value = argv[++i];
            int digits = 0;
            for (char c : value)
                digits = (c >= '0' && c <= '9' && digits < 100) ? digits * 10 + (c - '0') : 100;
            if (value.empty() || digits < 1 || digits > 17) {
                std::fprintf(stderr, "xlhost: --digits takes a count from 1 to 17, not \"%s\"\n", value.c_str());
                return false;
            }
            options.digits = digits;
        } else if (arg == "--") {
            ++i;
            break;
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            std::fprintf(stderr, "xlhost: unknown option or missing value: %s\n", arg.c_str());
            return false;
        } else {
            break;
        }
    }
    if (i >= argc)
        return false;
    options.addin = argv[i++];
    for (; i < argc; ++i)
        options.formulas.emplace_back(argv[i]);
    return true;
}

// Calling a registered procedure: every K and E argument is a pointer, and
// so is the U result, so one signature per argument count serves them all.
template <std::size_t>
using Pointer = void*;

template <std::size_t... I>
XLOPER12* invoke(void* procedure, void* const* args, std::index_sequence<I...>)
{
    using Function = XLOPER12*(PELLUX_STDCALL*)(Pointer<I>...);
    return reinterpret_cast<Function>(procedure)(args[I]...);
}

template <std::size_t N>
XLOPER12* invoke_n(void* procedure, void* const* args)
{
    return invoke(procedure, args, std::make_index_sequence<N>{});
}

template <std::size_t... N>
constexpr auto make_invokers(std::index_sequence<N...>)
{
    return std::array<XLOPER12* (*)(void*, void* const*), sizeof...(N)>{&invoke_n<N>...};
}

constexpr auto kInvokers = make_invokers(std::make_index_sequence<kMaxArguments + 1>{});

const char* error_text(std::int32_t code)
{
    switch (code) {
    case xlerrNull: return "#NULL!";
    case xlerrDiv0: return "#DIV/0!";
    case xlerrValue: return "#VALUE!";
    case xlerrRef: return "#REF!";
    case xlerrName: return "#NAME?";
    case xlerrNum: return "#NUM!";
    case xlerrNA: return "#N/A";
    default: return nullptr;
    }
}

class Evaluator {
public:
    Evaluator(void* module, const Options& options)
        : options_(options), auto_free_(reinterpret_cast<AutoFree>(module_symbol(module, "xlAutoFree12")))
    {
    }

    // Prints the formula and its result; false on a syntax error or a
    // result the host cannot read.
    bool evaluate(const std::string& formula)
    {
        std::size_t first = formula.find_first_not_of(" \t");
        bool has_equals = first != std::string::npos && formula[first] == '=';
        std::printf("%s%s\n", has_equals ? "" : "=", formula.c_str());
        bool ok = evaluate_lines(formula);
        std::fflush(stdout);
        return ok;
    }

    // The add-in's name as the Add-In Manager shows it, if it tells one.
    void print_addin_name(void* module)
    {
        auto info = reinterpret_cast<ManagerInfo>(module_symbol(module, "xlAddInManagerInfo12"));
        if (info == nullptr)
            return;
        XLOPER12 action{};
        action.val.num = 1;
        action.xltype = xltypeNum;
        std::vector<std::string> lines;
        if (read_result("xlAddInManagerInfo12", info(&action), lines) && lines.size() == 1)
            std::printf("Add-in: \"%s\"\n", lines[0].c_str());
    }

private:
    bool evaluate_lines(const std::string& formula)
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

        // Argument storage: K records in doubles (8-byte aligned), E values.
        std::vector<std::vector<double>> zones;
        std::vector<double> numbers(operands.size());
        std::vector<void*> pointers;
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
                std::vector<double> record(1 + operand.cells.size());
                ZoneVector header{static_cast<std::uint16_t>(operand.rows),
                                  static_cast<std::uint16_t>(operand.columns)};
                std::memcpy(record.data(), &header, sizeof header);
                std::memcpy(record.data() + 1, operand.cells.data(), sizeof(double) * operand.cells.size());
                zones.push_back(std::move(record));
                pointers.push_back(zones.back().data());
            }
        }
        XLOPER12* result = kInvokers[pointers.size()](entry.address, pointers.data());
        std::vector<std::string> lines;
        bool ok = read_result(entry.name, result, lines);
        print_lines(lines);
        return ok;
    }

    bool print_lines(const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines)
            std::printf("  %s\n", line.c_str());
        return true;
    }

    std::string number(double value) const
    {
        return options_.digits == 0 ? format_shortest(value) : format_general(value, options_.digits);
    }

    bool cell_text(const XLOPER12& cell, std::string& text) const
    {
        switch (cell.xltype & kTypeBits) {
        case xltypeNum: text = number(cell.val.num); return true;
        case xltypeInt: text = number(cell.val.w); return true;
        case xltypeBool: text = cell.val.w != 0 ? "TRUE" : "FALSE"; return true;
        case xltypeNil: text = "(nil)"; return true;
        case xltypeMissing: text = "(missing)"; return true;
        case xltypeErr:
            if (const char* name = error_text(cell.val.err)) {
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
            std::fprintf(stderr, "xlhost: unexpected type word 0x%x in a result\n",
                         static_cast<unsigned>(cell.xltype));
            return false;
        }
    }

    // Copies the values out of a "U" result, then hands a record marked
    // xlbitDLLFree back to xlAutoFree12, once.
    bool read_result(const std::string& from, XLOPER12* result, std::vector<std::string>& lines)
    {
        if (result == nullptr) {
            std::fprintf(stderr, "xlhost: %s returned a null record\n", from.c_str());
            lines.push_back("(null record)");
            return false;
        }
        XLOPER12 record = read_record(result);
        bool ok = true;
        if (record.xltype & xlbitXLFree) {
            std::fprintf(stderr, "xlhost: %s returned a record marked xlbitXLFree\n", from.c_str());
            ok = false;
        }
        if ((record.xltype & kTypeBits) == xltypeMulti) {
            std::int64_t rows = record.val.array.rows;
            std::int64_t columns = record.val.array.columns;
            if (record.val.array.lparray == nullptr || rows < 1 || columns < 1 || rows * columns > (1 << 24)) {
                std::fprintf(stderr, "xlhost: %s returned a malformed array (%lld x %lld at %p)\n", from.c_str(),
                             static_cast<long long>(rows), static_cast<long long>(columns),
                             static_cast<void*>(record.val.array.lparray));
                lines.push_back("(malformed array)");
                ok = false;
            } else {
                for (std::int64_t i = 0; i < rows * columns; ++i) {
                    XLOPER12 cell = read_record(record.val.array.lparray + i);
                    std::string text;
                    ok = cell_text(cell, text) && ok;
                    lines.push_back(text);
                }
            }
        } else {
            std::string text;
            ok = cell_text(record, text) && ok;
            lines.push_back(text);
        }
        if (record.xltype & xlbitDLLFree) {
            if (auto_free_ == nullptr) {
                std::fprintf(stderr, "xlhost: %s returned a record marked xlbitDLLFree but xlAutoFree12 "
                                     "is not exported\n",
                             from.c_str());
                ok = false;
            } else {
                auto_free_(result);
            }
        }
        return ok;
    }

    const Options& options_;
    AutoFree auto_free_;
};

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

void report_unfreed_strings()
{
    for (const std::string& line : host().unfreed_strings())
        std::fprintf(stderr, "xlhost: host string never given back with xlFree: %s\n", line.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse_options(argc, argv, options)) {
        usage();
        return 2;
    }
    host().set_excel_version(options.excel_version);

    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(std::filesystem::path(options.addin), error);
    if (error || !std::filesystem::is_regular_file(path, error)) {
        std::fprintf(stderr, "xlhost: no add-in file \"%s\"\n", options.addin.c_str());
        return 1;
    }
    void* module = module_load(path.string().c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "xlhost: cannot load \"%s\": %s\n", options.addin.c_str(), module_error());
        return 1;
    }
    host().attach(module, path.u16string());

    if (main_program_export("MdCallBack12") == nullptr)
        std::fputs("xlhost: MdCallBack12 is not exported by xlhost; the add-in cannot find its host\n", stderr);
    if (auto entry = reinterpret_cast<EntryPoint>(module_symbol(module, "SetExcel12EntryPt")))
        entry(&MdCallBack12);

    auto open = reinterpret_cast<AutoOpen>(module_symbol(module, "xlAutoOpen"));
    if (open == nullptr) {
        std::fprintf(stderr, "xlhost: \"%s\" does not export xlAutoOpen; not an XLL add-in\n", options.addin.c_str());
        module_unload(module);
        return 1;
    }
    if (open() == 0) {
        std::fprintf(stderr, "xlhost: the add-in refused to open (xlAutoOpen returned 0)\n");
        module_unload(module);
        report_unfreed_strings();
        return 1;
    }

    Evaluator evaluator(module, options);
    if (options.list) {
        evaluator.print_addin_name(module);
        print_list(host().functions());
    }
    int failures = 0;
    for (const std::string& formula : options.formulas)
        if (!evaluator.evaluate(formula))
            ++failures;

    if (auto close = reinterpret_cast<AutoOpen>(module_symbol(module, "xlAutoClose"))) {
        close();
        for (const Registration& f : host().functions())
            std::fprintf(stderr, "xlhost: \"%s\" is still registered after xlAutoClose\n", f.name.c_str());
    }
    module_unload(module);
    report_unfreed_strings();
    if (failures > 0) {
        std::fprintf(stderr, "xlhost: %d formula(s) could not be evaluated\n", failures);
        return 1;
    }
    return 0;
}
