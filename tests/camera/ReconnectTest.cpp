// Automatic reconnect on the camera object: attempts on the one-shot timer, their counting,
// the end of the attempts, and the object's end while an attempt is pending or running. The
// SDK table is the simulator's, linked directly, with a camera open that can be refused or
// held at a gate.
#include <base/Diagnostics.h>
#include <camera/Camera.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <harness/CameraInternals.h>
#include <harness/CameraSettings.h>
#include <harness/LineLog.h>
#include <harness/SdkTable.h>
#include <harness/Simulator.h>
#include <harness/Wait.h>
#include <pvsim.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

// A point a thread passes only while the gate is open; the test learns when one waits there.
class Gate {
  public:
    void Close() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Closed = true;
    }
    void Open() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Closed = false;
        m_Changed.notify_all();
    }
    void Pass() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        ++m_Held;
        m_Changed.notify_all();
        m_Changed.wait(lock, [this] { return !m_Closed; });
        --m_Held;
    }
    bool WaitForHeld() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Changed.wait_for(lock, kWaitLimit, [this] { return m_Held > 0; });
    }

  private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_Closed = false;
    int m_Held = 0;
};

// Opens the SDK refuses, and opens held at a gate.
class OpenControl {
  public:
    void Refuse(bool refuse) { m_Refuse = refuse; }
    uint32_t Attempts() const { return m_Attempts; }
    Gate& gate() { return m_Gate; }

    // Opens that throw, as one that runs out of memory may.
    void Throw(bool fail) { m_Throw = fail; }

    tPvErr Open(uint32_t id, uint32_t access, tPvHandle* handle) {
        ++m_Attempts;
        m_Gate.Pass();
        if (m_Throw) throw std::bad_alloc();
        if (m_Refuse) return ePvErrNotFound;
        return ::PvCameraOpen(id, access, handle);
    }

  private:
    std::atomic<bool> m_Refuse{false};
    std::atomic<bool> m_Throw{false};
    std::atomic<uint32_t> m_Attempts{0};
    Gate m_Gate;
};

OpenControl g_Open;
// Holds an attempt at its closing line, after its open.
Gate g_ReconnectLine;

void TARNIX_CALL HoldReconnectLine(const char* line) {
    if (std::strncmp(line, "Camera reconnect", 16) == 0) g_ReconnectLine.Pass();
    LineLog::Receive(line);
}

tPvErr PVDECL ControlledOpen(uint32_t id, uint32_t access, tPvHandle* handle) {
    return g_Open.Open(id, access, handle);
}

SdkApi ControlledSdk() {
    SdkApi api = DirectSdk();
    api.PvCameraOpen = ControlledOpen;
    return api;
}

[[maybe_unused]] ::testing::Environment* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new SimulatedSdk(ControlledSdk()));

class ReconnectTest : public DebugLinesTest {
  protected:
    void SetUp() override {
        pvsim_reset();
        g_Open.Refuse(false);
        g_Open.Throw(false);
        g_Open.gate().Open();
        g_ReconnectLine.Open();
        DebugLinesTest::SetUp();
        SetDebugProc(HoldReconnectLine);
    }
    void TearDown() override {
        g_Open.gate().Open();
        g_ReconnectLine.Open();
        DebugLinesTest::TearDown();
    }

    // A camera on the first default camera, closed, with short attempts.
    std::shared_ptr<CCamera> MakeCamera(uint32_t delayMs = 5, uint32_t retries = 3) {
        auto camera =
            std::make_shared<CCamera>(CameraInfo(kMono8CameraId), 0, nullptr, "/nonexistent");
        ChangeSettings(*camera, [&](settings::CameraSettings& s) { s.m_ReconnectDelay = delayMs; });
        ChangeSettings(*camera,
                       [&](settings::CameraSettings& s) { s.m_ReconnectRetries = retries; });
        return camera;
    }

    static bool WaitForState(const CCamera& camera, ReconnectState state) {
        return WaitUntil([&] { return camera.Reconnecting() == state; });
    }
};

TEST_F(ReconnectTest, AnAttemptOpensTheCameraAndStartsTheCountAfresh) {
    auto camera = MakeCamera();
    camera->ScheduleReconnect();
    EXPECT_EQ(camera->ReconnectCount(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return camera->State() == CameraState::Capturing; }));
    ASSERT_TRUE(WaitForState(*camera, ReconnectState::Idle));
    EXPECT_EQ(camera->ReconnectCount(), 0u);
    EXPECT_THAT(lines(), ElementsAre("Camera reconnect OK\n"));
    camera->Close();
}

