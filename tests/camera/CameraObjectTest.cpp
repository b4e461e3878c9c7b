// The camera object's life against the simulated cameras: buffers sized by the image format,
// failed opens and closes, a frame record the SDK does not give back, and where the settings
// file lies. The SDK table is the simulator's, with capture clear and camera close made
// refusable.
#include <base/Diagnostics.h>
#include <camera/Camera.h>
#include <camera/SettingsPath.h>
#include <convert/Convert.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/AddressSpace.h>
#include <harness/CameraInfo.h>
#include <harness/CameraInternals.h>
#include <harness/SdkTable.h>
#include <harness/Wait.h>
#include <platform/System.h>
#include <pvsim.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

using ::testing::Contains;

std::atomic<bool> g_RefuseClear{false};
std::atomic<bool> g_RefuseClose{false};

tPvErr PVDECL QueueClearOrRefuse(tPvHandle handle) {
    return g_RefuseClear ? tPvErr{ePvErrInternalFault} : ::PvCaptureQueueClear(handle);
}

tPvErr PVDECL CloseOrRefuse(tPvHandle handle) {
    return g_RefuseClose ? tPvErr{ePvErrInternalFault} : ::PvCameraClose(handle);
}

// Once armed, the next queueing of a record (the frame handler's re-queue, on the SDK's
// thread) waits there until released: a handler held inside the driver.
class HandlerLatch {
  public:
    void Arm() { m_Armed = true; }
    void Pass() {
        if (!m_Armed.exchange(false)) return;
        std::unique_lock<std::mutex> lock(m_Mutex);
        m_Held = true;
        m_Changed.notify_all();
        m_Changed.wait(lock, [this] { return m_Released; });
    }
    bool WaitForHeld() {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Changed.wait_for(lock, kWaitLimit, [this] { return m_Held; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Released = true;
        m_Changed.notify_all();
    }

  private:
    std::atomic<bool> m_Armed{false};
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_Held = false;
    bool m_Released = false;
};
HandlerLatch* g_Latch = nullptr;

// Refuses queueings, as an SDK whose queue is full does.
std::atomic<bool> g_RefuseQueue{false};

tPvErr PVDECL QueueFrameAtLatch(tPvHandle handle, tPvFrame* frame, tPvFrameCallback callback) {
    if (g_Latch != nullptr) g_Latch->Pass();
    if (g_RefuseQueue) return ePvErrQueueFull;
    return ::PvCaptureQueueFrame(handle, frame, callback);
}

SdkApi RefusableSdk() {
    SdkApi api = DirectSdk();
    api.PvCaptureQueueClear = QueueClearOrRefuse;
    api.PvCameraClose = CloseOrRefuse;
    api.PvCaptureQueueFrame = QueueFrameAtLatch;
    return api;
}

[[maybe_unused]] ::testing::Environment* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new SimulatedSdk(RefusableSdk()));

// A camera in "Software" mode sends nothing until asked, so its record stays queued.
void WaitForSoftwareTriggers(uint32_t id) {
    tPvHandle handle = 0;
    ASSERT_EQ(PvCameraOpen(id, ePvAccessMaster, &handle), ePvErrSuccess);
    EXPECT_EQ(PvAttrEnumSet(handle, "FrameStartTriggerMode", "Software"), ePvErrSuccess);
    PvCameraClose(handle);
}

// Destroys the camera while the SDK refuses to clear its queue or close the camera, as an SDK
// that was taken down does; then lets the SDK go, which hands back a record it still held.
template <typename Owner>
void DestroyWhileTheSdkHoldsOn(Owner& camera) {
    const tPvHandle handle = CameraInternals::Device(*camera).Handle();
    g_RefuseClear = true;
    g_RefuseClose = true;
    camera.reset();
    g_RefuseClear = false;
    g_RefuseClose = false;
    EXPECT_EQ(PvCaptureQueueClear(handle), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
}

class CameraObjectTest : public DebugLinesTest {
  protected:
    void SetUp() override {
        pvsim_reset();
        g_RefuseQueue = false;
        g_RefuseClear = false;
        g_RefuseClose = false;
        DebugLinesTest::SetUp();
    }
    void TearDown() override {
        DebugLinesTest::TearDown();
        g_RefuseClear = false;
        g_RefuseClose = false;
    }
};

TEST_F(CameraObjectTest, BuffersFollowTheImageFormat) {
    const uint32_t mono16 = AddCamera(ePvFmtMono16, 20, 10, 12).id;
    const uint32_t bayer = AddCamera(ePvFmtBayer8, 20, 10).id;
    const uint32_t yuv = AddCamera(ePvFmtYuv411, 20, 10).id;

    // A 16-bit mono image holds its 8-bit output, half the raw frame.
    CCamera camera(CameraInfo(mono16), 0, nullptr, "");
    ASSERT_TRUE(camera.Open());
    EXPECT_EQ(CameraInternals::Stream(camera).BytesPerPixel(), 1);
    EXPECT_EQ(CameraInternals::Stream(camera).ImageSize(), 200u);
    EXPECT_EQ(CameraInternals::Stream(camera).Record().ImageBufferSize, 400u);
    EXPECT_TRUE(CameraInternals::Stream(camera).HasImage());

    // Colour, Bayer and YUV images all have 3 bytes a pixel, whatever the raw frame holds.
    for (const uint32_t id : {bayer, yuv}) {
        CCamera colour(CameraInfo(id), 0, nullptr, "");
        ASSERT_TRUE(colour.Open()) << id;
        EXPECT_EQ(CameraInternals::Stream(colour).BytesPerPixel(), 3) << id;
        EXPECT_EQ(CameraInternals::Stream(colour).ImageSize(), 600u) << id;
        EXPECT_EQ(CameraInternals::Stream(colour).Width(), 20u);
        EXPECT_EQ(CameraInternals::Stream(colour).Height(), 10u);
    }

    // Opening an open camera changes nothing; closing a closed one neither.
    const tPvHandle handle = CameraInternals::Device(camera).Handle();
    EXPECT_FALSE(camera.Open());
    EXPECT_EQ(CameraInternals::Device(camera).Handle(), handle);
    EXPECT_TRUE(camera.Close());
    EXPECT_EQ(CameraInternals::Device(camera).Handle(), 0u);
    EXPECT_FALSE(CameraInternals::Stream(camera).HasImage());
    EXPECT_EQ(CameraInternals::Stream(camera).ImageSize(), 0u);
    EXPECT_EQ(CameraInternals::Stream(camera).Record().ImageBuffer, nullptr);
    EXPECT_EQ(CameraInternals::Stream(camera).Record().ImageBufferSize, 0u);
    EXPECT_TRUE(camera.Close());
    EXPECT_FALSE(camera.Grab());

    // Reopening reads the size again.
    ASSERT_TRUE(camera.Open());
    EXPECT_EQ(CameraInternals::Stream(camera).ImageSize(), 200u);
}

TEST_F(CameraObjectTest, AnUnreadableFrameSizeLeavesTheCameraStreamingWithoutAnImage) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8, 8, ePvSimNoTotalBytes).id;
    CCamera camera(CameraInfo(id), 0, nullptr, "");
    ASSERT_TRUE(camera.Open());
    EXPECT_FALSE(CameraInternals::Stream(camera).HasImage());
    EXPECT_EQ(CameraInternals::Stream(camera).Width(), 0u);
    EXPECT_EQ(CameraInternals::Stream(camera).BytesPerPixel(), 0);
    EXPECT_TRUE(camera.Grab());
    uint8_t row[16] = {};
    EXPECT_FALSE(camera.GetRow(row, 0, 0, 0));
}

