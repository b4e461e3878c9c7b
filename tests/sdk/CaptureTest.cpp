// Capture: queueing, trigger modes, frame content, completion statuses and the guarantees
// around clearing and closing.
#include <harness/SdkTest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <thread>

namespace tarnix::test {
namespace {

using namespace std::chrono_literals;

// The ramp: sample j of frame n is (j + n) mod 2^bits.
::testing::AssertionResult HoldsRamp(const uint8_t* data, uint32_t bytes, bool wide, uint32_t bits,
                                     uint32_t n) {
    if (!wide) {
        for (uint32_t j = 0; j < bytes; ++j) {
            if (data[j] != uint8_t(j + n)) {
                return ::testing::AssertionFailure()
                       << "byte " << j << " of frame " << n << " is " << int(data[j]);
            }
        }
        return ::testing::AssertionSuccess();
    }
    const uint32_t mask = (1u << bits) - 1;
    for (uint32_t j = 0; j < bytes / 2; ++j) {
        const uint32_t word = data[2 * j] | uint32_t(data[2 * j + 1]) << 8;
        if (word != ((j + n) & mask)) {
            return ::testing::AssertionFailure()
                   << "word " << j << " of frame " << n << " is " << word;
        }
    }
    return ::testing::AssertionSuccess();
}

class Capture : public SdkTest {
  protected:
    // A started capture on a small camera of its own.
    tPvHandle StartSmall(uint32_t& id, uint32_t width = 32, uint32_t height = 8,
                         tPvImageFormat format = ePvFmtMono8, uint32_t bits = 8) {
        id = AddCamera(format, width, height, bits).id;
        const tPvHandle handle = Open(id);
        EXPECT_EQ(PvCaptureStart(handle), ePvErrSuccess);
        return handle;
    }
    static void Software(tPvHandle handle) {
        SetEnum(handle, "FrameStartTriggerMode", "Software");
        ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
    }
    static void Fast(tPvHandle handle) {
        ASSERT_EQ(PvAttrFloat32Set(handle, "FrameRate", 1000.0f), ePvErrSuccess);
    }
};

TEST_F(Capture, QueueingRules) {
    const tPvHandle handle = Open(1001);
    FrameLog log(17, 16);
    EXPECT_EQ(PvCaptureQueueFrame(handle, &log.Frame(0), &FrameLog::OnFrame), ePvErrBadSequence);
    ASSERT_EQ(PvCaptureStart(handle), ePvErrSuccess);
    EXPECT_EQ(PvCaptureStart(handle), ePvErrBadSequence);
    EXPECT_EQ(PvCaptureQueueFrame(handle, nullptr, &FrameLog::OnFrame), ePvErrBadParameter);
    for (size_t i = 0; i < 16; ++i) {
        ASSERT_EQ(PvCaptureQueueFrame(handle, &log.Frame(i), &FrameLog::OnFrame), ePvErrSuccess);
    }
    EXPECT_EQ(PvCaptureQueueFrame(handle, &log.Frame(16), &FrameLog::OnFrame), ePvErrQueueFull);
    EXPECT_EQ(PvCaptureEnd(handle), ePvErrSuccess);
    EXPECT_EQ(PvCaptureEnd(handle), ePvErrSuccess);
    // Ending keeps the queue; clearing cancels it, oldest first, on this thread.
    EXPECT_EQ(log.Count(), 0u);
    EXPECT_EQ(PvCaptureQueueClear(handle), ePvErrSuccess);
    const auto completions = log.Log();
    ASSERT_EQ(completions.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(completions[i].frame, &log.Frame(i));
        EXPECT_EQ(completions[i].status, ePvErrCancelled);
    }
}

TEST_F(Capture, RampOfEveryFormat) {
    // 10-bit samples so that the 16-bit ramp wraps within a frame.
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id, 40, 30, ePvFmtMono8, 10);
    Software(handle);
    for (uint32_t format = 0; format < 12; ++format) {
        static const char* const kNames[] = {"Mono8",  "Mono16", "Bayer8", "Bayer16",
                                             "Rgb24",  "Rgb48",  "Yuv411", "Yuv422",
                                             "Yuv444", "Bgr24",  "Rgba32", "Bgra32"};
        SCOPED_TRACE(kNames[format]);
        ASSERT_EQ(PvCaptureEnd(handle), ePvErrSuccess);
        SetEnum(handle, "PixelFormat", kNames[format]);
        ASSERT_EQ(PvCaptureStart(handle), ePvErrSuccess);  // frame numbers start again
        const uint32_t bytes = GetUint(handle, "TotalBytesPerFrame");
        const bool wide =
            format == ePvFmtMono16 || format == ePvFmtBayer16 || format == ePvFmtRgb48;
        FrameLog log(3, 40 * 30 * 6 + 1);
        log.QueueAll(handle);
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
        }
        ASSERT_TRUE(log.WaitFor(3));
        for (uint32_t n = 0; n < 3; ++n) {
            const tPvFrame& frame = log.Frame(n);
            EXPECT_EQ(frame.Status, ePvErrSuccess);
            EXPECT_EQ(frame.FrameCount, n);
            EXPECT_EQ(frame.ImageSize, bytes);
            EXPECT_EQ(frame.Format, format);
            EXPECT_EQ(frame.Width, 40u);
            EXPECT_EQ(frame.Height, 30u);
            EXPECT_EQ(frame.BitDepth, wide ? 10u : 8u);
            EXPECT_EQ(frame.BayerPattern, uint32_t(ePvBayerRGGB));
            EXPECT_TRUE(HoldsRamp(log.Buffer(n).data(), bytes, wide, 10, n));
            // Nothing past the frame is touched.
            EXPECT_EQ(log.Buffer(n)[bytes], 0);
        }
    }
}

