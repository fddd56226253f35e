// The subset of Excel's value record (XLOPER12) and "K" array record that
// Pellux reads and writes, with the type, error and return codes it uses, for
// 64-bit and 32-bit Excel.
#pragma once

#include "host/platform.h"

#include <cstddef>
#include <cstdint>

namespace pellux {

// Host text: a 16-bit count followed by that many 16-bit characters.
using XChar = char16_t;

struct XLOPER12;

struct XlArray {
    XLOPER12* lparray;   // first element, row by row
    std::int32_t rows;
    std::int32_t columns;
};

// 8-byte aligned as on Windows, also where a double alone would be aligned
// to 4 bytes (i386 Linux).
union alignas(8) XlValue {
    double num;
    XChar* str;            // points at the count character
    std::int32_t err;
    std::int32_t w;
    XlArray array;
    unsigned char raw[24];
};

struct XLOPER12 {
    XlValue val;
    std::uint32_t xltype;
};

#if UINTPTR_MAX == UINT64_MAX
static_assert(sizeof(double) == 8, "doubles are IEEE-754 binary64");
static_assert(sizeof(void*) == 8, "the 64-bit host layout needs 8-byte pointers");
static_assert(sizeof(XChar) == 2, "host text is 16-bit");
static_assert(sizeof(XLOPER12) == 32, "a host value record is 32 bytes");
static_assert(offsetof(XLOPER12, val) == 0, "the value area starts the record");
static_assert(offsetof(XLOPER12, xltype) == 24, "the type word sits at byte 24");
static_assert(offsetof(XlArray, lparray) == 0, "array pointer at byte 0");
static_assert(offsetof(XlArray, rows) == 8, "array rows at byte 8");
static_assert(offsetof(XlArray, columns) == 12, "array columns at byte 12");
#else
// 32-bit Excel: the same 32-byte record (the value area is padded to 24 bytes
// and the record to a multiple of the double's 8-byte alignment), but with
// 4-byte pointers an array's counts follow the pointer at bytes 4 and 8.
static_assert(sizeof(double) == 8, "doubles are IEEE-754 binary64");
static_assert(sizeof(void*) == 4, "the 32-bit host layout needs 4-byte pointers");
static_assert(alignof(XLOPER12) == 8, "a record is 8-byte aligned, as Windows lays it out");
static_assert(sizeof(XChar) == 2, "host text is 16-bit");
static_assert(sizeof(XLOPER12) == 32, "a host value record is 32 bytes");
static_assert(offsetof(XLOPER12, val) == 0, "the value area starts the record");
static_assert(offsetof(XLOPER12, xltype) == 24, "the type word sits at byte 24");
static_assert(offsetof(XlArray, lparray) == 0, "array pointer at byte 0");
static_assert(offsetof(XlArray, rows) == 4, "array rows at byte 4");
static_assert(offsetof(XlArray, columns) == 8, "array columns at byte 8");
#endif

// Type words.
constexpr std::uint32_t xltypeNum = 0x0001;
constexpr std::uint32_t xltypeStr = 0x0002;
constexpr std::uint32_t xltypeBool = 0x0004;
constexpr std::uint32_t xltypeRef = 0x0008;
constexpr std::uint32_t xltypeErr = 0x0010;
constexpr std::uint32_t xltypeFlow = 0x0020;
constexpr std::uint32_t xltypeMulti = 0x0040;
constexpr std::uint32_t xltypeMissing = 0x0080;
constexpr std::uint32_t xltypeNil = 0x0100;
constexpr std::uint32_t xltypeSRef = 0x0400;
constexpr std::uint32_t xltypeInt = 0x0800;
constexpr std::uint32_t xlbitXLFree = 0x1000;
constexpr std::uint32_t xlbitDLLFree = 0x4000;

// Worksheet error codes.
constexpr std::int32_t xlerrNull = 0;
constexpr std::int32_t xlerrDiv0 = 7;
constexpr std::int32_t xlerrValue = 15;
constexpr std::int32_t xlerrRef = 23;
constexpr std::int32_t xlerrName = 29;
constexpr std::int32_t xlerrNum = 36;
constexpr std::int32_t xlerrNA = 42;

// Callback return codes.
constexpr int xlretSuccess = 0;
constexpr int xlretFailed = 32;

// Host function numbers.
constexpr int xlFree = 0x4000;
constexpr int xlCoerce = 0x4002;
constexpr int xlGetName = 0x4009;
constexpr int xlfSetName = 88;
constexpr int xlfRegister = 149;
constexpr int xlfGetWorkspace = 186;
constexpr int xlcAlert = 0x8076;

// The "K" argument: 16-bit row and column counts, then rows x columns
// doubles from byte 8, row by row. Owned by the host, read only.
struct ZoneVector {
    std::uint16_t rows;
    std::uint16_t columns;
};

constexpr std::size_t kZoneVectorElementOffset = 8;

static_assert(offsetof(ZoneVector, rows) == 0, "K rows at byte 0");
static_assert(offsetof(ZoneVector, columns) == 2, "K columns at byte 2");

inline const double* zone_elements(const ZoneVector* v)
{
    return reinterpret_cast<const double*>(reinterpret_cast<const unsigned char*>(v) +
                                           kZoneVectorElementOffset);
}

// The host's callback: function number, argument count, argument records,
// result record (may be null). Returns an xlret code.
using HostCallback = int(PELLUX_STDCALL*)(int function, int count, XLOPER12** args, XLOPER12* result);

} // namespace pellux
