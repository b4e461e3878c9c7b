// The camera list of the Aravis-backed SDK over three fake cameras: records, ids that stay,
// the lookup by address. This program's cameras: GVS0..GVS2 (camera 0 for the attribute
// suites, 1 for the open rules, 2 for the registers).
#include <gtest/gtest.h>

#include <set>

#include "GigeFixture.h"

namespace tarnix::test {
namespace {

[[maybe_unused]] auto* const g_Cameras =
    ::testing::AddGlobalTestEnvironment(new GigeEnvironment("GVS", 3));

GigeEnvironment& Env() {
    return GigeEnvironment::Instance();
}

TEST(GigeEnumeration, EveryCameraIsListedInIdOrderWithItsRecord) {
    for (int n = 0; n < 3; ++n) Env().Record(n);  // all three found by now
    EXPECT_EQ(PvCameraCount(), 3u);
    tPvCameraInfo records[4];
    uint32_t connected = 0;
    ASSERT_EQ(PvCameraList(records, 4, &connected), 3u);
    EXPECT_EQ(connected, 3u);
    std::set<std::string> serials;
    for (int i = 0; i < 3; ++i) {
        const tPvCameraInfo& record = records[i];
        EXPECT_NE(record.UniqueId, 0u);
        if (i > 0) {
            EXPECT_GT(record.UniqueId, records[i - 1].UniqueId);
        }
        serials.insert(record.SerialString);
        EXPECT_STREQ(record.DisplayName, "Fake");  // the model: the fake camera has no user name
        EXPECT_EQ(record.InterfaceType, uint32_t(ePvInterfaceEthernet));
        EXPECT_EQ(record.PermittedAccess, uint32_t(ePvAccessMaster | ePvAccessMonitor));
    }
    EXPECT_EQ(serials, (std::set<std::string>{"GVS0", "GVS1", "GVS2"}));

    // A short array gets the first records and still the whole count.
    tPvCameraInfo first;
    EXPECT_EQ(PvCameraList(&first, 1, &connected), 1u);
    EXPECT_EQ(first.UniqueId, records[0].UniqueId);
    EXPECT_EQ(connected, 3u);
    EXPECT_EQ(PvCameraList(nullptr, 4, &connected), 0u);
    EXPECT_EQ(connected, 3u);
}

TEST(GigeEnumeration, EachCameraIsFoundByItsAddress) {
    for (int n = 0; n < 3; ++n) {
        const tPvCameraInfo listed = Env().Record(n);
        tPvCameraInfo record{};
        tPvIpSettings settings{};
        ASSERT_EQ(PvCameraInfoByAddr(Env().Camera(n).NetworkAddress(), &record, &settings),
                  ePvErrSuccess);
        EXPECT_EQ(record.UniqueId, listed.UniqueId);
        EXPECT_STREQ(record.SerialString, Env().Camera(n).Serial().c_str());
        EXPECT_EQ(settings.CurrentIpAddress, Env().Camera(n).NetworkAddress());
        // The address record is optional.
        EXPECT_EQ(PvCameraInfoByAddr(Env().Camera(n).NetworkAddress(), &record, nullptr),
                  ePvErrSuccess);
    }
    tPvCameraInfo record{};
    const uint32_t nobody = FakeGigECamera(FakeCameraAddress(12), "none").NetworkAddress();
    EXPECT_EQ(PvCameraInfoByAddr(nobody, &record, nullptr), ePvErrNotFound);
    EXPECT_EQ(PvCameraInfoByAddr(Env().Camera(0).NetworkAddress(), nullptr, nullptr),
              ePvErrBadParameter);
}

TEST(GigeEnumeration, IdsStayTheSameAcrossAnUninitialise) {
    std::vector<uint32_t> ids;
    for (int n = 0; n < 3; ++n) ids.push_back(Env().Record(n).UniqueId);

    PvUnInitialize();
    PvUnInitialize();  // again: nothing to do
    EXPECT_EQ(PvCameraCount(), 0u);
    tPvCameraInfo record{};
    EXPECT_EQ(PvCameraList(&record, 1, nullptr), 0u);
    EXPECT_EQ(PvCameraInfoByAddr(Env().Camera(0).NetworkAddress(), &record, nullptr),
              ePvErrBadSequence);
    tPvHandle handle = 0;
    EXPECT_EQ(PvCameraOpen(ids[0], ePvAccessMaster, &handle), ePvErrBadSequence);

    ASSERT_EQ(PvInitialize(), ePvErrSuccess);
    ASSERT_EQ(PvInitialize(), ePvErrSuccess);  // already: nothing to do
    // The first discovery ran inside PvInitialize: no waiting for the device list.
    EXPECT_EQ(PvCameraCount(), 3u);
    for (int n = 0; n < 3; ++n) EXPECT_EQ(Env().Record(n).UniqueId, ids[size_t(n)]) << n;
}

TEST(GigeEnumeration, TheVersionIsKnownWithoutInitialising) {
    uint32_t major = 0;
    uint32_t minor = 0;
    PvVersion(&major, &minor);
    EXPECT_EQ(major, 1u);
    EXPECT_EQ(minor, 28u);
    PvVersion(nullptr, nullptr);
}

}  // namespace
}  // namespace tarnix::test
