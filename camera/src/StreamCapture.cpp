// Acquisition: capture start and stop, the grab request, the frame-completion handler with
// its conversion and host notification, and the rows of the last image.
#include <base/Diagnostics.h>
#include <base/Errors.h>
#include <base/SdkApi.h>
#include <convert/Convert.h>
#include <platform/ThreadSlot.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <utility>

#include "FrameSlot.h"
#include "camera/CameraDevice.h"
#include "camera/CameraStream.h"
#include "camera/TriggerModes.h"

namespace tarnix {
namespace {

// Buffer size passed for the trigger mode text, terminator included.
constexpr uint32_t kTriggerModeTextSize = 127;

// Failed frames of all cameras since the driver was loaded; the frame error line shows it.
std::atomic<uint32_t> g_FrameErrors{0};

// The camera whose frame handler runs on this thread, while it calls the host. Not a
// thread_local: its storage would be allocated at the first frame of each SDK thread, and a
// process out of address space ends there (see ThreadSlot).
platform::ThreadSlot g_NotifyingStream;

void ReportFrameError(int32_t port, tPvErr status) {
    const uint32_t count = g_FrameErrors.fetch_add(1) + 1;
    DebugMsg("FrameCB error #%d port %d: %d %s\n", static_cast<int>(count), static_cast<int>(port),
             static_cast<int>(status), ErrorText(status));
}

}  // namespace

bool CameraStream::IsHandlingFrameOnThisThread() const {
    return g_NotifyingStream.Get() == this;
}

bool CameraStream::StartCapture() {
    if (!IsAllowed(Operation::StartCapture)) return false;
    const tPvHandle handle = m_Device.Handle();
    if (!m_Device.AttrStringSet("AcquisitionMode", "Continuous")) return false;
    if (ReportError(Sdk().PvCaptureStart(handle), "PvCaptureStart") != ePvErrSuccess) return false;
    char mode[kTriggerModeTextSize + 1] = {};
    if (!m_Device.AttrStringGet("FrameStartTriggerMode", mode, kTriggerModeTextSize)) return false;
    // A mode the driver cannot serve becomes "Software"; a known one is written back as is.
    m_TriggerMode = TriggerModeIndex(mode);
    if (!m_Device.AttrStringSet("FrameStartTriggerMode", TriggerModeName(m_TriggerMode)))
        return false;
    if (!m_Device.CommandRun("AcquisitionStart")) {
        ReportError(Sdk().PvCaptureEnd(handle), "PvCaptureEnd");
        return false;
    }
    // Capturing before the record is queued: its frame may complete at once, and the
    // handler must not take it for a frame of a stopped camera.
    platform::RecursiveLockGuard lock(m_Lock);
    MoveTo(CameraState::Capturing);
    if (QueueFrameLocked()) return true;
    MoveTo(CameraState::Open);
    return false;
}

bool CameraStream::StopCapture() {
    if (!IsAllowed(Operation::StopCapture)) return true;
    const tPvHandle handle = m_Device.Handle();
    {
        // Waits for a conversion or host callback in progress.
        platform::RecursiveLockGuard lock(m_Lock);
        const CameraState state = m_State.load();
        if (state == CameraState::Capturing || state == CameraState::Stalled)
            MoveTo(CameraState::Open);
        m_GrabPending = false;
        m_Device.CommandRun("AcquisitionStop");
        ReportError(Sdk().PvCaptureEnd(handle), "PvCaptureEnd");
    }
    // Outside the lock: the SDK hands the record back through the handler, which must not
    // wait for us. When this returns, no handler of this camera runs any more.
    ReportError(Sdk().PvCaptureQueueClear(handle), "PvCaptureQueueClear");
    return true;
}

bool CameraStream::QueueFrameLocked() {
    // Marked before the call: the SDK may hand the record back before the call returns.
    m_FrameWithSdk = true;
    const bool queued = ReportError(Sdk().PvCaptureQueueFrame(m_Device.Handle(), &m_Frame, FrameCB),
                                    "PvCaptureQueueFrame") == ePvErrSuccess;
    if (!queued) m_FrameWithSdk = false;
    return queued;
}

bool CameraStream::Grab() {
    if (!IsAllowed(Operation::Grab)) return false;
    platform::RecursiveLockGuard lock(m_Lock);
    if (!IsAllowed(Operation::Grab)) return false;  // stopped or stalled while we waited
    if (!m_GrabPending) {
        m_GrabPending = m_TriggerMode == kTriggerModeSoftware
                            ? m_Device.CommandRun("FrameStartTriggerSoftware")
                            : true;  // the next complete frame is the one
    }
    return m_GrabPending;
}

void PVDECL CameraStream::FrameCB(tPvFrame* frame) {
    if (frame == nullptr) return;
    auto* slot = static_cast<FrameSlot*>(frame->Context[0]);
    if (slot == nullptr) return;
    CameraStream* stream = nullptr;
    // Should the host close this port from inside its callback, the camera lives on until
    // this handler is done with it. (Null for a camera no shared pointer owns, or one whose
    // destructor has begun: the gate holds that one.)
    std::shared_ptr<void> keepAlive;
    {
        platform::MutexLock gate(slot->mutex);
        if (slot->orphaned) {
            // The stream went while the SDK held the record; now the SDK is done with it.
            gate.Unlock();
            delete slot;
            return;
        }
        if (slot->stream == nullptr) {
            slot->backWhileClosing = true;
            return;
        }
        stream = slot->stream;
        ++slot->handlersInside;
        keepAlive = slot->owner.lock();
    }
    stream->OnFrameCompleted(*frame);
    {
        platform::MutexLock gate(slot->mutex);
        --slot->handlersInside;
        slot->handlersDone.notify_all();
    }
    // keepAlive may be the last reference: the destructor then runs here, after the count.
}

void CameraStream::OnFrameCompleted(tPvFrame& frame) {
    m_FrameWithSdk = false;
    m_LastStatus = frame.Status;
    if (!IsAllowed(Operation::HandleFrame)) return;
    platform::RecursiveLockGuard lock(m_Lock);
    if (!IsAllowed(Operation::HandleFrame)) return;  // a stop got the lock first
    if (frame.Status == ePvErrSuccess) {
        if (m_GrabPending || m_Continuous) {
            ConvertFrame();
            if (m_OnFrame != nullptr) {
                void* const outer = g_NotifyingStream.Get();
                g_NotifyingStream.Set(this);
                m_OnFrame(m_Port);
                g_NotifyingStream.Set(outer);
            }
        }
    } else {
        ReportFrameError(m_Port, frame.Status);
    }
    // A request made inside the host's callback ends here with the one it answered.
    m_GrabPending = false;
    if (m_State.load() != CameraState::Capturing) return;  // the host's callback closed the port
    // Nothing comes back without a queued record: the camera delivers no more frames and
    // refuses requests until it is stopped.
    if (!QueueFrameLocked()) MoveTo(CameraState::Stalled);
}

void CameraStream::ConvertFrame() {
    // Exclusive for the conversion only, never across the host's callback: a host thread
    // copying a row waits at most for one conversion, and never sees half of two frames.
    platform::ExclusiveLock lock(m_ImageLock);
    // A frame that already is the image (Mono8 or Bgr24, no table, the whole buffer) becomes
    // it by trading buffers: the record goes back to the SDK with the old image's memory, so
    // the SDK never writes into the rows hosts read, and the copy of the whole image is saved.
    const bool plainCopy = m_Frame.Format == ePvFmtMono8 || m_Frame.Format == ePvFmtBgr24;
    const bool whole = m_Frame.ImageSize == 0 || m_Frame.ImageSize >= m_Frame.ImageBufferSize;
    if (plainCopy && whole && !m_LutActive && m_Image && m_RawBuffer &&
        m_Frame.ImageBuffer == m_RawBuffer.get() && m_Frame.ImageBufferSize == m_ImageSize) {
        std::swap(m_Image, m_RawBuffer);
        m_Frame.ImageBuffer = m_RawBuffer.get();
        return;
    }
    const convert::ImageView image{m_Image.get(), m_ImageSize, m_Width, m_Height};
    convert::ConvertFrame(m_Frame, image, m_LutActive ? Lut() : nullptr,
                          Sdk().PvUtilityColorInterpolate);
}

bool CameraStream::GetRow(uint8_t* destination, uint32_t row, uint32_t firstColumn,
                          uint32_t lastColumn) {
    if (m_LastStatus.load() != ePvErrSuccess) return false;
    platform::SharedLock image(m_ImageLock);
    if (!m_Image) return false;
    if (row >= m_Height || lastColumn >= m_Width || firstColumn > lastColumn) return false;
    // The image may be smaller than the geometry says (a format that was never read, a size
    // changed since the buffers were made): the bytes, not the geometry, are the limit.
    const uint64_t bytesPerPixel = static_cast<uint32_t>(m_BytesPerPixel.load());
    const uint64_t offset = (uint64_t{m_Width} * row + firstColumn) * bytesPerPixel;
    const uint64_t length = (uint64_t{lastColumn} - firstColumn + 1) * bytesPerPixel;
    if (length == 0 || offset + length > m_ImageSize) return false;
    std::memcpy(destination, m_Image.get() + offset, static_cast<size_t>(length));
    return true;
}

}  // namespace tarnix
