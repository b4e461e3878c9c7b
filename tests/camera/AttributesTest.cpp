// Typed attribute access against the simulated cameras.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInternals.h>
#include <harness/SdkTable.h>
#include <platform/System.h>

#include <cstring>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

using AttributesTest = SimulatedCameraTest;

TEST_F(AttributesTest, ReadsUseTheSdkFunctionOfTheAttributesType) {
    char text[64] = {};
    const uint32_t enumGets = calls("PvAttrEnumGet");
    ASSERT_TRUE(CameraInternals::Device(camera()).AttrStringGet("PixelFormat", text, sizeof text));
    EXPECT_STREQ(text, "Mono8");
    EXPECT_EQ(calls("PvAttrEnumGet"), enumGets + 1);

    const uint32_t stringGets = calls("PvAttrStringGet");
    ASSERT_TRUE(
        CameraInternals::Device(camera()).AttrStringGet("DeviceIPAddress", text, sizeof text));
    EXPECT_STREQ(text, "127.0.1.1");
    EXPECT_EQ(calls("PvAttrStringGet"), stringGets + 1);
    EXPECT_EQ(camera().GetDeviceIPAddress(), platform::InetAddr("127.0.1.1"));

    char range[256] = {};
    ASSERT_TRUE(
        CameraInternals::Device(camera()).AttrRangeEnum("PixelFormat", range, sizeof range));
    EXPECT_THAT(std::string(range), HasSubstr("Mono8,Mono16"));

    float rate = 0.0F;
    float low = 0.0F;
    float high = 0.0F;
    EXPECT_TRUE(CameraInternals::Device(camera()).AttrFloat32Get("FrameRate", rate));
    EXPECT_TRUE(CameraInternals::Device(camera()).AttrRangeFloat32("FrameRate", low, high));
    EXPECT_LE(low, rate);
    EXPECT_LE(rate, high);

    uint32_t width = 0;
    uint32_t minWidth = 0;
    uint32_t maxWidth = 0;
    EXPECT_TRUE(camera().GetNamedProperty("Width", width));
    EXPECT_EQ(width, 1360u);
    EXPECT_TRUE(CameraInternals::Device(camera()).AttrRangeUint32("Width", minWidth, maxWidth));
    EXPECT_LE(maxWidth, 1360u);
    EXPECT_GT(maxWidth, minWidth);

    EXPECT_EQ(CameraInternals::Device(camera()).AttrType("Width"), ePvDatatypeUint32);
    EXPECT_EQ(CameraInternals::Device(camera()).AttrFlags("SensorWidth") & ePvFlagWrite, 0u);
    EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(AttributesTest, WritesReachTheCamera) {
    ASSERT_TRUE(CameraInternals::Device(camera()).AttrStringSet("PixelFormat", "Mono16"));
    ASSERT_TRUE(CameraInternals::Device(camera()).AttrStringSet("CameraName", "Line 4"));
    ASSERT_TRUE(CameraInternals::Device(camera()).AttrUint32Set("Height", 480));
    ASSERT_TRUE(CameraInternals::Device(camera()).AttrFloat32Set("FrameRate", 12.5F));
    ASSERT_TRUE(CameraInternals::Device(camera()).CommandRun("AcquisitionStop"));

    char text[64] = {};
    float rate = 0.0F;
    uint32_t height = 0;
    EXPECT_TRUE(CameraInternals::Device(camera()).AttrStringGet("PixelFormat", text, sizeof text));
    EXPECT_STREQ(text, "Mono16");
    EXPECT_TRUE(CameraInternals::Device(camera()).AttrStringGet("CameraName", text, sizeof text));
    EXPECT_STREQ(text, "Line 4");
    EXPECT_TRUE(camera().GetNamedProperty("Height", height));
    EXPECT_EQ(height, 480u);
    EXPECT_TRUE(CameraInternals::Device(camera()).AttrFloat32Get("FrameRate", rate));
    EXPECT_FLOAT_EQ(rate, 12.5F);
    EXPECT_THAT(lines(), IsEmpty());
}

// A type or access mismatch is the caller's business: no line, and the typed SDK function
// is never called, so the camera cannot answer with a misleading error.
TEST_F(AttributesTest, WrongTypeOrReadOnlyFailsSilentlyWithoutTheTypedCall) {
    char text[64] = "untouched";
    float value = 7.0F;
    uint32_t low = 7;
    uint32_t high = 7;
    const uint32_t before[] = {calls("PvAttrFloat32Get"), calls("PvAttrStringGet"),
                               calls("PvAttrEnumGet"),    calls("PvAttrRangeUint32"),
                               calls("PvAttrFloat32Set"), calls("PvAttrStringSet"),
                               calls("PvAttrEnumSet"),    calls("PvAttrUint32Set")};

    EXPECT_FALSE(CameraInternals::Device(camera()).AttrFloat32Get("Width", value));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrStringGet("Width", text, sizeof text));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrRangeEnum("CameraName", text, sizeof text));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrRangeUint32("FrameRate", low, high));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrFloat32Set("PixelFormat", 1.0F));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrUint32Set("FrameRate", 1));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrStringSet("Width", "5"));
    // Read-only attributes of each written type.
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrStringSet("DeviceModelName", "other"));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrUint32Set("SensorWidth", 640));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrFloat32Set("DeviceTemperature", 20.0F));

    const uint32_t after[] = {calls("PvAttrFloat32Get"), calls("PvAttrStringGet"),
                              calls("PvAttrEnumGet"),    calls("PvAttrRangeUint32"),
                              calls("PvAttrFloat32Set"), calls("PvAttrStringSet"),
                              calls("PvAttrEnumSet"),    calls("PvAttrUint32Set")};
    EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(after)));
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(value, 7.0F);
    EXPECT_EQ(low, 7u);
    EXPECT_THAT(lines(), IsEmpty());
}

