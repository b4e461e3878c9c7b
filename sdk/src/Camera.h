// One simulated GigE camera: identity, attributes, its plug epochs, the frame queue and stream
// thread of its capture, its serial port and the faults injected into it.
//
// The front keeps the handles; the camera knows each by a ticket Open gives out, which every
// call names: a closed one answers ePvErrBadHandle, one opened before the camera was unplugged
// or removed ePvErrUnplugged.
//
// Locking: one mutex per camera guards all of its state. User callbacks (frame completion)
// run without it; m_CallbacksRunning counts the threads inside them so that clearing,
// closing and removal can wait until none of this camera's callbacks is running.
#pragma once

#include <pvapi.h>
#include <pvsim.h>
#include <sdkcommon/FrameQueue.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Attributes.h"
#include "SerialPort.h"

namespace tarnix::sim {

class FrameWriter;
struct FrameShape;

struct CameraDesc {
    std::string displayName;
    std::string serial;
    std::string addressText;
    uint32_t address = 0;  // network byte order
    uint32_t format = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitDepth = 8;
    uint32_t omit = 0;
};

class Camera : public std::enable_shared_from_this<Camera> {
  public:
    Camera(uint32_t id, CameraDesc desc);
    ~Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    uint32_t Id() const { return m_Id; }
    const CameraDesc& Desc() const { return m_Desc; }

    // Enumeration.
    bool IsPlugged();
    void FillInfo(tPvCameraInfo& info);
    void FillIpSettings(tPvIpSettings& settings) const;

    // Handles. The front lets one master at a time through and checks the master for capture
    // and register writes; attribute writes and commands get `master` to check once the name
    // resolved. Closing the master ends its capture.
    tPvErr Open(uint32_t& ticket);
    void Close(uint32_t ticket, bool master);
    bool Lost(uint32_t ticket);

    // Attributes.
    tPvErr AttrList(uint32_t ticket, tPvAttrListPtr* list, uint32_t* length);
    tPvErr AttrInfo(uint32_t ticket, const char* name, tPvAttributeInfo* info);
    tPvErr CommandRun(uint32_t ticket, bool master, const char* name);
    tPvErr GetText(uint32_t ticket, const char* name, tPvDatatype type, char* buffer,
                   uint32_t bufferSize, uint32_t* size);
    tPvErr SetText(uint32_t ticket, bool master, const char* name, tPvDatatype type,
                   const char* value);
    tPvErr RangeEnum(uint32_t ticket, const char* name, char* buffer, uint32_t bufferSize,
                     uint32_t* size);
    tPvErr GetUint32(uint32_t ticket, const char* name, uint32_t* value);
    tPvErr SetUint32(uint32_t ticket, bool master, const char* name, uint32_t value);
    tPvErr RangeUint32(uint32_t ticket, const char* name, uint32_t* min, uint32_t* max);
    tPvErr GetFloat32(uint32_t ticket, const char* name, float* value);
    tPvErr SetFloat32(uint32_t ticket, bool master, const char* name, float value);
    tPvErr RangeFloat32(uint32_t ticket, const char* name, float* min, float* max);

    // Capture.
    tPvErr CaptureStart(uint32_t ticket);
    tPvErr CaptureEnd(uint32_t ticket);
    tPvErr QueueFrame(uint32_t ticket, tPvFrame* frame, tPvFrameCallback callback);
    tPvErr QueueClear(uint32_t ticket);

