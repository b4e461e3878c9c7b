// Capture over Aravis from a fake GigE Vision camera: frames delivered into host records with
// every field and pixel checked, the software trigger, frames with nowhere to go, clearing,
// destruction while streaming, a buffer too small and a camera that goes away; records of
// both sizes mixed, records queued while a frame is on its way, cleared records that must not
// be written afterwards, and a cleared record that must not keep its last frame's size.
#include <FrameStream.h>
#include <gtest/gtest.h>
#include <harness/FakeGigE.h>
#include <harness/FakeGigEPattern.h>
#include <harness/Wait.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace tarnix::test {
namespace {

using gige::FrameStream;
using namespace std::chrono_literals;

constexpr uint32_t kWidth = 64;
constexpr uint32_t kHeight = 48;
constexpr uint32_t kLeft = 8;
constexpr uint32_t kTop = 4;
constexpr uint32_t kFrameBytes = kWidth * kHeight;  // 8-bit formats

// The block id after id: 16 bits, 0 is never used.
uint64_t NextFrameId(uint64_t id) {
    return id == 65535 ? 1 : id + 1;
}

struct Completion {
    size_t record;
    tPvErr status;
    uint32_t frameCount;
    std::thread::id thread;
};

// Frame records with buffers whose callbacks log here (Context[0] points back). `action` runs
// inside each callback after it is logged; set it before the first record is queued.
class Records {
  public:
    Records(size_t count, uint32_t bufferSize) : m_Frames(count), m_Buffers(count) {
        for (size_t i = 0; i < count; ++i) {
            m_Buffers[i].assign(bufferSize, 0);
            m_Frames[i] = tPvFrame{};
            m_Frames[i].ImageBuffer = m_Buffers[i].data();
            m_Frames[i].ImageBufferSize = bufferSize;
            m_Frames[i].Context[0] = this;
        }
    }

    tPvFrame& operator[](size_t i) { return m_Frames[i]; }
    const uint8_t* Pixels(size_t i) const { return m_Buffers[i].data(); }

    static void PVDECL OnFrame(tPvFrame* frame) {
        auto* self = static_cast<Records*>(frame->Context[0]);
        {
            std::lock_guard lock(self->m_Lock);
            self->m_Log.push_back({size_t(frame - self->m_Frames.data()), frame->Status,
                                   frame->FrameCount, std::this_thread::get_id()});
        }
        self->m_Changed.notify_all();
        if (self->action) self->action(*frame);
    }

    // Queues every record; all must be accepted.
    void QueueAll(FrameStream& stream) {
        for (auto& frame : m_Frames) ASSERT_EQ(stream.Queue(&frame, &OnFrame), ePvErrSuccess);
    }

    bool WaitFor(size_t count) {
        std::unique_lock lock(m_Lock);
        return m_Changed.wait_for(lock, kWaitLimit, [&] { return m_Log.size() >= count; });
    }
    size_t Count() {
        std::lock_guard lock(m_Lock);
        return m_Log.size();
    }
    std::vector<Completion> Log() {
        std::lock_guard lock(m_Lock);
        return m_Log;
    }
    // The status each record completed with last.
    std::vector<tPvErr> LastStatuses() {
        std::vector<tPvErr> last(m_Frames.size(), ~tPvErr{0});
        for (const Completion& c : Log()) last[c.record] = c.status;
        return last;
    }

    std::function<void(tPvFrame&)> action;

