// The per-port camera object: it opens its camera, keeps one frame record queued with the
// SDK, turns each completed frame into the output image, tells the host and hands out rows.
// Its attribute layer needs nothing but the SDK handle, so a camera can also be built around
// a handle that is already open.
#pragma once

#include <platform/Lock.h>
#include <pvapi.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "camera/Serial.h"

namespace tarnix {

class CCamera;
struct FrameSlot;

// Called with the camera's port after each delivered frame; the driver's choice is
// NotifyComplete.
using FrameNotify = void (*)(int32_t port);

// The camera's life in one value. Every step from one state to the next goes through
// CCamera::MoveTo, which knows the allowed steps; every acquisition operation first asks
// whether it may run in the current state. Whether a reconnect attempt is scheduled is kept
// apart (see ReconnectState): a camera's SDK may report a replug while the camera is open,
// and that schedules an attempt all the same.
enum class CameraState : uint8_t {
    Closed,     // no SDK handle
    Open,       // handle open, capture not running: not started, stopped, or failed to start
    Capturing,  // capture running, the frame record queued or being handled
    Stalled,    // capture running, but the record could not be queued again: no more frames
};

// Where automatic reconnecting stands, apart from the camera's state.
enum class ReconnectState : uint8_t {
    Idle,       // no attempt scheduled or running; attempts are left
    Waiting,    // an attempt's timer is pending
    Running,    // an attempt is opening the camera
    Exhausted,  // every allowed attempt was made without leaving the camera open
    Ended,      // the port is being closed: no attempt runs or starts any more
};

// Size of the settings-file path buffer, terminator included.
constexpr size_t kSettingsPathSize = 512;
// Size of the lookup table: 16-bit samples index it, and so do output bytes.
constexpr uint32_t kLutSize = 131072;

// The object is shared: the port table owns it, and a host call or the frame handler that
// is using it keeps it alive until it is done, even when the port is closed meanwhile.
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
    // Close.
    bool Open();
    // Stops capture and closes the camera. Always true. When the SDK refuses the close, the
    // buffers stay (the SDK may still own them) but the handle is forgotten.
    bool Close();

    // Where the camera is in its life; other threads may move it on at any time.
    CameraState State() const { return m_State.load(); }

    // Acquisition. StartCapture ends with the frame queued; StopCapture returns once no frame
    // handler of this camera runs any more (unless called from inside one).
    bool StartCapture();
    bool StopCapture();
    // Requests one image: sends the software trigger in "Software" mode, otherwise waits for
    // the next frame. True while a request is pending.
    bool Grab();
    // Copies columns firstColumn..lastColumn of one row of the last image. False when the
    // last frame failed, there is no image, or the range lies outside the image.
    bool GetRow(uint8_t* destination, uint32_t row, uint32_t firstColumn, uint32_t lastColumn);
    // The SDK's completion handler for m_Frame; the record's first context word is the camera's
    // FrameSlot, through which the handler reaches the camera.
    static void PVDECL FrameCB(tPvFrame* frame);

    // The settings file: Load restores the driver's settings and the camera's writable
    // attributes from the camera's section (at every open); Save writes them back (when the
    // configuration dialog closes). The file's failures are not reported.
    void LoadSettings();
    void SaveSettings();
    void LoadAttributeSetting(const char* name);
    void SaveAttributeSetting(const char* name);
    // Builds the lookup table from m_LutFile's column m_LutColumn when m_UseLut is on; any
    // failure switches m_UseLut off and leaves the table all zero.
    void LoadLut();

    // The configuration dialog, shown modally on the calling thread by the runner the layer
    // above installed. The settings are saved after every showing, however it was closed.
    // False when no dialog could be shown (no runner, no display, no toolkit); one that threw
    // counts as shown, without the save.
    bool ShowConfigDialog();
    using ConfigDialogRunner = bool (*)(CCamera& camera);
    static void SetConfigDialogRunner(ConfigDialogRunner runner);

    // Automatic reconnect after a replug: schedules an attempt m_ReconnectDelay ms ahead
    // unless one is pending, reconnecting is off or the attempts are used up.
    void ScheduleReconnect();
    // The attempt's timer handler; user is the camera.
    static void ReconnectTimerProc(uint32_t timerId, void* user);
    // Cancels a pending attempt, waits for a running one and refuses every later one. Called
    // before the port lets the object go; the destructor calls it too.
    void EndReconnect();
    ReconnectState Reconnecting() const;
    uint32_t ReconnectCount() const;

    // Typed attribute access. Each checks the attribute's type (and for writes the writable
    // flag) afresh, then makes the one SDK call for that type. SDK failures are reported as
    // "ERROR" lines; a type or access mismatch returns false silently. They never throw.
    bool AttrInfo(const char* name, tPvAttributeInfo& info);
    bool AttrStringGet(const char* name, char* buffer, uint32_t bufferSize);
    bool AttrFloat32Get(const char* name, float& value);
    bool AttrRangeEnum(const char* name, char* buffer, uint32_t bufferSize);
    bool AttrRangeFloat32(const char* name, float& min, float& max);
    bool AttrRangeUint32(const char* name, uint32_t& min, uint32_t& max);
    bool AttrStringSet(const char* name, const char* value);
    bool AttrFloat32Set(const char* name, float value);
    bool AttrUint32Set(const char* name, uint32_t value);
    bool CommandRun(const char* name);

