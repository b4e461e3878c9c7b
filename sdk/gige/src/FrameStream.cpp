#include "FrameStream.h"

#include <platform/ThreadSafety.h>
#include <sdkcommon/CallbackScope.h>
#include <sdkcommon/FrameQueue.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <system_error>

#include "PixelFormats.h"

using tarnix::sdk::CallbackScope;
using tarnix::sdk::FrameQueue;
using tarnix::sdk::QueuedFrame;

namespace tarnix::gige {
namespace {

// Aravis's own buffers. Each is copied out and pushed back at once, so a few cover the time a
// host callback takes; more only hide a host that is too slow.
constexpr int kAravisBuffers = 8;

// How long the delivery thread waits for a buffer before it looks whether it should stop: the
// longest a destructor waits for an idle stream.
constexpr guint64 kPopTimeoutUs = 20000;

tPvErr FromGError(const GError* error) {
    if (error->domain == ARV_DEVICE_ERROR && error->code == ARV_DEVICE_ERROR_TIMEOUT) {
        return ePvErrTimeout;
    }
    return ePvErrCameraFault;
}

// GigE Vision's bootstrap register of the control protocol's capabilities, and its bit for
// packet resend requests (Aravis reads the same, but does not tell).
constexpr guint64 kGvcpCapabilityRegister = 0x0934;
constexpr guint32 kGvcpCapabilityPacketResend = 1u << 2;

// With no resend to wait for, Aravis's receiving thread looks at unfinished frames this often
// (it sleeps in its poll for the packet time-out): a failed frame is handed over within
// about this much more than its retention.
constexpr guint kNoResendPacketTimeoutUs = 1000;

// A frame that failed in transit carries no image part Aravis would let us read (its part
// getters raise GLib criticals): only a buffer Aravis completed is looked at as an image.
bool HasImage(ArvBuffer* buffer) {
    if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS) return false;
    const ArvBufferPayloadType type = arv_buffer_get_payload_type(buffer);
    return (type == ARV_BUFFER_PAYLOAD_TYPE_IMAGE ||
            type == ARV_BUFFER_PAYLOAD_TYPE_EXTENDED_CHUNK_DATA) &&
           arv_buffer_get_n_parts(buffer) > 0 &&
           arv_buffer_get_part_data_type(buffer, 0) == ARV_BUFFER_PART_DATA_TYPE_2D_IMAGE;
}

// Fills the record from the buffer; returns the status it completes with.
tPvErr FillFrame(tPvFrame& frame, ArvBuffer* buffer) {
    frame.ImageSize = 0;
    frame.AncillarySize = 0;
    frame.Width = frame.Height = frame.RegionX = frame.RegionY = 0;
    frame.Format = ePvFmtMono8;
    frame.BitDepth = 8;
    frame.BayerPattern = ePvBayerRGGB;
    const guint64 id = arv_buffer_get_frame_id(buffer);
    frame.FrameCount = static_cast<uint32_t>(id);
    guint64 timestampNs = arv_buffer_get_timestamp(buffer);
    if (timestampNs == 0) timestampNs = arv_buffer_get_system_timestamp(buffer);
    const uint64_t timestampUs = timestampNs / 1000;
    frame.TimestampLo = static_cast<uint32_t>(timestampUs);
    frame.TimestampHi = static_cast<uint32_t>(timestampUs >> 32);

    if (!HasImage(buffer)) return ePvErrDataMissing;
    BufferImage image;
    gint x = 0, y = 0, width = 0, height = 0, xPadding = 0, yPadding = 0;
    arv_buffer_get_part_region(buffer, 0, &x, &y, &width, &height);
    arv_buffer_get_part_padding(buffer, 0, &xPadding, &yPadding);
    image.x = static_cast<uint32_t>(std::max(x, 0));
    image.y = static_cast<uint32_t>(std::max(y, 0));
    image.width = static_cast<uint32_t>(std::max(width, 0));
    image.height = static_cast<uint32_t>(std::max(height, 0));
    image.linePadding = static_cast<uint32_t>(std::max(xPadding, 0));
    image.format = arv_buffer_get_part_pixel_format(buffer, 0);
    image.data = static_cast<const uint8_t*>(arv_buffer_get_part_data(buffer, 0, &image.size));
    return CopyImage(image, frame);
}

uint64_t StreamBytesPerSecond(ArvDevice* device) {
    if (arv_device_get_feature(device, "StreamBytesPerSecond") == nullptr) return 0;
    GError* error = nullptr;
    const gint64 value =
        arv_device_get_integer_feature_value(device, "StreamBytesPerSecond", &error);
    g_clear_error(&error);
    return value > 0 ? static_cast<uint64_t>(value) : 0;
}

// A camera that answers resend requests gets them, with Aravis's patient defaults. One that
// cannot gets none; returns 0 for the first, and for the second the frame retention that gives
// a frame missing packets up shortly after its last packet rather than when the next frame
// arrives or a 100 ms retention runs out (see PromptVerdicts).
guint ConfigureResend(ArvCamera* camera, ArvStream* stream) {
    if (!ARV_IS_GV_STREAM(stream)) return 0;
    ArvDevice* device = arv_camera_get_device(camera);
    GError* error = nullptr;
    guint32 capabilities = 0;
    const bool read =
        arv_device_read_register(device, kGvcpCapabilityRegister, &capabilities, &error);
    g_clear_error(&error);
    const bool resend = read && (capabilities & kGvcpCapabilityPacketResend) != 0;
    if (resend) {
        g_object_set(stream, "packet-resend", ARV_GV_STREAM_PACKET_RESEND_ALWAYS, nullptr);
        return 0;
    }
    const guint packetBytes = arv_camera_gv_get_packet_size(camera, &error);
    g_clear_error(&error);
    const gint64 delayNs = arv_camera_gv_get_packet_delay(camera, &error);
    g_clear_error(&error);
    g_object_set(stream, "packet-resend", ARV_GV_STREAM_PACKET_RESEND_NEVER, nullptr);
    return FrameRetentionUs(packetBytes, StreamBytesPerSecond(device),
                            delayNs > 0 ? static_cast<uint64_t>(delayNs) : 0);
}

}  // namespace

