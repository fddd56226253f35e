// Result cells of the worksheet procedures, the heap block behind the
// two-cell results, and the release of library-owned values.
#pragma once

#include "host/export.h"
#include "host/xloper.h"

namespace pellux {

// Each worksheet procedure owns one static ResultCell and returns its address.
using ResultCell = XLOPER12;

// Heap block behind a two-row, one-column result: a zero head record, then
// the upper and the lower cell. The cell's array pointer is &upper.
struct PairResult {
    XLOPER12 head;
    XLOPER12 upper;
    XLOPER12 lower;
};
static_assert(sizeof(PairResult) == 96, "a pair block is three records");
static_assert(offsetof(PairResult, upper) == 32 && offsetof(PairResult, lower) == 64,
              "the array starts one record into the block");

constexpr std::uint32_t kOwnedString = xltypeStr | xlbitDLLFree;  // 0x4002
constexpr std::uint32_t kOwnedArray = xltypeMulti | xlbitDLLFree; // 0x4040

ResultCell* set_number(ResultCell& cell, double value);
ResultCell* set_num_error(ResultCell& cell);
// Allocates the pair block and points the cell at it, flagged for
// xlAutoFree12; #NUM! when the heap refuses.
ResultCell* set_pair(ResultCell& cell, double upper, double lower);

// A column of `count` numbers (2 to 21) in a block like the pair's: a zero
// head record, then the cells. #NUM! when the heap refuses.
constexpr int kMaxColumnResult = 21;
ResultCell* set_column(ResultCell& cell, const double* values, int count);

// Frees what a flagged string or array owns, nested arrays depth first, and
// clears the record's pointer. Any other record is left alone.
void release_value(XLOPER12* record);

} // namespace pellux

PELLUX_EXPORT int PELLUX_STDCALL xlAutoFree12(pellux::XLOPER12* record);