TEST_F(CameraObjectTest, AnOpenThatFailsAfterTheSdkOpenKeepsTheHandleUntilClose) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
    CCamera camera(CameraInfo(id), 0, nullptr, "");

    pvsim_fail_next_open(id, ePvErrAccessDenied);
    EXPECT_FALSE(camera.Open());
    EXPECT_EQ(CameraInternals::Device(camera).Handle(), 0u);
    EXPECT_THAT(lines(),
                Contains("ERROR 7 Camera cannot be opened in the specified mode: PvCameraOpen\n"));

    pvsim_fail_attr(id, "AcquisitionMode", 0, ePvErrForbidden);
    EXPECT_FALSE(camera.Open());
    EXPECT_NE(CameraInternals::Device(camera).Handle(), 0u);
    EXPECT_EQ(camera.State(), CameraState::Open);
    EXPECT_FALSE(camera.Grab());
    pvsim_fail_attr(id, "AcquisitionMode", 0, 0);
    EXPECT_FALSE(camera.Open());  // still holding the handle

    EXPECT_TRUE(camera.Close());
    EXPECT_EQ(CameraInternals::Device(camera).Handle(), 0u);
    EXPECT_TRUE(camera.Open());
    EXPECT_TRUE(camera.Grab());
}

bool WaitForState(const CCamera& camera, CameraState state) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (camera.State() != state) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// A stop leaves the camera open but not capturing; a record the SDK cannot take back stalls
// it. Neither answers requests any more, and both still close.
TEST_F(CameraObjectTest, StoppedAndStalledCamerasRefuseRequestsAndClose) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
    WaitForSoftwareTriggers(id);
    CCamera camera(CameraInfo(id), 0, nullptr, "");
    EXPECT_EQ(camera.State(), CameraState::Closed);
    EXPECT_FALSE(camera.Grab());
    ASSERT_TRUE(camera.Open());
    EXPECT_EQ(camera.State(), CameraState::Capturing);

    // A change of the stream stops capture, and says whether it had to.
    EXPECT_TRUE(camera.ChangeStream({}));
    EXPECT_EQ(camera.State(), CameraState::Open);
    EXPECT_FALSE(camera.ChangeStream({}));
    EXPECT_NE(CameraInternals::Device(camera).Handle(), 0u);
    EXPECT_FALSE(camera.Grab());
    EXPECT_TRUE(camera.Close());
    EXPECT_EQ(camera.State(), CameraState::Closed);

    // Unplugged, the queued frame fails and cannot be queued again.
    ASSERT_TRUE(camera.Open());
    ASSERT_TRUE(camera.Grab());
    ASSERT_EQ(pvsim_unplug(id), ePvErrSuccess);
    ASSERT_TRUE(WaitForState(camera, CameraState::Stalled));
    EXPECT_THAT(lines(), Contains("ERROR 8 Camera was unplugged: PvCaptureQueueFrame\n"));
    EXPECT_FALSE(camera.Grab());
    EXPECT_TRUE(camera.ChangeStream({}));  // a stalled capture is still running
    EXPECT_TRUE(camera.Close());
    EXPECT_EQ(camera.State(), CameraState::Closed);
    EXPECT_EQ(CameraInternals::Device(camera).Handle(), 0u);
}

