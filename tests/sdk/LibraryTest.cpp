// Initialisation, enumeration, open and close, handles, call counting.
#include <harness/SdkTest.h>

#include <cstring>
#include <set>

namespace tarnix::test {
namespace {

uint32_t NetworkOrder(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const uint8_t bytes[4] = {a, b, c, d};
    uint32_t address = 0;
    std::memcpy(&address, bytes, 4);
    return address;
}

TEST(SdkLifecycle, CallsOutsideInitialisationAreOutOfSequence) {
    pvsim_reset();
    uint32_t major = 0, minor = 0;
    PvVersion(&major, &minor);
    EXPECT_EQ(major * 100 + minor, 128u);

    tPvHandle handle = 0;
    tPvCameraInfo info{};
    EXPECT_EQ(PvCameraCount(), 0u);
    EXPECT_EQ(PvCameraList(&info, 1, nullptr), 0u);
    EXPECT_EQ(PvCameraOpen(1001, ePvAccessMaster, &handle), ePvErrBadSequence);
    EXPECT_EQ(PvCameraInfoByAddr(NetworkOrder(127, 0, 1, 1), &info, nullptr), ePvErrBadSequence);

    // Repeatable many times in one process; a handle does not survive a shutdown.
    for (int round = 0; round < 25; ++round) {
        ASSERT_EQ(PvInitialize(), ePvErrSuccess);
        ASSERT_EQ(PvInitialize(), ePvErrSuccess);
        EXPECT_EQ(PvCameraCount(), 5u);
        ASSERT_EQ(PvCameraOpen(1001, ePvAccessMaster, &handle), ePvErrSuccess);
        PvUnInitialize();
        PvUnInitialize();
        EXPECT_EQ(PvAttrUint32Set(handle, "Width", 64), ePvErrBadSequence);
    }
    ASSERT_EQ(PvInitialize(), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(handle), ePvErrBadHandle);
    PvUnInitialize();
}

using Enumeration = SdkTest;

TEST_F(Enumeration, DefaultSetIsListedInIdOrder) {
    struct Expected {
        uint32_t id;
        const char* name;
        const char* format;
        uint32_t width, height;
    };
    const Expected expected[] = {{1001, "SimMono8", "Mono8", 1360, 1024},
                                 {1002, "SimMono16", "Mono16", 1360, 1024},
                                 {1003, "SimBayer8", "Bayer8", 1360, 1024},
                                 {1004, "SimYuv422", "Yuv422", 1280, 960},
                                 {1005, "SimRgb24", "Rgb24", 1280, 960}};
    tPvCameraInfo list[8];
    uint32_t connected = 0;
    ASSERT_EQ(PvCameraCount(), 5u);
    ASSERT_EQ(PvCameraList(list, 8, &connected), 5u);
    EXPECT_EQ(connected, 5u);
    for (size_t i = 0; i < 5; ++i) {
        const Expected& e = expected[i];
        EXPECT_EQ(list[i].UniqueId, e.id);
        EXPECT_STREQ(list[i].DisplayName, e.name);
        EXPECT_EQ(std::string(list[i].SerialString), "SIM-" + std::to_string(e.id));
        EXPECT_EQ(list[i].InterfaceType, uint32_t(ePvInterfaceEthernet));

        const tPvHandle handle = Open(e.id);
        char text[32];
        ASSERT_EQ(PvAttrEnumGet(handle, "PixelFormat", text, sizeof text, nullptr), 0u);
        EXPECT_STREQ(text, e.format);
        EXPECT_EQ(GetUint(handle, "Width"), e.width);
        EXPECT_EQ(GetUint(handle, "SensorHeight"), e.height);
        EXPECT_EQ(GetUint(handle, "SensorBits"), e.id == 1002 ? 12u : 8u);
        ASSERT_EQ(PvAttrStringGet(handle, "DeviceIPAddress", text, sizeof text, nullptr), 0u);
        EXPECT_EQ(std::string(text), "127.0.1." + std::to_string(e.id - 1000));
        EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
    }

    // A short array gets the first records; the count still tells how many there are.
    std::memset(list, 0xAB, sizeof list);
    EXPECT_EQ(PvCameraList(list, 2, &connected), 2u);
    EXPECT_EQ(connected, 5u);
    EXPECT_EQ(list[1].UniqueId, 1002u);
    EXPECT_EQ(list[2].UniqueId, 0xABABABABu);
}

TEST_F(Enumeration, CameraIsFoundByItsNetworkAddress) {
    tPvCameraInfo info{};
    tPvIpSettings ip{};
    ASSERT_EQ(PvCameraInfoByAddr(NetworkOrder(127, 0, 1, 3), &info, &ip), ePvErrSuccess);
    EXPECT_EQ(info.UniqueId, 1003u);
    EXPECT_EQ(ip.CurrentIpAddress, NetworkOrder(127, 0, 1, 3));
    EXPECT_EQ(PvCameraInfoByAddr(NetworkOrder(127, 0, 1, 9), &info, &ip), ePvErrNotFound);

    ASSERT_EQ(pvsim_unplug(1003), ePvErrSuccess);
    info.UniqueId = 0;
    EXPECT_EQ(PvCameraInfoByAddr(NetworkOrder(127, 0, 1, 3), &info, nullptr), ePvErrNotFound);
    EXPECT_EQ(info.UniqueId, 0u);  // untouched on failure
    EXPECT_EQ(PvCameraCount(), 4u);
}

TEST_F(Enumeration, AddedCamerasCountFromTheirOwnIds) {
    pvsim_remove_all();
    EXPECT_EQ(PvCameraCount(), 0u);
    const tPvSimCameraDesc desc{"Extra", "X-1", "10.1.2.3", ePvFmtBayer16, 64, 32, 10, 0};
    EXPECT_EQ(pvsim_add_camera(&desc), 2001u);
    EXPECT_EQ(pvsim_add_camera(&desc), 0u);  // same address
    const tPvSimCameraDesc defaults{nullptr, nullptr, nullptr, ePvFmtMono8, 8, 8, 0, 0};
    EXPECT_EQ(pvsim_add_camera(&defaults), 2002u);

    tPvSimCameraDesc bad = desc;
    bad.address = "10.1.2.300";
    EXPECT_EQ(pvsim_add_camera(&bad), 0u);
    bad = defaults;
    bad.width = 4;
    EXPECT_EQ(pvsim_add_camera(&bad), 0u);
    bad = defaults;
    bad.format = 12;
    EXPECT_EQ(pvsim_add_camera(&bad), 0u);
    bad = defaults;
    bad.displayName = "SixteenCharsLong";
    EXPECT_EQ(pvsim_add_camera(&bad), 0u);

    tPvCameraInfo info[2];
    ASSERT_EQ(PvCameraList(info, 2, nullptr), 2u);
    EXPECT_STREQ(info[0].DisplayName, "Extra");
    EXPECT_STREQ(info[1].DisplayName, "Sim2002");
    EXPECT_STREQ(info[1].SerialString, "SIM-2002");

    pvsim_reset();
    EXPECT_EQ(PvCameraCount(), 5u);
    EXPECT_EQ(pvsim_add_camera(&defaults), 2001u);
}

using Handles = SdkTest;

TEST_F(Handles, OpenAndCloseErrors) {
    tPvHandle handle = 0;
    EXPECT_EQ(PvCameraOpen(4242, ePvAccessMaster, &handle), ePvErrNotFound);
    EXPECT_EQ(PvCameraClose(0), ePvErrBadHandle);
    EXPECT_EQ(PvAttrUint32Set(0, "Width", 64), ePvErrBadHandle);

    ASSERT_EQ(pvsim_fail_next_open(1001, ePvErrCameraFault), ePvErrSuccess);
    EXPECT_EQ(PvCameraOpen(1001, ePvAccessMaster, &handle), ePvErrCameraFault);
    EXPECT_EQ(handle, 0u);
    handle = Open(1001);  // only the next open failed
    EXPECT_NE(handle, 0u);

    EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(handle), ePvErrBadHandle);
    EXPECT_EQ(PvAttrUint32Set(handle, "Width", 64), ePvErrBadHandle);