  private:
    std::vector<tPvFrame> m_Frames;
    std::vector<std::vector<uint8_t>> m_Buffers;
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<Completion> m_Log;
};

class Stream : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!InLoopbackNetwork()) GTEST_SKIP() << "run through scripts/in-loopback-net.sh";
        ASSERT_TRUE(m_Fake.Start());
        GError* error = nullptr;
        m_Camera = arv_camera_new(m_Fake.Address().c_str(), &error);
        ASSERT_NE(m_Camera, nullptr) << (error != nullptr ? error->message : "");
        Configure(ARV_PIXEL_FORMAT_MONO_8, 100.0);
    }

    void TearDown() override {
        m_Stream.reset();
        if (m_Camera != nullptr) g_object_unref(m_Camera);
    }

    static void Check(GError* error, const char* what) {
        ASSERT_EQ(error, nullptr) << what << ": " << error->message;
    }

    void Configure(ArvPixelFormat format, double framesPerSecond) {
        GError* error = nullptr;
        arv_camera_set_pixel_format(m_Camera, format, &error);
        Check(error, "pixel format");
        arv_camera_set_region(m_Camera, kLeft, kTop, kWidth, kHeight, &error);
        Check(error, "region");
        arv_camera_set_frame_rate(m_Camera, framesPerSecond, &error);
        Check(error, "frame rate");
    }

    void CreateStream() {
        tPvErr error = ~tPvErr{0};
        m_Stream = FrameStream::Create(m_Camera, &error);
        ASSERT_NE(m_Stream, nullptr);
        ASSERT_EQ(error, ePvErrSuccess);
    }

    void StartAcquisition() {
        GError* error = nullptr;
        arv_camera_start_acquisition(m_Camera, &error);
        Check(error, "acquisition start");
    }

    void StopAcquisition() {
        GError* error = nullptr;
        arv_camera_stop_acquisition(m_Camera, &error);
        Check(error, "acquisition stop");
    }

    // Every field of a frame completed in `format`, and every pixel against the camera's
    // pattern for the block id the record carries.
    static void ExpectFrame(Records& records, size_t i, uint32_t format, tPvImageFormat pvFormat,
                            uint32_t bayerPattern) {
        const tPvFrame& frame = records[i];
        EXPECT_EQ(frame.Status, ePvErrSuccess);
        EXPECT_EQ(frame.ImageSize, kFrameBytes);
        EXPECT_EQ(frame.AncillarySize, 0u);
        EXPECT_EQ(frame.Width, kWidth);
        EXPECT_EQ(frame.Height, kHeight);
        EXPECT_EQ(frame.RegionX, kLeft);
        EXPECT_EQ(frame.RegionY, kTop);
        EXPECT_EQ(frame.Format, pvFormat);
        EXPECT_EQ(frame.BitDepth, 8u);
        EXPECT_EQ(frame.BayerPattern, bayerPattern);
        EXPECT_NE(frame.FrameCount, 0u);
        EXPECT_NE(frame.TimestampLo | frame.TimestampHi, 0u);
        EXPECT_EQ(
            FirstFakePatternMismatch(format, records.Pixels(i), kWidth, kHeight, frame.FrameCount),
            kFrameBytes)
            << "record " << i << ", frame " << frame.FrameCount;
    }

    // Records live as long as the test, past TearDown's end of the stream, so that a test that
    // stops half-way leaves none queued in freed memory.
    Records& MakeRecords(size_t count, uint32_t bufferSize) {
        m_Records.push_back(std::make_unique<Records>(count, bufferSize));
        return *m_Records.back();
    }

    FakeGigECamera m_Fake{FakeCameraAddress(0), "STREAM"};
    ArvCamera* m_Camera = nullptr;
    std::vector<std::unique_ptr<Records>> m_Records;
    std::unique_ptr<FrameStream> m_Stream;
};

uint64_t Timestamp(const tPvFrame& frame) {
    return uint64_t{frame.TimestampHi} << 32 | frame.TimestampLo;
}

TEST_F(Stream, QueueingRules) {
    CreateStream();  // no acquisition: nothing completes on its own
    Records& records = MakeRecords(17, kFrameBytes);
    EXPECT_EQ(m_Stream->Queue(&records[0], &Records::OnFrame), ePvErrSuccess);
    // A record is the SDK's until it completes: queueing it twice, or a 17th, is refused.
    EXPECT_EQ(m_Stream->Queue(&records[0], &Records::OnFrame), ePvErrBadParameter);
    for (size_t i = 1; i < 16; ++i) {
        EXPECT_EQ(m_Stream->Queue(&records[i], &Records::OnFrame), ePvErrSuccess);
    }
    EXPECT_EQ(m_Stream->Queue(&records[16], &Records::OnFrame), ePvErrQueueFull);
    EXPECT_EQ(m_Stream->Queue(nullptr, &Records::OnFrame), ePvErrBadParameter);
    tPvFrame noBuffer{};
    noBuffer.ImageBufferSize = 16;
    EXPECT_EQ(m_Stream->Queue(&noBuffer, &Records::OnFrame), ePvErrBadParameter);
    EXPECT_EQ(records.Count(), 0u);

    m_Stream->Clear();
    const auto log = records.Log();
    ASSERT_EQ(log.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(log[i].record, i);  // queue order
        EXPECT_EQ(log[i].status, ePvErrCancelled);
        EXPECT_EQ(log[i].thread, std::this_thread::get_id());
        EXPECT_EQ(records[i].ImageSize, 0u);
    }
    EXPECT_EQ(m_Stream->Queue(&records[16], &Records::OnFrame), ePvErrSuccess);
}

