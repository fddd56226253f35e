#include "host/result.h"

#include "host/platform.h"

namespace pellux {

ResultCell* set_number(ResultCell& cell, double value)
{
    cell.val.num = value;
    cell.xltype = xltypeNum;
    return &cell;
}

ResultCell* set_num_error(ResultCell& cell)
{
    cell.val.err = xlerrNum;
    cell.xltype = xltypeErr;
    return &cell;
}

ResultCell* set_pair(ResultCell& cell, double upper, double lower)
{
    auto* block = static_cast<PairResult*>(heap_alloc_zeroed(sizeof(PairResult)));
    if (block == nullptr)
        return set_num_error(cell);
    set_number(block->upper, upper);
    set_number(block->lower, lower);
    cell.val.array.lparray = &block->upper;
    cell.val.array.rows = 2;
    cell.val.array.columns = 1;
    cell.xltype = kOwnedArray;
    return &cell;
}

ResultCell* set_column(ResultCell& cell, const double* values, int count)
{
    if (count < 1 || count > kMaxColumnResult)
        return set_num_error(cell);
    auto* block = static_cast<XLOPER12*>(heap_alloc_zeroed(sizeof(XLOPER12) * (count + 1)));
    if (block == nullptr)
        return set_num_error(cell);
    for (int i = 0; i < count; ++i)
        set_number(block[i + 1], values[i]);
    cell.val.array.lparray = block + 1;
    cell.val.array.rows = count;
    cell.val.array.columns = 1;
    cell.xltype = kOwnedArray;
    return &cell;
}

namespace {

void release_string(XLOPER12& record)
{
    if (record.val.str != nullptr)
        heap_free(record.val.str - 1);
    record.val.str = nullptr;
}

} // namespace

void release_value(XLOPER12* record)
{
    if (record == nullptr)
        return;
    if (record->xltype == kOwnedString) {
        release_string(*record);
    } else if (record->xltype == kOwnedArray) {
        XLOPER12* elements = record->val.array.lparray;
        if (elements != nullptr) {
            const std::int64_t count =
                static_cast<std::int64_t>(record->val.array.rows) * record->val.array.columns;
            for (std::int64_t i = 0; i < count; ++i) {
                if (elements[i].xltype == kOwnedString)
                    release_string(elements[i]);
                else if (elements[i].xltype == kOwnedArray)
                    release_value(&elements[i]);
            }
            heap_free(elements - 1);
        }
        record->val.array.lparray = nullptr;
    }
}

} // namespace pellux

int PELLUX_STDCALL xlAutoFree12(pellux::XLOPER12* record)
{
    pellux::release_value(record);
    return 1;
}
