// The per-port camera object, the face of a camera: it opens its camera, restores its
// settings, keeps the stream running, and reconnects after a replug. The work is done by its
// parts: the device (attributes, registers, serial port over the SDK handle), the stream
// (state, frame record, image, frame handler) and the settings value. Nothing of it is
// public data; the parts are reached through Device() and Stream().
#pragma once

#include <platform/ThreadSafety.h>
#include <pvapi.h>
#include <settings/CameraSettings.h>

#include <condition_variable>
#include <cstdint>
#include <memory>

#include "camera/CameraDevice.h"
#include "camera/CameraStream.h"

namespace tarnix {

// Where automatic reconnecting stands, apart from the camera's state. Held as one value and
// moved by the reconnect operations; Running and Waiting may follow each other while an
// attempt's handler schedules the next.
enum class ReconnectState : uint8_t {
    Idle,       // no attempt scheduled or running; attempts are left
    Waiting,    // an attempt's timer is pending
    Running,    // an attempt is opening the camera, and none is scheduled
    Exhausted,  // a schedule found every allowed attempt made without leaving the camera open
    Ended,      // the port is being closed: no attempt runs or starts any more
};

// Size of the settings-file path buffer, terminator included.
constexpr size_t kSettingsPathSize = 512;

// The object is shared: the port table owns it, and a host call or the frame handler that
// is using it keeps it alive until it is done, even when the port is closed meanwhile.
//
// Errors: the operations a host reaches return bool and leave one diagnostic line for a
// failure; the register and serial layers below the named properties throw, and the named
// properties turn that into a line and false (CameraDevice).
class CCamera : public std::enable_shared_from_this<CCamera> {
  public:
    // A camera known from the SDK's camera-info record (copied whole), for port; not open
    // yet. onFrame is called with port after each delivered frame. Its settings file lies in
    // systemPath (or, when that path is too long, in the current directory).
    CCamera(const tPvCameraInfo& info, int32_t port, FrameNotify onFrame, const char* systemPath);
    // A camera already open under handle, for the attribute layer only: the object neither
    // captures nor closes that handle.
    explicit CCamera(tPvHandle handle);
    ~CCamera();
    CCamera(const CCamera&) = delete;
    CCamera& operator=(const CCamera&) = delete;

    // Opens the camera, restores its settings, allocates the buffers for its current image
    // size and format, and starts capture with one frame queued. False when the camera is
    // open already or a step failed; a handle obtained before the failure stays open until
    // Close, except when the buffers could not be had or memory ran out on the way: then the
    // handle is closed again at once (the line says why).
    bool Open() EXCLUDES(m_OpenCloseMutex);
    // Stops capture and closes the camera, and gives its buffers back. Always true. When the
    // SDK refuses the close, the buffers stay (the SDK may still own them) but the handle is
    // forgotten.
    bool Close() EXCLUDES(m_OpenCloseMutex);
    // The close of a camera that was unplugged: as Close, but when a reconnect may follow,
    // the buffers are kept for it (a camera back with the same geometry reuses them). Given
    // back when reconnecting ends, or by Close.
    bool CloseUnplugged() EXCLUDES(m_OpenCloseMutex, m_ReconnectMutex);

    // The parts.
    CameraDevice& Device() { return m_Device; }
    const CameraDevice& Device() const { return m_Device; }
    CameraStream& Stream() { return m_Stream; }
    const CameraStream& Stream() const { return m_Stream; }

    // The SDK's record of this camera: id, serial text, display name.
    const tPvCameraInfo& Info() const { return m_Info; }
    int32_t Port() const { return m_Port; }
    // Where the camera is in its life; other threads may move it on at any time.
    CameraState State() const { return m_Stream.State(); }
    // Full path of the settings file.
    const char* IniPath() const { return m_IniPath; }

    // The driver settings: a copy of the camera's, and taking a changed copy over. Taking over
    // switches the lookup table on or off
    // for the next frame; the table itself is loaded at the next open.
    settings::CameraSettings Settings() const EXCLUDES(m_SettingsLock);
    void TakeSettings(const settings::CameraSettings& changed) EXCLUDES(m_SettingsLock);
    // Takes over only what an editor changed between its copy (before) and its result
    // (after): a setting the driver changed meanwhile (a table that failed to load at a
    // reconnect switched off) stays as the driver left it, unless the editor changed it too.
    void TakeSettingChanges(const settings::CameraSettings& before,
                            const settings::CameraSettings& after) EXCLUDES(m_SettingsLock);

