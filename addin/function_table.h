// The constant description of the worksheet functions that the host
// receives at registration.
#pragma once

#include <cstdint>

#include "host/xloper.h"

namespace pellux {

constexpr int kFunctionCount = 11;
constexpr int kRegistrationTexts = 8;
constexpr int kHelpTexts = 9; // function help, then argument helps 1 to 8

struct FunctionRow {
    const XChar* procedure;
    const XChar* type_text;
    const XChar* function_text;
    const XChar* argument_text;
    const XChar* macro_type;
    const XChar* category;
    const XChar* shortcut_text;
    const XChar* help_topic;
};

struct FunctionTable {
    FunctionRow rows[kFunctionCount];
    // Entries beyond a function's arguments are null.
    const XChar* help[kFunctionCount][kHelpTexts];
};

extern const FunctionTable kFunctionTable;

// The eight registration texts of a row, in operand order.
const XChar* registration_text(const FunctionRow& row, int index);

} // namespace pellux
