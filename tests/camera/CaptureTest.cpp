// Acquisition on the camera object against the simulated cameras: what capture start writes
// to the camera and undoes when it fails, a stop followed by a new start, which frames reach
// the host, the frame error line and the last row of a Mono16 image. The SDK table is the
// simulator's, linked directly, with two entries wrapped: the trigger mode a camera reports
// can be replaced, and queueings of a frame record are counted.
#include <camera/Camera.h>
#include <camera/TriggerModes.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/CameraInfo.h>
#include <harness/CameraInternals.h>
#include <harness/SdkTable.h>
#include <harness/Wait.h>
#include <pvsim.h>

#include <atomic>
#include <cstring>
#include <string>

namespace tarnix::test {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

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

SdkApi WrappedSdk() {
    SdkApi api = DirectSdk();
    api.PvAttrEnumGet = EnumGetOrReported;
    api.PvCaptureQueueFrame = CountedQueueFrame;
    return api;
}

[[maybe_unused]] ::testing::Environment* const g_Sdk =
    ::testing::AddGlobalTestEnvironment(new SimulatedSdk(WrappedSdk()));

void Notify(int32_t /*port*/) {
    ++g_Notified;
}

std::string TriggerModeOf(const CCamera& camera) {
    char mode[32] = {};
    uint32_t filled = 0;
    EXPECT_EQ(::PvAttrEnumGet(CameraInternals::Device(camera).Handle(), "FrameStartTriggerMode",
                              mode, sizeof mode, &filled),
              ePvErrSuccess);
    return mode;
}

class CaptureTest : public DebugLinesTest {
  protected:
    void SetUp() override {
        pvsim_reset();
        g_ReportedTriggerMode = nullptr;
        g_Notified = 0;
        DebugLinesTest::SetUp();
    }
    void TearDown() override {
        DebugLinesTest::TearDown();
        g_ReportedTriggerMode = nullptr;
    }