TEST_F(Stream, FreeRunFillsRecordsInQueueOrderWithTheCamerasPixels) {
    CreateStream();
    Records& records = MakeRecords(4, kFrameBytes);
    records.QueueAll(*m_Stream);
    StartAcquisition();
    ASSERT_TRUE(records.WaitFor(4));

    const auto log = records.Log();
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(log[i].record, i);  // queue order
        EXPECT_NE(log[i].thread, std::this_thread::get_id());
        ExpectFrame(records, i, kGenICamMono8, ePvFmtMono8, ePvBayerRGGB);
        if (i > 0) {
            EXPECT_EQ(records[i].FrameCount, NextFrameId(records[i - 1].FrameCount));
            EXPECT_GT(Timestamp(records[i]), Timestamp(records[i - 1]));
        }
    }
    EXPECT_EQ(m_Stream->Statistics().completed, 4u);
    EXPECT_EQ(m_Stream->Statistics().dropped, 0u);
}

TEST_F(Stream, BayerFramesCarryTheirTileOrder) {
    const struct {
        ArvPixelFormat format;
        uint32_t pattern;
    } cases[] = {{ARV_PIXEL_FORMAT_BAYER_GR_8, ePvBayerGRBG},
                 {ARV_PIXEL_FORMAT_BAYER_GB_8, ePvBayerGBRG}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        Configure(c.format, 100.0);
        CreateStream();
        Records& records = MakeRecords(2, kFrameBytes);
        records.QueueAll(*m_Stream);
        StartAcquisition();
        ASSERT_TRUE(records.WaitFor(2));
        StopAcquisition();
        m_Stream.reset();
        for (size_t i = 0; i < 2; ++i) ExpectFrame(records, i, c.format, ePvFmtBayer8, c.pattern);
    }
}

TEST_F(Stream, SoftwareTriggerDeliversOneFramePerTrigger) {
    GError* error = nullptr;
    arv_camera_set_trigger(m_Camera, "Software", &error);
    Check(error, "software trigger");
    CreateStream();
    Records& records = MakeRecords(4, kFrameBytes);
    records.QueueAll(*m_Stream);
    StartAcquisition();
    std::this_thread::sleep_for(300ms);  // free run would have sent about 30 frames by now
    EXPECT_EQ(records.Count(), 0u);
    for (size_t n = 1; n <= 3; ++n) {
        arv_camera_software_trigger(m_Camera, &error);
        Check(error, "trigger");
        ASSERT_TRUE(records.WaitFor(n));
        std::this_thread::sleep_for(100ms);  // room for a second frame that must not come
        EXPECT_EQ(records.Count(), n);
    }
    for (size_t i = 0; i < 3; ++i) ExpectFrame(records, i, kGenICamMono8, ePvFmtMono8, 0);
    EXPECT_EQ(m_Stream->Statistics().completed, 3u);
    EXPECT_EQ(m_Stream->Statistics().dropped, 0u);
}

TEST_F(Stream, FramesWithNoRecordQueuedAreDroppedAndTheirBuffersReturn) {
    Configure(ARV_PIXEL_FORMAT_MONO_8, 200.0);
    CreateStream();
    StartAcquisition();
    // More frames than the stream has buffers: one that did not go back would starve it.
    ASSERT_TRUE(WaitUntil([&] { return m_Stream->Statistics().dropped >= 20; }));
    EXPECT_EQ(m_Stream->Statistics().completed, 0u);

    Records& records = MakeRecords(2, kFrameBytes);
    records.QueueAll(*m_Stream);
    ASSERT_TRUE(records.WaitFor(2));
    for (size_t i = 0; i < 2; ++i) ExpectFrame(records, i, kGenICamMono8, ePvFmtMono8, 0);
    EXPECT_EQ(m_Stream->Statistics().completed, 2u);
    const uint32_t dropped = m_Stream->Statistics().dropped;
    ASSERT_TRUE(WaitUntil([&] { return m_Stream->Statistics().dropped > dropped + 5; }));
    EXPECT_EQ(m_Stream->Statistics().completed, 2u);
}

