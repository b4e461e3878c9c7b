// The camera object's life: construction, Open, Close and destruction, composing the device
// and the stream; the changes of its stream the configuration sheet asks for; and the reopen
// its reconnector attempts.
#include "camera/Camera.h"

#include <base/Diagnostics.h>
#include <base/Errors.h>
#include <base/SdkApi.h>
#include <platform/System.h>

#include <exception>
#include <type_traits>
#include <variant>

#include "camera/SettingsPath.h"

namespace tarnix {

CCamera::CCamera(const tPvCameraInfo& info, int32_t port, FrameNotify onFrame,
                 const char* systemPath)
    : m_Info(info),
      m_Port(port),
      m_OwnsHandle(true),
      m_Stream(m_Device, port, onFrame, CameraState::Closed),
      m_Reconnector(*this) {
    BuildIniPath(systemPath != nullptr ? systemPath : "");
}

CCamera::CCamera(tPvHandle handle)
    : m_Info{},
      m_Port(0),
      m_OwnsHandle(false),
      m_Device(handle),
      m_Stream(m_Device, 0, nullptr, handle != 0 ? CameraState::Open : CameraState::Closed),
      m_Reconnector(*this) {
    BuildIniPath("");
}

CCamera::~CCamera() {
    // No reconnect attempt may find the object gone.
    EndReconnect();
    if (m_OwnsHandle) Close();
    // The stream's end then closes its frame handler's gate.
}

// The system path when the settings file fits there, else the current directory, else the
// bare file name; never more than the buffer holds.
void CCamera::BuildIniPath(const char* systemPath) {
    if (ComposeSettingsPath(systemPath, m_IniPath, sizeof m_IniPath)) return;
    char directory[kSettingsPathSize] = {};
    if (platform::CurrentDirectory(directory, sizeof directory) != 0 &&
        ComposeSettingsPath(directory, m_IniPath, sizeof m_IniPath))
        return;
    ComposeSettingsPath("", m_IniPath, sizeof m_IniPath);
}

bool CCamera::Open() {
    platform::MutexLock openClose(m_OpenCloseMutex);
    if (!m_Stream.IsAllowed(CameraStream::Operation::Open)) return false;
    // After a close whose queue clear the SDK refused, the record and its buffer may still be
    // written by the SDK: opening would queue the record twice or free its buffer under it.
    // The SDK hands the record back through the handler, and an open after that proceeds.
    if (m_Stream.RecordWithSdk()) {
        DebugMsg("Camera open refused: the SDK still holds the frame record\n");
        return false;
    }
    tPvHandle handle = 0;
    if (ReportError(Sdk().PvCameraOpen(m_Info.UniqueId, ePvAccessMaster, &handle),
                    "PvCameraOpen") != ePvErrSuccess)
        return false;
    m_Device.Attach(handle);
    m_Stream.KeepAliveWhileHandling(weak_from_this());
    // Open from here on, also when a later step fails: the handle stays until Close. But an
    // open that cannot have its buffers, or that ran out of memory on the way, could never
    // deliver an image: it gives the handle back, so the host learns the port is dead and a
    // later open (once memory is there) starts afresh.
    m_Stream.Opened();
    try {
        LoadSettings();
        CameraStream::BufferSizes needed;
        if (!m_Stream.AllocateBuffers(needed)) {
            DebugMsg(
                "Camera %s [%s] not opened: no memory for %llu bytes (frame buffer %llu, "
                "image %llu)\n",
                m_Info.DisplayName, m_Info.SerialString,
                static_cast<unsigned long long>(needed.frame + needed.image),
                static_cast<unsigned long long>(needed.frame),
                static_cast<unsigned long long>(needed.image));
            // Nothing was started or queued yet: the handle just goes back.
            ReleaseHandleLocked(BufferFate::Free);
            return false;
        }
        LoadLut();
        return m_Stream.StartCapture();
    } catch (const std::exception& error) {
        DebugMsg("Camera %s [%s] not opened: %s\n", m_Info.DisplayName, m_Info.SerialString,
                 error.what());
        CloseLocked(BufferFate::Free);
        return false;
    }
}

bool CCamera::Close() {
    return Close(BufferFate::Free);
}

bool CCamera::CloseUnplugged() {
    return Close(m_Reconnector.MayFollow() ? BufferFate::Keep : BufferFate::Free);
}

bool CCamera::Close(BufferFate buffers) {
    if (m_Stream.IsHandlingFrameOnThisThread()) {
        // A host callback closing its own port: the frame handler holds the stream's lock,
        // for which an Open or Close in progress on another thread may be waiting. That one
        // does the work.
        if (!m_OpenCloseMutex.try_lock()) return true;
    } else {
        m_OpenCloseMutex.lock();
    }
    platform::MutexLock openClose(m_OpenCloseMutex, std::adopt_lock);
    CloseLocked(buffers);
    return true;
}

void CCamera::CloseLocked(BufferFate buffers) {
    if (!m_Stream.IsAllowed(CameraStream::Operation::Close)) {
        // Closed already (an unplug): what it kept for a reconnect goes with a final close.
        if (buffers == BufferFate::Free) m_Stream.FreeKeptBuffers();
        return;
    }
    m_Stream.StopCapture();
    ReleaseHandleLocked(buffers);
}

void CCamera::ReleaseHandleLocked(BufferFate buffers) {
    // A refused close may leave the SDK holding the buffers; they stay until a later close
    // succeeds or the object goes.
    if (Sdk().PvCameraClose(m_Device.Handle()) == ePvErrSuccess) {
        if (buffers == BufferFate::Keep) {
            m_Stream.KeepBuffersForReopen();
        } else {
            m_Stream.FreeBuffers();
        }
    }
    m_Device.Detach();
    m_Stream.Closed();
}

SheetCamera::ImageGeometry CCamera::Geometry() {
    return ImageGeometry{m_Stream.Width(), m_Stream.Height(), m_Stream.BytesPerPixel()};
}

bool CCamera::ChangeStream(std::initializer_list<AttributeValue> values) {
    const CameraState before = m_Stream.State();
    m_Stream.StopCapture();  // the buffers fit the image of the last open only
    for (const AttributeValue& attribute : values) {
        std::visit(
            [&](auto value) {
                using Value = decltype(value);
                if constexpr (std::is_same_v<Value, const char*>) {
                    m_Device.AttrStringSet(attribute.name, value);
                } else if constexpr (std::is_same_v<Value, uint32_t>) {
                    m_Device.AttrUint32Set(attribute.name, value);
                } else {
                    m_Device.AttrFloat32Set(attribute.name, value);
                }
            },
            attribute.value);
    }
    return before == CameraState::Capturing || before == CameraState::Stalled;
}

CCamera::Outcome CCamera::Reopen() {
    // The timer's thread belongs to nobody who could handle an exception: one that escaped
    // an open (memory running out, say) is a failed attempt like any other.
    Outcome outcome;
    try {
        outcome.opened = Open();
    } catch (...) {
        outcome.opened = false;
    }
    outcome.cameraOpen = m_Device.Handle() != 0;
    return outcome;
}

}  // namespace tarnix