    // Information queries; 0 stands for "no usable type" and "no flags".
    tPvDatatype AttrType(const char* name);
    bool QueryAttrType(const char* name, tPvDatatype& type);
    bool QueryAttrFlags(const char* name, uint32_t& flags);
    uint32_t AttrFlags(const char* name);

    // The camera's current IPv4 address in network byte order, 0 when unreadable.
    uint32_t GetDeviceIPAddress();

    // Properties by name: camera attributes, or the serial port for names starting with
    // "RS232.". Every failure becomes a diagnostic line and false; they never throw.
    bool GetNamedProperty(const char* name, uint32_t& value);
    // text is "Name" or "Name=value text".
    bool SetNamedProperty(const char* text, uint32_t value);

    // The "RS232." pseudo-properties; failures are exceptions.
    bool GetSerialProperty(const char* name, uint32_t& value);
    bool SetSerialProperty(const char* text, uint32_t value);

    // Raw camera registers, one SDK call per list. Return the number of registers moved,
    // which may be fewer than asked; SDK failures throw camera_error.
    uint32_t GetRegisters(const std::vector<uint32_t>& addresses, std::vector<uint32_t>& values);
    uint32_t SetRegisters(const std::vector<uint32_t>& addresses,
                          const std::vector<uint32_t>& data);
    // One register; an incomplete transfer throws runtime_error.
    uint32_t ReadRegister(uint32_t address);
    void WriteRegister(uint32_t address, uint32_t value);

  private:
    // Declared first: m_Frame refers to it.
    std::unique_ptr<FrameSlot> m_FrameStorage;

  public:
    // The SDK's record of this camera: id, serial text, display name.
    const tPvCameraInfo m_Info;
    // 0 while no camera is open. Read by SDK and timer threads. Set just before the step to
    // Open and cleared just before the step to Closed; the attribute layer and the SDK calls
    // use it, the checks of what may run use the state.
    std::atomic<tPvHandle> m_Handle{0};
    // The port the camera belongs to, fixed when it is built; the frame handler passes it to
    // m_OnFrame and names it in its error line. 0 for a camera built around a handle.
    const int32_t m_Port;
    // The one frame record queued with the SDK. It lives apart from the object, in its
    // FrameSlot, so that a record the SDK failed to give back can outlive it (see the
    // destructor).
    tPvFrame& m_Frame;
    // Image size the buffers were made for. Written by Open under m_ImageLock, and by the
    // configuration dialog's General page without any lock, so the frame handler and row
    // reads bound everything by the buffers' sizes, never by these.
    std::atomic<uint32_t> m_Width{0};
    std::atomic<uint32_t> m_Height{0};
    // 1000 megabits per second unless the settings say otherwise; acquisition ignores it.
    // Settings like this one are written at open (a host thread, or the timer thread of a
    // reconnect) and by the configuration dialog's thread, hence atomic.
    std::atomic<uint32_t> m_Network{1000};
    // Bytes per output pixel: 1 for mono cameras, 3 otherwise, 0 until the format was read.
    std::atomic<int32_t> m_BytesPerPixel{0};
    // A grab was requested and its frame not yet delivered. Guarded by m_Lock; only
    // meaningful while Capturing, and cleared whenever capture stops.
    bool m_GrabPending = false;
    // Deliver every frame, not only requested ones (property "Continous").
    std::atomic<bool> m_Continuous{false};
    // Frame-start trigger mode 0..6, read when capture starts.
    std::atomic<uint32_t> m_TriggerMode{0};
    // The output image and its size in bytes. Replaced only by Open and Close, and written by
    // the frame handler while capture runs, each under m_ImageLock held exclusively.
    std::unique_ptr<uint8_t[]> m_Image;
    uint32_t m_ImageSize = 0;
    // Re-entrant: the host's completion callback runs inside it and may grab again.
    platform::RecursiveLock m_Lock;
    const FrameNotify m_OnFrame;
    // Full path of the settings file, always terminated.
    char m_IniPath[kSettingsPathSize] = {};
    // Reconnect settings: reconnect at all, delay of each attempt, attempts allowed in a row.
    std::atomic<bool> m_Reconnect{true};
    std::atomic<uint32_t> m_ReconnectDelay{500};
    std::atomic<uint32_t> m_ReconnectRetries{3};
    SerialIo m_Serial;
    // Lookup table switch: 0 off, any other value on, kept as the settings file has it. The
    // frame handler reads it once per frame.
    std::atomic<int32_t> m_UseLut{0};
    // The table: kLutSize bytes, all zero until a load; written only by LoadLut, before
    // capture starts.
    std::unique_ptr<uint8_t[]> m_Lut;
    // The LUT generator's last curve.
    std::atomic<int32_t> m_LutGenMinPix{0};
    std::atomic<int32_t> m_LutGenMaxPix{15};
    std::atomic<int32_t> m_LutGenSteepness{1};
    // The table's file and column (at most 255 characters each). Read and written under
    // m_LutNamesLock: the dialog and a reconnect's open may both reach them.
    std::string m_LutFile;
    std::string m_LutColumn;
    mutable std::mutex m_LutNamesLock;

