// Formulas as xlhost's command line takes them: one function call whose
// arguments are numbers or array constants, e.g. =f(1.5, {1,2;3,4}, -.5e-3),
// read by the workbook formulas' parser and given as operands.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xlhost {

// A number or an array constant; a number is 1 x 1 with is_array false.
struct Operand {
    bool is_array = false;
    int rows = 1;
    int columns = 1;
    std::vector<double> cells; // row by row
};

struct FormulaCall {
    std::string name;          // as written
    std::vector<Operand> arguments;
};

struct ParseResult {
    bool ok = false;
    FormulaCall call;          // valid when ok
    std::string error;         // why not, when !ok
    std::size_t position = 0;  // offset into the text of the fault
};

// Parses one formula, with or without a leading '='.
ParseResult parse_formula(std::string_view text);

} // namespace xlhost
