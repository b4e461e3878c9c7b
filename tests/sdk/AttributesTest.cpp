// Typed attribute access: list, information, values, ranges, validation and faults.
#include <harness/SdkTest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <sstream>
#include <string>

namespace tarnix::test {
namespace {

class Attributes : public SdkTest {
  protected:
    void SetUp() override {
        SdkTest::SetUp();
        m_Handle = Open(1001);
    }
    tPvHandle m_Handle = 0;
};

TEST_F(Attributes, EveryListedAttributeHasConsistentInformation) {
    tPvAttrListPtr names = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PvAttrList(m_Handle, &names, &count), ePvErrSuccess);
    ASSERT_GT(count, 30u);
    std::set<std::string> seen;
    for (uint32_t i = 0; i < count; ++i) {
        const char* name = names[i];
        EXPECT_TRUE(seen.insert(name).second) << name;
        tPvAttributeInfo info{};
        ASSERT_EQ(PvAttrInfo(m_Handle, name, &info), ePvErrSuccess) << name;
        ASSERT_NE(info.Category, nullptr);
        EXPECT_EQ(info.Category[0], '/') << name;
        // Each typed read works exactly for readable attributes of its own type.
        char text[256];
        uint32_t u = 0;
        float f = 0;
        const bool readable = (info.Flags & ePvFlagRead) != 0;
        const tPvErr stringRead = PvAttrStringGet(m_Handle, name, text, sizeof text, nullptr);
        const tPvErr enumRead = PvAttrEnumGet(m_Handle, name, text, sizeof text, nullptr);
        const tPvErr uintRead = PvAttrUint32Get(m_Handle, name, &u);
        const tPvErr floatRead = PvAttrFloat32Get(m_Handle, name, &f);
        auto expected = [&](tPvDatatype type) {
            return info.Datatype == type && readable ? ePvErrSuccess : ePvErrWrongType;
        };
        EXPECT_EQ(stringRead, expected(ePvDatatypeString)) << name;
        EXPECT_EQ(enumRead, expected(ePvDatatypeEnum)) << name;
        EXPECT_EQ(uintRead, expected(ePvDatatypeUint32)) << name;
        EXPECT_EQ(floatRead, expected(ePvDatatypeFloat32)) << name;
        if (info.Datatype == ePvDatatypeEnum) {
            // The current value is one of the range's values, and each of them can be set.
            char range[256];
            ASSERT_EQ(PvAttrRangeEnum(m_Handle, name, range, sizeof range, nullptr), 0u);
            std::stringstream values(range);
            std::string value;
            bool currentListed = false;
            while (std::getline(values, value, ',')) {
                currentListed |= value == text;
                EXPECT_EQ(PvAttrEnumSet(m_Handle, name, value.c_str()), ePvErrSuccess)
                    << name << "=" << value;
            }
            EXPECT_TRUE(currentListed) << name << " " << text << " not in " << range;
        }
    }
    EXPECT_TRUE(seen.count("LUTRaw"));
    tPvAttributeInfo info{};
    EXPECT_EQ(PvAttrInfo(m_Handle, "NoSuchAttribute", &info), ePvErrNotFound);
}

TEST_F(Attributes, ErrorCodesOfTypedAccess) {
    uint32_t u = 7;
    float f = 0;
    char text[8];
    EXPECT_EQ(PvAttrUint32Get(m_Handle, "Missing", &u), ePvErrNotFound);
    EXPECT_EQ(PvAttrUint32Get(m_Handle, nullptr, &u), ePvErrBadParameter);
    EXPECT_EQ(PvAttrUint32Get(m_Handle, "PixelFormat", &u), ePvErrWrongType);
    EXPECT_EQ(PvAttrFloat32Set(m_Handle, "Width", 1.0f), ePvErrWrongType);
    EXPECT_EQ(PvAttrUint32Get(m_Handle, "AcquisitionStart", &u), ePvErrWrongType);
    EXPECT_EQ(PvCommandRun(m_Handle, "Width"), ePvErrWrongType);
    EXPECT_EQ(PvAttrUint32Get(m_Handle, "LUTRaw", &u), ePvErrWrongType);
    EXPECT_EQ(u, 7u);  // nothing written on failure
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "SensorWidth", 100), ePvErrForbidden);
    EXPECT_EQ(PvAttrStringSet(m_Handle, "DeviceIPAddress", "1.2.3.4"), ePvErrForbidden);
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "GainValue", 31), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "PacketSize", 499), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrFloat32Set(m_Handle, "FrameRate", 0.0f), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrFloat32Set(m_Handle, "FrameRate", std::numeric_limits<float>::quiet_NaN()),
              ePvErrOutOfRange);
    EXPECT_EQ(PvAttrEnumSet(m_Handle, "PixelFormat", "mono8"), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrStringSet(m_Handle, "CameraName", std::string(32, 'x').c_str()),
              ePvErrOutOfRange);

    // Too small for text and terminator: nothing written.
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(PvAttrEnumGet(m_Handle, "AcquisitionMode", text, sizeof text, nullptr),
              ePvErrBadParameter);
    EXPECT_EQ(text[0], '#');
    uint32_t size = 0;
    EXPECT_EQ(PvAttrEnumGet(m_Handle, "PixelFormat", text, 6, &size), ePvErrSuccess);
    EXPECT_STREQ(text, "Mono8");
    EXPECT_EQ(size, 5u);
    ASSERT_EQ(PvAttrFloat32Get(m_Handle, "FrameRate", &f), ePvErrSuccess);
    EXPECT_EQ(f, 30.0f);
}