TEST_F(Capture, RampHoldsOverLargeFrames) {
    // Large frames are filled in pieces; the sequence must run on across them.
    for (uint32_t id : {1001u, 1002u}) {
        const tPvHandle handle = Open(id);
        ASSERT_EQ(PvCaptureStart(handle), ePvErrSuccess);
        const uint32_t bytes = GetUint(handle, "TotalBytesPerFrame");
        FrameLog log(2, bytes);
        log.QueueAll(handle);
        Fast(handle);
        ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
        ASSERT_TRUE(log.WaitFor(2));
        for (uint32_t n = 0; n < 2; ++n) {
            EXPECT_TRUE(HoldsRamp(log.Buffer(n).data(), bytes, id == 1002, 12, n));
        }
    }
    const uint32_t deep = AddCamera(ePvFmtMono16, 512, 300, 16).id;
    const tPvHandle handle = Open(deep);
    ASSERT_EQ(PvCaptureStart(handle), ePvErrSuccess);
    FrameLog log(2, 512 * 300 * 2);
    log.QueueAll(handle);
    Fast(handle);
    ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
    ASSERT_TRUE(log.WaitFor(2));
    EXPECT_TRUE(HoldsRamp(log.Buffer(1).data(), 512 * 300 * 2, true, 16, 1));
}

TEST_F(Capture, DemoPatternsFillTheFrame) {
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id, 33, 9, ePvFmtYuv411);
    ASSERT_EQ(pvsim_set_pattern(id, ePvSimPatternBars), ePvErrSuccess);
    EXPECT_EQ(pvsim_set_pattern(id, 3), ePvErrBadParameter);
    Software(handle);
    FrameLog log(1, 33 * 9 * 2 + 1);
    std::memset(log.Frame(0).ImageBuffer, 0xEE, 33 * 9 * 2 + 1);
    log.QueueAll(handle);
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_TRUE(log.WaitFor(1));
    const uint32_t bytes = 33 * 9 * 3 / 2;
    EXPECT_EQ(log.Frame(0).ImageSize, bytes);
    EXPECT_EQ(log.Buffer(0)[bytes], 0xEE);  // the cut last group stays inside the frame
    // The first bar is white: Y 235, U and V neutral.
    EXPECT_EQ(log.Buffer(0)[0], 128);
    EXPECT_EQ(log.Buffer(0)[1], 235);
}