TEST_F(Stream, TooSmallABufferCompletesWithoutAnImage) {
    CreateStream();
    Records& small = MakeRecords(1, kFrameBytes - 1);
    Records& fits = MakeRecords(1, kFrameBytes);
    ASSERT_EQ(m_Stream->Queue(&small[0], &Records::OnFrame), ePvErrSuccess);
    ASSERT_EQ(m_Stream->Queue(&fits[0], &Records::OnFrame), ePvErrSuccess);
    StartAcquisition();
    ASSERT_TRUE(small.WaitFor(1));
    ASSERT_TRUE(fits.WaitFor(1));
    EXPECT_EQ(small[0].Status, ePvErrBufferTooSmall);
    EXPECT_EQ(small[0].ImageSize, 0u);
    EXPECT_EQ(small[0].Width, kWidth);  // the record still says what the frame was
    EXPECT_EQ(small[0].Height, kHeight);
    EXPECT_EQ(small.Pixels(0)[0], 0);  // nothing written
    ExpectFrame(fits, 0, kGenICamMono8, ePvFmtMono8, 0);
    EXPECT_EQ(fits[0].FrameCount, NextFrameId(small[0].FrameCount));
    EXPECT_EQ(m_Stream->Statistics().completed, 1u);
}

// Records too small for a frame between ones that fit: each takes its frame in queue order,
// consecutive frames, the small one without an image.
TEST_F(Stream, RecordsOfMixedSizesCompleteInQueueOrder) {
    CreateStream();
    Records& fits = MakeRecords(3, kFrameBytes);
    Records& small = MakeRecords(1, kFrameBytes - 1);
    ASSERT_EQ(m_Stream->Queue(&fits[0], &Records::OnFrame), ePvErrSuccess);
    ASSERT_EQ(m_Stream->Queue(&small[0], &Records::OnFrame), ePvErrSuccess);
    ASSERT_EQ(m_Stream->Queue(&fits[1], &Records::OnFrame), ePvErrSuccess);
    ASSERT_EQ(m_Stream->Queue(&fits[2], &Records::OnFrame), ePvErrSuccess);
    StartAcquisition();
    ASSERT_TRUE(fits.WaitFor(3));
    ASSERT_EQ(small.Count(), 1u);
    EXPECT_EQ(small[0].Status, ePvErrBufferTooSmall);
    for (size_t i = 0; i < 3; ++i) ExpectFrame(fits, i, kGenICamMono8, ePvFmtMono8, 0);
    EXPECT_EQ(small[0].FrameCount, NextFrameId(fits[0].FrameCount));
    EXPECT_EQ(fits[1].FrameCount, NextFrameId(small[0].FrameCount));
    EXPECT_EQ(fits[2].FrameCount, NextFrameId(fits[1].FrameCount));
}

// A record queued while a frame is on its way gets a whole frame, never one cut off. Large
// frames at random moments make such frames likely.
TEST_F(Stream, ARecordQueuedDuringAFrameGetsAWholeOne) {
    constexpr uint32_t kBigWidth = 1024, kBigHeight = 512;
    GError* error = nullptr;
    arv_camera_set_region(m_Camera, 0, 0, kBigWidth, kBigHeight, &error);
    Check(error, "region");
    arv_camera_set_frame_rate(m_Camera, 100.0, &error);
    Check(error, "frame rate");
    CreateStream();
    StartAcquisition();
    Records& records = MakeRecords(1, kBigWidth * kBigHeight);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pauseUs(0, 10000);
    for (size_t round = 1; round <= 40; ++round) {
        std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
        ASSERT_EQ(m_Stream->Queue(&records[0], &Records::OnFrame), ePvErrSuccess);
        ASSERT_TRUE(records.WaitFor(round));
        ASSERT_EQ(records[0].Status, ePvErrSuccess) << "round " << round;
        ASSERT_EQ(records[0].ImageSize, kBigWidth * kBigHeight);
        ASSERT_EQ(FirstFakePatternMismatch(kGenICamMono8, records.Pixels(0), kBigWidth, kBigHeight,
                                           records[0].FrameCount),
                  size_t{kBigWidth} * kBigHeight)
            << "round " << round;
    }
    EXPECT_GT(m_Stream->Statistics().dropped, 0u);
}

