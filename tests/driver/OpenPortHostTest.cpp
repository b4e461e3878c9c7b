// openCVLPort and the driver's own property names, through the driver as a host loads it:
// a failed open keeps its port, an unknown name is looked up again and again with pauses,
// and "PixelSize" and "Continous" are matched whole, in any case, without asking the camera.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostTest.h>

#include <chrono>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;

TEST_F(HostTest, TheDriversOwnPropertyNamesMatchInAnyCaseButOnlyWhole) {
    uint32_t size[2] = {0, 0};
    ASSERT_EQ(driver().openCVLPort(0, 0, "127.0.1.1", size), 1);  // SimMono8
    ASSERT_EQ(driver().openCVLPort(0, 1, "127.0.1.5", size), 1);  // SimRgb24

    const uint32_t queries = pvsim_call_count("PvAttrInfo");
    for (const char* name : {"PixelSize", "pixelsize", "PIXELSIZE", "pIxElSiZe"}) {
        uint32_t value = 7;
        EXPECT_EQ(driver().getProperty(0, 0, name, &value), 1) << name;
        EXPECT_EQ(value, 8u) << name;
        EXPECT_EQ(driver().getProperty(0, 1, name, &value), 1) << name;
        EXPECT_EQ(value, 24u) << name;
    }
    ASSERT_EQ(driver().setProperty(0, 0, "cONTINOUS", 3), 1);
    uint32_t continuous = 7;
    ASSERT_EQ(driver().getProperty(0, 0, "CONTINOUS", &continuous), 1);
    EXPECT_EQ(continuous, 1u);
    ASSERT_EQ(driver().setProperty(0, 0, "Continous", 0), 1);
    EXPECT_EQ(pvsim_call_count("PvAttrInfo"), queries);  // the cameras were not asked

    // A name that merely starts with one of the driver's, or is cut short, is the camera's
    // to answer, and these cameras have no such attribute.
    for (const char* name : {"PixelSizes", "PixelSiz", "Continously", "Contin"}) {
        uint32_t value = 7;
        EXPECT_EQ(driver().getProperty(0, 0, name, &value), 0) << name;
        EXPECT_EQ(value, 7u) << name;
    }
    EXPECT_EQ(driver().setProperty(0, 0, "ContinousX", 1), 0);
    ASSERT_EQ(driver().getProperty(0, 0, "Continous", &continuous), 1);
    EXPECT_EQ(continuous, 0u);
}

// The list's entries are what a host passes on, although the open's own lookup enumerates again
// and so replaces the list the name points into.
TEST_F(HostTest, ANameStraightFromTheCameraListOpensThatCamera) {
    ASSERT_EQ(driver().getCVLNoOfSupportedCameras(), 5);
    const char* const* names = driver().getCVLCameraConfigNames();
    ASSERT_NE(names, nullptr);
    uint32_t size[2] = {0, 0};
    ASSERT_EQ(driver().openCVLPort(0, 0, names[0], size), 1);
    EXPECT_THAT(size, ElementsAre(1360u, 1024u));  // SimMono8

    names = driver().getCVLCameraConfigNames();
    ASSERT_EQ(driver().openCVLPort(0, 1, names[4], size), 1);
    EXPECT_THAT(size, ElementsAre(1280u, 960u));  // SimRgb24
    uint32_t pixelSize = 0;
    ASSERT_EQ(driver().getProperty(0, 1, "PixelSize", &pixelSize), 1);
    EXPECT_EQ(pixelSize, 24u);
    EXPECT_THAT(LineLog::Take(),
                testing::Contains("OPENED SimRgb24 [SIM-1005] [1280x960] 24 bit\n"));
}

TEST_F(HostTest, AFailedOpenKeepsItsCameraInThePortUntilClosed) {
    pvsim_fail_next_open(1001, ePvErrAccessDenied);
    uint32_t size[2] = {7, 7};
    EXPECT_EQ(driver().openCVLPort(0, 2, "SimMono8 [SIM-1001]", size), 0);
    EXPECT_THAT(size, ElementsAre(7u, 7u));

    // The port is taken: a second open is refused before anything is looked up or opened.
    const uint32_t lookups = pvsim_call_count("PvCameraInfoByAddr");
    const uint32_t opens = pvsim_call_count("PvCameraOpen");
    EXPECT_EQ(driver().openCVLPort(0, 2, "127.0.1.2", size), 0);
    EXPECT_EQ(pvsim_call_count("PvCameraInfoByAddr"), lookups);
    EXPECT_EQ(pvsim_call_count("PvCameraOpen"), opens);
    // The camera that failed is the one in the port: never opened, its format never read.
    uint32_t pixelSize = 7;
    EXPECT_EQ(driver().getProperty(0, 2, "PixelSize", &pixelSize), 1);
    EXPECT_EQ(pixelSize, 0u);
    EXPECT_EQ(driver().doCVLGrab(0, 2), 0);

    driver().closeCVLPort(0, 2);
    ASSERT_EQ(driver().openCVLPort(0, 2, "127.0.1.2", size), 1);
    EXPECT_THAT(size, ElementsAre(1360u, 1024u));
}

// A camera that was just plugged in may take a moment to show in the enumeration, so a name
// that is not there is looked up ten times, with a pause after each try.
TEST_F(HostTest, AnUnknownNameIsLookedUpTenTimesWithAPauseAfterEach) {
    const uint32_t refreshes = pvsim_call_count("PvCameraCount");
    const uint32_t lookups = pvsim_call_count("PvCameraInfoByAddr");
    uint32_t size[2] = {7, 7};
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(driver().openCVLPort(0, 4, "SimMono8 [SIM-9999]", size), 0);
    const auto elapsed = std::chrono::steady_clock::now() - started;

    EXPECT_EQ(pvsim_call_count("PvCameraCount"), refreshes + 10);
    EXPECT_EQ(pvsim_call_count("PvCameraInfoByAddr"), lookups);  // no three dots, no address
    // Only a lower bound: a pause never ends early, so this cannot fail with the pauses in
    // place however slow the machine is (40 ms allows for a coarse system tick); without
    // them the ten tries take a few milliseconds.
    EXPECT_GE(elapsed, 10 * std::chrono::milliseconds(40));
    EXPECT_EQ(driver().doCVLGrab(0, 4), 0);
}

}  // namespace
}  // namespace tarnix::test
