// The driver loaded the way a host loads it, beside the simulated SDK. The tests share one
// process-wide driver and run in order: the first start-up of the process is the one that
// writes the SDK version line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostTest.h>
#include <pvsim.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using DriverHostTest = LoadedDriverTest;

// One start-up for the duration of a test.
class Started {
  public:
    explicit Started(HostDriver& driver) : m_Driver(driver) {
        EXPECT_EQ(m_Driver.initialize("", LineLog::Receive), 1);
        LineLog::Clear();
    }
    ~Started() { m_Driver.finalize(); }

  private:
    HostDriver& m_Driver;
};

std::string VersionLine() {
    uint32_t major = 0;
    uint32_t minor = 0;
    PvVersion(&major, &minor);
    return "PVApi " + std::to_string(major) + "." + std::to_string(minor) + "\n";
}

TEST_F(DriverHostTest, StartUpsAreCountedAndOnlyTheFirstOfTheProcessWritesTheVersion) {
    EXPECT_EQ(driver().getCVLMaxNoOfPorts(), 128);  // also before any start-up

    ASSERT_EQ(driver().initialize("", LineLog::Receive), 1);
    EXPECT_THAT(LineLog::Take(), ElementsAre(VersionLine(), kBanner));
    EXPECT_EQ(pvsim_call_count("PvLinkCallbackRegister"), 2u);

    EXPECT_EQ(driver().initialize("", LineLog::Receive), 1);
    EXPECT_THAT(LineLog::Take(), IsEmpty());

    // The first shutdown leaves the SDK running and the link events registered.
    EXPECT_EQ(driver().finalize(), 0);
    EXPECT_EQ(pvsim_call_count("PvLinkCallbackUnRegister"), 0u);
    EXPECT_EQ(pvsim_call_count("PvUnInitialize"), 0u);
    EXPECT_EQ(driver().getCVLNoOfSupportedCameras(), 5);

    EXPECT_EQ(driver().finalize(), 1);
    EXPECT_EQ(pvsim_call_count("PvLinkCallbackUnRegister"), 2u);
    EXPECT_EQ(pvsim_call_count("PvUnInitialize"), 1u);
    EXPECT_EQ(driver().finalize(), 1);  // nothing left to undo
    EXPECT_EQ(pvsim_call_count("PvUnInitialize"), 1u);

    // Starting again is not a new process: the banner only.
    ASSERT_EQ(driver().initialize("", LineLog::Receive), 1);
    EXPECT_THAT(LineLog::Take(), ElementsAre(kBanner));
    EXPECT_EQ(driver().finalize(), 1);
    EXPECT_THAT(LineLog::Take(), IsEmpty());  // shutdown writes to nobody
}

TEST_F(DriverHostTest, EnumerationNamesTheSimulatedCameras) {
    Started started(driver());
    EXPECT_EQ(driver().getCVLCameraConfigNames(), nullptr);  // nothing enumerated yet
    ASSERT_EQ(driver().getCVLNoOfSupportedCameras(), 5);
    const char* const* names = driver().getCVLCameraConfigNames();
    ASSERT_NE(names, nullptr);
    EXPECT_THAT(std::vector<std::string>(names, names + 5),
                ElementsAre("SimMono8 [SIM-1001]", "SimMono16 [SIM-1002]", "SimBayer8 [SIM-1003]",
                            "SimYuv422 [SIM-1004]", "SimRgb24 [SIM-1005]"));
    EXPECT_EQ(names[5], nullptr);

    pvsim_remove_all();
    EXPECT_EQ(driver().getCVLNoOfSupportedCameras(), 0);
    EXPECT_EQ(driver().getCVLCameraConfigNames(), nullptr);
}

TEST_F(DriverHostTest, BadPortsAndNullPointersGiveZeroAndTouchNothing) {
    Started started(driver());
    uint32_t size[2] = {7, 7};
    uint32_t value = 7;
    uint8_t row[4] = {7, 7, 7, 7};
    for (const int32_t port : {-1, 128, INT_MIN, INT_MAX}) {
        EXPECT_EQ(driver().openCVLPort(0, port, "127.0.1.1", size), 0) << port;
        driver().closeCVLPort(0, port);
        EXPECT_EQ(driver().doCVLGrab(0, port), 0) << port;
        EXPECT_EQ(driver().getCVLGrabRow(0, port, row, 0, 0, 0), 0) << port;
        EXPECT_EQ(driver().getProperty(0, port, "PixelSize", &value), 0) << port;
        EXPECT_EQ(driver().setProperty(0, port, "Continous", 1), 0) << port;
    }
    EXPECT_EQ(driver().openCVLPort(0, 0, nullptr, size), 0);
    EXPECT_EQ(driver().openCVLPort(0, 0, "127.0.1.1", nullptr), 0);
    EXPECT_EQ(driver().getProperty(0, 0, nullptr, &value), 0);
    EXPECT_EQ(driver().getProperty(0, 0, "PixelSize", nullptr), 0);
    EXPECT_EQ(driver().setProperty(0, 0, nullptr, 1), 0);
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, nullptr, 0, 0, 0), 0);
    EXPECT_EQ(driver().setSystemPath(nullptr), 0);
    EXPECT_EQ(driver().configureCamera(0, nullptr), 0);
    EXPECT_THAT(size, ElementsAre(7u, 7u));
    EXPECT_EQ(value, 7u);
    EXPECT_THAT(row, ElementsAre(7, 7, 7, 7));
    EXPECT_THAT(LineLog::Take(), IsEmpty());
}

