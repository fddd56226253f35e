// register_row and register_function against the recording host.
#include <gtest/gtest.h>

#include "addin/function_table.h"
#include "addin/registration.h"
#include "expected_rows.h"
#include "host/scratch.h"
#include "recording_host.h"

namespace pellux {
namespace {

namespace rec = recording;

class Registration : public ::testing::Test {
protected:
    void SetUp() override { rec::reset(); }
    void TearDown() override { EXPECT_TRUE(rec::problems().empty()) << rec::problems_text(); }

    rec::TextRecord module_{u"C:\\Add-ins\\Pellux.xll"};
};

TEST_F(Registration, EachRowGoesToTheHostAsEighteenTexts)
{
    for (std::int16_t row = 0; row < kFunctionCount; ++row) {
        SCOPED_TRACE(row);
        rec::reset();
        ASSERT_EQ(register_row(nullptr, module_.get(), row), xlretSuccess);

        ASSERT_EQ(rec::calls().size(), 1u);
        const rec::Call& call = rec::calls()[0];
        EXPECT_EQ(call.function, xlfRegister);
        EXPECT_EQ(call.result, nullptr);
        ASSERT_EQ(call.operands.size(), 18u);
        EXPECT_EQ(call.operands[0].address, module_.get()); // passed on, not copied
        const auto& want = expected::rows()[row];
        for (int i = 0; i < expected::kRowTexts; ++i) {
            const rec::Operand& op = call.operands[i + 1];
            EXPECT_EQ(rec::text_of(op), want[i]) << "operand " << i + 2;
            EXPECT_EQ(op.count, static_cast<int>(want[i].size())) << "operand " << i + 2;
        }
    }
}

TEST_F(Registration, FunctionWithoutArgumentsTakesElevenOperands)
{
    const FunctionRow row = {u"xl_Answer", u"U", u"Answer", u"", u"1", u"Pellux Functions", u"", u""};
    const XChar* const help[kHelpTexts] = {u"The answer", u"never sent", nullptr, nullptr,
                                           nullptr,       nullptr,      nullptr, nullptr, nullptr};
    ASSERT_EQ(register_function(nullptr, module_.get(), row, help), xlretSuccess);

    ASSERT_EQ(rec::calls().size(), 1u);
    const rec::Call& call = rec::calls()[0];
    EXPECT_EQ(call.function, xlfRegister);
    ASSERT_EQ(call.operands.size(), 11u);
    EXPECT_EQ(call.operands[0].address, module_.get());
    const std::vector<std::u16string> want = {
        u"C:\\Add-ins\\Pellux.xll", u"xl_Answer", u"U", u"Answer", u"", u"1", u"Pellux Functions",
        u"", u"", u"The answer", u"This function takes no arguments. "};
    EXPECT_EQ(rec::texts_of(call), want);
}

// The result record reaches the host as given, and the host's code comes back
// unchanged.
TEST_F(Registration, ResultRecordAndCodePassThrough)
{
    struct Case {
        bool with_result;
        int code;
        std::optional<double> written;
    };
    const Case cases[] = {
        {false, xlretSuccess, std::nullopt},
        {true, xlretSuccess, 2.5},
        {false, 7, std::nullopt},
        {true, xlretFailed, std::nullopt},
        {true, -3, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "result " << c.with_result << " code " << c.code);
        rec::reset();
        rec::config().codes[xlfRegister] = c.code;
        rec::config().register_result = c.written;
        XLOPER12 result{};
        result.xltype = xltypeMissing;

        EXPECT_EQ(register_row(c.with_result ? &result : nullptr, module_.get(), 4), c.code);

        ASSERT_EQ(rec::calls().size(), 1u);
        EXPECT_EQ(rec::calls()[0].result, c.with_result ? &result : nullptr);
        if (c.written) {
            EXPECT_EQ(result.xltype, xltypeNum);
            EXPECT_EQ(result.val.num, *c.written);
        } else {
            EXPECT_EQ(result.xltype, xltypeMissing);
        }
        EXPECT_EQ(current_pool().offset, 0u);
    }
}

} // namespace
} // namespace pellux