tPvErr CopyImage(const BufferImage& image, tPvFrame& frame) {
    frame.ImageSize = 0;
    frame.Width = image.width;
    frame.Height = image.height;
    frame.RegionX = image.x;
    frame.RegionY = image.y;
    const bool known =
        ToPvFormat(image.format, &frame.Format, &frame.BitDepth, &frame.BayerPattern);
    if (!known) return ePvErrInvalidSetup;

    // Lines are packed in the record; a camera may pad its lines.
    const uint64_t lineBytes =
        uint64_t{image.width} * ARV_PIXEL_FORMAT_BIT_PER_PIXEL(image.format) / 8;
    const uint64_t stride = lineBytes + image.linePadding;
    const uint64_t imageBytes = lineBytes * image.height;
    if (image.data == nullptr ||
        (image.height > 0 && stride * (image.height - 1) + lineBytes > image.size)) {
        return ePvErrDataMissing;
    }
    if (imageBytes > frame.ImageBufferSize) return ePvErrBufferTooSmall;
    auto* out = static_cast<uint8_t*>(frame.ImageBuffer);
    if (stride == lineBytes) {
        if (imageBytes > 0) std::memcpy(out, image.data, imageBytes);
    } else {
        for (uint32_t row = 0; row < image.height; ++row) {
            std::memcpy(out + row * lineBytes, image.data + row * stride, lineBytes);
        }
    }
    frame.ImageSize = static_cast<uint32_t>(imageBytes);
    return ePvErrSuccess;
}

uint32_t FrameRetentionUs(uint32_t packetBytes, uint64_t bytesPerSecond, uint64_t packetDelayNs) {
    constexpr uint64_t kLeast = 5000, kMost = 100000, kGaps = 4;
    uint64_t gapUs = packetDelayNs / 1000;
    if (bytesPerSecond > 0) {
        gapUs = std::max<uint64_t>(gapUs, uint64_t{packetBytes} * 1000000 / bytesPerSecond);
    }
    return static_cast<uint32_t>(std::clamp(gapUs * kGaps, kLeast, kMost));
}

struct FrameStream::Shared {
    Shared(ArvStream* s, guint retention) : stream(s), promptRetentionUs(retention) {}
    ~Shared() { g_object_unref(stream); }  // stops Aravis's thread, frees its buffers
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    void Deliver() EXCLUDES(lock);
    void PromptVerdicts();
    void Complete(ArvBuffer* buffer) EXCLUDES(lock);
    // `held` is the caller's hold on the lock, for the wait; the lock is let go while the
    // records' callbacks run.
    void Drain(platform::MutexLock& held, tPvErr status) REQUIRES(lock);

    ArvStream* const stream;
    // The short frame retention for a camera that cannot resend (0: it can), applied from the
    // first frame that fails; delivery thread only.
    guint promptRetentionUs;
    bool prompt = false;
    platform::Mutex lock;
    std::condition_variable changed;
    FrameQueue queue GUARDED_BY(lock);
    // Callbacks of this stream on any thread.
    int callbacksRunning GUARDED_BY(lock) = 0;
    // Drains in progress; no frame is taken meanwhile.
    int clearing GUARDED_BY(lock) = 0;
    bool lost GUARDED_BY(lock) = false;
    bool stopping GUARDED_BY(lock) = false;
    std::atomic<bool> finished{false};  // delivery ends: lost or stopping
    std::atomic<uint32_t> completed{0};
    std::atomic<uint32_t> dropped{0};
    std::atomic<uint32_t> incomplete{0};
};

