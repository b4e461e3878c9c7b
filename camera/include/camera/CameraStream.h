// The camera as a stream: its state and the steps between states, the one frame record with
// its raw buffer, the output image, the grab request, the frame handler with its conversion
// and host notification, and the rows of the last image. It reaches the camera through its
// device and is driven by the camera object, which opens and closes the device around it.
#pragma once

#include <platform/Lock.h>
#include <platform/Pages.h>
#include <platform/ThreadSafety.h>
#include <pvapi.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace tarnix {

class CameraDevice;
struct FrameSlot;

// Called with the camera's port after each delivered frame; the driver's choice is
// NotifyComplete.
using FrameNotify = void (*)(int32_t port);

// The camera's life in one value. Every step from one state to the next goes through
// CameraStream::MoveTo, which knows the allowed steps; every acquisition operation first asks
// whether it may run in the current state. Whether a reconnect attempt is scheduled is kept
// apart (see ReconnectState): a camera's SDK may report a replug while the camera is open,
// and that schedules an attempt all the same.
enum class CameraState : uint8_t {
    Closed,     // no SDK handle
    Open,       // handle open, capture not running: not started, stopped, or failed to start
    Capturing,  // capture running, the frame record queued or being handled
    Stalled,    // capture running, but the record could not be queued again: no more frames
};

class CameraStream {
  public:
    // The operations whose start depends on the camera's state. GetRow is not one: the image
    // decides, and it outlives a stop (and a close the SDK refused).
    enum class Operation : uint8_t { Open, Close, StartCapture, StopCapture, Grab, HandleFrame };

    // A stream of device's camera for port, in state initial (Open for a camera built around
    // a handle that is open already).
    CameraStream(CameraDevice& device, int32_t port, FrameNotify onFrame, CameraState initial);
    // Closes the frame handler's gate: from then on a handler finds no stream. Waits for the
    // handlers inside (but the calling thread's own), then leaves the record and the raw
    // buffer to the SDK if it still holds them.
    ~CameraStream();
    CameraStream(const CameraStream&) = delete;
    CameraStream& operator=(const CameraStream&) = delete;

    // Where the camera is in its life; other threads may move it on at any time.
    CameraState State() const { return m_State.load(); }
    // Whether operation may run in the current state. Those that may not do nothing and give
    // their "nothing to do" result (false, or true for Close and StopCapture).
    bool IsAllowed(Operation operation) const;
    // The steps the camera object takes when it has opened or closed the device.
    void Opened();
    void Closed();
    // What must outlive a frame handler that is running: the object that owns the stream, which
    // a host callback may let go of (closing its own port) while the handler still needs it.
    // Empty when no shared pointer owns that object.
    void KeepAliveWhileHandling(std::weak_ptr<void> owner);

    // Bytes the buffers of an open ask for.
    struct BufferSizes {
        uint64_t frame = 0;
        uint64_t image = 0;
    };
    // Reads size and format from the camera and makes the buffers to match (at open), taking
    // over those a close kept when their sizes still fit. False when the memory for either is
    // not there: then the stream holds no buffer at all, and needed says what was asked for.
    // A camera whose frame size cannot be read gets no buffers, and that is no failure.
    bool AllocateBuffers(BufferSizes& needed) EXCLUDES(m_ImageLock);
    // Frees both buffers, and those kept for a reopen (at close, once the SDK let go of them).
    void FreeBuffers() EXCLUDES(m_ImageLock);
    // Takes both buffers out of use but keeps their memory for the next open, which takes
    // them over when the camera comes back with the same sizes (a close before a reconnect).
    void KeepBuffersForReopen() EXCLUDES(m_ImageLock);
    // Frees what KeepBuffersForReopen kept (no reopen will follow).
    void FreeKeptBuffers() EXCLUDES(m_ImageLock);

    // Acquisition. StartCapture ends with the frame queued; StopCapture returns once no frame
    // handler of this camera runs any more (unless called from inside one).
    bool StartCapture() EXCLUDES(m_Lock);
    bool StopCapture() EXCLUDES(m_Lock);
    // Requests one image: sends the software trigger in "Software" mode, otherwise waits for
    // the next frame. True while a request is pending.
    bool Grab() EXCLUDES(m_Lock);
    // Copies columns firstColumn..lastColumn of one row of the last image. False when the
    // last frame failed, there is no image, or the range lies outside the image.
    bool GetRow(uint8_t* destination, uint32_t row, uint32_t firstColumn, uint32_t lastColumn)
        EXCLUDES(m_ImageLock);

    // The image geometry the buffers were made for at the last open.
    uint32_t Width() EXCLUDES(m_ImageLock);
    uint32_t Height() EXCLUDES(m_ImageLock);
    // Bytes per output pixel: 1 for mono cameras, 3 otherwise, 0 until the format was read.
    int32_t BytesPerPixel() const { return m_BytesPerPixel.load(); }

    // For inspection: the output image's size, whether there is one, whether a close kept
    // buffers for a reopen, the frame record (the SDK's while it is queued), the trigger mode
    // read at capture start.
    uint32_t ImageSize() EXCLUDES(m_ImageLock);
    bool HasImage() EXCLUDES(m_ImageLock);
    bool HasKeptBuffers() EXCLUDES(m_ImageLock);
    const tPvFrame& Record() const { return m_Frame; }
    uint32_t TriggerMode() const { return m_TriggerMode.load(); }

