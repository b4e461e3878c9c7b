// Acquisition on the camera object against the simulated cameras: what capture start writes
// to the camera and undoes when it fails, a stop followed by a new start, which frames reach
// the host, the frame error line and the last row of a Mono16 image. The SDK table is the
// simulator's, linked directly, with two entries wrapped: the trigger mode a camera reports
// can be replaced, and queueings of a frame record are counted.
#include <base/Diagnostics.h>
#include <camera/PvCamera.h>
#include <camera/TriggerModes.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <platform/System.h>
#include <pvsim.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "DirectSdk.h"

namespace tarnix::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

constexpr std::chrono::seconds kWaitLimit{30};  // generous for the sanitizer builds and Wine

// The trigger mode the SDK reports instead of the camera's own, when set.
std::atomic<const char*> g_ReportedTriggerMode{nullptr};
// Every PvCaptureQueueFrame the driver made. The frame handler queues its record again as
// its last step, after any host notification, so once this count has moved on, the frames
// before have been fully handled.
std::atomic<uint32_t> g_Queueings{0};
// Host notifications (the camera object's m_OnFrame).
std::atomic<uint32_t> g_Notified{0};

tPvErr PVDECL EnumGetOrReported(tPvHandle handle, const char* name, char* buffer, uint32_t size,
                                uint32_t* filled) {
    const char* reported = g_ReportedTriggerMode.load();
    if (reported == nullptr || std::strcmp(name, "FrameStartTriggerMode") != 0)
        return ::PvAttrEnumGet(handle, name, buffer, size, filled);
    const auto length = static_cast<uint32_t>(std::strlen(reported));
    if (length + 1 > size) return ePvErrBadParameter;
    std::memcpy(buffer, reported, length + 1);
    if (filled != nullptr) *filled = length;
    return ePvErrSuccess;
}

tPvErr PVDECL CountedQueueFrame(tPvHandle handle, tPvFrame* frame, tPvFrameCallback callback) {
    ++g_Queueings;
    return ::PvCaptureQueueFrame(handle, frame, callback);
}

class WrappedSdk : public ::testing::Environment {
  public:
    void SetUp() override {
        SdkApi api = DirectSdk();
        api.PvAttrEnumGet = EnumGetOrReported;
        api.PvCaptureQueueFrame = CountedQueueFrame;
        InstallSdk(api);
        ASSERT_EQ(Sdk().PvInitialize(), ePvErrSuccess);
    }
    void TearDown() override { Sdk().PvUnInitialize(); }
};

[[maybe_unused]] ::testing::Environment* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new WrappedSdk);

std::mutex g_LinesMutex;
std::vector<std::string> g_Lines;

void TARNIX_CALL KeepLine(const char* line) {
    std::lock_guard<std::mutex> lock(g_LinesMutex);
    g_Lines.emplace_back(line);
}

std::vector<std::string> TakeLines() {
    std::lock_guard<std::mutex> lock(g_LinesMutex);
    std::vector<std::string> lines;
    lines.swap(g_Lines);
    return lines;
}

void Notify(CCamera* /*camera*/) {
    ++g_Notified;
}

bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        platform::SleepMs(1);
    }
    return true;
}

tPvCameraInfo InfoOf(uint32_t id) {
    tPvCameraInfo info{};
    info.UniqueId = id;
    return info;
}

std::string TriggerModeOf(const CCamera& camera) {
    char mode[32] = {};
    uint32_t filled = 0;
    EXPECT_EQ(::PvAttrEnumGet(camera.m_Handle, "FrameStartTriggerMode", mode, sizeof mode, &filled),
              ePvErrSuccess);
    return mode;
}

class CaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pvsim_reset();
        g_ReportedTriggerMode = nullptr;
        g_Notified = 0;
        SetDebugProc(KeepLine);
        TakeLines();
    }
    void TearDown() override {
        SetDebugProc(nullptr);
        g_ReportedTriggerMode = nullptr;
    }

    // A small camera, in "Software" mode unless another is given (or none at all).
    static uint32_t AddCamera(tPvImageFormat format, const char* triggerMode = "Software",
                              float frameRate = 0.0F) {
        tPvSimCameraDesc desc{};
        desc.format = format;
        desc.width = 16;
        desc.height = 8;
        desc.bitDepth = 12;
        const uint32_t id = pvsim_add_camera(&desc);
        EXPECT_NE(id, 0u);
        tPvHandle handle = 0;
        EXPECT_EQ(::PvCameraOpen(id, ePvAccessMaster, &handle), ePvErrSuccess);
        EXPECT_EQ(::PvAttrEnumSet(handle, "FrameStartTriggerMode", triggerMode), ePvErrSuccess);
        if (frameRate > 0.0F) {
            EXPECT_EQ(::PvAttrFloat32Set(handle, "FrameRate", frameRate), ePvErrSuccess);
        }
        ::PvCameraClose(handle);
        return id;
    }

    // Waits until the frame handler has queued its record again `count` more times.
    static bool WaitForQueueings(uint32_t count) {
        const uint32_t target = g_Queueings.load() + count;
        return WaitUntil([target] { return g_Queueings.load() >= target; });
    }
};