TEST_F(DriverHostTest, EmptyPortsAnswerNothingAndUnsupportedFunctionsSayNo) {
    Started started(driver());
    uint32_t value = 7;
    for (const char* name : {"PixelSize", "pixelsize", "Continous", "Width"}) {
        EXPECT_EQ(driver().getProperty(0, 5, name, &value), 0) << name;
    }
    EXPECT_EQ(driver().setProperty(0, 5, "CONTINOUS", 1), 0);
    EXPECT_EQ(driver().doCVLGrab(0, 5), 0);
    driver().closeCVLPort(0, 5);
    EXPECT_EQ(driver().configureCamera(0, "SimMono8 [SIM-1001]"), 0);
    EXPECT_EQ(driver().configureCamera(0, "127.0.1.1"), 0);
    EXPECT_EQ(driver().getPropertyRange(0), 0);
    EXPECT_EQ(driver().setHWTrigger(0), 0);
    EXPECT_EQ(driver().configure(0), 0);
    EXPECT_EQ(value, 7u);
}

TEST_F(DriverHostTest, OpeningAnUnknownNameRefreshesTheListAndFails) {
    Started started(driver());
    uint32_t size[2] = {7, 7};
    // Not found at that address, then not among the names either; the text is only text.
    EXPECT_EQ(driver().openCVLPort(0, 3, "10.%s.%n.9", size), 0);
    EXPECT_THAT(size, ElementsAre(7u, 7u));
    EXPECT_GE(pvsim_call_count("PvCameraInfoByAddr"), 1u);
    EXPECT_GE(pvsim_call_count("PvCameraCount"), 10u);
    EXPECT_NE(driver().getCVLCameraConfigNames(), nullptr);  // the lookups enumerated
    EXPECT_EQ(driver().doCVLGrab(0, 3), 0);
}

TEST_F(DriverHostTest, HostSettingsAreTakenAsGiven) {
    const std::string longPath(600, 'p');
    EXPECT_EQ(driver().setSystemPath(longPath.c_str()), 1);
    EXPECT_EQ(driver().initialize(longPath.c_str(), LineLog::Receive), 1);
    EXPECT_EQ(driver().setDebugMsgProc(LineLog::Receive),
              reinterpret_cast<intptr_t>(&LineLog::Receive));
    EXPECT_EQ(driver().setDebugMsgProc(nullptr), 0);
    EXPECT_EQ(driver().setCompleteCallback(0, 0, nullptr), 1);
    EXPECT_EQ(driver().finalize(), 1);
}

// Everything a host may do at once, on threads of its own, while the SDK's threads run:
// the thread sanitizer build reports any race on the driver's shared state.
TEST_F(DriverHostTest, ConcurrentHostCallsAreSafe) {
    Started started(driver());
    constexpr int kRounds = 40;
    std::vector<std::thread> threads;
    threads.emplace_back([this] {
        for (int i = 0; i < kRounds; ++i) {
            driver().getCVLNoOfSupportedCameras();
            driver().getCVLCameraConfigNames();  // a host may not read it while others refresh
        }
    });
    threads.emplace_back([this] {
        for (int i = 0; i < kRounds; ++i) {
            EXPECT_EQ(driver().initialize("", LineLog::Receive), 1);
            EXPECT_EQ(driver().finalize(), 0);  // the test's own start-up remains
        }
    });
    threads.emplace_back([this] {
        uint32_t size[2] = {0, 0};
        uint32_t value = 0;
        for (int i = 0; i < kRounds; ++i) {
            driver().openCVLPort(0, i % 4, "127.0.1.3", size);
            driver().getProperty(0, i % 4, "PixelSize", &value);
            driver().setProperty(0, i % 4, "Continous", 1);
            driver().closeCVLPort(0, (i + 1) % 4);
            driver().configureCamera(0, "SimBayer8 [SIM-1003]");
        }
    });
    threads.emplace_back([] {
        for (int i = 0; i < kRounds / 4; ++i) {
            pvsim_unplug(1004);
            pvsim_plug(1004);
        }
        pvsim_flush_events();
    });
    for (std::thread& thread : threads) thread.join();
    for (int32_t port = 0; port < 4; ++port) driver().closeCVLPort(0, port);
}

}  // namespace
}  // namespace tarnix::test
