// How images reach the host: requests in each trigger mode, continuous delivery, the row
// bounds, failed frames and an unplugged camera, through the driver as a host loads it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <harness/HostTest.h>
#include <harness/Ramp.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <regex>

#include "ExpectedImage.h"

namespace tarnix::test {
namespace {

using ::testing::Contains;

constexpr uint32_t kWidth = 16;
constexpr uint32_t kHeight = 12;

TEST_F(HostTest, ASoftwareTriggerIsSentOncePerPendingRequest) {
    const SimCamera camera = AddCamera(ePvFmtMono8, kWidth, kHeight);
    SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
    ASSERT_TRUE(Open(0, camera.name, kWidth, kHeight));
    // A camera that is not acquiring ignores triggers, so the request stays pending.
    ASSERT_EQ(driver().setProperty(0, 0, "AcquisitionStop", 0), 1);
    const uint32_t commands = pvsim_call_count("PvCommandRun");
    EXPECT_EQ(driver().doCVLGrab(0, 0), 1);
    EXPECT_EQ(pvsim_call_count("PvCommandRun"), commands + 1);
    EXPECT_EQ(driver().doCVLGrab(0, 0), 1);
    EXPECT_EQ(pvsim_call_count("PvCommandRun"), commands + 1);
}

TEST_F(HostTest, FreerunAndSyncInCamerasDeliverTheNextFrameAfterTheRequest) {
    const SimCamera freerun = AddCamera(ePvFmtMono8, kWidth, kHeight);
    ASSERT_TRUE(Open(0, freerun.address, kWidth, kHeight));
    ASSERT_TRUE(GrabOne(0));
    EXPECT_TRUE(IsByteRamp(ReadImage(0, kWidth, kHeight, 1)));

    // A camera on an input line starts a frame on each pulse of that line only.
    const SimCamera synced = AddCamera(ePvFmtRgb24, kWidth, kHeight);
    SetCameraEnum(synced.id, "FrameStartTriggerMode", "SyncIn2");
    ASSERT_TRUE(Open(1, synced.name, kWidth, kHeight));
    const uint32_t commands = pvsim_call_count("PvCommandRun");
    ASSERT_EQ(driver().doCVLGrab(0, 1), 1);
    EXPECT_EQ(pvsim_call_count("PvCommandRun"), commands);  // no software trigger
    pvsim_trigger(synced.id, 1);
    pvsim_trigger(synced.id, 2);
    ASSERT_TRUE(Completions::WaitBeyond(1, 0));
    const ExpectedImage first = ExpectRamp(ePvFmtRgb24, kWidth, kHeight, 8, 0);
    const std::vector<uint8_t> image = ReadImage(1, kWidth, kHeight, 3);
    EXPECT_EQ(image, first.bytes);
}

TEST_F(HostTest, ContinuousDeliveryAnnouncesFramesNobodyAskedFor) {
    const SimCamera camera = AddCamera(ePvFmtMono8, kWidth, kHeight);
    SetCameraFloat(camera.id, "FrameRate", 500.0F);
    struct Seen {
        std::atomic<uint32_t> ramps{0};
        std::atomic<uint32_t> timed{0};  // callbacks that found their frame's entry time
    };
    auto seen = std::make_shared<Seen>();
    const uint32_t id = camera.id;
    // Rows are read inside the callback, where no later frame can change the image.
    Completions::SetHook([seen, id](int32_t port) {
        std::vector<uint8_t> image(kWidth * kHeight);
        for (uint32_t row = 0; row < kHeight; ++row)
            Driver().getCVLGrabRow(0, port, image.data() + kWidth * row, row, 0, kWidth - 1);
        if (IsByteRamp(image)) ++seen->ramps;
        // What the benchmark measures its latency with: the simulator's time of entering the
        // driver's handler for this very frame, on the clock the host reads.
        tPvSimStreamStats stats{};
        const int64_t now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count();
        if (pvsim_stream_stats(id, &stats) == ePvErrSuccess && stats.lastCallbackNs > 0 &&
            stats.lastCallbackNs <= now)
            ++seen->timed;
    });
    ASSERT_TRUE(Open(0, camera.name, kWidth, kHeight));

    const uint32_t queries = pvsim_call_count("PvAttrInfo");
    uint32_t value = 7;
    ASSERT_EQ(driver().setProperty(0, 0, "CONTINOUS", 5), 1);
    ASSERT_EQ(driver().getProperty(0, 0, "continous", &value), 1);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(pvsim_call_count("PvAttrInfo"), queries);  // the camera is not asked
    ASSERT_TRUE(Completions::WaitBeyond(0, 5));
    ASSERT_EQ(driver().setProperty(0, 0, "Continous", 0), 1);
    ASSERT_EQ(driver().getProperty(0, 0, "Continous", &value), 1);
    EXPECT_EQ(value, 0u);

    driver().closeCVLPort(0, 0);  // no callback runs after this
    EXPECT_GE(seen->ramps.load(), 5u);
    EXPECT_EQ(seen->timed.load(), seen->ramps.load());
    tPvSimStreamStats stats{};
    ASSERT_EQ(pvsim_stream_stats(id, &stats), ePvErrSuccess);
    EXPECT_GE(stats.frames, 5u);
}

TEST_F(HostTest, RowsAreHandedOutOnlyWithinTheImage) {
    const SimCamera camera = AddCamera(ePvFmtRgb24, kWidth, kHeight);
    SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
    ASSERT_TRUE(Open(0, camera.name, kWidth, kHeight));
    ASSERT_TRUE(GrabOne(0));
    const ExpectedImage image = ExpectRamp(ePvFmtRgb24, kWidth, kHeight, 8, 0);

    std::vector<uint8_t> row(kWidth * 3 + 3, 0xEE);
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, row.data(), kHeight, 0, 0), 0);
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, row.data(), 0, 0, kWidth), 0);
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, row.data(), 0, 6, 5), 0);
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, row.data(), UINT32_MAX, 0, 0), 0);
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, row.data(), 0, UINT32_MAX, UINT32_MAX), 0);
    EXPECT_EQ(row, std::vector<uint8_t>(row.size(), 0xEE));

    // One pixel: three bytes of row 2, column 5, and nothing after them.
    ASSERT_EQ(driver().getCVLGrabRow(0, 0, row.data(), 2, 5, 5), 1);
    const size_t at = (2 * kWidth + 5) * 3;
    EXPECT_EQ(std::vector<uint8_t>(row.begin(), row.begin() + 3),
              std::vector<uint8_t>(image.bytes.begin() + at, image.bytes.begin() + at + 3));
    EXPECT_EQ(row[3], 0xEE);
    ASSERT_EQ(driver().getCVLGrabRow(0, 0, row.data(), kHeight - 1, 0, kWidth - 1), 1);
    EXPECT_EQ(row[kWidth * 3], 0xEE);

    // While the last frame failed there is no image to hand out; the next good one brings
    // it back.
    pvsim_fail_frames(camera.id, 1, ePvErrDataMissing);
    LineLog::Clear();
    ASSERT_EQ(driver().doCVLGrab(0, 0), 1);
    ASSERT_THAT(LinesUntil("FrameCB error #"),
                Contains(testing::EndsWith(" port 0: 16 Some data in the frame is missing\n")));
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, row.data(), 0, 0, 0), 0);
    ASSERT_TRUE(GrabOne(0));
    EXPECT_EQ(driver().getCVLGrabRow(0, 0, row.data(), 0, 0, 0), 1);
}

