// The driver in bin/gige over the Aravis-backed SDK beside it, loaded as a host loads it: the
// camera list, a port opened by configuration name and by address, a property set and read.
// This program's camera: GVD0.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/FakeGigE.h>
#include <harness/LineLog.h>
#include <harness/TempFolder.h>
#include <host/DriverLibrary.h>

#include <string>

namespace tarnix::test {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

TEST(GigeDriver, TheDriverBesideTheAravisSdkOpensAFakeCameraByNameAndByAddress) {
    ASSERT_TRUE(InLoopbackNetwork()) << "run through scripts/in-loopback-net.sh";
    FakeGigECamera camera(FakeCameraAddress(0), "GVD0");
    ASSERT_TRUE(camera.Start());

    host::DriverLibrary driver;
    ASSERT_TRUE(driver.Load("./gige/libtarnixdrv.so")) << driver.error();
    TempFolder folder("gige_driver");
    ASSERT_EQ(driver.initialize(folder.Path().string().c_str(), LineLog::Receive), 1);
    EXPECT_THAT(LineLog::Take(), Contains("PVApi 1.28\n"));

    ASSERT_EQ(driver.getCVLNoOfSupportedCameras(), 1);
    const char* const* names = driver.getCVLCameraConfigNames();
    ASSERT_NE(names, nullptr);
    ASSERT_NE(names[0], nullptr);
    const std::string name = names[0];
    EXPECT_EQ(name, "Fake [GVD0]");

    uint32_t size[2] = {0, 0};
    ASSERT_EQ(driver.openCVLPort(0, 0, name.c_str(), size), 1);
    EXPECT_EQ(size[0], 512u);
    EXPECT_EQ(size[1], 512u);
    EXPECT_THAT(LineLog::Take(), Contains(HasSubstr("OPENED Fake [GVD0] [512x512] 8 bit")));
    ASSERT_EQ(driver.setProperty(0, 0, "ExposureValue", 20000), 1);
    uint32_t exposure = 0;
    ASSERT_EQ(driver.getProperty(0, 0, "ExposureValue", &exposure), 1);
    EXPECT_EQ(exposure, 20000u);
    driver.closeCVLPort(0, 0);

    ASSERT_EQ(driver.openCVLPort(0, 1, camera.Address().c_str(), size), 1);
    uint32_t width = 0;
    ASSERT_EQ(driver.getProperty(0, 1, "Width", &width), 1);
    EXPECT_EQ(width, 512u);
    exposure = 0;
    ASSERT_EQ(driver.getProperty(0, 1, "ExposureValue", &exposure), 1);
    EXPECT_EQ(exposure, 20000u);  // the camera kept it
    driver.closeCVLPort(0, 1);
    EXPECT_EQ(driver.finalize(), 1);
}

}  // namespace
}  // namespace tarnix::test
