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

#include <platform/ThreadSafety.h>
#include <pvapi.h>
#include <pvsim.h>
#include <sdkcommon/FrameQueue.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
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
    bool IsPlugged() EXCLUDES(m_Lock);
    void FillInfo(tPvCameraInfo& info) EXCLUDES(m_Lock);
    void FillIpSettings(tPvIpSettings& settings) const;

    // Handles. The front lets one master at a time through and checks the master for capture
    // and register writes; attribute writes and commands get `master` to check once the name
    // resolved. Closing the master ends its capture.
    tPvErr Open(uint32_t& ticket) EXCLUDES(m_Lock);
    void Close(uint32_t ticket, bool master) EXCLUDES(m_Lock);
    bool Lost(uint32_t ticket) EXCLUDES(m_Lock);

    // Attributes.
    tPvErr AttrList(uint32_t ticket, tPvAttrListPtr* list, uint32_t* length) EXCLUDES(m_Lock);
    tPvErr AttrInfo(uint32_t ticket, const char* name, tPvAttributeInfo* info) EXCLUDES(m_Lock);
    tPvErr CommandRun(uint32_t ticket, bool master, const char* name) EXCLUDES(m_Lock);
    tPvErr GetText(uint32_t ticket, const char* name, tPvDatatype type, char* buffer,
                   uint32_t bufferSize, uint32_t* size) EXCLUDES(m_Lock);
    tPvErr SetText(uint32_t ticket, bool master, const char* name, tPvDatatype type,
                   const char* value) EXCLUDES(m_Lock);
    tPvErr RangeEnum(uint32_t ticket, const char* name, char* buffer, uint32_t bufferSize,
                     uint32_t* size) EXCLUDES(m_Lock);
    tPvErr GetUint32(uint32_t ticket, const char* name, uint32_t* value) EXCLUDES(m_Lock);
    tPvErr SetUint32(uint32_t ticket, bool master, const char* name, uint32_t value)
        EXCLUDES(m_Lock);
    tPvErr RangeUint32(uint32_t ticket, const char* name, uint32_t* min, uint32_t* max)
        EXCLUDES(m_Lock);
    tPvErr GetFloat32(uint32_t ticket, const char* name, float* value) EXCLUDES(m_Lock);
    tPvErr SetFloat32(uint32_t ticket, bool master, const char* name, float value) EXCLUDES(m_Lock);
    tPvErr RangeFloat32(uint32_t ticket, const char* name, float* min, float* max) EXCLUDES(m_Lock);

    // Capture.
    tPvErr CaptureStart(uint32_t ticket) EXCLUDES(m_Lock);
    tPvErr CaptureEnd(uint32_t ticket) EXCLUDES(m_Lock);
    tPvErr QueueFrame(uint32_t ticket, tPvFrame* frame, tPvFrameCallback callback) EXCLUDES(m_Lock);
    tPvErr QueueClear(uint32_t ticket) EXCLUDES(m_Lock);

    // Registers.
    tPvErr ReadRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                         uint32_t* values, uint32_t* completed) EXCLUDES(m_Lock);
    tPvErr WriteRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                          const uint32_t* values, uint32_t* completed) EXCLUDES(m_Lock);

    // Life of the camera in the simulator. Unplug and Plug return whether anything changed.
    bool Unplug() EXCLUDES(m_Lock);
    bool Plug() EXCLUDES(m_Lock);
    // Gone for good: handles fail with 8 until closed, queued frames complete with 8.
    void Remove() EXCLUDES(m_Lock);
    // The SDK shuts down: handles are forgotten, queued frames are cancelled with 14.
    void Shutdown() EXCLUDES(m_Lock);

    // Simulation controls.
    void Trigger(uint32_t line) EXCLUDES(m_Lock);
    void SetPattern(uint32_t pattern) EXCLUDES(m_Lock);
    void FailFrames(uint32_t count, tPvErr status) EXCLUDES(m_Lock);
    tPvErr FailAttr(const char* name, tPvErr readError, tPvErr writeError) EXCLUDES(m_Lock);
    void LimitRegisters(uint32_t maxComplete) EXCLUDES(m_Lock);
    void FailRegisters(tPvErr error) EXCLUDES(m_Lock);
    void FailNextOpen(tPvErr error) EXCLUDES(m_Lock);
    uint32_t FramesDelivered() const { return m_Delivered.load(std::memory_order_relaxed); }
    void StreamStats(tPvSimStreamStats& stats) const;
    void SetSerialLoopback(bool enabled) EXCLUDES(m_Lock);
    uint32_t TakeSerialSent(uint8_t* buffer, uint32_t size) EXCLUDES(m_Lock);
    uint32_t InjectSerial(const uint8_t* data, uint32_t size) EXCLUDES(m_Lock);
    void SetSerialTransmitter(uint32_t freeSpace, bool ready) EXCLUDES(m_Lock);

  private:
    enum class Access { Read, Write };
    struct Opened {
        uint32_t ticket;
        uint32_t epoch;  // plug epoch the handle was opened in
    };

    // Handles and attribute lookup (camera lock held).
    const Opened* FindLocked(uint32_t ticket) const REQUIRES(m_Lock);
    tPvErr CheckTicketLocked(uint32_t ticket) const REQUIRES(m_Lock);
    // `move` gets the serial port, which the lock guards, with each register.
    template <typename Values, typename Move>
    tPvErr TransferRegisters(uint32_t ticket, uint32_t count, const uint32_t* addresses,
                             Values* values, uint32_t* completed, Move move) EXCLUDES(m_Lock);
    tPvErr LookupLocked(uint32_t ticket, bool master, const char* name, tPvDatatype type,
                        Access access, const AttrDef*& def) REQUIRES(m_Lock);
    bool Has(Attr id) const { return m_Present[size_t(id)]; }

    // Attribute values (camera lock held).
    uint32_t ReadUint32Locked(Attr id) const REQUIRES(m_Lock);
    void RangeUint32Locked(const AttrDef& def, uint32_t& min, uint32_t& max) const REQUIRES(m_Lock);
    const char* ReadStringLocked(Attr id) const REQUIRES(m_Lock);
    void RunCommandLocked(Attr id) REQUIRES(m_Lock);
    uint32_t TriggerModeLocked() const REQUIRES(m_Lock);

    // Acquisition (camera lock held unless noted). Those given `held`, the caller's hold on
    // the lock, wait on m_Changed with it; those that run callbacks let go of the lock meanwhile.
    bool CanStartFrameLocked() const REQUIRES(m_Lock);
    bool TimedTriggerLocked() const REQUIRES(m_Lock);
    void EnsureStreamThreadLocked() REQUIRES(m_Lock);
    void StopStreamThread() EXCLUDES(m_Lock);
    // Tells the stream thread to end and takes it out, so that a capture started meanwhile
    // makes a new one; then waits for it (or, from the thread itself, lets it finish alone).
    std::thread TakeStreamThreadLocked() REQUIRES(m_Lock);
    static void EndStreamThread(std::thread stream);
    void StreamLoop(uint64_t generation) EXCLUDES(m_Lock);
    void RunFrame(FrameWriter& writer) REQUIRES(m_Lock);
    void CountFrameStartLocked() REQUIRES(m_Lock);
    FrameShape ShapeLocked() const REQUIRES(m_Lock);
    void ReleaseMasterLocked() REQUIRES(m_Lock);
    // Waits until no callback of this camera runs on another thread.
    void WaitForOtherCallbacks(platform::MutexLock& held) REQUIRES(m_Lock);
    // Completes the records with the status through their callbacks, without the lock.
    void CompleteBatch(sdk::FrameQueue::Batch& batch, tPvErr status) REQUIRES(m_Lock);
    // Everything queued or running ends; used by close, removal and shutdown.
    void DrainLocked(platform::MutexLock& held, tPvErr status) REQUIRES(m_Lock);

    const uint32_t m_Id;
    const CameraDesc m_Desc;
    std::array<bool, kAttrCount> m_Present{};
    std::vector<const char*> m_Names;

    platform::Mutex m_Lock;
    std::condition_variable m_Changed;

    // Presence and handles.
    bool m_Plugged GUARDED_BY(m_Lock) = true;
    bool m_Removed GUARDED_BY(m_Lock) = false;
    uint32_t m_Epoch GUARDED_BY(m_Lock) = 0;
    std::vector<Opened> m_Open GUARDED_BY(m_Lock);
    uint32_t m_LastTicket GUARDED_BY(m_Lock) = 0;

    // Attribute values, indexed by Attr.
    std::array<uint32_t, kAttrCount> m_U GUARDED_BY(m_Lock){};
    std::array<float, kAttrCount> m_F GUARDED_BY(m_Lock){};
    std::string m_CameraName GUARDED_BY(m_Lock);

    // Capture and acquisition.
    bool m_CaptureStarted GUARDED_BY(m_Lock) = false;
    bool m_Acquiring GUARDED_BY(m_Lock) = false;
    // Frames left in SingleFrame and MultiFrame modes.
    uint32_t m_AcquireLeft GUARDED_BY(m_Lock) = 0;
    uint32_t m_PendingTriggers GUARDED_BY(m_Lock) = 0;
    uint32_t m_FrameNumber GUARDED_BY(m_Lock) = 0;  // completed frames since capture start
    uint32_t m_StatCompleted GUARDED_BY(m_Lock) = 0;
    uint32_t m_StatDropped GUARDED_BY(m_Lock) = 0;
    uint32_t m_Pattern GUARDED_BY(m_Lock) = 0;
    sdk::FrameQueue m_Queue GUARDED_BY(m_Lock);
    // Threads draining the queue; no frame starts meanwhile.
    int m_Clearing GUARDED_BY(m_Lock) = 0;
    int m_CallbacksRunning GUARDED_BY(m_Lock) = 0;
    std::thread m_Stream GUARDED_BY(m_Lock);
    uint64_t m_StreamGeneration GUARDED_BY(m_Lock) = 0;
    std::atomic<uint32_t> m_Delivered{0};
    // Stream thread figures for benchmarks (pvsim_stream_stats).
    std::atomic<uint64_t> m_StreamFrames{0};
    std::atomic<uint64_t> m_GenerateCpuNs{0};
    std::atomic<uint64_t> m_CallbackCpuNs{0};
    std::atomic<int64_t> m_LastCallbackNs{0};

    // Faults.
    uint32_t m_FailFrames GUARDED_BY(m_Lock) = 0;
    tPvErr m_FailFrameStatus GUARDED_BY(m_Lock) = 0;
    std::array<tPvErr, kAttrCount> m_FailRead GUARDED_BY(m_Lock){};
    std::array<tPvErr, kAttrCount> m_FailWrite GUARDED_BY(m_Lock){};
    uint32_t m_RegisterLimit GUARDED_BY(m_Lock) = 0xFFFFFFFFu;
    tPvErr m_RegisterError GUARDED_BY(m_Lock) = 0;
    tPvErr m_NextOpenError GUARDED_BY(m_Lock) = 0;

    SerialPort m_Serial GUARDED_BY(m_Lock);
};

}  // namespace tarnix::sim
