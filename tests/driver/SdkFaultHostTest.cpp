// The driver started by a host when its SDK is missing, incomplete or refuses to start.
// Each scenario runs as its own program in a folder of its own, holding a copy of the
// driver and, for the last two, a stand-in SDK library under the real one's file name.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostDriver.h>
#include <harness/LineLog.h>
#include <pvapi.h>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

#ifdef _WIN32
constexpr const char* kMissingLibraryLine = "SDK library PvAPI.dll not found\n";
constexpr const char* kMissingFunctionLine = "SDK function PvCameraOpen (ordinal 40) missing\n";
constexpr const char* kSdkFile = "PvAPI.dll";
#else
constexpr const char* kMissingLibraryLine = "SDK library libPvAPI.so not found\n";
constexpr const char* kMissingFunctionLine = "SDK function PvCameraOpen missing\n";
constexpr const char* kSdkFile = "./libPvAPI.so";
#endif

class SdkFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_Driver.loaded());
        ASSERT_THAT(m_Driver.missing(), IsEmpty());
        LineLog::Clear();
    }

    // Without a usable SDK every export still answers, with its failure result.
    void ExpectEveryExportFailsCleanly() {
        uint32_t size[2] = {7, 7};
        uint32_t value = 7;
        uint8_t row[3] = {};
        EXPECT_EQ(m_Driver.getCVLNoOfSupportedCameras(), 0);
        EXPECT_EQ(m_Driver.getCVLCameraConfigNames(), nullptr);
        EXPECT_EQ(m_Driver.getCVLMaxNoOfPorts(), 128);
        EXPECT_EQ(m_Driver.openCVLPort(0, 1, "127.0.1.1", size), 0);
        EXPECT_EQ(m_Driver.doCVLGrab(0, 1), 0);
        EXPECT_EQ(m_Driver.getCVLGrabRow(0, 1, row, 0, 0, 2), 0);
        EXPECT_EQ(m_Driver.getProperty(0, 1, "Width", &value), 0);
        EXPECT_EQ(m_Driver.setProperty(0, 1, "Width", 5), 0);
        EXPECT_EQ(m_Driver.configureCamera(0, "SimMono8 [SIM-1001]"), 0);
        m_Driver.closeCVLPort(0, 1);
        EXPECT_EQ(m_Driver.finalize(), 1);
        EXPECT_THAT(size, ElementsAre(7u, 7u));
    }

    HostDriver m_Driver;
};

#if defined(TARNIX_SCENARIO_NO_SDK)

TEST_F(SdkFaultTest, AMissingSdkLibraryIsNamedAndStartUpFails) {
    EXPECT_EQ(m_Driver.initialize("", LineLog::Receive), 0);
    EXPECT_THAT(LineLog::Take(), ElementsAre(kMissingLibraryLine));
    ExpectEveryExportFailsCleanly();
    // Each attempt tries again and says so again.
    EXPECT_EQ(m_Driver.initialize("", LineLog::Receive), 0);
    EXPECT_THAT(LineLog::Take(), ElementsAre(kMissingLibraryLine));
}

#elif defined(TARNIX_SCENARIO_SDK_WITHOUT_CAMERA_OPEN)

TEST_F(SdkFaultTest, AMissingSdkFunctionIsNamedAndStartUpFails) {
    EXPECT_EQ(m_Driver.initialize("", LineLog::Receive), 0);
    EXPECT_THAT(LineLog::Take(), ElementsAre(kMissingFunctionLine));
    ExpectEveryExportFailsCleanly();
}

#elif defined(TARNIX_SCENARIO_SDK_INIT_FAILS)

using RegistrationsFn = uint32_t (*)(uint32_t event);

// The stand-in SDK counts link-event registrations; the driver loaded that very library.
uint32_t Registrations(uint32_t event) {
    static const auto registrations = reinterpret_cast<RegistrationsFn>(
        platform::FindFunction(platform::LoadSharedLibrary(kSdkFile), "fake_registrations"));
    return registrations != nullptr ? registrations(event) : 0xFFFFFFFFu;
}

TEST_F(SdkFaultTest, AFailedSdkStartStillAnnouncesAndNeverRegistersTwice) {
    EXPECT_EQ(m_Driver.initialize("", LineLog::Receive), 0);
    EXPECT_THAT(LineLog::Take(), ElementsAre("PVApi 9.7\n", kBanner));
    EXPECT_EQ(Registrations(ePvLinkAdd), 1u);
    EXPECT_EQ(Registrations(ePvLinkRemove), 1u);

    // Nothing was started, so there is nothing to shut down or unregister.
    EXPECT_EQ(m_Driver.finalize(), 1);
    EXPECT_EQ(Registrations(ePvLinkAdd), 1u);

    EXPECT_EQ(m_Driver.initialize("", LineLog::Receive), 0);
    EXPECT_THAT(LineLog::Take(), ElementsAre(kBanner));
    EXPECT_EQ(Registrations(ePvLinkAdd), 1u);
    EXPECT_EQ(Registrations(ePvLinkRemove), 1u);
    ExpectEveryExportFailsCleanly();
}

#else
#error "choose a scenario"
#endif

}  // namespace
}  // namespace tarnix::test