TEST_F(ReconnectTest, FailedAttemptsFollowEachOtherUntilTheRetriesAreUsedUp) {
    g_Open.Refuse(true);
    auto camera = MakeCamera(5, 3);
    const uint32_t opens = g_Open.Attempts();
    camera->ScheduleReconnect();
    ASSERT_TRUE(WaitForState(*camera, ReconnectState::Exhausted));
    EXPECT_EQ(g_Open.Attempts() - opens, 3u);
    EXPECT_EQ(camera->ReconnectCount(), 3u);
    const std::vector<std::string> seen = lines();
    EXPECT_EQ(std::count(seen.begin(), seen.end(), "Camera reconnect FAILED\n"), 3);

    // Exhausted: a later replug schedules nothing, even with the camera back.
    g_Open.Refuse(false);
    camera->ScheduleReconnect();
    EXPECT_EQ(camera->Reconnecting(), ReconnectState::Exhausted);
    EXPECT_EQ(camera->State(), CameraState::Closed);
}

// An attempt that throws is a failed attempt: its line, and the next attempt.
TEST_F(ReconnectTest, AnAttemptThatThrowsFailsLikeAnyOther) {
    g_Open.Throw(true);
    auto camera = MakeCamera(5, 2);
    camera->ScheduleReconnect();
    ASSERT_TRUE(WaitForState(*camera, ReconnectState::Exhausted));
    EXPECT_THAT(lines(), ElementsAre("Camera reconnect FAILED\n", "Camera reconnect FAILED\n"));
}

TEST_F(ReconnectTest, NoAttemptWithoutRetriesOrWithReconnectOff) {
    auto none = MakeCamera(5, 0);
    none->ScheduleReconnect();
    EXPECT_EQ(none->Reconnecting(), ReconnectState::Exhausted);
    EXPECT_EQ(none->ReconnectCount(), 0u);

    auto off = MakeCamera(5, 3);
    ChangeSettings(*off, [&](settings::CameraSettings& s) { s.m_Reconnect = false; });
    off->ScheduleReconnect();
    EXPECT_EQ(off->Reconnecting(), ReconnectState::Idle);
    EXPECT_EQ(off->ReconnectCount(), 0u);
    EXPECT_EQ(lines(), std::vector<std::string>{});
}

// A delay the timer would refuse is not the end of reconnecting: the nearest one it takes is
// used (here the longest; the object's end cancels it).
TEST_F(ReconnectTest, ADelayBeyondTheTimersRangeStillSchedulesAnAttempt) {
    auto camera = MakeCamera(2000000, 3);
    camera->ScheduleReconnect();
    EXPECT_EQ(camera->Reconnecting(), ReconnectState::Waiting);
    EXPECT_EQ(camera->ReconnectCount(), 1u);
}

TEST_F(ReconnectTest, AReplugOfAnOpenCameraFailsItsAttemptAndResetsTheCount) {
    auto camera = MakeCamera();
    ASSERT_TRUE(camera->Open());
    camera->ScheduleReconnect();
    ASSERT_TRUE(WaitForState(*camera, ReconnectState::Idle));
    EXPECT_THAT(lines(), Contains("Camera reconnect FAILED\n"));
    EXPECT_EQ(camera->ReconnectCount(), 0u);
    EXPECT_EQ(camera->State(), CameraState::Capturing);
    camera->Close();
}

// A replug while an attempt opens the camera schedules the next one at once; the running
// attempt's end leaves it waiting, and it then finds the camera open.
TEST_F(ReconnectTest, AReplugDuringAnAttemptWaitsBehindIt) {
    auto camera = MakeCamera(5, 3);
    g_Open.gate().Close();
    camera->ScheduleReconnect();
    ASSERT_TRUE(g_Open.gate().WaitForHeld());
    EXPECT_EQ(camera->Reconnecting(), ReconnectState::Running);
    camera->ScheduleReconnect();
    EXPECT_EQ(camera->Reconnecting(), ReconnectState::Waiting);
    EXPECT_EQ(camera->ReconnectCount(), 2u);
    g_Open.gate().Open();
    // Waiting until the second attempt has run: each line comes before its attempt's end.
    ASSERT_TRUE(WaitForState(*camera, ReconnectState::Idle));
    EXPECT_THAT(lines(), ElementsAre("Camera reconnect OK\n", "Camera reconnect FAILED\n"));
    EXPECT_EQ(camera->ReconnectCount(), 0u);
    EXPECT_EQ(camera->State(), CameraState::Capturing);
    camera->Close();
}

TEST_F(ReconnectTest, EndingCancelsAPendingAttemptAndRefusesLaterOnes) {
    const uint32_t opens = g_Open.Attempts();
    {
        auto camera = MakeCamera(100, 3);
        camera->ScheduleReconnect();
        EXPECT_EQ(camera->Reconnecting(), ReconnectState::Waiting);
        camera->EndReconnect();
        EXPECT_EQ(camera->Reconnecting(), ReconnectState::Ended);
        camera->ScheduleReconnect();
        EXPECT_EQ(camera->Reconnecting(), ReconnectState::Ended);
    }
    // Destroyed with a timer that would have fired by now: it never does.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(g_Open.Attempts(), opens);
    EXPECT_EQ(lines(), std::vector<std::string>{});
}