    ASSERT_EQ(pvsim_unplug(1002), ePvErrSuccess);
    EXPECT_EQ(PvCameraOpen(1002, ePvAccessMaster, &handle), ePvErrNotFound);
    EXPECT_EQ(pvsim_unplug(9999), ePvErrNotFound);
}

TEST_F(Handles, MasterAccessIsExclusiveAndMonitorsOnlyRead) {
    const tPvHandle master = Open(1001);
    tPvHandle other = 0;
    EXPECT_EQ(PvCameraOpen(1001, ePvAccessMaster, &other), ePvErrAccessDenied);

    tPvCameraInfo info{};
    ASSERT_EQ(PvCameraList(&info, 1, nullptr), 1u);
    EXPECT_EQ(info.PermittedAccess, uint32_t(ePvAccessMonitor));

    const tPvHandle monitor = Open(1001, ePvAccessMonitor);
    EXPECT_EQ(GetUint(monitor, "Width"), 1360u);
    EXPECT_EQ(PvAttrUint32Set(monitor, "Width", 64), ePvErrAccessDenied);
    EXPECT_EQ(PvCommandRun(monitor, "AcquisitionStart"), ePvErrAccessDenied);
    EXPECT_EQ(PvCaptureStart(monitor), ePvErrAccessDenied);

    // Closing a monitor leaves the master's capture alone; closing the master frees the camera.
    ASSERT_EQ(PvCaptureStart(master), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(monitor), ePvErrSuccess);
    EXPECT_EQ(PvCaptureStart(master), ePvErrBadSequence);
    EXPECT_EQ(PvCameraClose(master), ePvErrSuccess);
    EXPECT_NE(Open(1001), 0u);
}

TEST_F(Handles, AreNeverReused) {
    std::set<tPvHandle> seen;
    for (int round = 0; round < 3; ++round) {
        for (uint32_t id = 1001; id <= 1005; ++id) {
            const tPvHandle handle = Open(id);
            EXPECT_NE(handle, 0u);
            EXPECT_TRUE(seen.insert(handle).second) << handle;
            EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
        }
        PvUnInitialize();
        pvsim_reset();
        ASSERT_EQ(PvInitialize(), ePvErrSuccess);
    }
}

using CallCounting = SdkTest;

TEST_F(CallCounting, CountsEachFunctionByNameSinceReset) {
    const tPvHandle handle = Open(1001);
    SetEnum(handle, "PixelFormat", "Mono16");
    EXPECT_EQ(PvAttrEnumSet(handle, "PixelFormat", "Nope"), ePvErrOutOfRange);
    EXPECT_EQ(pvsim_call_count("PvAttrEnumSet"), 2u);  // failed calls count too
    EXPECT_EQ(pvsim_call_count("PvCameraOpen"), 1u);
    EXPECT_EQ(pvsim_call_count("PvInitialize"), 1u);
    EXPECT_EQ(pvsim_call_count("PvAttrUint32Set"), 0u);
    EXPECT_EQ(pvsim_call_count("NoSuchFunction"), 0u);
    pvsim_reset();
    EXPECT_EQ(pvsim_call_count("PvAttrEnumSet"), 0u);
}

}  // namespace
}  // namespace tarnix::test