TEST_F(Attributes, WritesReadBackAndRangesAreReported) {
    SetUint(m_Handle, "ExposureValue", 700);
    EXPECT_EQ(GetUint(m_Handle, "ExposureValue"), 700u);
    ASSERT_EQ(PvAttrFloat32Set(m_Handle, "FrameRate", 123.5f), ePvErrSuccess);
    float rate = 0, min = 0, max = 0;
    ASSERT_EQ(PvAttrFloat32Get(m_Handle, "FrameRate", &rate), ePvErrSuccess);
    EXPECT_EQ(rate, 123.5f);
    ASSERT_EQ(PvAttrRangeFloat32(m_Handle, "FrameRate", &min, &max), ePvErrSuccess);
    EXPECT_LE(min, 0.1f);
    EXPECT_GE(max, 10000.0f);

    uint32_t lo = 0, hi = 0;
    ASSERT_EQ(PvAttrRangeUint32(m_Handle, "StreamBytesPerSecond", &lo, &hi), ePvErrSuccess);
    EXPECT_EQ(lo, 1u);
    EXPECT_EQ(hi, 124000000u);
    ASSERT_EQ(PvAttrRangeUint32(m_Handle, "SensorWidth", &lo, &hi), ePvErrSuccess);
    EXPECT_EQ(lo, 1360u);
    EXPECT_EQ(hi, 1360u);

    ASSERT_EQ(PvAttrStringSet(m_Handle, "CameraName", "Left door"), ePvErrSuccess);
    char text[32];
    ASSERT_EQ(PvAttrStringGet(m_Handle, "CameraName", text, sizeof text, nullptr), 0u);
    EXPECT_STREQ(text, "Left door");

    // The iris reports the middle of its band while it is driven.
    SetUint(m_Handle, "IrisVideoLevelMin", 20);
    SetUint(m_Handle, "IrisVideoLevelMax", 60);
    EXPECT_EQ(GetUint(m_Handle, "IrisVideoLevel"), 0u);
    SetEnum(m_Handle, "IrisMode", "Video");
    EXPECT_EQ(GetUint(m_Handle, "IrisVideoLevel"), 40u);
}

