// The camera object's life: construction, Open, Close and destruction, composing the device
// and the stream.
#include "camera/PvCamera.h"

#include <base/Diagnostics.h>
#include <base/Errors.h>
#include <base/SdkApi.h>
#include <platform/System.h>

#include "camera/SettingsPath.h"

namespace tarnix {

CCamera::CCamera(const tPvCameraInfo& info, int32_t port, FrameNotify onFrame,
                 const char* systemPath)
    : m_Info(info),
      m_Port(port),
      m_OwnsHandle(true),
      m_Stream(m_Device, port, onFrame, *this, CameraState::Closed) {
    BuildIniPath(systemPath != nullptr ? systemPath : "");
}

CCamera::CCamera(tPvHandle handle)
    : m_Info{},
      m_Port(0),
      m_OwnsHandle(false),
      m_Device(handle),
      m_Stream(m_Device, 0, nullptr, *this, handle != 0 ? CameraState::Open : CameraState::Closed) {
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
    // Open from here on, also when a later step fails: the handle stays until Close.
    m_Stream.Opened();
    LoadSettings();
    m_Stream.AllocateBuffers();
    LoadLut();
    return m_Stream.StartCapture();
}

bool CCamera::Close() {
    if (m_Stream.IsHandlingFrameOnThisThread()) {
        // A host callback closing its own port: the frame handler holds the stream's lock,
        // for which an Open or Close in progress on another thread may be waiting. That one
        // does the work.
        if (!m_OpenCloseMutex.try_lock()) return true;
    } else {
        m_OpenCloseMutex.lock();
    }
    platform::MutexLock openClose(m_OpenCloseMutex, std::adopt_lock);
    if (!m_Stream.IsAllowed(CameraStream::Operation::Close)) return true;
    const tPvHandle handle = m_Device.Handle();
    m_Stream.StopCapture();
    // A refused close may leave the SDK holding the buffers; they stay until a later close
    // succeeds or the object goes.
    if (Sdk().PvCameraClose(handle) == ePvErrSuccess) m_Stream.FreeBuffers();
    m_Device.Detach();
    m_Stream.Closed();
    return true;
}

}  // namespace tarnix
