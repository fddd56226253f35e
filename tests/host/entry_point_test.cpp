// A program that does not export MdCallBack12: the add-in knows the host
// only through SetExcel12EntryPt. The steps depend on the callback slot
// starting empty, so this program holds this single test.
#include <gtest/gtest.h>

#include "addin/lifecycle.h"
#include "expected_rows.h"
#include "host/bridge.h"
#include "host/platform.h"
#include "host/scratch.h"
#include "recording_host.h"

namespace pellux {
namespace {

namespace rec = recording;

TEST(EntryPoint, HandedInCallbackServesTheAddIn)
{
    ASSERT_EQ(main_program_export("MdCallBack12"), nullptr);
    ASSERT_EQ(installed_host_callback(), nullptr);

    // No callback known yet: the call fails and still rewinds.
    XLOPER12* message = temp_string(u"nobody listens");
    ASSERT_NE(scratch_alloc(300), nullptr);
    EXPECT_EQ(host_call(xlcAlert, nullptr, 2, message, temp_int(2)), xlretFailed);
    EXPECT_EQ(scratch_alloc(4), current_pool().buffer);
    EXPECT_EQ(installed_host_callback(), nullptr);
    scratch_reset();

    SetExcel12EntryPt(&rec::callback);
    EXPECT_EQ(installed_host_callback(), &rec::callback);
    SetExcel12EntryPt(&rec::decoy);
    SetExcel12EntryPt(nullptr);
    EXPECT_EQ(installed_host_callback(), &rec::callback);

    rec::config().version_text = u"16.0";
    EXPECT_EQ(xlAutoOpen(), 1);
    EXPECT_EQ(rec::decoy_calls(), 0);
    const std::vector<rec::Call> registered = rec::calls_to(xlfRegister);
    ASSERT_EQ(registered.size(), expected::kRows);
    for (std::size_t row = 0; row < registered.size(); ++row) {
        ASSERT_EQ(registered[row].operands.size(), 18u);
        EXPECT_EQ(rec::text_of(registered[row].operands[1]), expected::rows()[row][0]);
    }
    EXPECT_EQ(rec::outstanding_strings(), 0u);
    EXPECT_EQ(current_pool().offset, 0u);
    EXPECT_TRUE(rec::problems().empty()) << rec::problems_text();
}

} // namespace
} // namespace pellux
