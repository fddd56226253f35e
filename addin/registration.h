// Registration of one row of the function table with the host.
#pragma once

#include <cstdint>

#include "host/xloper.h"

namespace pellux {

// Registers row `row` (0 to 4) through xlfRegister: 18 operands (module name,
// the eight registration texts, the nine help texts) or, for a function
// without arguments, 11. Returns the host's code unchanged.
int register_row(XLOPER12* result, XLOPER12* module_name, std::int16_t row);

struct FunctionRow;
// The same for any row and its nine help texts (entries may be null).
int register_function(XLOPER12* result, XLOPER12* module_name, const FunctionRow& entry,
                      const XChar* const* help);

} // namespace pellux
