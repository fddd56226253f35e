// The add-in's lifecycle callbacks against the recording host, exported as
// MdCallBack12.
#include <cstring>

#include <gtest/gtest.h>

#include "addin/lifecycle.h"
#include "expected_rows.h"
#include "host/scratch.h"
#include "recording_host.h"

namespace pellux {
namespace {

namespace rec = recording;

std::uint64_t bits(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

TEST(ReadVersionText, DigitsAccumulateAndTheLastDotPlacesThePoint)
{
    // Digits accumulate into an integer, which is divided by 10 once per
    // character after the last '.'; a space counts as the digit -16.
    struct Case {
        std::u16string text;
        double version;
    };
    const Case cases[] = {
        {u"12.0", 12},
        {u"11.0", 11},
        {u"16", 16},
        {u"12.", 12},
        {u"1.2.3", 123.0 / 10},
        {u"15.0.4420", 1504420.0 / 10 / 10 / 10 / 10},
        {u"", 0},
        {u"12.0 ", 1184.0 / 10 / 10},
    };
    static_assert(1504420.0 / 10 / 10 / 10 / 10 == 150.442 && 1184.0 / 10 / 10 == 11.84);
    for (const Case& c : cases) {
        rec::TextRecord text(c.text);
        EXPECT_EQ(bits(read_version_text(text.counted())), bits(c.version))
            << std::string(c.text.begin(), c.text.end()) << " read as "
            << read_version_text(text.counted());
    }
}

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override { rec::reset(); }
    void TearDown() override
    {
        EXPECT_TRUE(rec::problems().empty()) << rec::problems_text();
        EXPECT_EQ(rec::outstanding_strings(), 0u) << "host strings not given back";
    }

    // Checks after each callback of a table, before the next reset.
    static void expect_clean()
    {
        EXPECT_TRUE(rec::problems().empty()) << rec::problems_text();
        EXPECT_EQ(rec::outstanding_strings(), 0u) << "host strings not given back";
        EXPECT_EQ(current_pool().offset, 0u);
    }

    // Leaves no room for any value, so a callback that does not rewind on
    // entry hands the host null operands.
    static void fill_scratch()
    {
        scratch_reset();
        ASSERT_NE(scratch_alloc(kScratchBytes - 2), nullptr);
    }
};

const std::u16string kTooOld = u"The Pellux Library XLL Add-in requires Excel 2007 or later";

void expect_alert(const rec::Call& call, const std::u16string& text, int type)
{
    EXPECT_EQ(call.function, xlcAlert);
    EXPECT_EQ(call.result, nullptr);
    ASSERT_EQ(call.operands.size(), 2u);
    EXPECT_EQ(rec::text_of(call.operands[0]), text);
    EXPECT_EQ(call.operands[1].type, xltypeInt);
    EXPECT_EQ(call.operands[1].integer, type);
}

TEST_F(Lifecycle, OpenChecksTheHostVersion)
{
    enum Outcome { Registers, Refuses };
    struct Case {
        const char* name;
        rec::Version kind;
        std::u16string text;
        double number;
        int code; // xlfGetWorkspace's return code
        Outcome outcome;
    };
    const Case cases[] = {
        {"text 12.0", rec::Version::Text, u"12.0", 0, xlretSuccess, Registers},
        {"number 12", rec::Version::Number, u"", 12, xlretSuccess, Registers},
        {"text 16.0", rec::Version::Text, u"16.0", 0, xlretSuccess, Registers},
        {"text 1.2.3 reads 12.3", rec::Version::Text, u"1.2.3", 0, xlretSuccess, Registers},
        {"text 15.0.4420 reads 150.442", rec::Version::Text, u"15.0.4420", 0, xlretSuccess, Registers},
        {"text 11.0", rec::Version::Text, u"11.0", 0, xlretSuccess, Refuses},
        {"number 11.5", rec::Version::Number, u"", 11.5, xlretSuccess, Refuses},
        {"empty text", rec::Version::Text, u"", 0, xlretSuccess, Refuses},
        {"text 12.0 with a space reads 11.84", rec::Version::Text, u"12.0 ", 0, xlretSuccess, Refuses},
        {"error record", rec::Version::Error, u"", 0, xlretSuccess, Registers},
        {"call failed", rec::Version::Text, u"10.0", 0, xlretFailed, Registers},
        {"call aborted", rec::Version::Number, u"", 5, 1, Registers},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rec::reset();
        rec::config().version = c.kind;
        rec::config().version_text = c.text;
        rec::config().version_number = c.number;
        rec::config().codes[xlfGetWorkspace] = c.code;
        fill_scratch();

        EXPECT_EQ(xlAutoOpen(), c.outcome == Registers ? 1 : 0);
        expect_clean();

        const std::vector<rec::Call>& calls = rec::calls();
        ASSERT_FALSE(calls.empty());
        const rec::Call& workspace = calls[0];
        EXPECT_EQ(workspace.function, xlfGetWorkspace);
        EXPECT_NE(workspace.result, nullptr);
        ASSERT_EQ(workspace.operands.size(), 1u);
        EXPECT_EQ(workspace.operands[0].type, xltypeInt);
        EXPECT_EQ(workspace.operands[0].integer, 2);

        std::size_t next = 1;
        const bool version_text = c.code == xlretSuccess && c.kind == rec::Version::Text;
        if (version_text) {
            ASSERT_GT(calls.size(), next);
            const rec::Call& release = calls[next++];
            EXPECT_EQ(release.function, xlFree);
            EXPECT_EQ(release.result, nullptr);
            ASSERT_EQ(release.operands.size(), 1u);
            EXPECT_EQ(release.operands[0].address, workspace.result);
        }
        if (c.outcome == Refuses) {
            ASSERT_EQ(calls.size(), next + 1);
            expect_alert(calls[next], kTooOld, 3);
            continue;
        }
        EXPECT_TRUE(rec::calls_to(xlcAlert).empty());
        ASSERT_EQ(calls.size(), next + expected::kRows + 2);
        const rec::Call& get_name = calls[next++];
        EXPECT_EQ(get_name.function, xlGetName);
        EXPECT_NE(get_name.result, nullptr);
        EXPECT_TRUE(get_name.operands.empty());
        for (std::size_t row = 0; row < expected::kRows; ++row, ++next) {
            const rec::Call& reg = calls[next];
            EXPECT_EQ(reg.function, xlfRegister);
            EXPECT_EQ(reg.result, nullptr);
            ASSERT_EQ(reg.operands.size(), 18u);
            EXPECT_EQ(reg.operands[0].address, get_name.result);
            EXPECT_EQ(rec::text_of(reg.operands[0]), rec::config().module_path);
            for (int i = 0; i < expected::kRowTexts; ++i)
                EXPECT_EQ(rec::text_of(reg.operands[i + 1]), expected::rows()[row][i])
                    << "row " << row << " operand " << i + 2;
        }
        const rec::Call& release = calls[next];
        EXPECT_EQ(release.function, xlFree);
        EXPECT_EQ(release.result, nullptr);
        ASSERT_EQ(release.operands.size(), 1u);
        EXPECT_EQ(release.operands[0].address, get_name.result);
    }
}

TEST_F(Lifecycle, OpenReleasesEveryHostString)
{
    rec::config().version_text = u"15.0.4420";
    EXPECT_EQ(xlAutoOpen(), 1);
    std::vector<int> sequence = {xlfGetWorkspace, xlFree, xlGetName};
    sequence.insert(sequence.end(), expected::kRows, xlfRegister);
    sequence.push_back(xlFree);
    EXPECT_EQ(rec::functions_called(), sequence);
    const std::vector<rec::Call> released = rec::calls_to(xlFree);
    ASSERT_EQ(released.size(), 2u);
    EXPECT_EQ(rec::texts_of(released[0]), std::vector<std::u16string>{u"15.0.4420"});
    EXPECT_EQ(rec::texts_of(released[1]), std::vector<std::u16string>{rec::config().module_path});
    // A second open asks for fresh strings and gives them back as well.
    EXPECT_EQ(xlAutoOpen(), 1);
    EXPECT_EQ(rec::calls_to(xlFree).size(), 4u);
}

TEST_F(Lifecycle, CloseDeletesEveryNameEvenWhenTheHostFails)
{
    for (const int code : {xlretSuccess, xlretFailed}) {
        SCOPED_TRACE(code);
        rec::reset();
        rec::config().codes[xlfSetName] = code;
        fill_scratch();

        EXPECT_EQ(xlAutoClose(), 1);

        expect_clean();
        const std::vector<rec::Call>& calls = rec::calls();
        ASSERT_EQ(calls.size(), expected::kRows);
        for (std::size_t i = 0; i < calls.size(); ++i) {
            EXPECT_EQ(calls[i].function, xlfSetName);
            EXPECT_EQ(calls[i].result, nullptr);
            EXPECT_EQ(rec::texts_of(calls[i]),
                      std::vector<std::u16string>{expected::worksheet_names()[i]});
        }
    }
}

TEST_F(Lifecycle, AddAndRemoveAnnounceThemselves)
{
    struct Case {
        int (*callback)();
        std::u16string text;
    };
    const Case cases[] = {
        {&xlAutoAdd, u"\"Pellux Library\" added"},
        {&xlAutoRemove, u"\"Pellux Library\" removed"},
    };
    for (const Case& c : cases) {
        rec::reset();
        fill_scratch();
        EXPECT_EQ(c.callback(), 1);
        expect_clean();
        ASSERT_EQ(rec::calls().size(), 1u);
        expect_alert(rec::calls()[0], c.text, 2);
    }
}

TEST_F(Lifecycle, AddInManagerInfoNamesTheLibraryForActionOne)
{
    // Consecutive calls: the returned record is rewritten each time.
    for (const std::int32_t coerced : {1, 2, 1, 0}) {
        SCOPED_TRACE(coerced);
        rec::reset();
        rec::config().coerced = coerced;
        XLOPER12 action{};
        action.xltype = xltypeNum;
        action.val.num = coerced;
        fill_scratch();

        const XLOPER12* info = xlAddInManagerInfo12(&action);

        expect_clean();
        ASSERT_EQ(rec::calls().size(), 1u);
        const rec::Call& coerce = rec::calls()[0];
        EXPECT_EQ(coerce.function, xlCoerce);
        EXPECT_NE(coerce.result, nullptr);
        ASSERT_EQ(coerce.operands.size(), 2u);
        EXPECT_EQ(coerce.operands[0].address, &action);
        EXPECT_EQ(coerce.operands[1].type, xltypeInt);
        EXPECT_EQ(coerce.operands[1].integer, 2048);

        ASSERT_NE(info, nullptr);
        if (coerced == 1) {
            ASSERT_EQ(info->xltype, xltypeStr);
            ASSERT_NE(info->val.str, nullptr);
            EXPECT_EQ(std::u16string(info->val.str + 1, info->val.str + 1 + info->val.str[0]),
                      u"Pellux Library");
            EXPECT_EQ(info->val.str[0], 14);
        } else {
            EXPECT_EQ(info->xltype, xltypeErr);
            EXPECT_EQ(info->val.err, xlerrValue);
        }
    }
}

TEST_F(Lifecycle, AutoRegisterRegistersTheNamedProcedure)
{
    struct Case {
        std::u16string name;
        int row; // -1: not a procedure of the add-in
    };
    const Case cases[] = {
        {u"XL_CALCWFE", 2},    {u"xl_calcwfe", 2}, {u"xl_CalcWFE", 2},  {u"xl_vignetting", 4},
        {u"XL_CALCMAXABSTA", 0}, {u"xl_CalcWFEx", -1}, {u"xl_CalcWF", -1}, {u"CalcWFE", -1},
        {u"", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        rec::reset();
        rec::config().register_result = 42.0;
        rec::TextRecord name(c.name);
        fill_scratch();

        const XLOPER12* result = xlAutoRegister12(name.get());

        expect_clean();
        ASSERT_NE(result, nullptr);
        if (c.row < 0) {
            EXPECT_TRUE(rec::calls().empty());
            EXPECT_EQ(result->xltype, xltypeErr);
            EXPECT_EQ(result->val.err, xlerrValue);
            continue;
        }
        const std::vector<int> sequence = {xlGetName, xlfRegister, xlFree};
        ASSERT_EQ(rec::functions_called(), sequence);
        const rec::Call& get_name = rec::calls()[0];
        const rec::Call& reg = rec::calls()[1];
        EXPECT_EQ(reg.result, result);
        ASSERT_EQ(reg.operands.size(), 18u);
        EXPECT_EQ(reg.operands[0].address, get_name.result);
        for (int i = 0; i < expected::kRowTexts; ++i)
            EXPECT_EQ(rec::text_of(reg.operands[i + 1]), expected::rows()[c.row][i]);
        EXPECT_EQ(rec::calls()[2].operands[0].address, get_name.result);
        EXPECT_EQ(result->xltype, xltypeNum);
        EXPECT_EQ(result->val.num, 42.0);
    }
}

TEST_F(Lifecycle, AutoRegisterRefusesWhatIsNotAString)
{
    XLOPER12 number{};
    number.xltype = xltypeNum;
    number.val.num = 2;
    XLOPER12 null_string{};
    null_string.xltype = xltypeStr;
    null_string.val.str = nullptr;
    for (XLOPER12* name : {&number, &null_string, static_cast<XLOPER12*>(nullptr)}) {
        rec::reset();
        fill_scratch();
        const XLOPER12* result = xlAutoRegister12(name);
        EXPECT_TRUE(rec::calls().empty());
        expect_clean();
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->xltype, xltypeErr);
        EXPECT_EQ(result->val.err, xlerrValue);
    }
}

} // namespace
} // namespace pellux