// Records that queue themselves again after each frame, as a streaming host does; a callback
// that takes its time keeps the delivery thread inside one most of the time.
void Requeue(Records& records, FrameStream* stream, std::atomic<int>* refused = nullptr) {
    records.action = [stream, refused](tPvFrame& frame) {
        if (frame.Status != ePvErrSuccess) return;
        std::this_thread::sleep_for(3ms);
        const tPvErr queued = stream->Queue(&frame, &Records::OnFrame);
        if (queued != ePvErrSuccess && refused != nullptr) refused->fetch_add(1);
    };
}

TEST_F(Stream, ClearCancelsEveryRecordAndNoneArrivesAfterIt) {
    Configure(ARV_PIXEL_FORMAT_MONO_8, 200.0);
    CreateStream();
    Records& records = MakeRecords(4, kFrameBytes);
    Requeue(records, m_Stream.get());
    records.QueueAll(*m_Stream);
    StartAcquisition();
    ASSERT_TRUE(records.WaitFor(12));

    m_Stream->Clear();
    const size_t afterClear = records.Count();
    // Each record was queued or inside its callback, queueing itself again: all are cancelled,
    // on this thread.
    for (const tPvErr status : records.LastStatuses()) EXPECT_EQ(status, ePvErrCancelled);
    const auto log = records.Log();
    for (size_t i = afterClear - 4; i < afterClear; ++i) {
        EXPECT_EQ(log[i].status, ePvErrCancelled);
        EXPECT_EQ(log[i].thread, std::this_thread::get_id());
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(records.Count(), afterClear);
    EXPECT_GT(m_Stream->Statistics().dropped, 0u);

    // None was left queued, and the stream goes on once records come back.
    const size_t before = records.Count();
    records.QueueAll(*m_Stream);
    ASSERT_TRUE(records.WaitFor(before + 8));
}

// Once a cleared record is back with the host, no later frame writes into it. Triggered
// frames, so that none comes before the check.
TEST_F(Stream, ClearedRecordsAreNeverWrittenAfterwards) {
    GError* error = nullptr;
    arv_camera_set_trigger(m_Camera, "Software", &error);
    Check(error, "software trigger");
    CreateStream();
    StartAcquisition();
    Records& cleared = MakeRecords(3, kFrameBytes);
    for (int round = 0; round < 3; ++round) {
        cleared.QueueAll(*m_Stream);
        m_Stream->Clear();
        for (const tPvErr status : cleared.LastStatuses()) ASSERT_EQ(status, ePvErrCancelled);
    }
    for (size_t i = 0; i < 3; ++i) std::memset(cleared[i].ImageBuffer, 0xEE, kFrameBytes);

    Records& streaming = MakeRecords(2, kFrameBytes);
    streaming.QueueAll(*m_Stream);
    for (size_t n = 1; n <= 4; ++n) {
        if (n == 3) streaming.QueueAll(*m_Stream);
        arv_camera_software_trigger(m_Camera, &error);
        Check(error, "trigger");
        ASSERT_TRUE(streaming.WaitFor(n));
    }
    for (size_t i = 0; i < 2; ++i) ExpectFrame(streaming, i, kGenICamMono8, ePvFmtMono8, 0);
    for (size_t i = 0; i < 3; ++i) {
        const auto* pixels = cleared.Pixels(i);
        EXPECT_EQ(static_cast<size_t>(std::count(pixels, pixels + kFrameBytes, uint8_t{0xEE})),
                  size_t{kFrameBytes})
            << "record " << i;
    }
}

// A record comes back holding its last frame's sizes; queued again and cleared, it must not
// pass them off as a cancelled image. One trigger and acquisition stopped, so no frame can
// reach the record before the clear.
TEST_F(Stream, ARecordClearedAfterAFrameCarriesNoSize) {
    GError* error = nullptr;
    arv_camera_set_trigger(m_Camera, "Software", &error);
    Check(error, "software trigger");
    CreateStream();
    Records& records = MakeRecords(1, kFrameBytes);
    records.QueueAll(*m_Stream);
    StartAcquisition();
    arv_camera_software_trigger(m_Camera, &error);
    Check(error, "trigger");
    ASSERT_TRUE(records.WaitFor(1));
    StopAcquisition();
    ASSERT_EQ(records[0].Status, ePvErrSuccess);
    ASSERT_EQ(records[0].ImageSize, kFrameBytes);

    records[0].AncillarySize = 16;  // whatever the host left there
    records.QueueAll(*m_Stream);
    m_Stream->Clear();
    const auto log = records.Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].status, ePvErrCancelled);
    EXPECT_EQ(log[1].thread, std::this_thread::get_id());
    EXPECT_EQ(records[0].Status, ePvErrCancelled);
    EXPECT_EQ(records[0].ImageSize, 0u);
    EXPECT_EQ(records[0].AncillarySize, 0u);
}