// The SDK may still own the buffers after it refused the close: they stay while the object
// lives, and go with it (the leak checker of the sanitizer build watches).
TEST_F(CameraObjectTest, ARefusedCloseKeepsTheBuffersButForgetsTheHandle) {
    const uint32_t id = AddCamera(ePvFmtRgb24, 16, 8).id;
    auto camera = std::make_unique<CCamera>(CameraInfo(id), 0, nullptr, "");
    ASSERT_TRUE(camera->Open());
    const tPvHandle handle = CameraInternals::Device(*camera).Handle();
    g_RefuseClose = true;
    EXPECT_TRUE(camera->Close());
    EXPECT_EQ(CameraInternals::Device(*camera).Handle(), 0u);
    EXPECT_TRUE(CameraInternals::Stream(*camera).HasImage());
    EXPECT_NE(CameraInternals::Stream(*camera).Record().ImageBuffer, nullptr);
    camera.reset();
    g_RefuseClose = false;
    EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
}

// An SDK that neither clears its queue nor closes the camera keeps the record. The record and
// its buffer then outlive the object, and when the record finally comes back the handler
// finds no camera and frees them (the leak checker of the sanitizer build watches).
TEST_F(CameraObjectTest, ARecordTheSdkKeepsOutlivesTheCamera) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
    WaitForSoftwareTriggers(id);
    auto camera = std::make_shared<CCamera>(CameraInfo(id), 0, nullptr, "");
    ASSERT_TRUE(camera->Open());
    DestroyWhileTheSdkHoldsOn(camera);
}

