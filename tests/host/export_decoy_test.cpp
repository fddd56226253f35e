// A program that exports MdCallBack12 and hands the add-in another callback:
// the export wins. Needs an empty callback slot, so this program holds this
// single test.
#include <gtest/gtest.h>

#include "host/bridge.h"
#include "host/scratch.h"
#include "host_export.h"
#include "recording_host.h"

namespace pellux {
namespace {

namespace rec = recording;

TEST(ExportDecoy, ExportIsInstalledInsteadOfTheCallbackHandedIn)
{
    ASSERT_EQ(installed_host_callback(), nullptr);

    SetExcel12EntryPt(&rec::decoy);
    EXPECT_EQ(installed_host_callback(), &MdCallBack12);
    SetExcel12EntryPt(&rec::decoy);
    EXPECT_EQ(installed_host_callback(), &MdCallBack12);

    EXPECT_EQ(host_call(xlfSetName, nullptr, 1, temp_string(u"Export")), xlretSuccess);
    EXPECT_EQ(rec::decoy_calls(), 0);
    ASSERT_EQ(rec::calls().size(), 1u);
    EXPECT_EQ(rec::texts_of(rec::calls()[0]), std::vector<std::u16string>{u"Export"});
    EXPECT_TRUE(rec::problems().empty()) << rec::problems_text();
}

} // namespace
} // namespace pellux