    // A small camera, in "Software" mode unless another is given.
    static uint32_t AddSmallCamera(tPvImageFormat format, const char* triggerMode = "Software",
                                   float frameRate = 0.0F) {
        const uint32_t id = test::AddCamera(format, 16, 8, 12).id;
        EXPECT_NE(id, 0u);
        SetCameraEnum(id, "FrameStartTriggerMode", triggerMode);
        if (frameRate > 0.0F) SetCameraFloat(id, "FrameRate", frameRate);
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
    const uint32_t id = AddSmallCamera(ePvFmtMono8, "Freerun");
    CCamera camera(CameraInfo(id), 0, Notify, "");
    g_ReportedTriggerMode = "Bulb";
    ASSERT_TRUE(camera.Open());
    g_ReportedTriggerMode = nullptr;
    EXPECT_EQ(CameraInternals::Stream(camera).TriggerMode(), kTriggerModeSoftware);
    EXPECT_EQ(TriggerModeOf(camera), "Software");
    const uint32_t commands = pvsim_call_count("PvCommandRun");
    EXPECT_TRUE(camera.Grab());
    EXPECT_EQ(pvsim_call_count("PvCommandRun"), commands + 1);  // a software trigger
    camera.Close();

    pvsim_fail_attr(id, "FrameStartTriggerMode", 0, ePvErrForbidden);
    lines();
    EXPECT_FALSE(camera.Open());
    EXPECT_THAT(lines(), Contains("ERROR 20 Attribute write forbidden at this time: "
                                  "PvAttrEnumSet(FrameStartTriggerMode)\n"));
    EXPECT_FALSE(camera.Grab());
}

// The SDK capture that capture start began is ended again when the camera refuses to
// acquire, so the handle is left as it was found.
TEST_F(CaptureTest, ARefusedAcquisitionStartEndsTheCapture) {
    const uint32_t id = AddSmallCamera(ePvFmtMono8);
    pvsim_fail_attr(id, "AcquisitionStart", 0, ePvErrForbidden);
    CCamera camera(CameraInfo(id), 0, Notify, "");
    const uint32_t ends = pvsim_call_count("PvCaptureEnd");
    EXPECT_FALSE(camera.Open());
    EXPECT_EQ(pvsim_call_count("PvCaptureEnd"), ends + 1);
    EXPECT_THAT(lines(),
                Contains("ERROR 20 Attribute write forbidden at this time: PvCommandRun\n"));
    ASSERT_NE(CameraInternals::Device(camera).Handle(), 0u);
    EXPECT_EQ(::PvCaptureStart(CameraInternals::Device(camera).Handle()),
              ePvErrSuccess);  // not started any more
    EXPECT_EQ(::PvCaptureEnd(CameraInternals::Device(camera).Handle()), ePvErrSuccess);
    EXPECT_FALSE(camera.Grab());
}

// A stop hands the queued record back, so capture can start again on the open camera (the
// configuration pages stop it; a reconnect starts it again).
TEST_F(CaptureTest, AStoppedCaptureStartsAgain) {
    const uint32_t id = AddSmallCamera(ePvFmtMono8);
    CCamera camera(CameraInfo(id), 0, Notify, "");
    ASSERT_TRUE(camera.Open());
    const uint32_t clears = pvsim_call_count("PvCaptureQueueClear");
    EXPECT_TRUE(CameraInternals::Stream(camera).StopCapture());
    EXPECT_EQ(pvsim_call_count("PvCaptureQueueClear"), clears + 1);
    EXPECT_EQ(CameraInternals::Stream(camera).Record().Status, tPvErr{ePvErrCancelled});
    EXPECT_FALSE(camera.Grab());

    ASSERT_TRUE(CameraInternals::Stream(camera).StartCapture());
    ASSERT_TRUE(camera.Grab());
    EXPECT_TRUE(WaitUntil([] { return g_Notified.load() == 1; }));
}

// A free-running camera sends frames all the time; the host hears of the next one after each
// request only.
TEST_F(CaptureTest, OnlyRequestedFramesReachTheHost) {
    const uint32_t id = AddSmallCamera(ePvFmtMono8, "Freerun", 1000.0F);
    CCamera camera(CameraInfo(id), 0, Notify, "");
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
    const uint32_t id = AddSmallCamera(ePvFmtRgb24);
    CCamera camera(CameraInfo(id), 42, Notify, "");
    ASSERT_TRUE(camera.Open());
    pvsim_fail_frames(id, 2, ePvErrDataLost);
    for (int failed = 0; failed < 2; ++failed) {
        const uint32_t queueings = g_Queueings.load();
        ASSERT_TRUE(camera.Grab());
        ASSERT_TRUE(WaitUntil([queueings] { return g_Queueings.load() > queueings; }));
    }
    EXPECT_THAT(lines(),
                ElementsAre("FrameCB error #1 port 42: 15 The data for the frame was lost\n",
                            "FrameCB error #2 port 42: 15 The data for the frame was lost\n"));
    EXPECT_EQ(g_Notified.load(), 0u);
    ASSERT_TRUE(camera.Grab());
    EXPECT_TRUE(WaitUntil([] { return g_Notified.load() == 1; }));
}

// A Mono16 image holds the 8-bit output only, half the raw frame: the rows end at the image's
// height and width, and a frame that turned colour while the camera streams (same raw size,
// three output bytes a pixel) is cut to the image, not written past it.
TEST_F(CaptureTest, AMono16ImageIsItsOutputAndBoundsEveryFrame) {
    const uint32_t id = AddSmallCamera(ePvFmtMono16);
    CCamera camera(CameraInfo(id), 0, Notify, "");
    ASSERT_TRUE(camera.Open());
    ASSERT_EQ(CameraInternals::Stream(camera).ImageSize(), 16u * 8u);
    ASSERT_EQ(CameraInternals::Stream(camera).Record().ImageBufferSize, 16u * 8u * 2u);
    ASSERT_TRUE(camera.Grab());
    ASSERT_TRUE(WaitUntil([] { return g_Notified.load() == 1; }));

    uint8_t row[17] = {};
    EXPECT_TRUE(camera.GetRow(row, 7, 0, 15));
    EXPECT_FALSE(camera.GetRow(row, 8, 0, 15));
    EXPECT_FALSE(camera.GetRow(row, 15, 0, 15));
    EXPECT_FALSE(camera.GetRow(row, 0, 0, 16));

    ASSERT_TRUE(CameraInternals::Device(camera).AttrStringSet("PixelFormat", "Bayer16"));
    ASSERT_TRUE(camera.Grab());
    ASSERT_TRUE(WaitUntil([] { return g_Notified.load() == 2; }));
    EXPECT_EQ(CameraInternals::Stream(camera).Record().Format,
              ePvFmtBayer8);  // went through the demosaic
    EXPECT_TRUE(camera.GetRow(row, 7, 0, 15));
}

// A Mono8 frame becomes the image without a copy: the rows a host reads are the frame it was
// told of, also while later frames that nobody asked for fill the record, and the next
// requested frame replaces them.
TEST_F(CaptureTest, AMono8ImageStaysTheRequestedFrameWhileLaterFramesFillTheRecord) {
    const uint32_t id = AddSmallCamera(ePvFmtMono8, "Freerun", 1000.0F);
    ASSERT_EQ(pvsim_set_pattern(id, ePvSimPatternMovingGradient), ePvErrSuccess);
    CCamera camera(CameraInfo(id), 0, Notify, "");
    ASSERT_TRUE(camera.Open());
    const auto image = [&camera] {
        std::string rows(16u * 8u, '\0');
        for (uint32_t row = 0; row < 8; ++row) {
            EXPECT_TRUE(
                camera.GetRow(reinterpret_cast<uint8_t*>(rows.data()) + row * 16u, row, 0, 15));
        }
        return rows;
    };

    for (uint32_t grab = 1; grab <= 3; ++grab) {
        const std::string before = image();
        ASSERT_TRUE(camera.Grab());
        ASSERT_TRUE(WaitUntil([grab] { return g_Notified.load() == grab; }));
        const std::string requested = image();
        EXPECT_NE(requested, before) << "grab " << grab;
        ASSERT_TRUE(WaitForQueueings(5));  // later frames went into the record
        EXPECT_EQ(image(), requested) << "grab " << grab;
    }
}

}  // namespace
}  // namespace tarnix::test