TEST_F(ReconnectTest, DestroyingTheObjectWaitsForTheAttemptInProgress) {
    auto camera = MakeCamera();
    g_Open.gate().Close();
    camera->ScheduleReconnect();
    ASSERT_TRUE(g_Open.gate().WaitForHeld());
    EXPECT_EQ(camera->Reconnecting(), ReconnectState::Running);

    std::atomic<bool> destroyed{false};
    std::thread closer([&] {
        camera.reset();  // the last reference: the destructor ends the reconnect
        destroyed = true;
    });
    // Waiting while the attempt opens the camera, and still after the open, while the
    // attempt writes its line: the object is in use until the handler returns.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(destroyed);
    g_ReconnectLine.Close();
    g_Open.gate().Open();
    ASSERT_TRUE(g_ReconnectLine.WaitForHeld());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(destroyed);
    g_ReconnectLine.Open();
    closer.join();
    EXPECT_TRUE(destroyed);
    // The attempt finished on the object before it went, and opened nothing after it.
    EXPECT_THAT(lines(), ElementsAre("Camera reconnect OK\n"));
    tPvHandle handle = 0;
    EXPECT_EQ(::PvCameraOpen(kMono8CameraId, ePvAccessMaster, &handle), ePvErrSuccess);
    ::PvCameraClose(handle);
}

// An unplugged camera's buffers wait for its reconnect, which takes them over when the camera
// comes back with the same geometry, and makes new ones when it does not. When no attempt
// can follow any more, they are given back.
TEST_F(ReconnectTest, AReconnectReusesTheBuffersOfAnUnchangedCameraOnly) {
    auto camera = MakeCamera(5, 1);
    ASSERT_TRUE(camera->Open());
    const void* const frameBuffer = CameraInternals::Stream(*camera).Record().ImageBuffer;
    const auto reconnect = [&] {
        camera->ScheduleReconnect();
        return WaitUntil([&] {
            return camera->State() == CameraState::Capturing &&
                   camera->Reconnecting() == ReconnectState::Idle;
        });
    };

    camera->CloseUnplugged();
    EXPECT_TRUE(CameraInternals::Stream(*camera).HasKeptBuffers());
    EXPECT_FALSE(CameraInternals::Stream(*camera).HasImage());
    EXPECT_EQ(CameraInternals::Stream(*camera).Record().ImageBuffer, nullptr);
    ASSERT_TRUE(reconnect());
    EXPECT_EQ(CameraInternals::Stream(*camera).Record().ImageBuffer, frameBuffer);
    EXPECT_FALSE(CameraInternals::Stream(*camera).HasKeptBuffers());

    // Back with another width: buffers of the new size.
    camera->CloseUnplugged();
    tPvHandle handle = 0;
    ASSERT_EQ(::PvCameraOpen(kMono8CameraId, ePvAccessMaster, &handle), ePvErrSuccess);
    ASSERT_EQ(::PvAttrUint32Set(handle, "Width", 680), ePvErrSuccess);
    ::PvCameraClose(handle);
    ASSERT_TRUE(reconnect());
    EXPECT_EQ(CameraInternals::Stream(*camera).Record().ImageBufferSize, 680u * 1024u);
    EXPECT_EQ(CameraInternals::Stream(*camera).ImageSize(), 680u * 1024u);

    // The last attempt fails: nothing will reopen the camera, the buffers go.
    camera->CloseUnplugged();
    EXPECT_TRUE(CameraInternals::Stream(*camera).HasKeptBuffers());
    g_Open.Refuse(true);
    camera->ScheduleReconnect();
    ASSERT_TRUE(WaitForState(*camera, ReconnectState::Exhausted));
    EXPECT_FALSE(CameraInternals::Stream(*camera).HasKeptBuffers());

    // Nothing is kept where no attempt can follow, and a final close gives back what was.
    auto off = MakeCamera(5, 1);
    ChangeSettings(*off, [](settings::CameraSettings& s) { s.m_Reconnect = false; });
    g_Open.Refuse(false);
    ASSERT_TRUE(off->Open());
    off->CloseUnplugged();
    EXPECT_FALSE(CameraInternals::Stream(*off).HasKeptBuffers());
    camera = MakeCamera(5, 1);
    ASSERT_TRUE(camera->Open());
    camera->CloseUnplugged();
    camera->Close();
    EXPECT_FALSE(CameraInternals::Stream(*camera).HasKeptBuffers());
}

// Many short attempts racing with the end of the object: run under the sanitizers.
TEST_F(ReconnectTest, EndingWhileAttemptsComeAndGoLeavesNothingBehind) {
    for (int round = 0; round < 50; ++round) {
        auto camera = MakeCamera(1, 3);
        g_Open.Refuse(round % 2 == 0);
        camera->ScheduleReconnect();
        std::this_thread::sleep_for(std::chrono::microseconds(200 * (round % 10)));
        camera->EndReconnect();
        camera->Close();
    }
    g_Open.Refuse(false);
    tPvHandle handle = 0;
    EXPECT_EQ(::PvCameraOpen(kMono8CameraId, ePvAccessMaster, &handle), ePvErrSuccess);
    ::PvCameraClose(handle);
}

}  // namespace
}  // namespace tarnix::test
