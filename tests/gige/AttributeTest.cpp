// The driver's attribute names on the fake camera's GenICam features: round trips, ranges,
// types, the list and the camera's own features. Camera 0 of the program's three, opened as
// master by each test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>

#include "GigeFixture.h"

namespace tarnix::test {
namespace {

using ::testing::Contains;
using ::testing::Not;

class GigeAttributes : public ::testing::Test {
  protected:
    void SetUp() override {
        record = GigeEnvironment::Instance().Record(0);
        camera = std::make_unique<OpenCamera>(record.UniqueId, ePvAccessMaster);
        ASSERT_EQ(camera->Error(), ePvErrSuccess);
        h = *camera;
    }
    void TearDown() override {
        // What the tests change goes back, for the next one.
        PvAttrEnumSet(h, "PixelFormat", "Mono8");
        PvAttrEnumSet(h, "FrameStartTriggerMode", "Freerun");
        PvAttrUint32Set(h, "RegionX", 0);
        PvAttrUint32Set(h, "RegionY", 0);
        PvAttrUint32Set(h, "Width", 512);
        PvAttrUint32Set(h, "Height", 512);
        camera.reset();
    }

    uint32_t Get(const char* name) {
        uint32_t value = 0xDEADBEEF;
        EXPECT_EQ(PvAttrUint32Get(h, name, &value), ePvErrSuccess) << name;
        return value;
    }
    std::string Text(const char* name, tPvDatatype type = ePvDatatypeEnum) {
        char buffer[256] = {};
        uint32_t size = 0;
        const tPvErr error = type == ePvDatatypeEnum
                                 ? PvAttrEnumGet(h, name, buffer, sizeof buffer, &size)
                                 : PvAttrStringGet(h, name, buffer, sizeof buffer, &size);
        EXPECT_EQ(error, ePvErrSuccess) << name;
        EXPECT_EQ(size, std::strlen(buffer)) << name;
        return buffer;
    }
    std::string Range(const char* name) {
        char buffer[512] = {};
        EXPECT_EQ(PvAttrRangeEnum(h, name, buffer, sizeof buffer, nullptr), ePvErrSuccess) << name;
        return buffer;
    }
    std::map<std::string, tPvAttributeInfo> List() {
        tPvAttrListPtr names = nullptr;
        uint32_t length = 0;
        EXPECT_EQ(PvAttrList(h, &names, &length), ePvErrSuccess);
        std::map<std::string, tPvAttributeInfo> infos;
        for (uint32_t i = 0; i < length; ++i) {
            tPvAttributeInfo info{};
            EXPECT_EQ(PvAttrInfo(h, names[i], &info), ePvErrSuccess) << names[i];
            EXPECT_TRUE(infos.emplace(names[i], info).second) << names[i] << " listed twice";
        }
        return infos;
    }