// Capture start reads the camera's trigger mode and writes it back: unchanged when the
// driver knows it, as "Software" when it does not. A camera refusing that write cannot start.
TEST_F(CaptureTest, CaptureStartWritesTheTriggerModeBack) {
    const uint32_t id = AddCamera(ePvFmtMono8, "Freerun");
    CCamera camera(InfoOf(id), Notify, "");
    g_ReportedTriggerMode = "Bulb";
    ASSERT_TRUE(camera.Open());
    g_ReportedTriggerMode = nullptr;
    EXPECT_EQ(camera.m_TriggerMode, kTriggerModeSoftware);
    EXPECT_EQ(TriggerModeOf(camera), "Software");
    const uint32_t commands = pvsim_call_count("PvCommandRun");
    EXPECT_TRUE(camera.Grab());
    EXPECT_EQ(pvsim_call_count("PvCommandRun"), commands + 1);  // a software trigger
    camera.Close();

    pvsim_fail_attr(id, "FrameStartTriggerMode", 0, ePvErrForbidden);
    TakeLines();
    EXPECT_FALSE(camera.Open());
    EXPECT_THAT(TakeLines(), Contains("ERROR 20 Attribute write forbidden at this time: "
                                      "PvAttrEnumSet(FrameStartTriggerMode)\n"));
    EXPECT_FALSE(camera.Grab());
}

// The SDK capture that capture start began is ended again when the camera refuses to
// acquire, so the handle is left as it was found.
TEST_F(CaptureTest, ARefusedAcquisitionStartEndsTheCapture) {
    const uint32_t id = AddCamera(ePvFmtMono8);
    pvsim_fail_attr(id, "AcquisitionStart", 0, ePvErrForbidden);
    CCamera camera(InfoOf(id), Notify, "");
    const uint32_t ends = pvsim_call_count("PvCaptureEnd");
    EXPECT_FALSE(camera.Open());
    EXPECT_EQ(pvsim_call_count("PvCaptureEnd"), ends + 1);
    EXPECT_THAT(TakeLines(),
                Contains("ERROR 20 Attribute write forbidden at this time: PvCommandRun\n"));
    ASSERT_NE(camera.m_Handle, 0u);
    EXPECT_EQ(::PvCaptureStart(camera.m_Handle), ePvErrSuccess);  // not started any more
    EXPECT_EQ(::PvCaptureEnd(camera.m_Handle), ePvErrSuccess);
    EXPECT_FALSE(camera.Grab());
}

// A stop hands the queued record back, so capture can start again on the open camera (the
// configuration pages stop it; a reconnect starts it again).
TEST_F(CaptureTest, AStoppedCaptureStartsAgain) {
    const uint32_t id = AddCamera(ePvFmtMono8);
    CCamera camera(InfoOf(id), Notify, "");
    ASSERT_TRUE(camera.Open());
    const uint32_t clears = pvsim_call_count("PvCaptureQueueClear");
    EXPECT_TRUE(camera.StopCapture());
    EXPECT_EQ(pvsim_call_count("PvCaptureQueueClear"), clears + 1);
    EXPECT_EQ(camera.m_Frame.Status, tPvErr{ePvErrCancelled});
    EXPECT_FALSE(camera.Grab());

    ASSERT_TRUE(camera.StartCapture());
    ASSERT_TRUE(camera.Grab());
    EXPECT_TRUE(WaitUntil([] { return g_Notified.load() == 1; }));
}

// A free-running camera sends frames all the time; the host hears of the next one after each
// request only.
TEST_F(CaptureTest, OnlyRequestedFramesReachTheHost) {
    const uint32_t id = AddCamera(ePvFmtMono8, "Freerun", 1000.0F);
    CCamera camera(InfoOf(id), Notify, "");
    ASSERT_TRUE(camera.Open());
    ASSERT_TRUE(WaitForQueueings(5));
    EXPECT_EQ(g_Notified.load(), 0u);

    ASSERT_TRUE(camera.Grab());
    ASSERT_TRUE(WaitUntil([] { return g_Notified.load() >= 1; }));
    ASSERT_TRUE(WaitForQueueings(5));
    EXPECT_EQ(g_Notified.load(), 1u);
}

// The count in the frame error line is the driver's number of failed frames, starting at 1;
// this is the only test of this program whose frames fail.
TEST_F(CaptureTest, FailedFramesAreNumberedFromOneAndNameTheirPort) {
    const uint32_t id = AddCamera(ePvFmtRgb24);
    CCamera camera(InfoOf(id), Notify, "");
    camera.m_Port = 42;
    ASSERT_TRUE(camera.Open());
    pvsim_fail_frames(id, 2, ePvErrDataLost);
    for (int failed = 0; failed < 2; ++failed) {
        const uint32_t queueings = g_Queueings.load();
        ASSERT_TRUE(camera.Grab());
        ASSERT_TRUE(WaitUntil([queueings] { return g_Queueings.load() > queueings; }));
    }
    EXPECT_THAT(TakeLines(),
                ElementsAre("FrameCB error #1 port 42: 15 The data for the frame was lost\n",
                            "FrameCB error #2 port 42: 15 The data for the frame was lost\n"));
    EXPECT_EQ(g_Notified.load(), 0u);
    ASSERT_TRUE(camera.Grab());
    EXPECT_TRUE(WaitUntil([] { return g_Notified.load() == 1; }));
}

// A Mono16 image buffer is as large as the raw frame, twice the image: the rows still end at
// the image's height and width.
TEST_F(CaptureTest, RowsOfAMono16ImageEndWithTheImage) {
    const uint32_t id = AddCamera(ePvFmtMono16);
    CCamera camera(InfoOf(id), Notify, "");
    ASSERT_TRUE(camera.Open());
    ASSERT_EQ(camera.m_ImageSize, 16u * 8u * 2u);
    ASSERT_TRUE(camera.Grab());
    ASSERT_TRUE(WaitUntil([] { return g_Notified.load() == 1; }));

    uint8_t row[17] = {};
    EXPECT_TRUE(camera.GetRow(row, 7, 0, 15));
    EXPECT_FALSE(camera.GetRow(row, 8, 0, 15));
    EXPECT_FALSE(camera.GetRow(row, 15, 0, 15));
    EXPECT_FALSE(camera.GetRow(row, 0, 0, 16));
}

}  // namespace
}  // namespace tarnix::test
