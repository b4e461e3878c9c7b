// configureCamera as a host calls it where no dialog can be shown: the port's camera is found
// by name or address, and the driver says in one line why no dialog came. (With a display the
// sheet is modal; the dialog's own suites drive it.)
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostTest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace tarnix::test {
namespace {

#ifndef _WIN32
TEST_F(HostTest, WithoutADisplayConfigureCameraSaysWhyAndReturnsZero) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ASSERT_TRUE(Open(4, "SimMono8 [SIM-1001]", 1360, 1024));
    LineLog::Clear();
    for (const char* name : {"SimMono8 [SIM-1001]", "127.0.1.1"}) {
        EXPECT_EQ(driver().configureCamera(0, name), 0) << name;
        EXPECT_EQ(LineLog::Take(),
                  std::vector<std::string>{"Configuration dialog not shown: no display\n"})
            << name;
    }
    // A camera in no port, and no name at all: nothing to show, nothing said.
    EXPECT_EQ(driver().configureCamera(0, "SimMono16 [SIM-1002]"), 0);
    EXPECT_EQ(driver().configureCamera(0, nullptr), 0);
    EXPECT_THAT(LineLog::Take(), ::testing::IsEmpty());
}
#endif

}  // namespace
}  // namespace tarnix::test
