// ui::RunSheet where no sheet can be shown: each call writes one diagnostic line and returns
// false, and without a display no toolkit is loaded at all. Each case runs in a process of its
// own, since what a first showing loads stays loaded; the missing module's case runs from a
// folder without the module.
#include <base/Diagnostics.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ui/Toolkit.h>
#include <ui/ToolkitModule.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "harness/DemoSheet.h"
#include "harness/LineLog.h"

namespace {

using namespace tarnix;
using namespace tarnix::test;
using Lines = std::vector<std::string>;
using ::testing::HasSubstr;
using ::testing::StartsWith;

bool Mapped(const std::string& fileName) {
    std::ifstream maps("/proc/self/maps");
    std::stringstream text;
    text << maps.rdbuf();
    return text.str().find(fileName) != std::string::npos;
}

class Loader : public ::testing::Test {
  protected:
    void SetUp() override {
        SetDebugProc(LineLog::Receive);
        LineLog::Clear();
        unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override { SetDebugProc(nullptr); }

    DemoSheet m_Sheet;
};

#ifdef TARNIX_SCENARIO_NO_MODULE

TEST_F(Loader, AMissingModuleIsOneLineEachTime) {
    // Named only: the module is missing before any display would be opened.
    setenv("DISPLAY", ":0", 1);
    EXPECT_FALSE(ui::RunSheet(m_Sheet));
    EXPECT_FALSE(ui::RunSheet(m_Sheet));
    const Lines lines = LineLog::Take();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], lines[1]);
    EXPECT_THAT(lines[0], StartsWith("Configuration dialog not shown: "));
    EXPECT_THAT(lines[0],
                HasSubstr(std::string("/") + ui::kToolkitModuleFile + " cannot be loaded"));
    EXPECT_EQ(lines[0].find('\n'), lines[0].size() - 1) << "one line";
    EXPECT_FALSE(Mapped("libgtk-3"));
    EXPECT_EQ(m_Sheet.Demo(0).Events(), Lines{});
}

#else

TEST_F(Loader, WithoutADisplayNothingIsLoaded) {
    unsetenv("DISPLAY");
    EXPECT_FALSE(ui::RunSheet(m_Sheet));
    EXPECT_FALSE(ui::RunSheet(m_Sheet));
    EXPECT_EQ(LineLog::Take(), (Lines{"Configuration dialog not shown: no display\n",
                                      "Configuration dialog not shown: no display\n"}));
    EXPECT_FALSE(Mapped(ui::kToolkitModuleFile));
    EXPECT_FALSE(Mapped("libgtk-3"));
    EXPECT_EQ(m_Sheet.Demo(0).Events(), Lines{});
}

TEST_F(Loader, ADisplayThatCannotBeOpenedIsTheModulesOneLine) {
    setenv("DISPLAY", ":64999", 1);  // no server there
    EXPECT_FALSE(ui::RunSheet(m_Sheet));
    EXPECT_FALSE(ui::RunSheet(m_Sheet));
    EXPECT_EQ(LineLog::Take(),
              (Lines{"Configuration dialog not shown: the display cannot be opened\n",
                     "Configuration dialog not shown: the display cannot be opened\n"}));
    EXPECT_TRUE(Mapped(ui::kToolkitModuleFile));
    EXPECT_EQ(m_Sheet.Demo(0).Events(), Lines{});
}

#endif

}  // namespace
