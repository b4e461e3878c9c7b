// Unplug and replug as a host lives through them: the driver's lines, a port that refuses
// grabs while its camera is away and serves them again once the reconnect has opened it, and
// a port closed while an attempt is pending. The reconnect settings come from a settings file
// in a temporary folder, so attempts are a few milliseconds apart.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostTest.h>
#include <harness/TempFolder.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

constexpr const char* kName = "SimMono8 [SIM-1001]";

class ReconnectHostTest : public HostTest {
  protected:
    void UseSettings(const std::string& keys) {
        m_Temp.WriteFile("Tarnix.ini", "[SimMono8 SIM-1001]\n" + keys);
        ASSERT_EQ(driver().setSystemPath(m_Temp.Path().string().c_str()), 1);
    }
    // The camera open on port 2 and delivering.
    void OpenCamera() {
        ASSERT_TRUE(Open(2, kName, 1360, 1024));
        ASSERT_TRUE(GrabOne(2));
        LineLog::Clear();
    }
    static void Unplug(uint32_t id) {
        ASSERT_EQ(pvsim_unplug(id), ePvErrSuccess);
        pvsim_flush_events();
    }
    static void Plug(uint32_t id) {
        ASSERT_EQ(pvsim_plug(id), ePvErrSuccess);
        pvsim_flush_events();
    }

    TempFolder m_Temp;
};

// "[HH:MM:SS] CAMERA <state> <what>\n" with any time of day. (Written out: the regular
// expressions of the Windows build know no character classes.)
MATCHER_P2(IsEventLine, state, what, "") {
    const std::string& line = arg;
    if (line.size() < 10 || line[0] != '[' || line[3] != ':' || line[6] != ':' || line[9] != ']')
        return false;
    for (const size_t digit : {1, 2, 4, 5, 7, 8})
        if (line[digit] < '0' || line[digit] > '9') return false;
    return line.substr(10) == std::string(" CAMERA ") + state + " " + what + "\n";
}

TEST_F(ReconnectHostTest, AnUnpluggedCameraComesBackOnItsPortByItself) {
    UseSettings("ReconnectDelay=20\n");
    OpenCamera();

    Unplug(kMono8CameraId);
    // Beside the SDK's refusals of the closing camera's calls.
    EXPECT_THAT(LineLog::Take(), Contains(IsEventLine("DISCONNECTED", "SimMono8 [SIM-1001]")));
    EXPECT_EQ(driver().doCVLGrab(0, 2), 0);

    Plug(kMono8CameraId);
    std::vector<std::string> seen = LinesUntil("Camera reconnect");
    ASSERT_FALSE(seen.empty());
    EXPECT_THAT(seen.front(), IsEventLine("CONNECTED", "SimMono8 [SIM-1001]"));
    EXPECT_EQ(seen.back(), "Camera reconnect OK\n");
    EXPECT_TRUE(GrabOne(2));

    // And once more: the count started afresh after the successful attempt.
    Unplug(kMono8CameraId);
    Plug(kMono8CameraId);
    seen = LinesUntil("Camera reconnect");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "Camera reconnect OK\n");
    EXPECT_TRUE(GrabOne(2));
}

// The timer takes no delay of 0: the nearest one it takes is used, so such a camera comes
// back at once instead of never.
TEST_F(ReconnectHostTest, ADelayOfZeroReconnectsAtOnce) {
    UseSettings("ReconnectDelay=0\n");
    OpenCamera();
    Unplug(kMono8CameraId);
    Plug(kMono8CameraId);
    const std::vector<std::string> seen = LinesUntil("Camera reconnect");
    ASSERT_FALSE(seen.empty()) << "no attempt was made";
    EXPECT_EQ(seen.back(), "Camera reconnect OK\n");
    EXPECT_TRUE(GrabOne(2));
}

TEST_F(ReconnectHostTest, CamerasInNoPortOnlyWriteTheirLine) {
    ASSERT_GT(driver().getCVLNoOfSupportedCameras(), 1);  // the list knows the default set
    Unplug(1002);
    Plug(1002);
    EXPECT_THAT(LineLog::Take(), ElementsAre(IsEventLine("DISCONNECTED", "SimMono16 [SIM-1002]"),
                                             IsEventLine("CONNECTED", "SimMono16 [SIM-1002]")));
    // A camera the list has not seen yet is named by its id.
    const tPvSimCameraDesc desc{nullptr, nullptr, nullptr, ePvFmtMono8, 16, 8, 8, 0};
    const uint32_t added = pvsim_add_camera(&desc);
    pvsim_flush_events();
    EXPECT_THAT(LineLog::Take(),
                ElementsAre(IsEventLine("CONNECTED", "id=" + std::to_string(added))));
}

TEST_F(ReconnectHostTest, UsedUpAttemptsLeaveThePortClosedUntilTheHostReopensIt) {
    UseSettings("ReconnectDelay=5\nReconnectRetries=1\n");
    OpenCamera();
    Unplug(kMono8CameraId);
    ASSERT_EQ(pvsim_fail_next_open(kMono8CameraId, ePvErrUnavailable), ePvErrSuccess);
    Plug(kMono8CameraId);
    const std::vector<std::string> seen = LinesUntil("Camera reconnect");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "Camera reconnect FAILED\n");
    LineLog::Clear();

    // A further replug writes its line and nothing else.
    Unplug(kMono8CameraId);
    Plug(kMono8CameraId);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::vector<std::string> later = LineLog::Take();
    EXPECT_THAT(later, Not(Contains(::testing::StartsWith("Camera reconnect"))));
    EXPECT_EQ(later.size(), 2u);
    EXPECT_EQ(driver().doCVLGrab(0, 2), 0);

    driver().closeCVLPort(0, 2);
    OpenCamera();
}

TEST_F(ReconnectHostTest, ClosingThePortCancelsThePendingAttempt) {
    // Long enough that the attempt is still pending when the port closes, even on a slow
    // machine; then waited for past its time.
    UseSettings("ReconnectDelay=300\n");
    OpenCamera();
    Unplug(kMono8CameraId);
    Plug(kMono8CameraId);
    driver().closeCVLPort(0, 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_THAT(LineLog::Take(), AllOf(Not(IsEmpty()), Not(Contains("Camera reconnect OK\n")),
                                       Not(Contains("Camera reconnect FAILED\n"))));
    // The camera is free: no attempt opened it behind the host's back.
    OpenCamera();
}

}  // namespace
}  // namespace tarnix::test
