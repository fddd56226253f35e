// xlhost: loads an XLL add-in the way Excel does, serves the host functions it
// calls, and evaluates worksheet formulas against the functions it registers:
// formulas typed on the command line, or every formula of a workbook.
//
//   xlhost [--excel-version TEXT] [--list] [--digits N] ADDIN [FORMULA ...]
//   xlhost [options] ADDIN --workbook FILE [--cells RANGES] [--save-cells OUT]
//   xlhost --workbook FILE --save-cells OUT

#include "host/platform.h"
#include "host/xloper.h"
#include "tools/xlhost/command_line.h"
#include "tools/xlhost/cells/display.h"
#include "tools/xlhost/host/host.h"
#include "tools/xlhost/workbook_run.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

using namespace pellux;
using namespace xlhost;

namespace {

using AutoOpen = int(PELLUX_STDCALL*)();
using EntryPoint = void(PELLUX_STDCALL*)(HostCallback);

struct Options {
    std::u16string excel_version = u"16.0";
    bool list = false;
    int digits = 0; // 0: shortest round-trip form
    std::string addin;
    std::vector<std::string> formulas;
    bool workbook = false;
    bool no_addin = false; // a workbook evaluated as Excel without the add-in does
    WorkbookOptions book;
};

void usage()
{
    std::fputs("usage: xlhost [--excel-version TEXT] [--list] [--digits N] ADDIN [FORMULA ...]\n"
               "       xlhost [options] ADDIN --workbook FILE [--cells RANGES] [--save-cells OUT]\n"
               "       xlhost --workbook FILE --save-cells OUT\n"
               "       xlhost --no-addin --workbook FILE [--cells RANGES]\n",
               stderr);
}

// The workbook options, anywhere on the line: true when `arg` was one.
bool workbook_option(const std::string& arg, int& i, int argc, char** argv, Options& options)
{
    if (i + 1 >= argc)
        return false;
    if (arg == "--workbook") {
        options.workbook = true;
        options.book.path = argv[++i];
    } else if (arg == "--cells") {
        options.book.has_cells = true;
        options.book.cells = argv[++i];
    } else if (arg == "--save-cells") {
        options.book.save_cells = argv[++i];
    } else {
        return false;
    }
    return true;
}

bool parse_options(int argc, char** argv, Options& options)
{
    int i = 1;
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--list") {
            options.list = true;
        } else if (arg == "--no-addin") {
            options.no_addin = true;
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
        } else if (workbook_option(arg, i, argc, argv, options)) {
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
    options.book.digits = options.digits;
    if (i >= argc && options.no_addin)
        return options.workbook && !options.list;
    if (i >= argc)
        return options.workbook && !options.book.save_cells.empty() && !options.book.has_cells && !options.list;
    if (options.no_addin) {
        std::fputs("xlhost: --no-addin takes no add-in\n", stderr);
        return false;
    }
    options.addin = argv[i++];
    for (; i < argc; ++i) {
        std::string arg = argv[i];
        if (!workbook_option(arg, i, argc, argv, options))
            options.formulas.push_back(arg);
    }
    if (options.workbook && !options.formulas.empty()) {
        std::fputs("xlhost: give either formulas or --workbook, not both\n", stderr);
        return false;
    }
    if ((options.book.has_cells || !options.book.save_cells.empty()) && !options.workbook) {
        std::fputs("xlhost: --cells and --save-cells need --workbook\n", stderr);
        return false;
    }
    return true;
}

void report_unfreed_strings()
{
    for (const std::string& line : host().unfreed_strings())
        std::fprintf(stderr, "xlhost: host string never given back with xlFree: %s\n", line.c_str());
}

} // namespace

static int run(int argc, char** argv)
{
    Options options;
    if (!parse_options(argc, argv, options)) {
        usage();
        return 2;
    }
    host().set_excel_version(options.excel_version);

    // The workbook first: a file that cannot be read stops before the add-in opens.
    Workbook book;
    if (options.workbook) {
        if (!read_workbook(options.book.path, book))
            return 1;
        if (!options.book.save_cells.empty() && !save_workbook(options.book.save_cells, book))
            return 1;
        if (options.no_addin)
            return run_workbook(options.book, book, nullptr);
        if (options.addin.empty())
            return 0;
    }

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

    auto auto_free = reinterpret_cast<AutoFree>(module_symbol(module, "xlAutoFree12"));
    CommandLineFormulas formulas(auto_free, options.digits);
    if (options.list) {
        formulas.print_addin_name(module);
        print_list(host().functions());
    }
    int failures = 0;
    for (const std::string& formula : options.formulas)
        if (!formulas.evaluate(formula))
            ++failures;
    int status = options.workbook ? run_workbook(options.book, book, auto_free) : 0;

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
    return status;
}

// Memory running out ends the run with a message, never an abort.
int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("xlhost: out of memory\n", stderr);
        return 1;
    }
}
