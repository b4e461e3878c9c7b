// What every finalize undoes, also one that leaves the driver started: the camera list, the
// debug procedure and the completion callback. Ports stay open across it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostTest.h>

namespace tarnix::test {
namespace {

using ::testing::IsEmpty;

TEST_F(HostTest, EveryFinalizeFreesTheCameraList) {
    ASSERT_EQ(driver().initialize("", LineLog::Receive), 1);  // a second start-up
    ASSERT_EQ(driver().getCVLNoOfSupportedCameras(), 5);
    ASSERT_NE(driver().getCVLCameraConfigNames(), nullptr);

    EXPECT_EQ(driver().finalize(), 0);  // one start-up remains
    EXPECT_EQ(driver().getCVLCameraConfigNames(), nullptr);
    // The driver still runs: enumerating builds the list again.
    EXPECT_EQ(driver().getCVLNoOfSupportedCameras(), 5);
    EXPECT_NE(driver().getCVLCameraConfigNames(), nullptr);
    EXPECT_EQ(driver().finalize(), 1);
    EXPECT_EQ(driver().getCVLCameraConfigNames(), nullptr);
}

TEST_F(HostTest, EveryFinalizeForgetsTheHostsProcedures) {
    SetCameraEnum(1001, "FrameStartTriggerMode", "Software");
    ASSERT_EQ(driver().initialize("", LineLog::Receive), 1);
    EXPECT_EQ(driver().finalize(), 0);  // the driver stays started, without the procedures

    uint32_t size[2] = {0, 0};
    ASSERT_EQ(driver().openCVLPort(0, 0, "SimMono8 [SIM-1001]", size), 1);
    EXPECT_THAT(LineLog::Take(), IsEmpty());  // no "OPENED" line: nobody to tell
    ASSERT_TRUE(AnswerOneRequest(0));
    EXPECT_EQ(Completions::Count(0), 0u);

    // Handed in again, both are used again.
    driver().setDebugMsgProc(LineLog::Receive);
    driver().setCompleteCallback(0, 0, Completions::Receive);
    ASSERT_TRUE(AnswerOneRequest(0));
    EXPECT_GE(Completions::Count(0), 1u);
    driver().closeCVLPort(0, 0);
    ASSERT_EQ(driver().openCVLPort(0, 0, "127.0.1.1", size), 1);
    EXPECT_EQ(LineLog::Take(), std::vector<std::string>{"OPENED 127.0.1.1 [1360x1024] 8 bit\n"});
}

}  // namespace
}  // namespace tarnix::test