// A reopen (a reconnect reuses the object) while the SDK still holds the record would queue it
// a second time and replace the buffer it writes into: refused until the SDK lets go.
TEST_F(CameraObjectTest, NoReopenWhileTheSdkStillHoldsTheRecord) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
    WaitForSoftwareTriggers(id);
    auto camera = std::make_shared<CCamera>(CameraInfo(id), 0, nullptr, "");
    ASSERT_TRUE(camera->Open());
    const tPvHandle handle = CameraInternals::Device(*camera).Handle();
    void* const buffer = CameraInternals::Stream(*camera).Record().ImageBuffer;

    g_RefuseClear = true;
    g_RefuseClose = true;
    camera->Close();
    g_RefuseClear = false;
    g_RefuseClose = false;
    lines();
    EXPECT_FALSE(camera->Open());
    EXPECT_EQ(lines(), std::vector<std::string>{
                           "Camera open refused: the SDK still holds the frame record\n"});
    EXPECT_EQ(camera->State(), CameraState::Closed);
    EXPECT_EQ(CameraInternals::Stream(*camera).Record().ImageBuffer, buffer);

    // The record comes back cancelled; then the camera opens as usual.
    EXPECT_EQ(PvCaptureQueueClear(handle), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
    ASSERT_TRUE(camera->Open());
    EXPECT_EQ(camera->State(), CameraState::Capturing);
    camera->Close();
}

// Closing waits for a frame handler in progress and cancels the queued record, so the object
// can go right afterwards while the camera streams flat out.
TEST_F(CameraObjectTest, ClosingAStreamingCameraLeavesNoHandlerBehind) {
    const uint32_t id = AddCamera(ePvFmtYuv422, 16, 8).id;
    for (int round = 0; round < 20; ++round) {
        auto camera = std::make_shared<CCamera>(CameraInfo(id), 0, nullptr, "");
        ASSERT_TRUE(camera->Open()) << ::testing::PrintToString(lines());
        camera->SetContinuous(true);
        ASSERT_EQ(PvAttrFloat32Set(CameraInternals::Device(*camera).Handle(), "FrameRate", 5000.0F),
                  ePvErrSuccess);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        // Closed first, as the driver does: a handler in progress holds the object, so the
        // last reference may go on the SDK's thread, and only Close frees the camera at once
        // for the next open.
        camera->Close();
        camera.reset();
    }
}

// A host that took the SDK down leaves the SDK's guarantees behind: neither the queue clear nor
// the close waits for a frame handler any more. The object's end must still not race a
// handler: the handler either finishes before the destructor goes on or finds no camera, and
// a record the SDK still holds is freed when it comes back. Frames arrive flat out, so each
// round ends at another moment of a handler's run; the sanitizer builds see any overlap.
TEST_F(CameraObjectTest, DestroyingTheCameraRacesNoFrameHandler) {
    const uint32_t id = AddCamera(ePvFmtMono8, 8, 8).id;
    for (int round = 0; round < 600; ++round) {
        // Owned by no shared pointer, so no handler can keep it alive: the destructor runs
        // here, at once, and only the gate stands between it and a handler.
        auto camera = std::make_unique<CCamera>(CameraInfo(id), 0, nullptr, "");
        ASSERT_TRUE(camera->Open()) << ::testing::PrintToString(lines());
        camera->SetContinuous(true);
        ASSERT_EQ(PvAttrFloat32Set(CameraInternals::Device(*camera).Handle(), "FrameRate", 5000.0F),
                  ePvErrSuccess);
        if (round % 2 == 1)
            std::this_thread::sleep_for(std::chrono::microseconds(100 * (round % 7)));
        DestroyWhileTheSdkHoldsOn(camera);
    }
}

