// Capture of a simulated camera: the frame queue, the stream thread that starts frames by
// the trigger mode and frame rate, and the completion of frame records.
#include <sdkcommon/CallbackScope.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <system_error>

#include "Camera.h"
#include "Formats.h"
#include "FrameWriter.h"

namespace tarnix::sim {

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of the calling thread, for the stream statistics.
uint64_t ThreadCpuNs() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
#else
    return 0;
#endif
}

// Frame timestamps count microseconds from the first use of the simulator.
uint64_t TimestampNow() {
    static const Clock::time_point ticket = Clock::now();
    return uint64_t(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - ticket).count());
}

}  // namespace

tPvErr Camera::CaptureStart(uint32_t ticket) {
    platform::MutexLock lock(m_Lock);
    if (const tPvErr error = CheckTicketLocked(ticket)) {
        return error;
    }
    if (m_CaptureStarted) {
        return ePvErrBadSequence;
    }
    try {
        EnsureStreamThreadLocked();
    } catch (const std::system_error&) {
        return ePvErrResources;
    }
    m_CaptureStarted = true;
    m_FrameNumber = 0;
    m_StatCompleted = 0;
    m_StatDropped = 0;
    m_PendingTriggers = 0;
    m_Changed.notify_all();
    return ePvErrSuccess;
}

tPvErr Camera::CaptureEnd(uint32_t ticket) {
    platform::MutexLock lock(m_Lock);
    if (const tPvErr error = CheckTicketLocked(ticket)) {
        return error;
    }
    // No frame starts after this; one being completed may still be in its callback, which
    // must not be waited for here (its handler may be blocked on a lock our caller holds).
    m_CaptureStarted = false;
    m_PendingTriggers = 0;
    m_Changed.notify_all();
    return ePvErrSuccess;
}

tPvErr Camera::QueueFrame(uint32_t ticket, tPvFrame* frame, tPvFrameCallback callback) {
    platform::MutexLock lock(m_Lock);
    if (const tPvErr error = CheckTicketLocked(ticket)) {
        return error;
    }
    if (frame == nullptr || (frame->ImageBuffer == nullptr && frame->ImageBufferSize != 0)) {
        return ePvErrBadParameter;
    }
    if (!m_CaptureStarted) {
        return ePvErrBadSequence;
    }
    if (m_Queue.Contains(frame)) {
        return ePvErrBadParameter;
    }
    if (m_Queue.Full()) {
        return ePvErrQueueFull;
    }
    m_Queue.Push({frame, callback});
    m_Changed.notify_all();
    return ePvErrSuccess;
}

tPvErr Camera::QueueClear(uint32_t ticket) {
    platform::MutexLock lock(m_Lock);
    if (const tPvErr error = CheckTicketLocked(ticket)) {
        return error;
    }
    DrainLocked(lock, ePvErrCancelled);
    return ePvErrSuccess;
}

void Camera::ReleaseMasterLocked() {
    m_CaptureStarted = false;
    m_Acquiring = false;  // the camera stops streaming when its controller goes away
    m_PendingTriggers = 0;
    m_Changed.notify_all();
}

void Camera::WaitForOtherCallbacks(platform::MutexLock& held) {
    const int own = sdk::CallbackScope::Depth(this);
    while (m_CallbacksRunning > own) m_Changed.wait(held.Native());
}

void Camera::CompleteBatch(sdk::FrameQueue::Batch& batch, tPvErr status) {
    if (batch.count == 0) {
        return;
    }
    ++m_CallbacksRunning;
    m_Lock.unlock();
    {
        sdk::CallbackScope scope(this);
        for (uint32_t i = 0; i < batch.count; ++i) {
            tPvFrame* frame = batch.items[i].frame;
            frame->Status = status;
            frame->ImageSize = 0;
            frame->AncillarySize = 0;
            if (batch.items[i].callback != nullptr) {
                batch.items[i].callback(frame);
            }
        }
    }
    m_Lock.lock();
    --m_CallbacksRunning;
    m_Changed.notify_all();
}

void Camera::DrainLocked(platform::MutexLock& held, tPvErr status) {
    // No frame may start while we wait, and a callback that re-queues its record before it
    // returns has that record cancelled here as well.
    ++m_Clearing;
    WaitForOtherCallbacks(held);
    sdk::FrameQueue::Batch batch;
    m_Queue.TakeAll(batch);
    CompleteBatch(batch, status);
    --m_Clearing;
    m_Changed.notify_all();
}

void Camera::EnsureStreamThreadLocked() {
    if (m_Stream.joinable()) {
        return;
    }
    // The thread keeps the camera alive, so a thread told to stop from inside one of its own
    // callbacks can be detached and finish on its own.
    const uint64_t generation = ++m_StreamGeneration;
    m_Stream =
        std::thread([self = shared_from_this(), generation] { self->StreamLoop(generation); });
}

void Camera::StopStreamThread() {
    std::thread stream;
    {
        platform::MutexLock lock(m_Lock);
        stream = TakeStreamThreadLocked();
    }
    EndStreamThread(std::move(stream));
}

std::thread Camera::TakeStreamThreadLocked() {
    ++m_StreamGeneration;
    m_Changed.notify_all();
    return std::move(m_Stream);
}

void Camera::EndStreamThread(std::thread stream) {
    if (!stream.joinable()) {
        return;
    }
    if (stream.get_id() == std::this_thread::get_id()) {
        stream.detach();
    } else {
        stream.join();
    }
}

