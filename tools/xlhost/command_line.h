// Formulas typed on the command line: one add-in call whose arguments are
// numbers or array constants; and the function list.
#pragma once

#include "tools/xlhost/host/addin_call.h"
#include "tools/xlhost/host/host.h"

#include <string>
#include <vector>

namespace xlhost {

// How numbers print: 0 for the shortest exact form, else significant digits.
std::string number_text(double value, int digits);

class CommandLineFormulas {
public:
    CommandLineFormulas(AutoFree auto_free, int digits) : auto_free_(auto_free), digits_(digits) {}

    // Prints the formula and its result; false on a syntax error or a
    // result the host cannot read.
    bool evaluate(const std::string& formula);

    // The add-in's name as the Add-In Manager shows it, if it tells one.
    void print_addin_name(void* module);

private:
    bool evaluate_lines(const std::string& formula);
    bool cell_text(const pellux::XLOPER12& cell, std::string& text) const;
    bool result_lines(const std::string& from, pellux::XLOPER12* result, std::vector<std::string>& lines);

    AutoFree auto_free_;
    int digits_;
};

void print_list(const std::vector<Registration>& functions);

} // namespace xlhost
