#include <base/Errors.h>
#include <camera/TriggerModes.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/SdkTable.h>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ReportErrorTest = DebugLinesTest;

TEST_F(ReportErrorTest, SuccessIsSilentAndFailuresKeepTheirCode) {
    EXPECT_EQ(ReportError(0, "PvCameraOpen"), 0u);
    EXPECT_EQ(ReportError(0, "PvAttrInfo", "Width"), 0u);
    EXPECT_THAT(lines(), IsEmpty());

    EXPECT_EQ(ReportError(8, "PvCaptureStart"), 8u);
    EXPECT_EQ(ReportError(6, "PvAttrInfo", "Gain"), 6u);
    EXPECT_THAT(lines(), ElementsAre("ERROR 8 Camera was unplugged: PvCaptureStart\n",
                                     "ERROR 6 Camera or attribute not found: PvAttrInfo(Gain)\n"));
}

TEST_F(ReportErrorTest, TextsAtTheTableEdges) {
    // The text for 19 ends in a blank, which shows before the colon.
    ReportError(19, "PvAttrUint32Get", "PixelFormat");
    ReportError(22, "PvCaptureQueueFrame");
    ReportError(23, "PvCommandRun");
    // Codes are printed signed, and every code past the table is unknown.
    ReportError(0xFFFFFFFFu, "PvCameraClose");
    EXPECT_THAT(
        lines(),
        ElementsAre("ERROR 19 Attribute is not this type (wrong access function) : "
                    "PvAttrUint32Get(PixelFormat)\n",
                    "ERROR 22 A firewall is blocking the traffic (Windows only): "
                    "PvCaptureQueueFrame\n",
                    "ERROR 23 Unknown: PvCommandRun\n", "ERROR -1 Unknown: PvCameraClose\n"));
    EXPECT_STREQ(ErrorText(0), "No error");
}

TEST(CameraErrorTest, MessageMatchesTheReportFormatWithItsOwnFallback) {
    EXPECT_STREQ(camera_error(8, "CCamera::SetRegisters").what(),
                 "ERROR 8 Camera was unplugged: CCamera::SetRegisters\n");
    EXPECT_STREQ(camera_error(3, "CCamera::GetRegisters", "mode").what(),
                 "ERROR 3 Camera handle is invalid: CCamera::GetRegisters(mode)\n");
    EXPECT_STREQ(camera_error(23, "X").what(), "ERROR 23 Unknown error: X\n");
    EXPECT_STREQ(camera_error(-1, "X").what(), "ERROR -1 Unknown error: X\n");

    // Caught as the standard exception, as the property layer does, the copy keeps the text.
    try {
        throw camera_error(15, "CCamera::GetRegisters");
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(),
                     "ERROR 15 The data for the frame was lost: CCamera::GetRegisters\n");
    }
    EXPECT_STREQ(io_error("SerialIo::Write: Transmitter not ready").what(),
                 "SerialIo::Write: Transmitter not ready");
}

TEST(TriggerModeTest, NamesAndIndexesRoundTripAndUnknownTextMeansSoftware) {
    for (uint32_t index = 0; index <= 6; ++index) {
        EXPECT_EQ(TriggerModeIndex(TriggerModeName(index)), index);
    }
    EXPECT_STREQ(TriggerModeName(6), "Software");
    EXPECT_STREQ(TriggerModeName(7), "");
    EXPECT_EQ(TriggerModeIndex("SyncIn4"), 4u);
    EXPECT_EQ(TriggerModeIndex("freerun"), 6u);  // compared case-sensitively
    EXPECT_EQ(TriggerModeIndex(""), 6u);
    EXPECT_EQ(TriggerModeIndex(nullptr), 6u);
}

}  // namespace
}  // namespace tarnix::test