bool Camera::CanStartFrameLocked() const {
    return m_CaptureStarted && m_Acquiring && m_Clearing == 0 && m_Plugged && !m_Removed;
}

bool Camera::TimedTriggerLocked() const {
    const uint32_t mode = TriggerModeLocked();
    return mode == kTrigFreerun || mode == kTrigFixedRate;
}

void Camera::StreamLoop(uint64_t generation) {
    FrameWriter writer(m_Desc.bitDepth);
    platform::MutexLock lock(m_Lock);
    bool scheduled = false;  // lastDue is the start time of the previous timed frame
    Clock::time_point lastDue;
    while (m_StreamGeneration == generation) {
        if (!CanStartFrameLocked()) {
            scheduled = false;
            m_Changed.wait(lock.Native());
            continue;
        }
        if (TimedTriggerLocked()) {
            const auto period = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(1.0 / m_F[size_t(Attr::FrameRate)]));
            const auto now = Clock::now();
            const auto due = scheduled ? lastDue + period : now;
            if (now < due) {
                m_Changed.wait_until(lock.Native(), due);
                continue;
            }
            // Behind by more than a period: start afresh rather than catch up in a burst.
            lastDue = now - due > period ? now : due;
            scheduled = true;
        } else {
            scheduled = false;
            if (m_PendingTriggers == 0) {
                m_Changed.wait(lock.Native());
                continue;
            }
            --m_PendingTriggers;
        }
        RunFrame(writer);
    }
}

void Camera::CountFrameStartLocked() {
    if (m_U[size_t(Attr::AcquisitionMode)] == kAcqContinuous || m_AcquireLeft == 0) {
        return;
    }
    if (--m_AcquireLeft == 0) {
        m_Acquiring = false;
    }
}

FrameShape Camera::ShapeLocked() const {
    FrameShape shape{};
    shape.format = m_U[size_t(Attr::PixelFormat)];
    shape.width = m_U[size_t(Attr::Width)];
    shape.height = m_U[size_t(Attr::Height)];
    shape.bitDepth = FrameBitDepth(shape.format, m_Desc.bitDepth);
    shape.bytes = FrameBytes(shape.format, shape.width, shape.height);
    return shape;
}

void Camera::RunFrame(FrameWriter& writer) {
    CountFrameStartLocked();
    if (m_Queue.Empty()) {
        ++m_StatDropped;  // nowhere to put it
        return;
    }
    const sdk::QueuedFrame item = m_Queue.Pop();
    const FrameShape shape = ShapeLocked();
    const uint32_t pattern = m_Pattern;
    const uint32_t n = m_FrameNumber++;
    tPvErr status = ePvErrSuccess;
    if (m_FailFrames > 0) {
        --m_FailFrames;
        status = m_FailFrameStatus;
    } else if (shape.bytes > item.frame->ImageBufferSize) {
        status = ePvErrBufferTooSmall;
    }
    if (status == ePvErrSuccess) {
        ++m_StatCompleted;
        m_Delivered.fetch_add(1, std::memory_order_relaxed);
    }
    const uint32_t left = m_U[size_t(Attr::RegionX)];
    const uint32_t top = m_U[size_t(Attr::RegionY)];
    ++m_CallbacksRunning;
    m_Lock.unlock();

    tPvFrame* frame = item.frame;
    if (status == ePvErrSuccess) {
        const uint64_t generateStart = ThreadCpuNs();
        writer.Fill(static_cast<uint8_t*>(frame->ImageBuffer), shape, pattern, n);
        m_GenerateCpuNs.fetch_add(ThreadCpuNs() - generateStart, std::memory_order_relaxed);
    }
    const uint64_t timestamp = TimestampNow();
    frame->Status = status;
    frame->ImageSize = status == ePvErrSuccess ? shape.bytes : 0;
    frame->AncillarySize = 0;
    frame->Width = shape.width;
    frame->Height = shape.height;
    frame->RegionX = left;
    frame->RegionY = top;
    frame->Format = shape.format;
    frame->BitDepth = shape.bitDepth;
    frame->BayerPattern = ePvBayerRGGB;
    frame->FrameCount = n;
    frame->TimestampLo = uint32_t(timestamp);
    frame->TimestampHi = uint32_t(timestamp >> 32);
    if (item.callback != nullptr) {
        sdk::CallbackScope scope(this);
        m_LastCallbackNs.store(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
                .count(),
            std::memory_order_relaxed);
        const uint64_t callbackStart = ThreadCpuNs();
        item.callback(frame);
        m_CallbackCpuNs.fetch_add(ThreadCpuNs() - callbackStart, std::memory_order_relaxed);
    }
    m_StreamFrames.fetch_add(1, std::memory_order_relaxed);

    m_Lock.lock();
    --m_CallbacksRunning;
    m_Changed.notify_all();
}

void Camera::StreamStats(tPvSimStreamStats& stats) const {
    stats.frames = m_StreamFrames.load(std::memory_order_relaxed);
    stats.generateCpuNs = m_GenerateCpuNs.load(std::memory_order_relaxed);
    stats.callbackCpuNs = m_CallbackCpuNs.load(std::memory_order_relaxed);
    stats.lastCallbackNs = m_LastCallbackNs.load(std::memory_order_relaxed);
}

}  // namespace tarnix::sim
