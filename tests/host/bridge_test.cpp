// host_call through the recording host, exported as MdCallBack12. The
// callback slot may already be filled by an earlier test of this program;
// the checks on an empty slot run in programs of their own.
#include <gtest/gtest.h>

#include "host/bridge.h"
#include "host/scratch.h"
#include "host_export.h"
#include "recording_host.h"

namespace pellux {
namespace {

namespace rec = recording;

class Bridge : public ::testing::Test {
protected:
    void SetUp() override
    {
        rec::reset();
        scratch_reset();
    }
    void TearDown() override { EXPECT_TRUE(rec::problems().empty()) << rec::problems_text(); }
};

TEST_F(Bridge, ReturnsTheHostCodeUnchangedAndRewinds)
{
    for (const int code : {xlretSuccess, 1, 7, xlretFailed, -5}) {
        SCOPED_TRACE(code);
        rec::reset();
        rec::config().codes[xlfSetName] = code;
        XLOPER12* name = temp_string(u"Gone");
        ASSERT_NE(scratch_alloc(100), nullptr);

        EXPECT_EQ(host_call(xlfSetName, nullptr, 1, name), code);

        EXPECT_EQ(scratch_alloc(8), current_pool().buffer);
        ASSERT_EQ(rec::calls().size(), 1u);
        EXPECT_EQ(rec::texts_of(rec::calls()[0]), std::vector<std::u16string>{u"Gone"});
        scratch_reset();
    }
    EXPECT_EQ(installed_host_callback(), &MdCallBack12);
}

TEST_F(Bridge, OperandsAndResultReachTheHostInOrder)
{
    XLOPER12 result{};
    XLOPER12* first = temp_int(17);
    XLOPER12* second = temp_string(u"two");
    XLOPER12* third = temp_int(-4);
    ASSERT_EQ(host_call(xlCoerce, &result, 3, first, second, third), xlretSuccess);
    ASSERT_EQ(host_call(xlGetName, &result, 0), xlretSuccess);
    ASSERT_EQ(host_call(xlFree, nullptr, 1, &result), xlretSuccess);

    ASSERT_EQ(rec::calls().size(), 3u);
    const rec::Call& coerce = rec::calls()[0];
    EXPECT_EQ(coerce.function, xlCoerce);
    EXPECT_EQ(coerce.result, &result);
    ASSERT_EQ(coerce.operands.size(), 3u);
    EXPECT_EQ(coerce.operands[0].address, first);
    EXPECT_EQ(coerce.operands[0].type, xltypeInt);
    EXPECT_EQ(coerce.operands[0].integer, 17);
    EXPECT_EQ(coerce.operands[1].address, second);
    EXPECT_EQ(rec::text_of(coerce.operands[1]), u"two");
    EXPECT_EQ(coerce.operands[2].address, third);
    EXPECT_EQ(coerce.operands[2].integer, -4);
    EXPECT_EQ(rec::calls()[1].operands.size(), 0u);
    EXPECT_EQ(rec::calls()[1].result, &result);
    EXPECT_EQ(rec::calls()[2].result, nullptr);
    EXPECT_EQ(rec::outstanding_strings(), 0u);
}

TEST_F(Bridge, LaterEntryPointsChangeNothing)
{
    ASSERT_EQ(host_call(xlfSetName, nullptr, 1, temp_string(u"x")), xlretSuccess);
    ASSERT_EQ(installed_host_callback(), &MdCallBack12);

    SetExcel12EntryPt(&rec::decoy);
    SetExcel12EntryPt(nullptr);

    EXPECT_EQ(installed_host_callback(), &MdCallBack12);
    EXPECT_EQ(host_call(xlfSetName, nullptr, 1, temp_string(u"y")), xlretSuccess);
    EXPECT_EQ(rec::decoy_calls(), 0);
    EXPECT_EQ(rec::calls().size(), 2u);
}

} // namespace
} // namespace pellux