    // Deliver every frame, not only requested ones (property "Continous").
    bool Continuous() const { return m_Continuous.load(); }
    void SetContinuous(bool on) { m_Continuous.store(on); }

    // The lookup table: convert::kLutEntries bytes, all zero until a load. Load clears it and fills
    // it from the table file's column; false when the file, the column or a line is not usable (the
    // table then stays all zero). Called before capture starts, never while a frame converts.
    bool LoadLut(const char* file, const char* column);
    const uint8_t* Lut() const;
    // Whether the frame handler applies the table; it reads this once per frame.
    void SetLutActive(bool on) { m_LutActive.store(on); }
    bool LutActive() const { return m_LutActive.load(); }

    // The SDK still holds the frame record (after a close whose queue clear it refused).
    bool RecordWithSdk() const { return m_FrameWithSdk.load(); }
    // Whether this thread is inside this stream's host notification.
    bool IsHandlingFrameOnThisThread() const;

    // The SDK's completion handler for the record; the record's first context word is the
    // stream's FrameSlot, through which the handler reaches the stream.
    static void PVDECL FrameCB(tPvFrame* frame);

  private:
    // The one place the state changes. A step the camera's life does not have is a
    // programming error.
    void MoveTo(CameraState to);
    // Queues the record. True when the SDK took it.
    bool QueueFrameLocked() REQUIRES(m_Lock);
    // The frame handler proper, for a record the SDK handed back.
    void OnFrameCompleted(tPvFrame& frame) EXCLUDES(m_Lock);
    void ConvertFrame() REQUIRES(m_Lock) EXCLUDES(m_ImageLock);
    void CloseFrameGate();

    CameraDevice& m_Device;
    // The port the camera belongs to; the frame handler passes it to m_OnFrame and names it
    // in its error line. 0 for a camera built around a handle.
    const int32_t m_Port;
    const FrameNotify m_OnFrame;

    // The one frame record queued with the SDK. It lives apart from the object, in its
    // FrameSlot, so that a record the SDK failed to give back can outlive it (see the
    // destructor). Declared before m_Frame, which refers to it.
    std::unique_ptr<FrameSlot> m_FrameStorage;
    tPvFrame& m_Frame;

    // Read without a lock by the frame handler and Grab, which check it again under m_Lock.
    // The camera object moves it at open and close, capture start, stop and the frame
    // handler under m_Lock.
    std::atomic<CameraState> m_State;
    // m_Frame is with the SDK: set before each queueing, cleared when the SDK hands it back.
    // Not part of the state: after a stop or a close the SDK refused to clear its queue for,
    // it may still hold the record, and the destructor must then leave the record to it.
    std::atomic<bool> m_FrameWithSdk{false};
    // Status of the last frame the SDK handed back; GetRow refuses while it is not 0. Kept
    // apart from the record, which the SDK writes while the host reads rows, and from the
    // state: it describes the image, which stays readable after a stop.
    std::atomic<tPvErr> m_LastStatus{ePvErrSuccess};

    // Re-entrant: the host's completion callback runs inside it and may grab again. Taken
    // before m_ImageLock.
    platform::RecursiveLock m_Lock ACQUIRED_BEFORE(m_ImageLock);
    // A grab was requested and its frame not yet delivered; only meaningful while Capturing,
    // and cleared whenever capture stops.
    bool m_GrabPending GUARDED_BY(m_Lock) = false;
    std::atomic<bool> m_Continuous{false};
    // Frame-start trigger mode 0..6, read when capture starts.
    std::atomic<uint32_t> m_TriggerMode{0};

    // Keeps the buffers, the geometry and the image content still while a host thread copies
    // a row (shared). Always taken last, and no other lock is taken while it is held.
    platform::SharedMutex m_ImageLock;
    // The raw frame buffer m_Frame points to.
    platform::PageBuffer m_RawBuffer GUARDED_BY(m_ImageLock);
    // The output image and its size in bytes. Replaced only at open and close, and written by
    // the frame handler while capture runs.
    platform::PageBuffer m_Image GUARDED_BY(m_ImageLock);
    // Buffers a close kept for the next open; nobody reads or writes them meanwhile.
    platform::PageBuffer m_KeptRawBuffer GUARDED_BY(m_ImageLock);
    platform::PageBuffer m_KeptImage GUARDED_BY(m_ImageLock);
    uint32_t m_ImageSize GUARDED_BY(m_ImageLock) = 0;
    uint32_t m_Width GUARDED_BY(m_ImageLock) = 0;
    uint32_t m_Height GUARDED_BY(m_ImageLock) = 0;
    std::atomic<int32_t> m_BytesPerPixel{0};

    // The table, made at the first load: most cameras never use one, and 128 KB for each of
    // 128 ports is room a 32-bit host needs for images. Until then Lut() is a shared table of
    // zeros. Replaced only at open, before capture starts.
    platform::PageBuffer m_Lut;
    std::atomic<bool> m_LutActive{false};
};

}  // namespace tarnix
