// The per-port camera object, the face of a camera: it opens its camera, restores its
// settings, keeps the stream running, and reconnects after a replug. The work is done by its
// parts, which it owns and hands to nobody: the device (attributes, registers, serial port
// over the SDK handle), the stream (state, frame record, image, frame handler), the
// reconnector and the settings value. Every operation that changes the camera's state or
// settings is a method here, and keeps the camera's rules itself.
#pragma once

#include <platform/ThreadSafety.h>
#include <pvapi.h>
#include <settings/CameraSettings.h>

#include <cstdint>
#include <memory>

#include "camera/CameraDevice.h"
#include "camera/CameraStream.h"
#include "camera/Reconnector.h"
#include "camera/SheetCamera.h"

namespace tarnix {

// Size of the settings-file path buffer, terminator included.
constexpr size_t kSettingsPathSize = 512;

// The object is shared: the port table owns it, and a host call or the frame handler that
// is using it keeps it alive until it is done, even when the port is closed meanwhile.
//
// Errors: the operations a host reaches return bool and leave one diagnostic line for a
// failure; the register and serial layers below the named properties throw, and the named
// properties turn that into a line and false (CameraDevice).
class CCamera final : public SheetCamera,
                      private ReconnectTarget,
                      public std::enable_shared_from_this<CCamera> {
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
    bool CloseUnplugged() EXCLUDES(m_OpenCloseMutex);

    const tPvCameraInfo& Info() const override { return m_Info; }
    int32_t Port() const { return m_Port; }
    // Where the camera is in its life; other threads may move it on at any time.
    CameraState State() const { return m_Stream.State(); }

    // Frames. Grab requests one image (a software trigger in "Software" mode), true while a
    // request is pending; GetRow copies columns of one row of the last image; Continuous
    // delivers every frame, not only requested ones (property "Continous").
    bool Grab() { return m_Stream.Grab(); }
    bool GetRow(uint8_t* destination, uint32_t row, uint32_t firstColumn, uint32_t lastColumn) {
        return m_Stream.GetRow(destination, row, firstColumn, lastColumn);
    }
    ImageGeometry Geometry() override;
    bool Continuous() const { return m_Stream.Continuous(); }
    void SetContinuous(bool on) { m_Stream.SetContinuous(on); }

    // Properties by name: camera attributes, or the serial port for names starting with
    // "RS232."; text is "Name" or "Name=value text". Every failure is one line and false.
    bool GetNamedProperty(const char* name, uint32_t& value) {
        return m_Device.GetNamedProperty(name, value);
    }
    bool SetNamedProperty(const char* text, uint32_t value) {
        return m_Device.SetNamedProperty(text, value);
    }
    // The camera's current IPv4 address in network byte order, 0 when unreadable.
    uint32_t GetDeviceIPAddress() { return m_Device.GetDeviceIPAddress(); }

    // The configuration sheet's view (SheetCamera).
    std::vector<std::string> AttrNames() override { return m_Device.AttrNames(); }
    bool AttrInfo(const char* name, tPvAttributeInfo& info) override {
        return m_Device.AttrInfo(name, info);
    }
    bool AttrStringGet(const char* name, char* buffer, uint32_t bufferSize) override {
        return m_Device.AttrStringGet(name, buffer, bufferSize);
    }
    bool AttrUint32Get(const char* name, uint32_t& value) override {
        return m_Device.AttrUint32Get(name, value);
    }
    bool AttrFloat32Get(const char* name, float& value) override {
        return m_Device.AttrFloat32Get(name, value);
    }
    bool AttrRangeEnum(const char* name, char* buffer, uint32_t bufferSize) override {
        return m_Device.AttrRangeEnum(name, buffer, bufferSize);
    }
    bool AttrRangeUint32(const char* name, uint32_t& min, uint32_t& max) override {
        return m_Device.AttrRangeUint32(name, min, max);
    }
    bool AttrRangeFloat32(const char* name, float& min, float& max) override {
        return m_Device.AttrRangeFloat32(name, min, max);
    }
    bool AttrStringSet(const char* name, const char* value) override {
        return m_Device.AttrStringSet(name, value);
    }
    bool AttrUint32Set(const char* name, uint32_t value) override {
        return m_Device.AttrUint32Set(name, value);
    }
    bool ChangeStream(std::initializer_list<AttributeValue> values) override;
    void PreviewLut(bool on) override;
    void EndLutPreview() override EXCLUDES(m_SettingsLock);

    // The driver settings: a copy of the camera's; taking over only what an editor changed
    // between its copy (before) and its result (after), so that a setting the driver changed
    // meanwhile (a table that failed to load at a reconnect switched off) stays as the driver
    // left it, unless the editor changed it too. The table switch follows at once; the table
    // itself is loaded at the next open.
    settings::CameraSettings Settings() const override EXCLUDES(m_SettingsLock);
    void TakeSettingChanges(const settings::CameraSettings& before,
                            const settings::CameraSettings& after) override
        EXCLUDES(m_SettingsLock);
    // Writes the driver settings and the camera's writable attributes to the camera's section
    // of the settings file (when the configuration sheet closes). Failures are not reported.
    void SaveSettings() override EXCLUDES(m_SettingsLock);

    // Automatic reconnect after a replug (Reconnector): ScheduleReconnect starts an attempt
    // unless one is pending, reconnecting is off or the attempts are used up; EndReconnect
    // cancels a pending one, waits for a running one and refuses every later one (called
    // before the port lets the object go, and by the destructor).
    void ScheduleReconnect() { m_Reconnector.Schedule(); }
    void EndReconnect() { m_Reconnector.End(); }
    ReconnectState Reconnecting() const { return m_Reconnector.State(); }
    uint32_t ReconnectCount() const { return m_Reconnector.Attempts(); }

  private:
    // Tests reach the parts and the inner steps through this one class of theirs.
    friend class CameraInternals;

    enum class BufferFate : uint8_t { Free, Keep };
    bool Close(BufferFate buffers) EXCLUDES(m_OpenCloseMutex);
    void CloseLocked(BufferFate buffers) REQUIRES(m_OpenCloseMutex);
    // Closes the SDK handle (capture stopped or never started) and forgets it.
    void ReleaseHandleLocked(BufferFate buffers) REQUIRES(m_OpenCloseMutex);

    // ReconnectTarget.
    Policy ReconnectPolicy() const override EXCLUDES(m_SettingsLock);
    Outcome Reopen() override;
    void ReconnectsOver() override { m_Stream.FreeKeptBuffers(); }

    void BuildIniPath(const char* systemPath);
    // The camera's settings section in the settings file.
    void SettingsSection(char (&section)[255]) const;
    // The settings file at every open: restores the driver's settings and the camera's
    // writable attributes from the camera's section. The file's failures are not reported.
    void LoadSettings() EXCLUDES(m_SettingsLock);
    void LoadAttributeSetting(const char* name);
    void SaveAttributeSetting(const char* name);
    // Builds the lookup table from the settings' file and column when "UseLut" is on; any
    // failure switches "UseLut" off and leaves the table all zero.
    void LoadLut() EXCLUDES(m_SettingsLock);
    // The one writer of the stream's table switch; ApplyLutSetting sets it from "UseLut".
    void SwitchLut(bool on) { m_Stream.SetLutActive(on); }
    void ApplyLutSetting() REQUIRES(m_SettingsLock) { SwitchLut(m_Settings.m_UseLut != 0); }

    const tPvCameraInfo m_Info;
    const int32_t m_Port;
    // Whether this object closes its handle (not so for a camera built around one).
    const bool m_OwnsHandle;
    // Full path of the settings file, always terminated.
    char m_IniPath[kSettingsPathSize] = {};

    // Declared before the stream, which uses it until the stream's end.
    CameraDevice m_Device;
    CameraStream m_Stream;
    // Its attempts reopen the camera through the device and the stream: declared after them,
    // so it goes first.
    Reconnector m_Reconnector;

    // Open and Close one at a time (host threads, the reconnect timer and the link-event
    // thread). Taken before the stream's locks.
    platform::Mutex m_OpenCloseMutex;

    // Written at open (a host thread, or the timer thread of a reconnect) and when the
    // configuration sheet closes; read by the reconnect operations. A leaf.
    mutable platform::Mutex m_SettingsLock;
    settings::CameraSettings m_Settings GUARDED_BY(m_SettingsLock);
};

}  // namespace tarnix
