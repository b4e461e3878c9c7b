#include <gtest/gtest.h>

#include "GuiQueue.h"
#include "SheetWindows.h"
#include "harness/DemoSheet.h"
#include "harness/Wait.h"

namespace {
using namespace tarnix;
using namespace tarnix::test;
using Events = std::vector<std::string>;

TEST(LinuxSheet, Smoke) {
    DemoSheet sheet;
    const bool shown = gui::ShowDriven(sheet, [&] {
        ASSERT_TRUE(WaitUntil([&] { return !sheet.Demo(0).Events().empty(); }));
        gui::Run([] { gui::Click(*gui::Sheet(), wxID_CANCEL); });
    });
    EXPECT_TRUE(shown);
    EXPECT_EQ(sheet.Demo(0).Events(), (Events{"load", "create"}));
}

}  // namespace
