// The calling thread's scratch pool and the values built in it. Records in
// the pool may sit on 2-byte boundaries, so they are read with memcpy.
#include <cstring>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "host/scratch.h"

namespace pellux {
namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

class Scratch : public ::testing::Test {
protected:
    void SetUp() override { scratch_reset(); }

    static unsigned char* at(std::uint64_t offset) { return current_pool().buffer + offset; }

    static std::uint32_t type_of(const void* record)
    {
        std::uint32_t type;
        std::memcpy(&type, static_cast<const unsigned char*>(record) + 24, sizeof type);
        return type;
    }
    static const unsigned char* str_of(const void* record)
    {
        const unsigned char* str;
        std::memcpy(&str, record, sizeof str);
        return str;
    }
    static std::u16string counted_text(const unsigned char* str)
    {
        XChar count;
        std::memcpy(&count, str, sizeof count);
        std::u16string text(count, u'\0');
        std::memcpy(text.data(), str + sizeof(XChar), sizeof(XChar) * count);
        return text;
    }
};

TEST_F(Scratch, ZeroBytesIsRefusedAndLeavesTheOffset)
{
    EXPECT_EQ(scratch_alloc(0), nullptr);
    EXPECT_EQ(current_pool().offset, 0u);
    ASSERT_EQ(scratch_alloc(5), at(0));
    EXPECT_EQ(scratch_alloc(0), nullptr);
    EXPECT_EQ(current_pool().offset, 5u);
    EXPECT_EQ(scratch_alloc(1), at(5));
}

TEST_F(Scratch, RequestsFillThePoolExactlyBackToBack)
{
    const std::vector<std::vector<std::uint64_t>> sequences = {
        {kScratchBytes},
        {1, kScratchBytes - 1},
        {kScratchBytes - 1, 1},
        {3, 32, 34, 58, 1, kScratchBytes - 128},
        {kScratchBytes / 2, kScratchBytes / 2},
    };
    for (const auto& sizes : sequences) {
        SCOPED_TRACE(sizes.size());
        scratch_reset();
        unsigned char* const buffer = current_pool().buffer;
        std::uint64_t offset = 0;
        for (const std::uint64_t size : sizes) {
            EXPECT_EQ(scratch_alloc(size), buffer + offset) << "size " << size;
            offset += size;
        }
        ASSERT_EQ(offset, kScratchBytes);
        EXPECT_EQ(current_pool().offset, kScratchBytes);
        EXPECT_EQ(scratch_alloc(1), nullptr);
        EXPECT_EQ(current_pool().offset, kScratchBytes);

        scratch_reset();
        EXPECT_EQ(current_pool().buffer, buffer);
        EXPECT_EQ(scratch_alloc(7), buffer);
    }
}

TEST_F(Scratch, RequestThatDoesNotFitLeavesRoomForOneThatDoes)
{
    ASSERT_EQ(scratch_alloc(10000), at(0));
    EXPECT_EQ(scratch_alloc(241), nullptr);
    EXPECT_EQ(scratch_alloc(kScratchBytes), nullptr);
    EXPECT_EQ(current_pool().offset, 10000u);
    EXPECT_EQ(scratch_alloc(240), at(10000));
    EXPECT_EQ(current_pool().offset, kScratchBytes);
}

TEST_F(Scratch, SizesNearTwoToTheSixtyFourNeverWrap)
{
    for (const std::uint64_t offset : {std::uint64_t{2}, std::uint64_t{100}, std::uint64_t{10000},
                                       std::uint64_t{kScratchBytes}}) {
        // offset + size wraps to 0 or 1, or stays just past the end.
        const std::uint64_t sizes[] = {kMax, kMax - 5, 0 - offset, 0 - offset + 1,
                                       kMax - kScratchBytes, kScratchBytes - offset + 1};
        for (const std::uint64_t size : sizes) {
            SCOPED_TRACE(::testing::Message() << "offset " << offset << " size " << size);
            scratch_reset();
            ASSERT_NE(scratch_alloc(offset), nullptr);
            EXPECT_EQ(scratch_alloc(size), nullptr);
            EXPECT_EQ(current_pool().offset, offset);
        }
    }
}

TEST_F(Scratch, EmptyOrNullTextIsA34ByteEmptyString)
{
    for (const XChar* text : {u"", static_cast<const XChar*>(nullptr)}) {
        SCOPED_TRACE(text == nullptr ? "null" : "empty");
        scratch_reset();
        ASSERT_NE(scratch_alloc(2), nullptr);
        XLOPER12* record = temp_string(text);
        ASSERT_EQ(static_cast<void*>(record), at(2));
        EXPECT_EQ(current_pool().offset, 2u + 34u);
        EXPECT_EQ(type_of(record), xltypeStr);
        EXPECT_EQ(str_of(record), at(2 + 32));
        EXPECT_EQ(counted_text(str_of(record)), u"");
    }
}

TEST_F(Scratch, ValuesAreBuiltBackToBack)
{
    ASSERT_NE(scratch_alloc(2), nullptr); // 2-byte boundary, as after a string
    XLOPER12* text = temp_string(u"Pellux Table"); // 12 characters
    ASSERT_EQ(static_cast<void*>(text), at(2));
    EXPECT_EQ(current_pool().offset, 2u + 58u);
    EXPECT_EQ(type_of(text), xltypeStr);
    EXPECT_EQ(str_of(text), at(2 + 32));
    XChar count;
    std::memcpy(&count, at(2 + 32), sizeof count);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(counted_text(str_of(text)), u"Pellux Table");

    XLOPER12* number = temp_int(-123456);
    ASSERT_EQ(static_cast<void*>(number), at(60));
    EXPECT_EQ(current_pool().offset, 60u + 32u);
    EXPECT_EQ(type_of(number), xltypeInt);
    std::int32_t n;
    std::memcpy(&n, at(60), sizeof n);
    EXPECT_EQ(n, -123456);

    XLOPER12* empty = temp_string(u"");
    EXPECT_EQ(static_cast<void*>(empty), at(92));
    EXPECT_EQ(current_pool().offset, 92u + 34u);
}

TEST_F(Scratch, ValuesThatDoNotFitAreNullAndLeaveTheOffset)
{
    struct Case {
        std::uint64_t room;
        bool is_int;
        bool fits;
    };
    const Case cases[] = {
        {33, false, false}, {34, false, true}, {31, true, false}, {32, true, true}, {0, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "room " << c.room << (c.is_int ? " int" : " text"));
        scratch_reset();
        const std::uint64_t used = kScratchBytes - c.room;
        ASSERT_NE(scratch_alloc(used), nullptr);
        XLOPER12* record = c.is_int ? temp_int(1) : temp_string(u"");
        if (c.fits) {
            EXPECT_EQ(static_cast<void*>(record), at(used));
            EXPECT_EQ(current_pool().offset, kScratchBytes);
        } else {
            EXPECT_EQ(record, nullptr);
            EXPECT_EQ(current_pool().offset, used);
        }
    }
}

} // namespace
} // namespace pellux