// The host's callback may ask for the next image and read rows from inside; that request is
// answered by the frame in hand and ends with it, so the next request triggers again.
TEST_F(HostTest, TheCallbackMayGrabAndReadRowsOfItsOwnPort) {
    const SimCamera camera = AddCamera(ePvFmtYuv422, kWidth, kHeight);
    SetCameraEnum(camera.id, "FrameStartTriggerMode", "Software");
    struct Seen {
        std::atomic<int> innerGrab{-1};
        std::atomic<int> rowsRead{0};
    };
    auto seen = std::make_shared<Seen>();
    Completions::SetHook([seen](int32_t port) {
        uint8_t row[kWidth * 3];
        seen->rowsRead = 0;
        for (uint32_t r = 0; r < kHeight; ++r)
            seen->rowsRead += Driver().getCVLGrabRow(0, port, row, r, 0, kWidth - 1);
        seen->innerGrab = Driver().doCVLGrab(0, port);
    });
    ASSERT_TRUE(Open(0, camera.name, kWidth, kHeight));
    ASSERT_TRUE(GrabOne(0));
    EXPECT_EQ(seen->innerGrab.load(), 1);
    EXPECT_EQ(seen->rowsRead.load(), static_cast<int>(kHeight));

    const uint32_t commands = pvsim_call_count("PvCommandRun");
    ASSERT_TRUE(GrabOne(0));
    // The callback found its own request still pending and sent nothing; the host's next
    // request found none and triggered.
    EXPECT_EQ(pvsim_call_count("PvCommandRun"), commands + 1);
}