TEST_F(Capture, TimedModesStreamAtTheFrameRate) {
    for (const char* mode : {"Freerun", "FixedRate"}) {
        SCOPED_TRACE(mode);
        uint32_t id = 0;
        const tPvHandle handle = StartSmall(id);
        SetEnum(handle, "FrameStartTriggerMode", mode);
        Fast(handle);
        FrameLog log(1, 256);
        std::atomic<uint32_t> target{6};
        log.onFrame = [&](tPvFrame* frame) {
            if (frame->FrameCount + 1 < target) {
                PvCaptureQueueFrame(handle, frame, &FrameLog::OnFrame);
            }
        };
        log.QueueAll(handle);
        ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
        ASSERT_TRUE(log.WaitFor(6));
        for (const Completion& c : log.Log()) {
            EXPECT_EQ(c.status, ePvErrSuccess);
        }
        EXPECT_EQ(pvsim_frames_delivered(id), 6u);
        EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
    }
}

TEST_F(Capture, SoftwareAndLineTriggersStartOneFrameEach) {
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id);
    FrameLog log(4, 256);
    log.QueueAll(handle);
    Software(handle);
    EXPECT_EQ(pvsim_trigger(id, 1), ePvErrSuccess);  // not listening to lines
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(log.Count(), 0u);
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_TRUE(log.WaitFor(2));

    SetEnum(handle, "FrameStartTriggerMode", "SyncIn2");
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);  // ignored
    EXPECT_EQ(pvsim_trigger(id, 1), ePvErrSuccess);                               // other line
    EXPECT_EQ(pvsim_trigger(id, 5), ePvErrBadParameter);
    EXPECT_EQ(pvsim_trigger(4242, 2), ePvErrNotFound);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(log.Count(), 2u);
    EXPECT_EQ(pvsim_trigger(id, 2), ePvErrSuccess);
    ASSERT_TRUE(log.WaitFor(3));

    // A trigger while not acquiring is lost.
    ASSERT_EQ(PvCommandRun(handle, "AcquisitionStop"), ePvErrSuccess);
    EXPECT_EQ(pvsim_trigger(id, 2), ePvErrSuccess);
    ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(log.Count(), 3u);
    const auto completions = log.Log();
    for (uint32_t n = 0; n < 3; ++n) {
        EXPECT_EQ(completions[n].frameCount, n);
        EXPECT_EQ(completions[n].frame, &log.Frame(n));  // queue order
    }
}

TEST_F(Capture, SingleAndMultiFrameStopAcquiring) {
    for (const char* mode : {"SingleFrame", "MultiFrame"}) {
        SCOPED_TRACE(mode);
        uint32_t id = 0;
        const tPvHandle handle = StartSmall(id);
        SetEnum(handle, "AcquisitionMode", mode);
        SetUint(handle, "AcquisitionFrameCount", 3);
        Fast(handle);
        FrameLog log(6, 256);
        log.QueueAll(handle);
        ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
        const size_t expected = std::string(mode) == "SingleFrame" ? 1 : 3;
        ASSERT_TRUE(log.WaitFor(expected));
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(log.Count(), expected);
        // Starting again produces the same number once more.
        ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
        ASSERT_TRUE(log.WaitFor(2 * expected));
    }
}

TEST_F(Capture, FailedAndDroppedFrames) {
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id);
    Software(handle);
    ASSERT_EQ(pvsim_fail_frames(id, 2, ePvErrDataMissing), ePvErrSuccess);
    EXPECT_EQ(pvsim_fail_frames(id, 1, ePvErrSuccess), ePvErrBadParameter);

    // Without a queued record the frame is dropped and not counted.
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_TRUE(WaitUntil([&] { return GetUint(handle, "StatFramesDropped") == 1; }));

    FrameLog log(4, 256);
    log.Frame(3).ImageBufferSize = 255;  // one byte short
    log.QueueAll(handle);
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    }
    ASSERT_TRUE(log.WaitFor(4));
    const auto c = log.Log();
    // The dropped frame was the one without a record: the injected failures hit these two.
    EXPECT_EQ(c[0].status, ePvErrDataMissing);
    EXPECT_EQ(c[1].status, ePvErrDataMissing);
    EXPECT_EQ(c[2].status, ePvErrSuccess);
    EXPECT_EQ(c[3].status, ePvErrBufferTooSmall);
    EXPECT_EQ(log.Frame(0).ImageSize, 0u);
    EXPECT_EQ(log.Frame(3).ImageSize, 0u);
    EXPECT_EQ(c[2].frameCount, 2u);  // failed frames count, dropped ones do not
    EXPECT_TRUE(HoldsRamp(log.Buffer(2).data(), 256, false, 8, 2));
    EXPECT_EQ(pvsim_frames_delivered(id), 1u);
    EXPECT_EQ(GetUint(handle, "StatFramesCompleted"), 1u);
    EXPECT_EQ(GetUint(handle, "StatFramesDropped"), 1u);
}