  private:
    // The operations whose start depends on the camera's state. GetRow is not one: the image
    // decides, and it outlives a stop (and a close the SDK refused).
    enum class Operation : uint8_t { Open, Close, StartCapture, StopCapture, Grab, HandleFrame };
    // Whether operation may run in the current state. Those that may not do nothing and give
    // their "nothing to do" result (false, or true for Close and StopCapture).
    bool IsAllowed(Operation operation) const;
    // The one place the state changes. A step the camera's life does not have is a
    // programming error.
    void MoveTo(CameraState to);

    void BuildIniPath(const char* systemPath);
    // Reads size and format from the camera and replaces the buffers to match (Open).
    void AllocateBuffers();
    // Frees both buffers (Close after the SDK let go of them).
    void FreeBuffers();
    // Queues m_Frame; the caller holds m_Lock. True when the SDK took it.
    bool QueueFrameLocked();
    // The frame handler proper, for a record the SDK handed back.
    void OnFrameCompleted(tPvFrame& frame);
    // Closes the frame handler's gate: from then on a handler finds no camera. Waits for the
    // handlers inside (but the calling thread's own), then leaves the record and the raw
    // buffer to the SDK if it still holds them.
    void CloseFrameGate();
    void ConvertFrame();
    // Whether this thread is inside this camera's host notification.
    bool IsHandlingFrameOnThisThread() const;

    // The camera's settings section in the settings file.
    void SettingsSection(char (&section)[255]) const;
    // Calls visit with each attribute the SDK lists for the camera that is writable, in the
    // SDK's order. Nothing when the list cannot be had.
    template <typename Visit>
    void ForEachWritableAttribute(Visit visit);
    // Schedules the next attempt; the caller holds m_ReconnectMutex in lock, which is
    // released while the timer is started (its handler takes the lock).
    void ScheduleReconnectLocked(std::unique_lock<std::mutex>& lock);
    // The attempt proper, on the timer's thread.
    void RunReconnectAttempt(uint32_t timerId);

    // Whether this object closes its handle (not so for a camera built around one).
    const bool m_OwnsHandle;
    // Read without a lock by the frame handler and Grab, which check it again under m_Lock.
    // Open and Close move it under m_OpenCloseMutex, capture start, stop and the frame handler
    // under m_Lock.
    std::atomic<CameraState> m_State{CameraState::Closed};
    // The raw frame buffer m_Frame points to.
    std::unique_ptr<uint8_t[]> m_RawBuffer;
    // m_Frame is with the SDK: set before each queueing, cleared when the SDK hands it back.
    // Not part of the state: after a stop or a close the SDK refused to clear its queue for,
    // it may still hold the record, and the destructor must then leave the record to it.
    std::atomic<bool> m_FrameWithSdk{false};
    // Status of the last frame the SDK handed back; GetRow refuses while it is not 0. Kept
    // apart from the record, which the SDK writes while the host reads rows, and from the
    // state: it describes the image, which stays readable after a stop.
    std::atomic<tPvErr> m_LastStatus{ePvErrSuccess};
    // Open and Close one at a time (host threads, the reconnect timer and the link-event
    // thread).
    std::mutex m_OpenCloseMutex;
    // Reconnect bookkeeping, guarded by m_ReconnectMutex, which is never held across an
    // SDK call, Open, or the start or cancel of a timer.
    // Attempts started since the last attempt that left the camera open.
    uint32_t m_ReconnectCount = 0;
    // Id of the pending attempt's timer; 0 while none is pending, or while its start has not
    // returned yet.
    uint32_t m_ReconnectTimer = 0;
    // Id of the timer whose attempt is running, 0 if none.
    uint32_t m_ReconnectRunning = 0;
    // An attempt is scheduled: from the start of its timer until its handler begins.
    bool m_ReconnectPending = false;
    // Timer starts in progress, each between the decision and the id being known.
    uint32_t m_ReconnectArming = 0;
    // Counts the schedules; a timer start stores its id only if it is still the latest.
    uint64_t m_ReconnectSchedule = 0;
    bool m_ReconnectEnded = false;
    mutable std::mutex m_ReconnectMutex;
    std::condition_variable m_ReconnectArmed;
    // Keeps the buffers, the geometry and the image content still while a host thread copies
    // a row (shared). Always taken last (the frame handler takes it inside m_Lock), and no
    // other lock is taken while it is held.
    std::shared_mutex m_ImageLock;
};

}  // namespace tarnix