// Every failed frame of every camera has its own number in one driver-wide count.
TEST_F(HostTest, FailedFramesAreCountedAcrossCamerasAndAnnounceNothing) {
    const SimCamera a = AddCamera(ePvFmtMono8, kWidth, kHeight);
    const SimCamera b = AddCamera(ePvFmtBayer8, kWidth, kHeight);
    for (const SimCamera* camera : {&a, &b})
        SetCameraEnum(camera->id, "FrameStartTriggerMode", "Software");
    ASSERT_TRUE(Open(3, a.name, kWidth, kHeight));
    ASSERT_TRUE(Open(4, b.address, kWidth, kHeight));
    pvsim_fail_frames(a.id, 2, ePvErrDataLost);
    pvsim_fail_frames(b.id, 1, ePvErrDataLost);

    const std::regex errorLine(
        R"(FrameCB error #(\d+) port (\d): 15 The data for the frame was lost\n)");
    std::vector<int> numbers;
    std::vector<int> ports;
    for (const int32_t port : {3, 4, 3}) {
        LineLog::Clear();
        ASSERT_EQ(driver().doCVLGrab(0, port), 1);
        const std::vector<std::string> lines = LinesUntil("FrameCB error #");
        std::smatch match;
        ASSERT_FALSE(lines.empty());
        ASSERT_TRUE(std::regex_match(lines.back(), match, errorLine)) << lines.back();
        numbers.push_back(std::stoi(match[1]));
        ports.push_back(std::stoi(match[2]));
    }
    EXPECT_EQ(ports, (std::vector<int>{3, 4, 3}));
    EXPECT_EQ(numbers[1], numbers[0] + 1);
    EXPECT_EQ(numbers[2], numbers[0] + 2);
    EXPECT_EQ(Completions::Count(3) + Completions::Count(4), 0u);
    EXPECT_TRUE(GrabOne(3));
    EXPECT_TRUE(GrabOne(4));
}

// Until the driver reconnects cameras, an unplugged one just stops: its queued frame fails,
// nothing can be queued again, requests are refused, and the port still closes cleanly.
TEST_F(HostTest, AnUnpluggedCameraStopsAndItsPortStillCloses) {
    const SimCamera waiting = AddCamera(ePvFmtMono8, kWidth, kHeight);
    SetCameraEnum(waiting.id, "FrameStartTriggerMode", "Software");
    ASSERT_TRUE(Open(0, waiting.name, kWidth, kHeight));
    ASSERT_EQ(driver().setProperty(0, 0, "AcquisitionStop", 0), 1);  // keep the request open
    ASSERT_EQ(driver().doCVLGrab(0, 0), 1);
    LineLog::Clear();
    ASSERT_EQ(pvsim_unplug(waiting.id), ePvErrSuccess);
    const std::vector<std::string> lines =
        LinesUntil("ERROR 8 Camera was unplugged: PvCaptureQueueFrame");
    const std::regex frameError(R"(FrameCB error #\d+ port 0: 8 Camera was unplugged\n)");
    EXPECT_THAT(lines, Contains(testing::Truly([&](const std::string& line) {
                    return std::regex_match(line, frameError);
                })));
    EXPECT_THAT(lines, Contains("ERROR 8 Camera was unplugged: PvCaptureQueueFrame\n"));
    EXPECT_EQ(driver().doCVLGrab(0, 0), 0);
    driver().closeCVLPort(0, 0);

    // The same while frames stream as fast as they come.
    const SimCamera streaming = AddCamera(ePvFmtRgb24, kWidth, kHeight);
    SetCameraFloat(streaming.id, "FrameRate", 2000.0F);
    ASSERT_TRUE(Open(1, streaming.address, kWidth, kHeight));
    ASSERT_EQ(driver().setProperty(0, 1, "Continous", 1), 1);
    ASSERT_TRUE(Completions::WaitBeyond(1, 3));
    ASSERT_EQ(pvsim_unplug(streaming.id), ePvErrSuccess);
    ASSERT_THAT(LinesUntil("ERROR 8 Camera was unplugged: PvCaptureQueueFrame"),
                Contains("ERROR 8 Camera was unplugged: PvCaptureQueueFrame\n"));
    EXPECT_EQ(driver().doCVLGrab(0, 1), 0);
    driver().closeCVLPort(0, 1);

    // Plugged in again, the camera opens as new.
    ASSERT_EQ(pvsim_plug(waiting.id), ePvErrSuccess);
    ASSERT_TRUE(Open(0, waiting.address, kWidth, kHeight));
    EXPECT_TRUE(GrabOne(0));
}

}  // namespace
}  // namespace tarnix::test