    // The settings file: Load restores the driver's settings and the camera's writable
    // attributes from the camera's section (at every open); Save writes them back (when the
    // configuration sheet closes). The file's failures are not reported.
    void LoadSettings() EXCLUDES(m_SettingsLock);
    void SaveSettings() EXCLUDES(m_SettingsLock);
    void LoadAttributeSetting(const char* name);
    void SaveAttributeSetting(const char* name);
    // Builds the lookup table from the settings' file and column when "UseLut" is on; any
    // failure switches "UseLut" off and leaves the table all zero.
    void LoadLut() EXCLUDES(m_SettingsLock);

    // Automatic reconnect after a replug: schedules an attempt "ReconnectDelay" ms ahead
    // unless one is pending, reconnecting is off or the attempts are used up.
    void ScheduleReconnect() EXCLUDES(m_ReconnectMutex);
    // The attempt's timer handler; user is the camera.
    static void ReconnectTimerProc(uint32_t timerId, void* user);
    // Cancels a pending attempt, waits for a running one and refuses every later one. Called
    // before the port lets the object go; the destructor calls it too.
    void EndReconnect() EXCLUDES(m_ReconnectMutex);
    ReconnectState Reconnecting() const EXCLUDES(m_ReconnectMutex);
    uint32_t ReconnectCount() const EXCLUDES(m_ReconnectMutex);

  private:
    enum class BufferFate : uint8_t { Free, Keep };
    bool Close(BufferFate buffers) EXCLUDES(m_OpenCloseMutex);
    void CloseLocked(BufferFate buffers) REQUIRES(m_OpenCloseMutex);
    // Closes the SDK handle (capture stopped or never started) and forgets it.
    void ReleaseHandleLocked(BufferFate buffers) REQUIRES(m_OpenCloseMutex);
    // Whether a plug event would still start an attempt.
    bool ReconnectMayFollow() const EXCLUDES(m_ReconnectMutex);

    void BuildIniPath(const char* systemPath);
    // The camera's settings section in the settings file.
    void SettingsSection(char (&section)[255]) const;
    // Schedules the next attempt; the caller holds m_ReconnectMutex, which is released while
    // the timer is started (its handler takes the mutex).
    void ScheduleReconnectLocked() REQUIRES(m_ReconnectMutex);
    // The attempt proper, on the timer's thread.
    void RunReconnectAttempt(uint32_t timerId) EXCLUDES(m_ReconnectMutex);

    const tPvCameraInfo m_Info;
    const int32_t m_Port;
    // Whether this object closes its handle (not so for a camera built around one).
    const bool m_OwnsHandle;
    // Full path of the settings file, always terminated.
    char m_IniPath[kSettingsPathSize] = {};

    // Declared before the stream, which uses it until the stream's end.
    CameraDevice m_Device;
    CameraStream m_Stream;

    // Open and Close one at a time (host threads, the reconnect timer and the link-event
    // thread). Taken before the stream's locks.
    platform::Mutex m_OpenCloseMutex;

    // Written at open (a host thread, or the timer thread of a reconnect) and when the
    // configuration sheet closes; read by the reconnect operations. A leaf.
    mutable platform::Mutex m_SettingsLock;
    settings::CameraSettings m_Settings GUARDED_BY(m_SettingsLock);

    // Reconnect bookkeeping, guarded by m_ReconnectMutex, which is never held across an SDK
    // call, Open, or the start or cancel of a timer. A leaf but for m_SettingsLock.
    mutable platform::Mutex m_ReconnectMutex ACQUIRED_BEFORE(m_SettingsLock);
    ReconnectState m_ReconnectState GUARDED_BY(m_ReconnectMutex) = ReconnectState::Idle;
    // Attempts started since the last attempt that left the camera open.
    uint32_t m_ReconnectCount GUARDED_BY(m_ReconnectMutex) = 0;
    // Id of the pending attempt's timer; 0 while none is pending, or while its start has not
    // returned yet.
    uint32_t m_ReconnectTimer GUARDED_BY(m_ReconnectMutex) = 0;
    // Id of the timer whose attempt is running, 0 if none; EndReconnect waits for it.
    uint32_t m_ReconnectRunning GUARDED_BY(m_ReconnectMutex) = 0;
    // Timer starts in progress, each between the decision and the id being known.
    uint32_t m_ReconnectArming GUARDED_BY(m_ReconnectMutex) = 0;
    // Counts the schedules; a timer start stores its id only if it is still the latest.
    uint64_t m_ReconnectSchedule GUARDED_BY(m_ReconnectMutex) = 0;
    std::condition_variable m_ReconnectArmed;
};

}  // namespace tarnix