// A handler that passed the frame gate on the SDK's thread keeps the object alive: its
// destruction waits at the gate until the handler has left. (A camera built around a handle is
// not closed by its destructor, so nothing but the gate stands in the way.)
TEST_F(CameraObjectTest, DestructionWaitsForAHandlerInsideOnAnotherThread) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
    WaitForSoftwareTriggers(id);
    tPvHandle handle = 0;
    ASSERT_EQ(PvCameraOpen(id, ePvAccessMaster, &handle), ePvErrSuccess);
    auto camera = std::make_unique<CCamera>(handle);
    ASSERT_TRUE(CameraInternals::Stream(*camera).StartCapture());
    HandlerLatch latch;
    g_Latch = &latch;
    latch.Arm();
    ASSERT_TRUE(camera->Grab());
    ASSERT_TRUE(latch.WaitForHeld());

    std::atomic<bool> destroyed{false};
    std::thread destroyer([&] {
        camera.reset();
        destroyed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(destroyed);
    latch.Release();
    destroyer.join();
    EXPECT_TRUE(destroyed);
    g_Latch = nullptr;
    // The record went back to the SDK after the object; it comes back to nobody.
    EXPECT_EQ(PvCaptureQueueClear(handle), ePvErrSuccess);
    EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
}

// An open that cannot have its buffers fails as a whole: the line names the camera and the
// bytes, the handle goes back to the SDK, nothing is queued. Closing another camera gives its
// address space back, and the open then succeeds and streams.
TEST_F(CameraObjectTest, AnOpenWithoutRoomForItsBuffersFailsUntilAnotherCameraCloses) {
    if (!AddressSpaceLimit::Available()) GTEST_SKIP() << "no address-space limit here";
    constexpr uint32_t kFrameBytes = 4096 * 4096 * 2;  // Mono16; the image is half of it
    const uint32_t first = AddCamera(ePvFmtMono16, 4096, 4096, 12).id;
    const uint32_t second = AddCamera(ePvFmtMono16, 4096, 4096, 12).id;
    // Neither streams on its own, so every queueing counted below is one of these steps.
    WaitForSoftwareTriggers(first);
    WaitForSoftwareTriggers(second);
    CCamera a(CameraInfo(first), 0, nullptr, "");
    CCamera b(CameraInfo(second, "SimMono16", "SIM-2"), 1, nullptr, "");
    ASSERT_TRUE(a.Open());
    ASSERT_EQ(CameraInternals::Stream(a).ImageSize(), kFrameBytes / 2);
    const uint32_t queueings = pvsim_call_count("PvCaptureQueueFrame");
    lines();
    {
        // Room for the frame buffer but not the image as well.
        AddressSpaceLimit limit(kFrameBytes + kFrameBytes / 4);
        ASSERT_TRUE(limit.Set());
        EXPECT_FALSE(b.Open());
        EXPECT_THAT(lines(), Contains("Camera SimMono16 [SIM-2] not opened: no memory for "
                                      "50331648 bytes (frame buffer 33554432, image 16777216)\n"));
        EXPECT_EQ(b.State(), CameraState::Closed);
        EXPECT_EQ(CameraInternals::Device(b).Handle(), 0u);
        EXPECT_EQ(CameraInternals::Stream(b).Record().ImageBuffer, nullptr);
        EXPECT_FALSE(CameraInternals::Stream(b).HasImage());
        EXPECT_EQ(pvsim_call_count("PvCaptureQueueFrame"), queueings);

        a.Close();
        ASSERT_TRUE(b.Open()) << ::testing::PrintToString(lines());
        EXPECT_EQ(CameraInternals::Stream(b).Record().ImageBufferSize, kFrameBytes);
        // Streams: the requested frame is handled and the record queued again.
        ASSERT_TRUE(b.Grab());
        EXPECT_TRUE(
            WaitUntil([&] { return pvsim_call_count("PvCaptureQueueFrame") >= queueings + 2; }));
        EXPECT_EQ(pvsim_frames_delivered(second), 1u);
        b.Close();
    }
}

// A host that closes its port from inside its callback while a close on another thread waits
// for that very callback: the inner close must see it runs inside the frame handler and leave
// the work to the outer one, or each waits for the other.
std::atomic<CCamera*> g_CloseInCallback{nullptr};
std::atomic<bool> g_InClosingCallback{false};

void CloseFromCallback(int32_t /*port*/) {
    CCamera* camera = g_CloseInCallback.exchange(nullptr);
    if (camera == nullptr) return;
    g_InClosingCallback = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the other close waits now
    camera->Close();
}

TEST_F(CameraObjectTest, ACallbackClosingItsPortLeavesTheCloseToTheOneWaitingForIt) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
    WaitForSoftwareTriggers(id);
    auto camera = std::make_shared<CCamera>(CameraInfo(id), 0, CloseFromCallback, "");
    ASSERT_TRUE(camera->Open());
    g_InClosingCallback = false;
    g_CloseInCallback = camera.get();
    ASSERT_TRUE(camera->Grab());
    ASSERT_TRUE(WaitUntil([] { return g_InClosingCallback.load(); }));
    auto closed = std::async(std::launch::async, [&] { return camera->Close(); });
    if (closed.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        std::fprintf(stderr, "the two closes wait for each other\n");
        std::abort();  // nothing can end the threads that wait
    }
    EXPECT_TRUE(closed.get());
    EXPECT_EQ(camera->State(), CameraState::Closed);
}

