#include "FrameStream.h"

#include <sdkcommon/CallbackScope.h>
#include <sdkcommon/FrameQueue.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>

#include "PixelFormats.h"

using tarnix::sdk::CallbackScope;
using tarnix::sdk::FrameQueue;
using tarnix::sdk::QueuedFrame;

namespace tarnix::gige {
namespace {

// Our own buffers, for records too small to receive a whole payload: the frame is received
// into one and copied out. A record large enough receives it directly (see GiveBuffers).
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

// How many packets carry one frame (leader and trailer included): Aravis counts a frame that
// finds no free buffer once per packet.
uint32_t PacketsPerFrame(ArvCamera* camera, uint32_t payload) {
    if (!arv_camera_is_gv_device(camera)) return 1;
    GError* error = nullptr;
    const guint packetBytes = arv_camera_gv_get_packet_size(camera, &error);
    g_clear_error(&error);
    // An IP, a UDP and a GigE Vision stream header before the data of each packet.
    constexpr guint kHeaders = 20 + 8 + 8;
    if (packetBytes <= kHeaders) return 1;
    const uint32_t data = packetBytes - kHeaders;
    return (payload + data - 1) / data + 2;
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
    // The image may already be in the record (Aravis received it there): then packed lines
    // need nothing, and padded ones move down in place, each to an address below its own.
    auto* out = static_cast<uint8_t*>(frame.ImageBuffer);
    if (stride == lineBytes) {
        if (imageBytes > 0 && out != image.data) std::memcpy(out, image.data, imageBytes);
    } else {
        for (uint32_t row = 0; row < image.height; ++row) {
            std::memmove(out + row * lineBytes, image.data + row * stride, lineBytes);
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

// One of Aravis's buffers: our own memory (copy path), or a queued record's ImageBuffer, so that
// Aravis receives the frame straight into the record. We keep one reference for as long as the
// entry lives; each push to Aravis adds one, which the pop hands back.
struct HeldBuffer {
    ArvBuffer* buffer = nullptr;
    const void* data = nullptr;  // the record's memory; null for our own buffers
    size_t size = 0;
    bool busy = false;  // with Aravis, or popped and still being read
};

struct FrameStream::Shared {
    Shared(ArvStream* s, guint retention, uint32_t payloadBytes, uint32_t packetsPerFrame)
        : stream(s),
          promptRetentionUs(retention),
          payload(payloadBytes),
          packetsPerFrame(packetsPerFrame) {}
    ~Shared() {
        // Aravis's end of the stream stops its thread, and warns when it is not running.
        if (!receiving) arv_stream_start_thread(stream);
        g_object_unref(stream);  // stops Aravis's thread, drops its references
        for (HeldBuffer& held : own) g_clear_object(&held.buffer);
        for (HeldBuffer& held : records) g_clear_object(&held.buffer);
    }
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    void Deliver();
    void PromptVerdicts();
    void Complete(ArvBuffer* buffer, std::unique_lock<std::mutex>& popping);
    void Drain(std::unique_lock<std::mutex>& lock, tPvErr status);
    void GiveBuffers();
    HeldBuffer* RecordBuffer(const tPvFrame& frame);
    HeldBuffer* Find(ArvBuffer* buffer);
    void Give(HeldBuffer& held);
    void TakeBack();
    void Restart();

    ArvStream* const stream;
    // The short frame retention for a camera that cannot resend (0: it can), applied from the
    // first frame that fails; delivery thread only.
    guint promptRetentionUs;
    bool prompt = false;
    const uint32_t payload;          // bytes of Aravis's buffers; records this large take frames
    const uint32_t packetsPerFrame;  // for Aravis's underruns, which it counts per packet
    // Held while a popped buffer is being looked at, so that taking every buffer back from
    // Aravis (TakeBack) never overlaps one in our hands. Taken before `lock`.
    std::mutex popping;
    std::mutex lock;
    std::condition_variable changed;
    FrameQueue queue;  // under lock
    // Under lock: the buffers Aravis holds for the oldest records, one each in queue order, so
    // its frames, which fill its buffers in the order given, complete the records in order.
    std::array<ArvBuffer*, FrameQueue::kCapacity> given{};
    uint32_t givenCount = 0;
    std::array<HeldBuffer, kAravisBuffers> own;                 // under lock
    std::array<HeldBuffer, 2 * FrameQueue::kCapacity> records;  // under lock
    bool receiving = true;                                      // under lock: Aravis's thread runs
    int callbacksRunning = 0;  // under lock: callbacks of this stream on any thread
    int clearing = 0;          // under lock: drains in progress; no frame is taken meanwhile
    bool lost = false;         // under lock
    bool stopping = false;     // under lock
    std::atomic<bool> finished{false};  // delivery ends: lost or stopping
    std::atomic<uint32_t> completed{0};
    std::atomic<uint32_t> lateStarts{0};  // frames that began before a record was there
    std::atomic<uint32_t> incomplete{0};
};

// Our own thread rather than Aravis's buffer callback: that runs on Aravis's receiving thread,
// where a host callback (a conversion, a slow host) would stall reception and lose packets,
// and where destroying the stream from a host callback would join the thread it runs on.
void FrameStream::Shared::Deliver() {
    while (!finished.load(std::memory_order_acquire)) {
        std::unique_lock pop(popping);
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(stream, kPopTimeoutUs);
        if (buffer != nullptr) Complete(buffer, pop);
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

HeldBuffer* FrameStream::Shared::Find(ArvBuffer* buffer) {
    for (HeldBuffer& held : own)
        if (held.buffer == buffer) return &held;
    for (HeldBuffer& held : records)
        if (held.buffer == buffer) return &held;
    return nullptr;
}

// The buffer over a record's own memory: made at the record's first queueing and kept for the
// next ones, so a host that queues the same records again allocates nothing. Null when the
// record is too small for a whole payload, or its memory is already with Aravis (two records
// over one buffer): such records take the copy path.
HeldBuffer* FrameStream::Shared::RecordBuffer(const tPvFrame& frame) {
    if (frame.ImageBuffer == nullptr || frame.ImageBufferSize < payload) return nullptr;
    HeldBuffer* spare = nullptr;
    for (HeldBuffer& held : records) {
        if (held.buffer != nullptr && held.data == frame.ImageBuffer) {
            if (held.busy) return nullptr;
            if (held.size == frame.ImageBufferSize) return &held;
        }
        if (!held.busy && (spare == nullptr || held.buffer == nullptr)) spare = &held;
    }
    if (spare == nullptr) return nullptr;
    g_clear_object(&spare->buffer);
    spare->buffer = arv_buffer_new(frame.ImageBufferSize, frame.ImageBuffer);
    spare->data = frame.ImageBuffer;
    spare->size = frame.ImageBufferSize;
    return spare;
}

void FrameStream::Shared::Give(HeldBuffer& held) {
    held.busy = true;
    // The leader sets it again: a buffer that comes back without one missed its frame's start.
    arv_buffer_set_system_timestamp(held.buffer, 0);
    arv_stream_push_buffer(stream, ARV_BUFFER(g_object_ref(held.buffer)));
}

// Gives Aravis a buffer for each queued record that has none, oldest first; a record on the
// copy path waits for one of our buffers, and the records after it wait with it.
void FrameStream::Shared::GiveBuffers() {
    while (receiving && givenCount < queue.Size()) {
        const tPvFrame& frame = *queue.At(givenCount).frame;
        HeldBuffer* held = RecordBuffer(frame);
        if (held == nullptr) {
            for (HeldBuffer& candidate : own) {
                if (!candidate.busy) {
                    held = &candidate;
                    break;
                }
            }
        }
        if (held == nullptr) return;
        Give(*held);
        given[givenCount++] = held->buffer;
    }
}

// Takes every buffer back from Aravis: its thread stops (a frame in progress is dropped) and
// its queues are emptied. Only then may a record whose memory Aravis had be handed back.
// Called with `popping` and `lock` held.
void FrameStream::Shared::TakeBack() {
    if (receiving) arv_stream_stop_thread(stream, TRUE);
    receiving = false;
    for (HeldBuffer& held : own) held.busy = false;
    for (HeldBuffer& held : records) held.busy = false;
    givenCount = 0;
}

// After Aravis handed frames over out of the records' order (a frame that began before its
// record was queued, while later records had buffers too): every buffer back, and given again
// in queue order.
void FrameStream::Shared::Restart() {
    TakeBack();
    arv_stream_start_thread(stream);
    receiving = true;
    GiveBuffers();
}

void FrameStream::Shared::Complete(ArvBuffer* buffer, std::unique_lock<std::mutex>& pop) {
    std::unique_lock guard(lock);
    HeldBuffer* held = Find(buffer);
    const bool oldest = givenCount > 0 && given[0] == buffer;
    const bool taking = clearing == 0 && !lost && !stopping;
    g_object_unref(buffer);  // the reference the pop handed over; `held` keeps ours
    if (held == nullptr || !oldest || !taking) {
        if (held != nullptr && taking) Restart();
        return;  // a drain takes everything back
    }
    const ArvBufferStatus arvStatus = arv_buffer_get_status(buffer);
    if (arvStatus != ARV_BUFFER_STATUS_SUCCESS && arv_buffer_get_system_timestamp(buffer) == 0) {
        // The frame began before this buffer was given (no record was queued): dropped, and the
        // record waits for the next frame.
        if (arvStatus != ARV_BUFFER_STATUS_CLEARED && arvStatus != ARV_BUFFER_STATUS_ABORTED)
            lateStarts.fetch_add(1, std::memory_order_relaxed);
        if (givenCount == 1) {
            Give(*held);
        } else {
            Restart();
        }
        return;
    }
    if (arvStatus != ARV_BUFFER_STATUS_SUCCESS) {
        incomplete.fetch_add(1, std::memory_order_relaxed);
        PromptVerdicts();
    }
    std::copy(given.begin() + 1, given.begin() + givenCount, given.begin());
    --givenCount;
    const QueuedFrame item = queue.Pop();
    ++callbacksRunning;
    guard.unlock();

    // Our own buffer is copied from; a record's own memory already holds the image.
    const tPvErr status = FillFrame(*item.frame, buffer);
    guard.lock();
    held->busy = false;
    GiveBuffers();  // a record on the copy path may have waited for this buffer
    guard.unlock();
    pop.unlock();

    item.frame->Status = status;
    if (status == ePvErrSuccess) completed.fetch_add(1, std::memory_order_relaxed);
    if (item.callback != nullptr) {
        CallbackScope scope(this);
        item.callback(item.frame);
    }

    guard.lock();
    --callbacksRunning;
    changed.notify_all();
}

void FrameStream::Shared::Drain(std::unique_lock<std::mutex>& guard, tPvErr status) {
    // Frames wait while we do, so that a record a running callback queues again is taken here
    // and not completed by the next frame.
    ++clearing;
    const int own = CallbackScope::Depth(this);
    changed.wait(guard, [&] { return callbacksRunning <= own; });
    // No frame is in our hands now (callbacks run after the pop is done with): Aravis gives
    // back the records' memory before the records go back to the host.
    guard.unlock();
    {
        std::lock_guard pop(popping);
        guard.lock();
        TakeBack();
        if (!lost && !stopping) {
            arv_stream_start_thread(stream);
            receiving = true;
        }
    }
    FrameQueue::Batch batch;
    queue.TakeAll(batch);
    const uint32_t count = batch.count;
    if (count > 0) {
        ++callbacksRunning;
        guard.unlock();
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
        guard.lock();
        --callbacksRunning;
    }
    --clearing;
    GiveBuffers();  // records the callbacks queued again
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
    auto shared = std::make_shared<Shared>(stream, promptRetention, payload,
                                           PacketsPerFrame(camera, payload));
    // Ours are for records too small for a whole payload; Aravis gets buffers only as records
    // are queued.
    for (HeldBuffer& held : shared->own) held.buffer = arv_buffer_new_allocate(payload);
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
        std::lock_guard guard(m_Shared->lock);
        m_Shared->stopping = true;
        m_Shared->finished.store(true, std::memory_order_release);
        m_Shared->changed.notify_all();
    }
    if (m_Delivery.get_id() == std::this_thread::get_id()) {
        m_Delivery.detach();  // a callback of ours destroys us: the thread ends after it
    } else if (m_Delivery.joinable()) {
        m_Delivery.join();
    }
    std::unique_lock guard(m_Shared->lock);
    m_Shared->Drain(guard, ePvErrCancelled);
}

tPvErr FrameStream::Queue(tPvFrame* frame, tPvFrameCallback callback) {
    if (frame == nullptr || (frame->ImageBuffer == nullptr && frame->ImageBufferSize != 0)) {
        return ePvErrBadParameter;
    }
    std::lock_guard guard(m_Shared->lock);
    if (m_Shared->lost) return ePvErrUnplugged;
    if (m_Shared->stopping) return ePvErrBadSequence;
    if (m_Shared->queue.Contains(frame)) return ePvErrBadParameter;
    if (m_Shared->queue.Full()) return ePvErrQueueFull;
    m_Shared->queue.Push({frame, callback});
    m_Shared->GiveBuffers();
    return ePvErrSuccess;
}

void FrameStream::Clear() {
    // A callback may destroy this object while we wait for it or run the others.
    const std::shared_ptr<Shared> shared = m_Shared;
    std::unique_lock guard(shared->lock);
    shared->Drain(guard, ePvErrCancelled);
}

StreamStatistics FrameStream::Statistics() const {
    StreamStatistics stats;
    stats.completed = m_Shared->completed.load(std::memory_order_relaxed);
    stats.dropped = m_Shared->lateStarts.load(std::memory_order_relaxed);
    stats.incomplete = m_Shared->incomplete.load(std::memory_order_relaxed);
    guint64 buffersCompleted = 0, failures = 0, underruns = 0;
    arv_stream_get_statistics(m_Shared->stream, &buffersCompleted, &failures, &underruns);
    // Frames that arrive while no record is queued find no buffer of Aravis's, which counts
    // each of their packets.
    stats.dropped += static_cast<uint32_t>(underruns / m_Shared->packetsPerFrame);
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
    std::unique_lock guard(shared->lock);
    shared->lost = true;
    shared->finished.store(true, std::memory_order_release);
    shared->changed.notify_all();
    shared->Drain(guard, ePvErrUnplugged);
}

}  // namespace tarnix::gige