TEST_F(Capture, SettingsChangedWhileStreamingApplyToTheNextFrame) {
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id);
    Software(handle);
    FrameLog log(2, 256);
    log.QueueAll(handle);
    SetUint(handle, "Width", 16);
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_TRUE(log.WaitFor(1));
    EXPECT_EQ(log.Frame(0).Width, 16u);
    EXPECT_EQ(log.Frame(0).ImageSize, 128u);
    SetEnum(handle, "PixelFormat", "Rgba32");  // 512 bytes: more than the buffer holds
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_TRUE(log.WaitFor(2));
    EXPECT_EQ(log.Frame(1).Status, ePvErrBufferTooSmall);
}

TEST_F(Capture, ClearWaitsForTheRunningCallbackAndCancelsItsRequeue) {
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id);
    Software(handle);
    FrameLog log(2, 256);
    std::atomic<bool> inside{false};
    std::atomic<bool> entered{false};
    log.onFrame = [&](tPvFrame* frame) {
        if (frame->Status != ePvErrSuccess) {
            return;
        }
        inside = true;
        entered = true;
        std::this_thread::sleep_for(100ms);
        EXPECT_EQ(PvCaptureQueueFrame(handle, frame, &FrameLog::OnFrame), ePvErrSuccess);
        inside = false;
    };
    log.QueueAll(handle);
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_TRUE(WaitUntil([&] { return entered.load(); }));
    ASSERT_EQ(PvCaptureQueueClear(handle), ePvErrSuccess);
    EXPECT_FALSE(inside);
    const auto c = log.Log();
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].status, ePvErrSuccess);
    EXPECT_EQ(c[1].status, ePvErrCancelled);  // the record still queued
    EXPECT_EQ(c[2].status, ePvErrCancelled);  // the one the callback queued again
    EXPECT_EQ(c[2].frame, c[0].frame);
}

// A record comes back holding its last frame's sizes; queued again and cleared, it must not
// pass them off as a cancelled image. Triggered, so no frame reaches it before the clear.
TEST_F(Capture, ARecordClearedAfterAFrameCarriesNoSize) {
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id);
    Software(handle);
    FrameLog log(1, 256);
    log.QueueAll(handle);
    ASSERT_EQ(PvCommandRun(handle, "FrameStartTriggerSoftware"), ePvErrSuccess);
    ASSERT_TRUE(log.WaitFor(1));
    ASSERT_EQ(log.Frame(0).Status, ePvErrSuccess);
    ASSERT_EQ(log.Frame(0).ImageSize, 256u);

    log.Frame(0).AncillarySize = 16;  // whatever the host left there
    ASSERT_EQ(PvCaptureQueueFrame(handle, &log.Frame(0), &FrameLog::OnFrame), ePvErrSuccess);
    ASSERT_EQ(PvCaptureQueueClear(handle), ePvErrSuccess);
    const auto c = log.Log();
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].status, ePvErrCancelled);
    EXPECT_EQ(log.Frame(0).ImageSize, 0u);
    EXPECT_EQ(log.Frame(0).AncillarySize, 0u);
}

