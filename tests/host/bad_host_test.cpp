// The lifecycle callbacks against a recording host that fails or answers
// oddly: no crash, no read of a freed host string, no string freed twice.
// Between two calls the recording host releases every string it handed out,
// so a stale string is freed memory for the address sanitizer.
#include <gtest/gtest.h>

#include "addin/lifecycle.h"
#include "expected_rows.h"
#include "recording_host.h"

namespace pellux {
namespace {

namespace rec = recording;

class BadHost : public ::testing::Test {
protected:
    void SetUp() override { rec::reset(); }
    void TearDown() override { expect_clean(); }

    static void expect_clean()
    {
        EXPECT_TRUE(rec::problems().empty()) << rec::problems_text();
        EXPECT_EQ(rec::outstanding_strings(), 0u) << "host strings not given back";
    }
};

// How the host answers xlGetName, or xlfGetWorkspace for the version.
enum class Answer { Failed, Silent, Error, NullText };

void answer_badly(int function, Answer answer)
{
    rec::Config& config = rec::config();
    switch (answer) {
    case Answer::Failed: config.codes[function] = xlretFailed; break;
    case Answer::Silent: config.silent.insert(function); break;
    case Answer::Error:
        if (function == xlfGetWorkspace)
            config.version = rec::Version::Error;
        else
            config.name = rec::Name::Error;
        break;
    case Answer::NullText:
        if (function == xlfGetWorkspace)
            config.version = rec::Version::NullText;
        else
            config.name = rec::Name::NullText;
        break;
    }
}

const std::vector<int> kRegistersAll = [] {
    std::vector<int> calls = {xlGetName};
    calls.insert(calls.end(), expected::kRows, xlfRegister);
    calls.push_back(xlFree);
    return calls;
}();

TEST_F(BadHost, OpenAfterAGoodOpenIgnoresAVersionAnswerWithoutText)
{
    // A version answer without a text skips the test; a string whose pointer
    // is null reads as the empty text and is refused.
    struct Case {
        Answer answer;
        int opened;
        std::vector<int> sequence;
    };
    std::vector<int> skipped = {xlfGetWorkspace};
    skipped.insert(skipped.end(), kRegistersAll.begin(), kRegistersAll.end());
    const Case cases[] = {
        {Answer::Failed, 1, skipped},
        {Answer::Silent, 1, skipped},
        {Answer::Error, 1, skipped},
        {Answer::NullText, 0, {xlfGetWorkspace, xlcAlert}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        rec::reset();
        rec::config().version_text = u"11.0"; // refused, if it were read again
        rec::config().version = rec::Version::Text;
        EXPECT_EQ(xlAutoOpen(), 0);
        expect_clean();

        rec::reset();
        answer_badly(xlfGetWorkspace, c.answer);
        EXPECT_EQ(xlAutoOpen(), c.opened);
        EXPECT_EQ(rec::functions_called(), c.sequence);
        expect_clean();
    }
}

TEST_F(BadHost, NoModuleNameMeansNoRegistrationAndNoRelease)
{
    // After a good call has freed its module name, a call whose xlGetName
    // fails or gives no string registers nothing and frees nothing.
    for (const Answer answer : {Answer::Failed, Answer::Silent, Answer::Error, Answer::NullText}) {
        SCOPED_TRACE(static_cast<int>(answer));
        rec::reset();
        rec::config().version = rec::Version::Number;
        rec::config().register_result = 42.0;
        EXPECT_EQ(xlAutoOpen(), 1);
        rec::TextRecord name(u"xl_CalcWFE");
        EXPECT_EQ(xlAutoRegister12(name.get())->xltype, xltypeNum);
        expect_clean();

        rec::reset();
        rec::config().version = rec::Version::Number;
        answer_badly(xlGetName, answer);
        EXPECT_EQ(xlAutoOpen(), 1);
        EXPECT_EQ(rec::functions_called(), (std::vector<int>{xlfGetWorkspace, xlGetName}));
        expect_clean();

        rec::reset();
        rec::config().register_result = 42.0;
        answer_badly(xlGetName, answer);
        const XLOPER12* result = xlAutoRegister12(name.get());
        EXPECT_EQ(rec::functions_called(), std::vector<int>{xlGetName});
        EXPECT_EQ(result->xltype, xltypeErr);
        EXPECT_EQ(result->val.err, xlerrValue);
    }
}

TEST_F(BadHost, AutoRegisterTakesOnlyAStringTypeWord)
{
    // The type word without the two ownership flags must be the string type;
    // anything else is #VALUE! with no host call, its value never read.
    struct Case {
        std::uint32_t type;
        bool registers;
    };
    const Case cases[] = {
        {xltypeStr, true},
        {xltypeStr | xlbitXLFree, true},
        {xltypeStr | xlbitDLLFree, true},
        {xltypeStr | xlbitXLFree | xlbitDLLFree, true},
        {xltypeNum | xltypeStr, false},
        {xltypeStr | xltypeInt, false},
        {0xFFFFFFFFu, false},
        {xltypeMulti | xlbitDLLFree, false},
    };
    rec::TextRecord text(u"XL_VIGNETTING");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        rec::reset();
        rec::config().register_result = 7.0;
        XLOPER12 name = *text.get();
        name.xltype = c.type;
        if (!c.registers)
            name.val.num = 2.0; // as a pointer, an address nobody may read

        const XLOPER12* result = xlAutoRegister12(&name);

        expect_clean();
        if (c.registers) {
            EXPECT_EQ(rec::functions_called(),
                      (std::vector<int>{xlGetName, xlfRegister, xlFree}));
            EXPECT_EQ(result->xltype, xltypeNum);
            EXPECT_EQ(result->val.num, 7.0);
        } else {
            EXPECT_TRUE(rec::calls().empty());
            EXPECT_EQ(result->xltype, xltypeErr);
            EXPECT_EQ(result->val.err, xlerrValue);
        }
    }
}

} // namespace
} // namespace pellux