    // Registers.
    tPvErr ReadRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                         uint32_t* values, uint32_t* completed);
    tPvErr WriteRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                          const uint32_t* values, uint32_t* completed);

    // Life of the camera in the simulator. Unplug and Plug return whether anything changed.
    bool Unplug();
    bool Plug();
    // Gone for good: handles fail with 8 until closed, queued frames complete with 8.
    void Remove();
    // The SDK shuts down: handles are forgotten, queued frames are cancelled with 14.
    void Shutdown();

    // Simulation controls.
    void Trigger(uint32_t line);
    void SetPattern(uint32_t pattern);
    void FailFrames(uint32_t count, tPvErr status);
    tPvErr FailAttr(const char* name, tPvErr readError, tPvErr writeError);
    void LimitRegisters(uint32_t maxComplete);
    void FailRegisters(tPvErr error);
    void FailNextOpen(tPvErr error);
    uint32_t FramesDelivered() const { return m_Delivered.load(std::memory_order_relaxed); }
    void StreamStats(tPvSimStreamStats& stats) const;
    void SetSerialLoopback(bool enabled);
    uint32_t TakeSerialSent(uint8_t* buffer, uint32_t size);
    uint32_t InjectSerial(const uint8_t* data, uint32_t size);
    void SetSerialTransmitter(uint32_t freeSpace, bool ready);

  private:
    enum class Access { Read, Write };
    struct Opened {
        uint32_t ticket;
        uint32_t epoch;  // plug epoch the handle was opened in
    };
    using Lock = std::unique_lock<std::mutex>;

    // Handles and attribute lookup (camera lock held).
    const Opened* FindLocked(uint32_t ticket) const;
    tPvErr CheckTicketLocked(uint32_t ticket) const;
    template <typename Values, typename Move>
    tPvErr TransferRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                             Values* values, uint32_t* completed, Move move);
    tPvErr LookupLocked(uint32_t ticket, bool master, const char* name, tPvDatatype type,
                        Access access, const AttrDef*& def);
    bool Has(Attr id) const { return m_Present[size_t(id)]; }

    // Attribute values (camera lock held).
    uint32_t ReadUint32Locked(Attr id) const;
    void RangeUint32Locked(const AttrDef& def, uint32_t& min, uint32_t& max) const;
    const char* ReadStringLocked(Attr id) const;
    void RunCommandLocked(Attr id);
    uint32_t TriggerModeLocked() const;

    // Acquisition (camera lock held unless noted).
    bool CanStartFrameLocked() const;
    bool TimedTriggerLocked() const;
    void EnsureStreamThreadLocked();
    void StopStreamThread();  // without the lock
    // Tells the stream thread to end and takes it out, so that a capture started meanwhile
    // makes a new one; then waits for it (or, from the thread itself, lets it finish alone).
    std::thread TakeStreamThreadLocked();
    static void EndStreamThread(std::thread stream);
    void StreamLoop(uint64_t generation);
    void RunFrame(Lock& lock, FrameWriter& writer);
    void CountFrameStartLocked();
    FrameShape ShapeLocked() const;
    void ReleaseMasterLocked();
    // Waits until no callback of this camera runs on another thread.
    void WaitForOtherCallbacks(Lock& lock);
    // Completes the records with the status through their callbacks, without the lock.
    void CompleteBatch(Lock& lock, sdk::FrameQueue::Batch& batch, tPvErr status);
    // Everything queued or running ends; used by close, removal and shutdown.
    void DrainLocked(Lock& lock, tPvErr status);

    const uint32_t m_Id;
    const CameraDesc m_Desc;
    std::array<bool, kAttrCount> m_Present{};
    std::vector<const char*> m_Names;

    std::mutex m_Lock;
    std::condition_variable m_Changed;

    // Presence and handles.
    bool m_Plugged = true;
    bool m_Removed = false;
    uint32_t m_Epoch = 0;
    std::vector<Opened> m_Open;
    uint32_t m_LastTicket = 0;

    // Attribute values, indexed by Attr.
    std::array<uint32_t, kAttrCount> m_U{};
    std::array<float, kAttrCount> m_F{};
    std::string m_CameraName;

    // Capture and acquisition.
    bool m_CaptureStarted = false;
    bool m_Acquiring = false;
    uint32_t m_AcquireLeft = 0;  // frames left in SingleFrame and MultiFrame modes
    uint32_t m_PendingTriggers = 0;
    uint32_t m_FrameNumber = 0;  // completed frames since capture start
    uint32_t m_StatCompleted = 0;
    uint32_t m_StatDropped = 0;
    uint32_t m_Pattern = 0;
    sdk::FrameQueue m_Queue;
    int m_Clearing = 0;  // threads draining the queue; no frame starts meanwhile
    int m_CallbacksRunning = 0;
    std::thread m_Stream;
    uint64_t m_StreamGeneration = 0;
    std::atomic<uint32_t> m_Delivered{0};
    // Stream thread figures for benchmarks (pvsim_stream_stats).
    std::atomic<uint64_t> m_StreamFrames{0};
    std::atomic<uint64_t> m_GenerateCpuNs{0};
    std::atomic<uint64_t> m_CallbackCpuNs{0};
    std::atomic<int64_t> m_LastCallbackNs{0};

    // Faults.
    uint32_t m_FailFrames = 0;
    tPvErr m_FailFrameStatus = 0;
    std::array<tPvErr, kAttrCount> m_FailRead{};
    std::array<tPvErr, kAttrCount> m_FailWrite{};
    uint32_t m_RegisterLimit = 0xFFFFFFFFu;
    tPvErr m_RegisterError = 0;
    tPvErr m_NextOpenError = 0;

    SerialPort m_Serial;
};

}  // namespace tarnix::sim