// Our own thread rather than Aravis's buffer callback: that runs on Aravis's receiving thread,
// where a host callback (a conversion, a slow host) would stall reception and lose packets,
// and where destroying the stream from a host callback would join the thread it runs on.
void FrameStream::Shared::Deliver() {
    while (!finished.load(std::memory_order_acquire)) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(stream, kPopTimeoutUs);
        if (buffer != nullptr) Complete(buffer);
    }
}

// Frames complete in the order the camera sent them, and one that lost packets is known as
// failed only once Aravis gives it up: without resend, when the next frame arrives. A record
// queued after a frame was sent but before that verdict (the driver's grab, meeting the record
// the driver keeps queued) got that older, failed frame, so grabs came out whole about p * p of
// the time for a share p of whole frames. With the verdict a few ms after the frame's last
// packet, it reaches its record before the next frame is sent.
//
// Only from the first failed frame on: a sender that pauses longer than that in the middle of
// a frame (a camera that is a process on a loaded machine) would have that frame failed, which
// on a link that loses nothing would be a loss of our own making.
void FrameStream::Shared::PromptVerdicts() {
    if (prompt || promptRetentionUs == 0) return;
    prompt = true;
    g_object_set(stream, "frame-retention", promptRetentionUs, "packet-timeout",
                 kNoResendPacketTimeoutUs, nullptr);
}

void FrameStream::Shared::Complete(ArvBuffer* buffer) {
    platform::MutexLock guard(lock);
    while (clearing != 0 && !lost && !stopping) changed.wait(guard.Native());
    const ArvBufferStatus arvStatus = arv_buffer_get_status(buffer);
    // A buffer Aravis flushed unfilled is no frame of the camera's.
    const bool frameArrived =
        arvStatus != ARV_BUFFER_STATUS_CLEARED && arvStatus != ARV_BUFFER_STATUS_ABORTED;
    if (frameArrived && arvStatus != ARV_BUFFER_STATUS_SUCCESS) {
        incomplete.fetch_add(1, std::memory_order_relaxed);
        PromptVerdicts();
    }
    if (lost || stopping || !frameArrived || queue.Empty()) {
        if (!lost && !stopping && frameArrived) dropped.fetch_add(1, std::memory_order_relaxed);
        guard.Unlock();
        arv_stream_push_buffer(stream, buffer);
        return;
    }
    const QueuedFrame item = queue.Pop();
    ++callbacksRunning;
    guard.Unlock();

    const tPvErr status = FillFrame(*item.frame, buffer);
    arv_stream_push_buffer(stream, buffer);  // before the callback: the camera may go on
    item.frame->Status = status;
    if (status == ePvErrSuccess) completed.fetch_add(1, std::memory_order_relaxed);
    if (item.callback != nullptr) {
        CallbackScope scope(this);
        item.callback(item.frame);
    }

    guard.Lock();
    --callbacksRunning;
    changed.notify_all();
}

void FrameStream::Shared::Drain(platform::MutexLock& held, tPvErr status) {
    // Frames wait while we do, so that a record a running callback queues again is taken here
    // and not completed by the next frame.
    ++clearing;
    const int own = CallbackScope::Depth(this);
    while (callbacksRunning > own) changed.wait(held.Native());
    FrameQueue::Batch batch;
    queue.TakeAll(batch);
    const uint32_t count = batch.count;
    if (count > 0) {
        ++callbacksRunning;
        lock.unlock();
        {
            CallbackScope scope(this);
            for (uint32_t i = 0; i < count; ++i) {
                tPvFrame* frame = batch.items[i].frame;
                frame->Status = status;
                frame->ImageSize = 0;
                frame->AncillarySize = 0;
                if (batch.items[i].callback != nullptr) batch.items[i].callback(frame);
            }
        }
        lock.lock();
        --callbacksRunning;
    }
    --clearing;
    changed.notify_all();
}