TEST_F(Stream, CallbacksMayClearTheQueueAndDestroyTheStream) {
    Configure(ARV_PIXEL_FORMAT_MONO_8, 200.0);
    CreateStream();
    Records& records = MakeRecords(4, kFrameBytes);
    std::atomic<int> frames{0};
    std::atomic<bool> destroyed{false};
    records.action = [&](tPvFrame& frame) {
        if (frame.Status != ePvErrSuccess) return;
        const int n = ++frames;
        if (n == 1) {
            m_Stream->Clear();  // from the delivery thread: the other three are cancelled
            records.QueueAll(*m_Stream);
        } else if (n == 3) {
            m_Stream.reset();  // from the delivery thread
            destroyed = true;
        }
    };
    records.QueueAll(*m_Stream);
    StartAcquisition();
    ASSERT_TRUE(WaitUntil([&] { return destroyed.load(); }));
    ASSERT_TRUE(records.WaitFor(8));
    const auto log = records.Log();
    // Frame, three cancelled, frame, frame, then the two left cancelled by the destructor.
    ASSERT_EQ(log.size(), 8u);
    const tPvErr want[] = {0, 14, 14, 14, 0, 0, 14, 14};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(log[i].status, want[i]) << i;
    const std::thread::id delivery = log[0].thread;
    for (const Completion& c : log) EXPECT_EQ(c.thread, delivery);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(records.Count(), 8u);
}

TEST_F(Stream, DestroyingWhileStreamingCancelsAndWaits) {
    Configure(ARV_PIXEL_FORMAT_MONO_8, 200.0);
    CreateStream();
    Records& records = MakeRecords(4, kFrameBytes);
    std::atomic<int> refused{0};
    Requeue(records, m_Stream.get(), &refused);
    records.QueueAll(*m_Stream);
    StartAcquisition();
    ASSERT_TRUE(records.WaitFor(12));

    m_Stream.reset();
    const size_t afterDestroy = records.Count();
    // Each record was cancelled, unless a callback running as the destructor began had its
    // queueing refused: then its frame was the last it saw.
    int cancelled = 0;
    for (const tPvErr status : records.LastStatuses()) {
        EXPECT_TRUE(status == ePvErrCancelled || status == ePvErrSuccess) << status;
        cancelled += status == ePvErrCancelled ? 1 : 0;
    }
    EXPECT_EQ(cancelled + refused.load(), 4);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(records.Count(), afterDestroy);
}

TEST_F(Stream, LostCameraCompletesQueuedRecordsAsUnplugged) {
    CreateStream();
    Records& first = MakeRecords(2, kFrameBytes);
    first.QueueAll(*m_Stream);
    StartAcquisition();
    ASSERT_TRUE(first.WaitFor(2));

    m_Fake.Kill();
    // Let a frame cut off by the kill reach the stream first, so that it meets no record.
    std::this_thread::sleep_for(500ms);
    Records& records = MakeRecords(3, kFrameBytes);
    records.QueueAll(*m_Stream);
    m_Stream->SetLost();
    ASSERT_EQ(records.Count(), 3u);  // completed before SetLost returned, on this thread
    for (const Completion& c : records.Log()) {
        EXPECT_EQ(c.status, ePvErrUnplugged);
        EXPECT_EQ(c.thread, std::this_thread::get_id());
    }
    EXPECT_EQ(m_Stream->Queue(&records[0], &Records::OnFrame), ePvErrUnplugged);
    m_Stream->Clear();
    // Plugged in again before the stream and the camera object go, so that Aravis's farewell
    // to it (stopping the stream channel, giving up control) is answered rather than retried
    // for seconds.
    ASSERT_TRUE(m_Fake.Start());
    m_Stream.reset();
    EXPECT_EQ(records.Count(), 3u);
}

}  // namespace
}  // namespace tarnix::test
