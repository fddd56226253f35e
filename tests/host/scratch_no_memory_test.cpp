// Scratch memory when the pools' memory cannot be had: every request is
// refused, nothing throws into the host, and memory that comes back later
// is used. Needs a registry nobody has touched: a program of its own.
#include <cstddef>
#include <new>

#include <gtest/gtest.h>

#include "host/scratch.h"

namespace {
bool g_refuse_arrays = false;
} // namespace

// The pool array and the pool buffers are nothrow array allocations.
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    if (g_refuse_arrays)
        return nullptr;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace pellux {
namespace {

TEST(ScratchNoMemory, RequestsAreRefusedUntilMemoryReturns)
{
    g_refuse_arrays = true;
    scratch_reset();
    EXPECT_EQ(scratch_alloc(32), nullptr);
    EXPECT_EQ(temp_int(7), nullptr);
    EXPECT_EQ(temp_string(u"CalcWFE"), nullptr);
    EXPECT_EQ(current_pool().buffer, nullptr);
    ASSERT_NE(scratch_registry(), nullptr);
    EXPECT_EQ(scratch_registry()->count, 0);

    g_refuse_arrays = false;
    XLOPER12* value = temp_int(7);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(value), current_pool().buffer);
    EXPECT_EQ(scratch_registry()->count, 1);
    EXPECT_EQ(scratch_registry()->capacity, 4);
}

} // namespace
} // namespace pellux