    tPvCameraInfo record{};
    std::unique_ptr<OpenCamera> camera;
    tPvHandle h = 0;
};

TEST_F(GigeAttributes, TheRegionRoundTripsAndTheFrameSizeFollows) {
    ASSERT_EQ(PvAttrUint32Set(h, "Width", 256), ePvErrSuccess);
    ASSERT_EQ(PvAttrUint32Set(h, "Height", 128), ePvErrSuccess);
    ASSERT_EQ(PvAttrUint32Set(h, "RegionX", 16), ePvErrSuccess);
    ASSERT_EQ(PvAttrUint32Set(h, "RegionY", 32), ePvErrSuccess);
    EXPECT_EQ(Get("Width"), 256u);
    EXPECT_EQ(Get("Height"), 128u);
    EXPECT_EQ(Get("RegionX"), 16u);
    EXPECT_EQ(Get("RegionY"), 32u);
    EXPECT_EQ(Get("TotalBytesPerFrame"), 256u * 128u);  // Mono8

    uint32_t min = 0;
    uint32_t max = 0;
    ASSERT_EQ(PvAttrRangeUint32(h, "Width", &min, &max), ePvErrSuccess);
    EXPECT_LE(min, 256u);
    EXPECT_GE(max, 256u);
    EXPECT_LE(max, Get("SensorWidth"));
    EXPECT_EQ(PvAttrUint32Set(h, "Width", max + 1), ePvErrOutOfRange);
    EXPECT_EQ(Get("Width"), 256u);
    // Constants report value..value.
    ASSERT_EQ(PvAttrRangeUint32(h, "SensorWidth", &min, &max), ePvErrSuccess);
    EXPECT_EQ(min, Get("SensorWidth"));
    EXPECT_EQ(max, min);
}

TEST_F(GigeAttributes, ExposureAndGainRoundTripInTheirUnits) {
    ASSERT_EQ(PvAttrUint32Set(h, "ExposureValue", 20000), ePvErrSuccess);
    EXPECT_EQ(Get("ExposureValue"), 20000u);
    uint32_t min = 0;
    uint32_t max = 0;
    ASSERT_EQ(PvAttrRangeUint32(h, "ExposureValue", &min, &max), ePvErrSuccess);
    EXPECT_EQ(min, 10u);  // ExposureTimeAbs 10..1e7 µs
    EXPECT_EQ(max, 10000000u);
    EXPECT_EQ(PvAttrUint32Set(h, "ExposureValue", 5), ePvErrOutOfRange);
    EXPECT_EQ(Get("ExposureValue"), 20000u);

    ASSERT_EQ(PvAttrUint32Set(h, "GainValue", 5), ePvErrSuccess);
    EXPECT_EQ(Get("GainValue"), 5u);
    ASSERT_EQ(PvAttrRangeUint32(h, "GainValue", &min, &max), ePvErrSuccess);
    EXPECT_EQ(PvAttrUint32Set(h, "GainValue", max + 1), ePvErrOutOfRange);
    EXPECT_EQ(Text("GainMode"), "Manual");  // GainAuto Off
    EXPECT_EQ(Range("GainMode"), "Manual,AutoOnce,Auto");
}

TEST_F(GigeAttributes, PixelFormatsGoByTheSdksNames) {
    EXPECT_EQ(Range("PixelFormat"), "Mono8,Mono16,Bayer8,Rgb24");
    EXPECT_EQ(Text("PixelFormat"), "Mono8");
    const uint32_t mono8Bytes = Get("TotalBytesPerFrame");
    ASSERT_EQ(PvAttrEnumSet(h, "PixelFormat", "Mono16"), ePvErrSuccess);
    EXPECT_EQ(Text("PixelFormat"), "Mono16");
    EXPECT_EQ(Get("TotalBytesPerFrame"), 2 * mono8Bytes);
    ASSERT_EQ(PvAttrEnumSet(h, "PixelFormat", "Bayer8"), ePvErrSuccess);
    EXPECT_EQ(Text("PixelFormat"), "Bayer8");
    ASSERT_EQ(PvAttrEnumSet(h, "PixelFormat", "Rgb24"), ePvErrSuccess);
    EXPECT_EQ(Get("TotalBytesPerFrame"), 3 * mono8Bytes);
    // Formats the camera does not offer, and names that are none.
    EXPECT_EQ(PvAttrEnumSet(h, "PixelFormat", "Yuv422"), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrEnumSet(h, "PixelFormat", "BayerRG8"), ePvErrOutOfRange);
    EXPECT_EQ(Text("PixelFormat"), "Rgb24");
    // The bit depth is the most any of the camera's formats carries.
    EXPECT_EQ(Get("SensorBits"), 16u);
}

TEST_F(GigeAttributes, TheFrameStartTriggerModesMapOnModeAndSource) {
    EXPECT_EQ(Range("FrameStartTriggerMode"), "Freerun,SyncIn1,Software");  // Line0, Software
    EXPECT_EQ(Text("FrameStartTriggerMode"), "Freerun");
    for (const char* mode : {"Software", "SyncIn1", "Freerun", "Software"}) {
        ASSERT_EQ(PvAttrEnumSet(h, "FrameStartTriggerMode", mode), ePvErrSuccess) << mode;
        EXPECT_EQ(Text("FrameStartTriggerMode"), mode);
    }
    EXPECT_EQ(PvAttrEnumSet(h, "FrameStartTriggerMode", "SyncIn2"), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrEnumSet(h, "FrameStartTriggerMode", "FixedRate"), ePvErrOutOfRange);
    EXPECT_EQ(Text("FrameStartTriggerMode"), "Software");
    EXPECT_EQ(PvCommandRun(h, "FrameStartTriggerSoftware"), ePvErrSuccess);
    EXPECT_EQ(Text("FrameStartTriggerEvent"), "EdgeRising");
    EXPECT_EQ(Range("FrameStartTriggerEvent"), "EdgeRising");
    EXPECT_EQ(Text("AcquisitionMode"), "Continuous");
    EXPECT_EQ(Range("AcquisitionMode"), "Continuous,SingleFrame,MultiFrame");
    ASSERT_EQ(PvAttrEnumSet(h, "AcquisitionMode", "SingleFrame"), ePvErrSuccess);
    EXPECT_EQ(Text("AcquisitionMode"), "SingleFrame");
    ASSERT_EQ(PvAttrEnumSet(h, "AcquisitionMode", "Continuous"), ePvErrSuccess);
    EXPECT_EQ(PvAttrEnumSet(h, "AcquisitionMode", "Sometimes"), ePvErrOutOfRange);
}

TEST_F(GigeAttributes, FloatsAreCheckedAgainstTheirRange) {
    float min = 0;
    float max = 0;
    ASSERT_EQ(PvAttrRangeFloat32(h, "FrameRate", &min, &max), ePvErrSuccess);
    ASSERT_LT(min, max);
    const float rate = std::min(max, 25.0f);
    ASSERT_EQ(PvAttrFloat32Set(h, "FrameRate", rate), ePvErrSuccess);
    float read = 0;
    ASSERT_EQ(PvAttrFloat32Get(h, "FrameRate", &read), ePvErrSuccess);
    EXPECT_NEAR(read, rate, rate * 0.01f);  // the camera keeps a period in µs
    EXPECT_EQ(PvAttrFloat32Set(h, "FrameRate", max * 2), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrFloat32Set(h, "FrameRate", std::nanf("")), ePvErrOutOfRange);
}

TEST_F(GigeAttributes, TypesAccessAndTextBuffersFollowTheSdksRules) {
    uint32_t value = 7;
    EXPECT_EQ(PvAttrUint32Get(h, "PixelFormat", &value), ePvErrWrongType);
    EXPECT_EQ(PvAttrUint32Get(h, "AcquisitionStart", &value), ePvErrWrongType);
    EXPECT_EQ(PvAttrUint32Set(h, "SensorWidth", 100), ePvErrForbidden);
    EXPECT_EQ(PvAttrUint32Set(h, "TotalBytesPerFrame", 100), ePvErrForbidden);
    EXPECT_EQ(PvAttrUint32Get(h, nullptr, &value), ePvErrBadParameter);
    EXPECT_EQ(PvAttrUint32Get(h, "Width", nullptr), ePvErrBadParameter);
    EXPECT_EQ(value, 7u);
    // The fake camera has no user-defined name (DeviceUserID): the name is simply absent.
    char text[64] = "untouched";
    EXPECT_EQ(PvAttrStringGet(h, "CameraName", text, sizeof text, nullptr), ePvErrNotFound);
    tPvAttributeInfo info{};
    EXPECT_EQ(PvAttrInfo(h, "CameraName", &info), ePvErrNotFound);
    EXPECT_EQ(PvAttrUint32Get(h, "NoSuchAttribute", &value), ePvErrNotFound);
    // A buffer too small for the text and its terminator gets nothing.
    uint32_t size = 99;
    EXPECT_EQ(PvAttrEnumGet(h, "PixelFormat", text, 5, &size), ePvErrBadParameter);  // "Mono8"
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(size, 99u);
    EXPECT_EQ(PvAttrEnumGet(h, "PixelFormat", text, 6, &size), ePvErrSuccess);
    EXPECT_STREQ(text, "Mono8");
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(PvAttrRangeEnum(h, "PixelFormat", text, 4, &size), ePvErrBadParameter);
}

TEST_F(GigeAttributes, TheListHoldsTheMappedNamesAndTheCamerasOwnFeatures) {
    const auto infos = List();
    const auto flags = [&](const char* name) {
        const auto it = infos.find(name);
        return it == infos.end() ? 0xFFu : it->second.Flags;
    };
    const auto type = [&](const char* name) {
        const auto it = infos.find(name);
        return it == infos.end() ? tPvDatatype(ePvDatatypeUnknown) : it->second.Datatype;
    };
    EXPECT_EQ(flags("Width"), uint32_t(ePvFlagRead | ePvFlagWrite));
    EXPECT_EQ(type("Width"), tPvDatatype(ePvDatatypeUint32));
    EXPECT_EQ(flags("SensorWidth"), uint32_t(ePvFlagRead | ePvFlagConst));
    EXPECT_EQ(flags("TotalBytesPerFrame"), uint32_t(ePvFlagRead | ePvFlagVolatile));
    EXPECT_EQ(flags("AcquisitionStart"), uint32_t(ePvFlagWrite));
    EXPECT_EQ(type("AcquisitionStart"), tPvDatatype(ePvDatatypeCommand));
    EXPECT_EQ(type("PixelFormat"), tPvDatatype(ePvDatatypeEnum));
    EXPECT_EQ(type("FrameRate"), tPvDatatype(ePvDatatypeFloat32));
    EXPECT_EQ(type("DeviceIPAddress"), tPvDatatype(ePvDatatypeString));
    EXPECT_EQ(flags("UniqueId"), uint32_t(ePvFlagRead | ePvFlagConst));
    EXPECT_EQ(flags("StatFramesCompleted"), uint32_t(ePvFlagRead | ePvFlagVolatile));
    EXPECT_STREQ(infos.at("RegionX").Category, "/ImageFormat/ROI");
    EXPECT_STREQ(infos.at("FrameStartTriggerMode").Category, "/Acquisition/Trigger/FrameStart");
    for (const auto& [name, info] : infos) {
        ASSERT_NE(info.Category, nullptr) << name;
        EXPECT_EQ(info.Category[0], '/') << name;
        EXPECT_STREQ(info.Impact, "") << name;
    }
    // Features the map reaches are not listed again under their own names; names the camera
    // cannot serve are absent.
    for (const char* hidden : {"OffsetX", "ExposureTimeAbs", "TriggerSelector", "TriggerMode",
                               "PayloadSize", "CameraName", "ArvGevSCPSPacketSize"}) {
        EXPECT_EQ(infos.count(hidden), 0u) << hidden;
    }
    // The camera's other features, under their own names and categories.
    ASSERT_EQ(infos.count("BinningHorizontal"), 1u);
    EXPECT_EQ(type("BinningHorizontal"), tPvDatatype(ePvDatatypeUint32));
    EXPECT_STREQ(infos.at("BinningHorizontal").Category, "/ImageFormatControl");
    EXPECT_EQ(type("TestRegister"), tPvDatatype(ePvDatatypeUint32));
    EXPECT_STREQ(infos.at("TestRegister").Category, "/Debug");
    EXPECT_EQ(type("DeviceID"), tPvDatatype(ePvDatatypeString));
    EXPECT_EQ(flags("DeviceID"), uint32_t(ePvFlagRead));

    // The list belongs to the SDK and stays put while the handle is open.
    tPvAttrListPtr first = nullptr;
    tPvAttrListPtr again = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(PvAttrList(h, &first, &length), ePvErrSuccess);
    ASSERT_EQ(PvAttrList(h, &again, nullptr), ePvErrSuccess);
    EXPECT_EQ(first, again);
    EXPECT_EQ(PvAttrList(h, nullptr, &length), ePvErrBadParameter);
}

TEST_F(GigeAttributes, TheSdkAnswersForItsOwnNames) {
    EXPECT_EQ(Get("UniqueId"), record.UniqueId);
    EXPECT_EQ(Text("DeviceIPAddress", ePvDatatypeString), FakeCameraAddress(0));
    EXPECT_EQ(Text("DeviceModelName", ePvDatatypeString), "Fake");
    EXPECT_EQ(Get("StatFramesCompleted"), 0u);
    EXPECT_EQ(Get("StatFramesDropped"), 0u);
    EXPECT_EQ(Get("StatFramesIncomplete"), 0u);
    EXPECT_EQ(Get("StatPacketsMissing"), 0u);
    EXPECT_EQ(Get("StatPacketsResent"), 0u);
    // The camera's own features work as the mapped ones do.
    EXPECT_EQ(Text("DeviceID", ePvDatatypeString), "GVS0");
    ASSERT_EQ(PvAttrUint32Set(h, "BinningHorizontal", 2), ePvErrSuccess);
    EXPECT_EQ(Get("BinningHorizontal"), 2u);
    ASSERT_EQ(PvAttrUint32Set(h, "BinningHorizontal", 1), ePvErrSuccess);
}

}  // namespace
}  // namespace tarnix::test