TEST_F(Capture, CallbacksMayCallTheSdkForTheirOwnCamera) {
    uint32_t id = 0;
    const tPvHandle handle = StartSmall(id);
    Fast(handle);
    FrameLog log(3, 256);
    std::atomic<int> calls{0};
    log.onFrame = [&](tPvFrame* frame) {
        switch (calls++) {
            case 0:
                // Re-queue, run a command, clear and end, all from inside.
                EXPECT_EQ(PvCaptureQueueFrame(handle, frame, &FrameLog::OnFrame), ePvErrSuccess);
                EXPECT_EQ(PvCommandRun(handle, "AcquisitionStop"), ePvErrSuccess);
                EXPECT_EQ(PvCaptureQueueClear(handle), ePvErrSuccess);
                EXPECT_EQ(PvCaptureEnd(handle), ePvErrSuccess);
                EXPECT_EQ(PvCaptureStart(handle), ePvErrSuccess);
                EXPECT_EQ(PvCaptureQueueFrame(handle, frame, &FrameLog::OnFrame), ePvErrSuccess);
                EXPECT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
                break;
            case 4:
                EXPECT_EQ(PvCameraClose(handle), ePvErrSuccess);
                break;
            default:
                break;
        }
    };
    log.QueueAll(handle);
    ASSERT_EQ(PvCommandRun(handle, "AcquisitionStart"), ePvErrSuccess);
    // The inner clear cancels three records (logged before the frame whose callback cleared),
    // then the restarted capture delivers one frame, whose callback closes the camera.
    ASSERT_TRUE(log.WaitFor(5));
    const auto c = log.Log();
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(c[i].status, ePvErrCancelled);
    }
    EXPECT_EQ(c[3].status, ePvErrSuccess);
    EXPECT_EQ(c[4].status, ePvErrSuccess);
    EXPECT_EQ(c[4].frameCount, 0u);  // numbering starts again with the capture
    EXPECT_EQ(PvCameraClose(handle), ePvErrBadHandle);
}

// The threads of this process (Linux), 0 where it cannot be told.
size_t ThreadCount() {
    std::error_code error;
    const std::filesystem::directory_iterator tasks("/proc/self/task", error);
    return error ? 0 : static_cast<size_t>(std::distance(tasks, {}));
}

// Closing cancels what is queued, and a closed camera keeps no stream thread (and no stack in
// a host's address space).
TEST_F(Capture, CloseAndShutdownCancelQueuedFrames) {
    uint32_t id = 0;
    const size_t threads = ThreadCount();
    tPvHandle handle = StartSmall(id);
    FrameLog first(3, 256);
    first.QueueAll(handle);
    ASSERT_EQ(PvCameraClose(handle), ePvErrSuccess);
    ASSERT_EQ(first.Count(), 3u);
    for (const Completion& c : first.Log()) {
        EXPECT_EQ(c.status, ePvErrCancelled);
    }
    EXPECT_EQ(ThreadCount(), threads);

    handle = Open(id);
    ASSERT_EQ(PvCaptureStart(handle), ePvErrSuccess);
    FrameLog second(2, 256);
    second.QueueAll(handle);
    PvUnInitialize();
    EXPECT_EQ(second.Count(), 2u);
    EXPECT_EQ(second.Log()[1].status, ePvErrCancelled);
    ASSERT_EQ(PvInitialize(), ePvErrSuccess);
}

TEST_F(Capture, ManyCamerasStreamAtOnce) {
    pvsim_remove_all();
    constexpr uint32_t kCameras = 128;
    constexpr uint32_t kFrames = 5;
    struct Stream {
        tPvHandle handle = 0;
        std::unique_ptr<FrameLog> log;
    };
    std::vector<Stream> streams(kCameras);
    for (Stream& s : streams) {
        const uint32_t id = AddCamera(ePvFmtMono8, 16, 8).id;
        s.handle = Open(id);
        ASSERT_EQ(PvCaptureStart(s.handle), ePvErrSuccess);
        Fast(s.handle);
        s.log = std::make_unique<FrameLog>(2, 128);
        const tPvHandle handle = s.handle;
        s.log->onFrame = [handle](tPvFrame* frame) {
            if (frame->FrameCount + 2 < kFrames) {
                PvCaptureQueueFrame(handle, frame, &FrameLog::OnFrame);
            }
        };
        s.log->QueueAll(s.handle);
    }
    for (Stream& s : streams) {
        ASSERT_EQ(PvCommandRun(s.handle, "AcquisitionStart"), ePvErrSuccess);
    }
    for (Stream& s : streams) {
        ASSERT_TRUE(s.log->WaitFor(kFrames));
        const auto c = s.log->Log();
        for (uint32_t n = 0; n < kFrames; ++n) {
            EXPECT_EQ(c[n].status, ePvErrSuccess);
            EXPECT_EQ(c[n].frameCount, n);
        }
    }
    for (Stream& s : streams) {
        EXPECT_EQ(PvCameraClose(s.handle), ePvErrSuccess);
    }
}

}  // namespace
}  // namespace tarnix::test
