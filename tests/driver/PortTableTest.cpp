// The port table's slots and lookups, with camera objects built the way openCVLPort builds
// them.
#include <base/Diagnostics.h>
#include <base/SdkApi.h>
#include <camera/Camera.h>
#include <driver/CameraList.h>
#include <driver/HostSettings.h>
#include <driver/PortTable.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <harness/SdkTable.h>
#include <pvsim.h>

#include <string>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::ElementsAre;

// The simulator loaded the way the driver loads it, for the whole program (the concurrency
// test too).
[[maybe_unused]] ::testing::Environment* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new SimulatedSdk);

std::shared_ptr<CCamera> Put(PortTable& table, int32_t port, const tPvCameraInfo& info) {
    auto camera = std::make_shared<CCamera>(info, port, NotifyComplete, "");
    EXPECT_TRUE(table.Reserve(port));
    table.Fill(port, camera);
    return camera;
}

TEST(PortTableTest, AnOpenInProgressOrAnOccupiedSlotRefusesASecondClaim) {
    PortTable table;
    EXPECT_FALSE(table.Reserve(-1));
    EXPECT_FALSE(table.Reserve(128));
    ASSERT_TRUE(table.Reserve(3));
    EXPECT_FALSE(table.Reserve(3));
    EXPECT_EQ(table.At(3), nullptr);  // claimed, not yet holding a camera
    table.CancelReservation(3);

    {
        PortReservation reservation(table, 3);
        ASSERT_TRUE(reservation);
        EXPECT_FALSE(PortReservation(table, 3));
    }  // given up unfilled
    {
        PortReservation reservation(table, 3);
        ASSERT_TRUE(reservation);
        reservation.Fill(std::make_shared<CCamera>(CameraInfo(1, "A", "1"), 3, nullptr, ""));
    }
    EXPECT_NE(table.At(3), nullptr);  // filling ended the claim; the camera stays
    EXPECT_FALSE(table.Reserve(3));

    const std::shared_ptr<CCamera> taken = table.Take(3);
    EXPECT_NE(taken, nullptr);
    EXPECT_EQ(table.At(3), nullptr);
    EXPECT_EQ(table.Take(3), nullptr);
    EXPECT_TRUE(table.Reserve(3));
}

// A close that finishes after the port was closed and opened again elsewhere must not empty
// the slot of the newer camera.
TEST(PortTableTest, RemovingEmptiesTheSlotOnlyForTheCameraInIt) {
    PortTable table;
    const auto older = Put(table, 5, CameraInfo(1, "A", "1"));
    EXPECT_EQ(table.Take(5), older);
    const auto newer = Put(table, 5, CameraInfo(2, "B", "2"));
    table.Remove(5, older);
    EXPECT_EQ(table.At(5), newer);
    table.Remove(5, newer);
    EXPECT_EQ(table.At(5), nullptr);
    table.Remove(-1, newer);
}

TEST(PortTableTest, LookupsByIdAndNameChooseTheLowestPort) {
    PortTable table;
    Put(table, 40, CameraInfo(1003, "SimBayer8", "SIM-1003"));
    Put(table, 9, CameraInfo(1001, "SimMono8", "SIM-1001"));
    Put(table, 4, CameraInfo(1001, "SimMono8", "SIM-1001"));
    EXPECT_EQ(table.FindPortByCameraId(1001), 4);
    EXPECT_EQ(table.FindPortByCameraId(1003), 40);
    EXPECT_EQ(table.FindPortByCameraId(1002), -1);
    EXPECT_EQ(table.FindPortByNameOrAddress("SimBayer8 [SIM-1003]"), 40);
    EXPECT_EQ(table.FindPortByNameOrAddress("SimMono8 [SIM-1001]"), 4);
    EXPECT_EQ(table.FindPortByNameOrAddress("simmono8 [SIM-1001]"), -1);
}

// The address is the camera's current one, asked from the camera; a name that is no address
// costs no camera traffic at all.
TEST(PortTableTest, AddressLookupAsksTheOpenCamerasOnly) {
    pvsim_reset();
    PortTable table;
    Put(table, 2, CameraInfo(1001, "SimMono8", "SIM-1001"));  // never opened: no address
    const auto opened = Put(table, 7, CameraInfo(1002, "SimMono16", "SIM-1002"));
    ASSERT_TRUE(opened->Open());

    EXPECT_EQ(table.FindPortByNameOrAddress("127.0.1.2"), 7);
    EXPECT_EQ(table.FindPortByNameOrAddress("127.0.1.9"), -1);

    const uint32_t queries = pvsim_call_count("PvAttrInfo");
    EXPECT_EQ(table.FindPortByNameOrAddress("Unknown [X]"), -1);
    EXPECT_EQ(pvsim_call_count("PvAttrInfo"), queries);
    opened->Close();
}

std::vector<std::pair<int32_t, int32_t>> g_Completions;
void TARNIX_CALL RecordCompletion(int32_t reserved, int32_t port) {
    g_Completions.emplace_back(reserved, port);
}

TEST(NotifyCompleteTest, TellsTheHostWhichPortsImageIsReady) {
    CCamera camera(CameraInfo(1001, "SimMono8", "SIM-1001"), 17, NotifyComplete, "");
    g_Completions.clear();
    SetCompleteCallback(nullptr);
    NotifyComplete(camera.Port());
    SetCompleteCallback(RecordCompletion);
    NotifyComplete(camera.Port());
    SetCompleteCallback(nullptr);
    EXPECT_THAT(g_Completions, ElementsAre(std::make_pair(0, 17)));
}

TEST(DebugMsgTest, LongLinesAreCutAndHostTextStaysText) {
    LineLog::Clear();
    SetDebugProc(LineLog::Receive);
    DebugMsg("OPENED %s\n", std::string(600, 'n').c_str());
    DebugMsg("OPENED %s\n", "%s%n%x");
    SetDebugProc(nullptr);
    DebugMsg("not delivered\n");
    const std::vector<std::string> lines = LineLog::Take();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "OPENED " + std::string(504, 'n'));
    EXPECT_EQ(lines[1], "OPENED %s%n%x\n");
}

TEST(SystemPathTest, KeepsAtMost511Characters) {
    const std::string longPath(600, 'p');
    SetSystemPath(longPath.c_str());
    EXPECT_EQ(SystemPath(), longPath.substr(0, 511));
    SetSystemPath("C:\\data");
    EXPECT_EQ(SystemPath(), "C:\\data");
    SetSystemPath("");
}

}  // namespace
}  // namespace tarnix::test
