#include "tools/xlhost/host/addin_call.h"

#include "tools/xlhost/host/host.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

using namespace pellux;

namespace xlhost {

namespace {

// Every K and E argument is a pointer, and so is the U result, so one
// signature per argument count serves them all.
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

FreeCounts g_counts;

} // namespace

XLOPER12* call_procedure(void* procedure, const std::vector<void*>& arguments)
{
    if (arguments.size() > kMaxArguments)
        return nullptr;
    return kInvokers[arguments.size()](procedure, arguments.data());
}

bool read_result(const std::string& from, XLOPER12* result, AutoFree auto_free, ResultShape& shape,
                 const std::function<bool(const XLOPER12&)>& visit)
{
    shape = ResultShape{};
    if (result == nullptr) {
        std::fprintf(stderr, "xlhost: %s returned a null record\n", from.c_str());
        shape.null = true;
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
            shape.malformed = true;
            ok = false;
        } else {
            shape.rows = static_cast<int>(rows);
            shape.columns = static_cast<int>(columns);
            for (std::int64_t i = 0; i < rows * columns; ++i)
                ok = visit(read_record(record.val.array.lparray + i)) && ok;
        }
    } else {
        ok = visit(record) && ok;
    }
    if (record.xltype & xlbitDLLFree) {
        ++g_counts.flagged;
        if (auto_free == nullptr) {
            std::fprintf(stderr, "xlhost: %s returned a record marked xlbitDLLFree but xlAutoFree12 is not exported\n",
                         from.c_str());
            ok = false;
        } else {
            auto_free(result);
            ++g_counts.freed;
        }
    }
    return ok;
}

const FreeCounts& free_counts() { return g_counts; }

} // namespace xlhost