// A camera stalled after a good frame still shows that frame, and an unplug keeps its buffers
// for the reconnect: the reopen must not hand that frame out as an image of the camera back.
TEST_F(CameraObjectTest, AReopenOnKeptBuffersShowsNothingOfBefore) {
    const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
    WaitForSoftwareTriggers(id);
    ASSERT_EQ(pvsim_set_pattern(id, ePvSimPatternBars), ePvErrSuccess);  // white on the left
    CCamera camera(CameraInfo(id), 0, nullptr, "");
    ASSERT_TRUE(camera.Open());
    g_RefuseQueue = true;
    ASSERT_TRUE(camera.Grab());
    ASSERT_TRUE(WaitForState(camera, CameraState::Stalled));
    g_RefuseQueue = false;
    uint8_t row[16] = {};
    ASSERT_TRUE(camera.GetRow(row, 0, 0, 15));
    ASSERT_EQ(row[0], 255);

    camera.CloseUnplugged();
    ASSERT_TRUE(CameraInternals::Stream(camera).HasKeptBuffers());
    ASSERT_TRUE(camera.Open());
    ASSERT_TRUE(camera.GetRow(row, 0, 0, 15));
    EXPECT_THAT(row, ::testing::Each(0));
}

TEST(SettingsPathTest, FolderSeparatorAndFileNameWithinTheBuffer) {
    const std::string sep(1, platform::kPathSeparator);
    char path[kSettingsPathSize];
    ASSERT_TRUE(ComposeSettingsPath("", path, sizeof path));
    EXPECT_STREQ(path, "Tarnix.ini");
    ASSERT_TRUE(ComposeSettingsPath(("data" + sep).c_str(), path, sizeof path));
    EXPECT_EQ(std::string(path), "data" + sep + "Tarnix.ini");  // no second separator
    ASSERT_TRUE(ComposeSettingsPath("data", path, sizeof path));
    EXPECT_EQ(std::string(path), "data" + sep + "Tarnix.ini");

    // 500 + 1 + 10 characters fill the 512 bytes with the terminator; one more does not fit.
    const std::string longest(500, 'd');
    ASSERT_TRUE(ComposeSettingsPath(longest.c_str(), path, sizeof path));
    EXPECT_EQ(std::strlen(path), 511u);
    const std::string tooLong(501, 'd');
    EXPECT_FALSE(ComposeSettingsPath(tooLong.c_str(), path, sizeof path));
    EXPECT_STREQ(path, "");
    char tiny[10];  // one short of the name and its terminator
    EXPECT_FALSE(ComposeSettingsPath("", tiny, sizeof tiny));
}

TEST(SettingsPathTest, ACameraFallsBackToTheCurrentDirectory) {
    const std::string sep(1, platform::kPathSeparator);
    char directory[kSettingsPathSize];
    ASSERT_NE(platform::CurrentDirectory(directory, sizeof directory), 0u);
    char expected[kSettingsPathSize];
    ASSERT_TRUE(ComposeSettingsPath(directory, expected, sizeof expected));

    EXPECT_STREQ(CameraInternals::IniPath(CCamera(CameraInfo(1), 0, nullptr, "")), "Tarnix.ini");
    EXPECT_EQ(std::string(CameraInternals::IniPath(
                  CCamera(CameraInfo(1), 0, nullptr, ("x" + sep).c_str()))),
              "x" + sep + "Tarnix.ini");
    // The longest system path the driver keeps (511 characters) leaves no room for the name.
    const std::string longPath(511, 'p');
    EXPECT_STREQ(CameraInternals::IniPath(CCamera(CameraInfo(1), 0, nullptr, longPath.c_str())),
                 expected);
}

TEST(CameraDefaultsTest, TheLookupTableIsDefinedAndOffUntilLoaded) {
    const CCamera camera(CameraInfo(1), 0, nullptr, "");
    EXPECT_EQ(camera.Settings().m_UseLut, 0);
    ASSERT_NE(CameraInternals::Stream(camera).Lut(), nullptr);
    const uint8_t* lut = CameraInternals::Stream(camera).Lut();
    EXPECT_TRUE(std::all_of(lut, lut + convert::kLutEntries, [](uint8_t b) { return b == 0; }));
    EXPECT_NE(CameraInternals::Stream(camera).Record().Context[0], nullptr);
}

}  // namespace
}  // namespace tarnix::test