std::unique_ptr<FrameStream> FrameStream::Create(ArvCamera* camera, tPvErr* error) {
    const auto fail = [error](tPvErr code) {
        if (error != nullptr) *error = code;
        return nullptr;
    };
    if (!ARV_IS_CAMERA(camera)) return fail(ePvErrBadParameter);
    GError* gerror = nullptr;
    const guint payload = arv_camera_get_payload(camera, &gerror);
    if (gerror != nullptr) {
        const tPvErr code = FromGError(gerror);
        g_clear_error(&gerror);
        return fail(code);
    }
    if (payload == 0) return fail(ePvErrInvalidSetup);
    ArvStream* stream = arv_camera_create_stream(camera, nullptr, nullptr, &gerror);
    if (stream == nullptr) {
        g_clear_error(&gerror);
        return fail(ePvErrResources);
    }
    const guint promptRetention = ConfigureResend(camera, stream);
    const bool resend = ARV_IS_GV_STREAM(stream) && promptRetention == 0;
    auto shared = std::make_shared<Shared>(stream, promptRetention);
    for (int i = 0; i < kAravisBuffers; ++i) {
        arv_stream_push_buffer(stream, arv_buffer_new_allocate(payload));
    }
    std::thread delivery;
    try {
        // The thread holds the shared part too, so that a stream destroyed from one of its
        // callbacks lets the thread finish on its own.
        delivery = std::thread([shared] { shared->Deliver(); });
    } catch (const std::system_error&) {
        return fail(ePvErrResources);
    }
    if (error != nullptr) *error = ePvErrSuccess;
    return std::unique_ptr<FrameStream>(
        new FrameStream(std::move(shared), std::move(delivery), payload, resend));
}

FrameStream::FrameStream(std::shared_ptr<Shared> shared, std::thread delivery, uint32_t bufferSize,
                         bool resend)
    : m_Shared(std::move(shared)),
      m_Delivery(std::move(delivery)),
      m_BufferSize(bufferSize),
      m_Resend(resend) {}

FrameStream::~FrameStream() {
    {
        platform::MutexLock guard(m_Shared->lock);
        m_Shared->stopping = true;
        m_Shared->finished.store(true, std::memory_order_release);
        m_Shared->changed.notify_all();
    }
    if (m_Delivery.get_id() == std::this_thread::get_id()) {
        m_Delivery.detach();  // a callback of ours destroys us: the thread ends after it
    } else if (m_Delivery.joinable()) {
        m_Delivery.join();
    }
    platform::MutexLock guard(m_Shared->lock);
    m_Shared->Drain(guard, ePvErrCancelled);
}

tPvErr FrameStream::Queue(tPvFrame* frame, tPvFrameCallback callback) {
    if (frame == nullptr || (frame->ImageBuffer == nullptr && frame->ImageBufferSize != 0)) {
        return ePvErrBadParameter;
    }
    platform::MutexLock guard(m_Shared->lock);
    if (m_Shared->lost) return ePvErrUnplugged;
    if (m_Shared->stopping) return ePvErrBadSequence;
    if (m_Shared->queue.Contains(frame)) return ePvErrBadParameter;
    if (m_Shared->queue.Full()) return ePvErrQueueFull;
    m_Shared->queue.Push({frame, callback});
    return ePvErrSuccess;
}

void FrameStream::Clear() {
    // A callback may destroy this object while we wait for it or run the others.
    const std::shared_ptr<Shared> shared = m_Shared;
    platform::MutexLock guard(shared->lock);
    shared->Drain(guard, ePvErrCancelled);
}

StreamStatistics FrameStream::Statistics() const {
    StreamStatistics stats;
    stats.completed = m_Shared->completed.load(std::memory_order_relaxed);
    stats.dropped = m_Shared->dropped.load(std::memory_order_relaxed);
    stats.incomplete = m_Shared->incomplete.load(std::memory_order_relaxed);
    guint64 buffersCompleted = 0, failures = 0, underruns = 0;
    arv_stream_get_statistics(m_Shared->stream, &buffersCompleted, &failures, &underruns);
    // Frames Aravis had no free buffer for never reach us: dropped as well.
    stats.dropped += static_cast<uint32_t>(underruns);
    stats.whole = static_cast<uint32_t>(buffersCompleted);
    if (ARV_IS_GV_STREAM(m_Shared->stream)) {
        guint64 resent = 0, missing = 0;
        arv_gv_stream_get_statistics(ARV_GV_STREAM(m_Shared->stream), &resent, &missing);
        stats.packetsMissing = static_cast<uint32_t>(missing);
        stats.packetsResent = static_cast<uint32_t>(resent);
    }
    return stats;
}

void FrameStream::SetLost() {
    const std::shared_ptr<Shared> shared = m_Shared;
    platform::MutexLock guard(shared->lock);
    shared->lost = true;
    shared->finished.store(true, std::memory_order_release);
    shared->changed.notify_all();
    shared->Drain(guard, ePvErrUnplugged);
}

}  // namespace tarnix::gige
