// A program that exports MdCallBack12 and never hands in a callback: the
// first host_call finds the export itself. Needs an empty callback slot, so
// this program holds this single test.
#include <gtest/gtest.h>

#include "host/bridge.h"
#include "host/scratch.h"
#include "host_export.h"
#include "recording_host.h"

namespace pellux {
namespace {

namespace rec = recording;

TEST(ExportLookup, FirstHostCallFindsAndInstallsTheExport)
{
    ASSERT_EQ(installed_host_callback(), nullptr);
    rec::config().codes[xlfSetName] = 7;
    ASSERT_NE(scratch_alloc(40), nullptr);

    EXPECT_EQ(host_call(xlfSetName, nullptr, 1, temp_string(u"Found")), 7);

    EXPECT_EQ(installed_host_callback(), &MdCallBack12);
    EXPECT_EQ(scratch_alloc(2), current_pool().buffer);
    ASSERT_EQ(rec::calls().size(), 1u);
    EXPECT_EQ(rec::calls()[0].function, xlfSetName);
    EXPECT_EQ(rec::texts_of(rec::calls()[0]), std::vector<std::u16string>{u"Found"});
    EXPECT_TRUE(rec::problems().empty()) << rec::problems_text();
}

} // namespace
} // namespace pellux
