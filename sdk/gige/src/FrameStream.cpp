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

bool HasImage(ArvBuffer* buffer) {
    const ArvBufferPayloadType type = arv_buffer_get_payload_type(buffer);
    return (type == ARV_BUFFER_PAYLOAD_TYPE_IMAGE ||
            type == ARV_BUFFER_PAYLOAD_TYPE_EXTENDED_CHUNK_DATA) &&
           arv_buffer_get_n_parts(buffer) > 0;
}

// Copies the image into the record and fills its fields; returns the status it completes with.
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
    gint x = 0, y = 0, width = 0, height = 0, xPadding = 0, yPadding = 0;
    arv_buffer_get_image_region(buffer, &x, &y, &width, &height);
    arv_buffer_get_image_padding(buffer, &xPadding, &yPadding);
    frame.Width = static_cast<uint32_t>(width);
    frame.Height = static_cast<uint32_t>(height);
    frame.RegionX = static_cast<uint32_t>(x);
    frame.RegionY = static_cast<uint32_t>(y);
    const ArvPixelFormat arvFormat = arv_buffer_get_image_pixel_format(buffer);
    const bool known = ToPvFormat(arvFormat, &frame.Format, &frame.BitDepth, &frame.BayerPattern);
    if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS) return ePvErrDataMissing;
    if (!known) return ePvErrInvalidSetup;

    // Lines are packed in the record; a camera may pad its lines.
    const uint64_t lineBytes =
        uint64_t{frame.Width} * ARV_PIXEL_FORMAT_BIT_PER_PIXEL(arvFormat) / 8;
    const uint64_t stride = lineBytes + static_cast<uint64_t>(std::max(xPadding, 0));
    const uint64_t imageBytes = lineBytes * frame.Height;
    size_t received = 0;
    const auto* data = static_cast<const uint8_t*>(arv_buffer_get_image_data(buffer, &received));
    if (data == nullptr ||
        (frame.Height > 0 && stride * (frame.Height - 1) + lineBytes > received)) {
        return ePvErrDataMissing;
    }
    if (imageBytes > frame.ImageBufferSize) return ePvErrBufferTooSmall;
    auto* out = static_cast<uint8_t*>(frame.ImageBuffer);
    if (stride == lineBytes) {
        if (imageBytes > 0) std::memcpy(out, data, imageBytes);
    } else {
        for (uint32_t row = 0; row < frame.Height; ++row) {
            std::memcpy(out + row * lineBytes, data + row * stride, lineBytes);
        }
    }
    frame.ImageSize = static_cast<uint32_t>(imageBytes);
    return ePvErrSuccess;
}

}  // namespace

struct FrameStream::Shared {
    explicit Shared(ArvStream* s) : stream(s) {}
    ~Shared() { g_object_unref(stream); }  // stops Aravis's thread, frees its buffers
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    void Deliver();
    void Complete(ArvBuffer* buffer);
    void Drain(std::unique_lock<std::mutex>& lock, tPvErr status);

    ArvStream* const stream;
    std::mutex lock;
    std::condition_variable changed;
    FrameQueue queue;          // under lock
    int callbacksRunning = 0;  // under lock: callbacks of this stream on any thread
    int clearing = 0;          // under lock: drains in progress; no frame is taken meanwhile
    bool lost = false;         // under lock
    bool stopping = false;     // under lock
    std::atomic<bool> finished{false};  // delivery ends: lost or stopping
    std::atomic<uint32_t> completed{0};
    std::atomic<uint32_t> dropped{0};
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

void FrameStream::Shared::Complete(ArvBuffer* buffer) {
    std::unique_lock guard(lock);
    changed.wait(guard, [this] { return clearing == 0 || lost || stopping; });
    const ArvBufferStatus arvStatus = arv_buffer_get_status(buffer);
    // A buffer Aravis flushed unfilled is no frame of the camera's.
    const bool frameArrived =
        arvStatus != ARV_BUFFER_STATUS_CLEARED && arvStatus != ARV_BUFFER_STATUS_ABORTED;
    if (lost || stopping || !frameArrived || queue.Empty()) {
        if (!lost && !stopping && frameArrived) dropped.fetch_add(1, std::memory_order_relaxed);
        guard.unlock();
        arv_stream_push_buffer(stream, buffer);
        return;
    }
    const QueuedFrame item = queue.Pop();
    ++callbacksRunning;
    guard.unlock();

    const tPvErr status = FillFrame(*item.frame, buffer);
    arv_stream_push_buffer(stream, buffer);  // before the callback: the camera may go on
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
    auto shared = std::make_shared<Shared>(stream);
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
        new FrameStream(std::move(shared), std::move(delivery), payload));
}

FrameStream::FrameStream(std::shared_ptr<Shared> shared, std::thread delivery, uint32_t bufferSize)
    : m_Shared(std::move(shared)), m_Delivery(std::move(delivery)), m_BufferSize(bufferSize) {}

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
    return ePvErrSuccess;
}

void FrameStream::Clear() {
    // A callback may destroy this object while we wait for it or run the others.
    const std::shared_ptr<Shared> shared = m_Shared;
    std::unique_lock guard(shared->lock);
    shared->Drain(guard, ePvErrCancelled);
}

uint32_t FrameStream::FramesCompleted() const {
    return m_Shared->completed.load(std::memory_order_relaxed);
}

uint32_t FrameStream::FramesDropped() const {
    return m_Shared->dropped.load(std::memory_order_relaxed);
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
