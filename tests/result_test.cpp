// Release of library-owned values handed back through xlAutoFree12.
#include <cstring>
#include <utility>

#include <gtest/gtest.h>

#include "host/platform.h"
#include "host/result.h"

using namespace pellux;

namespace {

// An owned string lies one 16-bit unit into its heap block.
XChar* owned_string(const char16_t* text, std::uint16_t length)
{
    auto* block = static_cast<XChar*>(heap_alloc_zeroed(2 * (length + 2)));
    XChar* str = block + 1;
    str[0] = length;
    for (std::uint16_t i = 0; i < length; ++i)
        str[i + 1] = text[i];
    return str;
}

XLOPER12 owned_string_value(const char16_t* text, std::uint16_t length)
{
    XLOPER12 v{};
    v.val.str = owned_string(text, length);
    v.xltype = kOwnedString;
    return v;
}

// An owned array of `count` elements: a head record, then the elements.
XLOPER12 owned_array(std::int32_t rows, std::int32_t columns, int count)
{
    auto* block = static_cast<XLOPER12*>(heap_alloc_zeroed(sizeof(XLOPER12) * (1 + count)));
    XLOPER12 v{};
    v.val.array = {block + 1, rows, columns};
    v.xltype = kOwnedArray;
    return v;
}

TEST(AutoFree, PairResultFreesItsBlockOnce)
{
    const auto live = heap_live_blocks();
    XLOPER12 cell{};
    set_pair(cell, 1.5, -2.5);
    EXPECT_EQ(heap_live_blocks(), live + 1);
    EXPECT_EQ(xlAutoFree12(&cell), 1);
    EXPECT_EQ(heap_live_blocks(), live);
    EXPECT_EQ(cell.val.array.lparray, nullptr);
    EXPECT_EQ(cell.xltype, kOwnedArray); // only the pointer is cleared
    EXPECT_EQ(cell.val.array.rows, 2);
    EXPECT_EQ(xlAutoFree12(&cell), 1);
    EXPECT_EQ(heap_live_blocks(), live);
}

TEST(AutoFree, LeavesValuesItDoesNotOwnAlone)
{
    XChar text[] = {3, u'a', u'b', u'c'};
    XLOPER12 elements[2] = {};
    XLOPER12 values[5] = {};
    values[0].xltype = xltypeNum;
    values[0].val.num = 4.25;
    values[1].xltype = xltypeErr;
    values[1].val.err = xlerrNum;
    values[2].xltype = xltypeStr;
    values[2].val.str = text;
    values[3].xltype = xltypeMulti;
    values[3].val.array = {elements, 2, 1};
    values[4].xltype = xltypeMulti | xlbitXLFree;
    values[4].val.array = {elements, 2, 1};
    const auto live = heap_live_blocks();
    for (XLOPER12& v : values) {
        const XLOPER12 before = v;
        EXPECT_EQ(xlAutoFree12(&v), 1);
        EXPECT_EQ(std::memcmp(&before, &v, sizeof v), 0) << v.xltype;
    }
    EXPECT_EQ(heap_live_blocks(), live);
}

TEST(AutoFree, NestedArraysAndStringsAreReleasedDepthFirst)
{
    const auto live = heap_live_blocks();
    XLOPER12 outer = owned_array(1, 3, 3);
    XLOPER12* cells = outer.val.array.lparray;
    cells[0] = owned_string_value(u"abc", 3);
    cells[1] = owned_array(2, 1, 2);
    cells[1].val.array.lparray[0] = owned_string_value(u"x", 1);
    cells[1].val.array.lparray[1].xltype = xltypeNum;
    cells[2].xltype = xltypeNum;
    EXPECT_EQ(heap_live_blocks(), live + 4);

    EXPECT_EQ(xlAutoFree12(&outer), 1);
    EXPECT_EQ(heap_live_blocks(), live);
    EXPECT_EQ(outer.val.array.lparray, nullptr);
}

TEST(AutoFree, EmptyCountsAndNullPointers)
{
    const auto live = heap_live_blocks();
    for (auto shape : {std::pair{0, 1}, std::pair{-1, 5}, std::pair{3, 0}}) {
        XLOPER12 v = owned_array(shape.first, shape.second, 0);
        EXPECT_EQ(xlAutoFree12(&v), 1);
        EXPECT_EQ(heap_live_blocks(), live);
    }
    XLOPER12 s{};
    s.xltype = kOwnedString;
    EXPECT_EQ(xlAutoFree12(&s), 1);
    EXPECT_EQ(s.val.str, nullptr);
    XLOPER12 a{};
    a.xltype = kOwnedArray;
    EXPECT_EQ(xlAutoFree12(&a), 1);
    XLOPER12 owned = owned_string_value(u"hello", 5);
    EXPECT_EQ(xlAutoFree12(&owned), 1);
    EXPECT_EQ(owned.val.str, nullptr);
    EXPECT_EQ(heap_live_blocks(), live);
}

} // namespace