TEST_F(AttributesTest, SdkFailuresBecomeOneReportLineAndLeaveOutputsAlone) {
    ASSERT_EQ(pvsim_fail_attr(kMono8CameraId, "Width", ePvErrCameraFault, ePvErrForbidden), 0u);
    uint32_t width = 99;
    EXPECT_FALSE(camera().GetNamedProperty("Width", width));
    EXPECT_EQ(width, 99u);
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrUint32Set("Width", 640));
    EXPECT_FALSE(CameraInternals::Device(camera()).AttrUint32Set(
        "GainValue", 1000000));  // refused by the camera's range
    ASSERT_EQ(pvsim_fail_attr(kMono8CameraId, "AcquisitionStart", 0, ePvErrUnplugged), 0u);
    EXPECT_FALSE(CameraInternals::Device(camera()).CommandRun("AcquisitionStart"));

    char text[16] = {};
    EXPECT_FALSE(
        CameraInternals::Device(camera()).AttrStringGet("NoSuchAttribute", text, sizeof text));

    EXPECT_THAT(
        lines(),
        ElementsAre("ERROR 1 Unexpected camera fault: PvAttrUint32Get(Width)\n",
                    "ERROR 20 Attribute write forbidden at this time: PvAttrUint32Set(Width)\n",
                    "ERROR 18 Attribute value is out of the expected range: "
                    "PvAttrUint32Set(GainValue)\n",
                    "ERROR 8 Camera was unplugged: PvCommandRun\n",
                    "ERROR 6 Camera or attribute not found: PvAttrInfo(NoSuchAttribute)\n"));
}

TEST_F(AttributesTest, WithoutAnOpenCameraTheHandleErrorIsReported) {
    CCamera closed(0);
    EXPECT_EQ(closed.GetDeviceIPAddress(), 0u);
    EXPECT_THAT(lines(),
                ElementsAre("ERROR 3 Camera handle is invalid: PvAttrInfo(DeviceIPAddress)\n"));
}

}  // namespace
}  // namespace tarnix::test
