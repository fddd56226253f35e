// Calling a procedure the add-in registered, and reading its "U" result the
// way Excel does: copy the values out, then hand a record marked
// xlbitDLLFree back to xlAutoFree12, exactly once.
#pragma once

#include "host/xloper.h"
#include "tools/xlhost/formula/k_record.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace xlhost {

using AutoFree = int(PELLUX_STDCALL*)(pellux::XLOPER12*);

constexpr std::uint32_t kTypeBits = ~(pellux::xlbitXLFree | pellux::xlbitDLLFree);

// Calls the procedure with one pointer per argument (K records, E doubles);
// at most kMaxArguments of them.
pellux::XLOPER12* call_procedure(void* procedure, const std::vector<void*>& arguments);

struct ResultShape {
    bool null = false;      // the procedure returned a null pointer
    bool malformed = false; // an array record that cannot be read
    int rows = 1, columns = 1;
};

// Hands every element of the result (the record itself when it is not an
// array) to `visit`, row by row, then frees it through `auto_free` when it
// is marked xlbitDLLFree. False (with a message on stderr) when the record
// breaks the rules or `visit` returns false.
bool read_result(const std::string& from, pellux::XLOPER12* result, AutoFree auto_free, ResultShape& shape,
                 const std::function<bool(const pellux::XLOPER12&)>& visit);

// Pair results handed out and handed back; equal after every read_result.
struct FreeCounts {
    long flagged = 0;
    long freed = 0;
};
const FreeCounts& free_counts();

} // namespace xlhost