TEST_F(Attributes, RegionStaysOnTheSensorAndSetsTheFrameSize) {
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "RegionX", 1), ePvErrOutOfRange);  // full width
    SetUint(m_Handle, "Width", 1000);
    SetUint(m_Handle, "RegionX", 360);
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "RegionX", 361), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "Width", 1001), ePvErrOutOfRange);
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "Width", 7), ePvErrOutOfRange);
    uint32_t lo = 0, hi = 0;
    ASSERT_EQ(PvAttrRangeUint32(m_Handle, "Width", &lo, &hi), ePvErrSuccess);
    EXPECT_EQ(hi, 1000u);
    ASSERT_EQ(PvAttrRangeUint32(m_Handle, "RegionX", &lo, &hi), ePvErrSuccess);
    EXPECT_EQ(hi, 360u);

    SetUint(m_Handle, "Height", 10);
    SetUint(m_Handle, "RegionY", 1014);
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "Height", 11), ePvErrOutOfRange);

    const struct {
        const char* format;
        uint32_t bytes;
    } sizes[] = {{"Mono8", 10000},  {"Bayer8", 10000}, {"Mono16", 20000}, {"Bayer16", 20000},
                 {"Yuv422", 20000}, {"Yuv411", 15000}, {"Rgb24", 30000},  {"Bgr24", 30000},
                 {"Yuv444", 30000}, {"Rgb48", 60000},  {"Rgba32", 40000}, {"Bgra32", 40000}};
    for (const auto& size : sizes) {
        SetEnum(m_Handle, "PixelFormat", size.format);
        EXPECT_EQ(GetUint(m_Handle, "TotalBytesPerFrame"), size.bytes) << size.format;
    }
}

TEST_F(Attributes, OmittedGroupsAreMissing) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 16, 8,
                                  ePvSimNoIris | ePvSimNoGain | ePvSimNoTrigger |
                                      ePvSimNoIpAddress | ePvSimNoTotalBytes)
                            .id;
    const tPvHandle handle = Open(id);
    tPvAttributeInfo info{};
    for (const char* name :
         {"IrisMode", "IrisVideoLevel", "GainValue", "GainMode", "FrameStartTriggerMode",
          "FrameStartTriggerSoftware", "DeviceIPAddress", "TotalBytesPerFrame"}) {
        EXPECT_EQ(PvAttrInfo(handle, name, &info), ePvErrNotFound) << name;
    }
    EXPECT_EQ(PvAttrInfo(handle, "ExposureValue", &info), ePvErrSuccess);
    tPvAttrListPtr names = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PvAttrList(handle, &names, &count), ePvErrSuccess);
    for (uint32_t i = 0; i < count; ++i) {
        EXPECT_NE(std::string(names[i]).rfind("Iris", 0), 0u) << names[i];
    }
}

TEST_F(Attributes, InjectedFailuresHitReadsAndWritesButNotInformation) {
    ASSERT_EQ(pvsim_fail_attr(1001, "Width", ePvErrTimeout, ePvErrUnavailable), ePvErrSuccess);
    uint32_t value = 0, lo = 0, hi = 0;
    EXPECT_EQ(PvAttrUint32Get(m_Handle, "Width", &value), ePvErrTimeout);
    EXPECT_EQ(PvAttrRangeUint32(m_Handle, "Width", &lo, &hi), ePvErrTimeout);
    EXPECT_EQ(PvAttrUint32Set(m_Handle, "Width", 64), ePvErrUnavailable);
    tPvAttributeInfo info{};
    EXPECT_EQ(PvAttrInfo(m_Handle, "Width", &info), ePvErrSuccess);
    EXPECT_EQ(GetUint(m_Handle, "Height"), 1024u);

    ASSERT_EQ(pvsim_fail_attr(1001, "AcquisitionStart", 0, ePvErrCameraFault), ePvErrSuccess);
    EXPECT_EQ(PvCommandRun(m_Handle, "AcquisitionStart"), ePvErrCameraFault);

    ASSERT_EQ(pvsim_fail_attr(1001, "Width", 0, 0), ePvErrSuccess);
    EXPECT_EQ(GetUint(m_Handle, "Width"), 1360u);
    EXPECT_EQ(pvsim_fail_attr(1001, "Missing", 1, 1), ePvErrNotFound);
    EXPECT_EQ(pvsim_fail_attr(4242, "Width", 1, 1), ePvErrNotFound);

    // A reset clears every fault.
    ASSERT_EQ(pvsim_fail_attr(1001, "Height", ePvErrTimeout, 0), ePvErrSuccess);
    pvsim_reset();
    const tPvHandle fresh = Open(1001);
    EXPECT_EQ(GetUint(fresh, "Height"), 1024u);
}

}  // namespace
}  // namespace tarnix::test
