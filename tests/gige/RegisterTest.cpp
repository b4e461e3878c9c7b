// Camera registers through the Aravis-backed SDK: the fake camera's writable test register
// (0x1F0, also its feature "TestRegister"), and the user-defined name in the bootstrap
// registers, which the enumeration shows. Camera 2 of the program's three.
#include <gtest/gtest.h>
#include <harness/Wait.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "GigeFixture.h"

namespace tarnix::test {
namespace {

constexpr uint32_t kTestRegister = 0x1F0;
constexpr uint32_t kUserNameRegisters = 0xE8;  // 16 bytes of the bootstrap registers

// Writes the camera's user-defined name, four bytes a register, the first in the top bits.
void WriteUserName(tPvHandle handle, const char* name) {
    char bytes[16] = {};
    std::memcpy(bytes, name, std::min<size_t>(16, std::strlen(name)));
    uint32_t addresses[4];
    uint32_t values[4];
    for (uint32_t i = 0; i < 4; ++i) {
        addresses[i] = kUserNameRegisters + 4 * i;
        values[i] = uint32_t(uint8_t(bytes[4 * i])) << 24 |
                    uint32_t(uint8_t(bytes[4 * i + 1])) << 16 |
                    uint32_t(uint8_t(bytes[4 * i + 2])) << 8 | uint8_t(bytes[4 * i + 3]);
    }
    uint32_t done = 0;
    ASSERT_EQ(PvRegisterWrite(handle, 4, addresses, values, &done), ePvErrSuccess);
    ASSERT_EQ(done, 4u);
}

bool WaitForDisplayName(int camera, const std::string& name) {
    return WaitUntil([&] {
        tPvCameraInfo record{};
        return PvCameraInfoByAddr(GigeEnvironment::Instance().Camera(camera).NetworkAddress(),
                                  &record, nullptr) == ePvErrSuccess &&
               name == record.DisplayName;
    });
}

TEST(GigeRegisters, WritesAreReadBackAndCountedAlsoThroughTheFeature) {
    const uint32_t id = GigeEnvironment::Instance().Record(2).UniqueId;
    OpenCamera master(id, ePvAccessMaster);
    ASSERT_EQ(master.Error(), ePvErrSuccess);
    const uint32_t addresses[2] = {kTestRegister, kTestRegister};
    const uint32_t values[2] = {0x12345678, 0x0BADCAFE};
    uint32_t done = 99;
    ASSERT_EQ(PvRegisterWrite(master, 1, addresses, values, &done), ePvErrSuccess);
    EXPECT_EQ(done, 1u);
    uint32_t read[2] = {0, 0};
    ASSERT_EQ(PvRegisterRead(master, 1, addresses, read, &done), ePvErrSuccess);
    EXPECT_EQ(done, 1u);
    EXPECT_EQ(read[0], 0x12345678u);
    // In array order: the second write is the one that stays.
    ASSERT_EQ(PvRegisterWrite(master, 2, addresses, values, &done), ePvErrSuccess);
    EXPECT_EQ(done, 2u);
    ASSERT_EQ(PvRegisterRead(master, 2, addresses, read, &done), ePvErrSuccess);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(read[0], 0x0BADCAFEu);
    EXPECT_EQ(read[1], 0x0BADCAFEu);
    uint32_t feature = 0;
    ASSERT_EQ(PvAttrUint32Get(master, "TestRegister", &feature), ePvErrSuccess);
    EXPECT_EQ(feature, 0x0BADCAFEu);

    // A monitor reads, never writes; the count is written whatever happens.
    OpenCamera monitor(id, ePvAccessMonitor);
    ASSERT_EQ(monitor.Error(), ePvErrSuccess);
    done = 99;
    EXPECT_EQ(PvRegisterRead(monitor, 1, addresses, read, &done), ePvErrSuccess);
    EXPECT_EQ(done, 1u);
    done = 99;
    EXPECT_EQ(PvRegisterWrite(monitor, 1, addresses, values, &done), ePvErrAccessDenied);
    EXPECT_EQ(done, 0u);
    done = 99;
    EXPECT_EQ(PvRegisterRead(master, 1, nullptr, read, &done), ePvErrBadParameter);
    EXPECT_EQ(done, 0u);
    done = 99;
    EXPECT_EQ(PvRegisterRead(master, 0, nullptr, nullptr, &done), ePvErrSuccess);
    EXPECT_EQ(done, 0u);
    done = 99;
    EXPECT_EQ(PvRegisterRead(0, 1, addresses, read, &done), ePvErrBadHandle);
    EXPECT_EQ(done, 0u);
}

TEST(GigeRegisters, TheDisplayNameIsTheCamerasUserDefinedNameCutToFifteenCharacters) {
    const uint32_t id = GigeEnvironment::Instance().Record(2).UniqueId;
    OpenCamera master(id, ePvAccessMaster);
    ASSERT_EQ(master.Error(), ePvErrSuccess);
    WriteUserName(master, "Line7 Camera");
    EXPECT_TRUE(WaitForDisplayName(2, "Line7 Camera"));
    WriteUserName(master, "ABCDEFGHIJKLMNOP");  // all 16 bytes, no terminator
    EXPECT_TRUE(WaitForDisplayName(2, "ABCDEFGHIJKLMNO"));
    EXPECT_EQ(GigeEnvironment::Instance().Record(2).UniqueId, id);
    // Without a name the model is shown again.
    WriteUserName(master, "");
    EXPECT_TRUE(WaitForDisplayName(2, "Fake"));
}

}  // namespace
}  // namespace tarnix::test
