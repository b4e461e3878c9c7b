// One camera opened through Aravis, shared by every handle this process has open on it: the
// ArvCamera, its attributes (the name map resolved against the camera's features), its frame
// stream and whether it is gone.
//
// Locking: m_Control serialises all traffic with the camera (Aravis's feature tree is not safe
// from two threads at once). It is held over network traffic, but only this camera's calls wait
// for it, never another camera's. Nothing else is taken while it is held except the SDK's short
// table lock (to report a lost camera). The frame stream has its own slot (StreamSlot), so
// queueing a frame never waits for a slow attribute call.
#pragma once

#include <arv.h>
#include <platform/ThreadSafety.h>
#include <pvapi.h>
#include <sdkcommon/Backend.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "NameMap.h"
#include "Records.h"
#include "StreamSlot.h"

namespace tarnix::gige {

class Session final : public sdk::BackendCamera {
  public:
    // onLost(serial) is called (once, on whichever thread noticed it) when the camera stops
    // answering or its control connection is lost.
    Session(uint64_t serial, uint32_t id, DeviceRecord device,
            std::function<void(uint64_t)> onLost);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    uint64_t Serial() const { return m_Serial; }
    uint32_t Id() const { return m_Id; }
    const DeviceRecord& Device() const { return m_Device; }

    // A new handle on the camera: connects on the first, takes control for a master (the
    // front lets one master handle at a time through). ePvErrAccessDenied when another
    // application holds the camera.
    tPvErr Attach(bool master) EXCLUDES(m_Control);
    // A handle goes. The master's capture ends (stream destroyed, queued records cancelled,
    // acquisition stopped) and control is given up.
    void Detach(bool master) EXCLUDES(m_Control);

    bool Lost() const override { return m_Lost.load(); }
    // The camera is gone, or the session is finished: every call but close fails with
    // ePvErrUnplugged from now on, and no handle attaches any more.
    void MarkLost() { m_Lost.store(true); }
    // Ends everything at the SDK's shutdown: capture and acquisition stop, queued records are
    // cancelled, later calls fail.
    void Shutdown() EXCLUDES(m_Control);
    // Hands the queued records back with ePvErrUnplugged (the event thread, after MarkLost).
    void CompleteLostFrames();
    // Hands the camera over for release (null when there is none). Releasing a lost camera
    // waits for the network's time-outs, so the caller chooses the thread.
    ArvCamera* TakeCamera() EXCLUDES(m_Control);

    // Attributes. `master` tells whether the calling handle may write.
    tPvErr AttrList(tPvAttrListPtr* list, uint32_t* length) override;
    tPvErr AttrInfo(const char* name, tPvAttributeInfo* info) override;
    tPvErr CommandRun(bool master, const char* name) override EXCLUDES(m_Control);
    tPvErr GetText(const char* name, tPvDatatype type, char* buffer, uint32_t bufferSize,
                   uint32_t* size) override EXCLUDES(m_Control);
    tPvErr SetText(bool master, const char* name, tPvDatatype type, const char* value) override
        EXCLUDES(m_Control);
    tPvErr RangeEnum(const char* name, char* buffer, uint32_t bufferSize, uint32_t* size) override
        EXCLUDES(m_Control);
    tPvErr GetUint32(const char* name, uint32_t* value) override EXCLUDES(m_Control);
    tPvErr SetUint32(bool master, const char* name, uint32_t value) override EXCLUDES(m_Control);
    tPvErr RangeUint32(const char* name, uint32_t* min, uint32_t* max) override EXCLUDES(m_Control);
    tPvErr GetFloat32(const char* name, float* value) override EXCLUDES(m_Control);
    tPvErr SetFloat32(bool master, const char* name, float value) override EXCLUDES(m_Control);
    tPvErr RangeFloat32(const char* name, float* min, float* max) override EXCLUDES(m_Control);

    // Capture (master only).
    tPvErr CaptureStart() override EXCLUDES(m_Control);
    tPvErr CaptureEnd() override;
    tPvErr QueueFrame(tPvFrame* frame, tPvFrameCallback callback) override;
    tPvErr QueueClear() override;

    // Registers; *completed counts the transferred ones.
    tPvErr ReadRegisters(uint32_t count, const uint32_t* addresses, uint32_t* values,
                         uint32_t* completed) override EXCLUDES(m_Control);
    tPvErr WriteRegisters(uint32_t count, const uint32_t* addresses, const uint32_t* values,
                          uint32_t* completed) override EXCLUDES(m_Control);

  private:
    enum class Access { Read, Write };

    // One name this camera answers to: a row of the name map the camera serves, or one of
    // its own features under the feature's name.
    struct Attribute {
        const char* name;
        tPvDatatype type;
        const char* category;
        uint32_t flags;
        Conversion conversion;
        bool frameStart;
        ArvGcNode* node;  // null for the names the SDK answers itself
    };

    // Connection (m_Control held).
    tPvErr ConnectLocked(bool master) REQUIRES(m_Control);
    void BuildAttributesLocked() REQUIRES(m_Control);
    void AddMappedLocked(const MappedName& entry) REQUIRES(m_Control);
    void AddOwnFeaturesLocked(ArvGcNode* category, const std::string& path) REQUIRES(m_Control);
    bool TakeControlLocked() REQUIRES(m_Control);
    void LeaveControlLocked() REQUIRES(m_Control);
    bool LinesFromZeroLocked() REQUIRES(m_Control);
    // Whether the frame stream kept from an earlier capture is too small for the image now.
    bool StreamTooSmallLocked() REQUIRES(m_Control);

    // The camera's answer: a time-out or a lost connection makes the camera lost.
    tPvErr Check(tPvErr error);
    tPvErr Lookup(const char* name, tPvDatatype type, Access access, bool master,
                  const Attribute*& attribute);

    // Conversions (m_Control held).
    tPvErr SelectFrameStartLocked(const Attribute& attribute) REQUIRES(m_Control);
    tPvErr ReadTextLocked(const Attribute& attribute, std::string& text) REQUIRES(m_Control);
    tPvErr WriteTextLocked(const Attribute& attribute, const char* value) REQUIRES(m_Control);
    tPvErr RangeEnumLocked(const Attribute& attribute, std::string& values) REQUIRES(m_Control);
    tPvErr ReadUint32Locked(const Attribute& attribute, uint32_t& value) REQUIRES(m_Control);
    tPvErr RangeUint32Locked(const Attribute& attribute, uint32_t& min, uint32_t& max)
        REQUIRES(m_Control);
    tPvErr WriteUint32Locked(const Attribute& attribute, uint32_t value) REQUIRES(m_Control);
    tPvErr ReadFloatLocked(const Attribute& attribute, float& value) REQUIRES(m_Control);
    tPvErr RangeFloatLocked(const Attribute& attribute, float& min, float& max) REQUIRES(m_Control);
    tPvErr WriteFloatLocked(const Attribute& attribute, float value) REQUIRES(m_Control);
    tPvErr RunCommandLocked(const Attribute& attribute) REQUIRES(m_Control);
    tPvErr TriggerModeLocked(std::string& mode) REQUIRES(m_Control);
    tPvErr TriggerModeRangeLocked(std::vector<std::string>& modes) REQUIRES(m_Control);
    tPvErr SetTriggerModeLocked(const char* mode) REQUIRES(m_Control);
    tPvErr PixelFormatLocked(std::string& name) REQUIRES(m_Control);
    tPvErr PixelFormatRangeLocked(std::vector<std::string>& names) REQUIRES(m_Control);
    tPvErr SetPixelFormatLocked(const char* name) REQUIRES(m_Control);
    tPvErr SensorBitsLocked(uint32_t& bits) REQUIRES(m_Control);
    uint32_t StreamCounter(Conversion which) REQUIRES(m_Control);

    const uint64_t m_Serial;
    const uint32_t m_Id;
    const DeviceRecord m_Device;
    const std::function<void(uint64_t)> m_OnLost;
    std::atomic<bool> m_Lost{false};
    std::atomic<bool> m_LostReported{false};

    platform::Mutex m_Control;
    ArvCamera* m_Camera GUARDED_BY(m_Control) = nullptr;
    ArvDevice* m_ArvDevice GUARDED_BY(m_Control) = nullptr;  // the camera's, not owned
    gulong m_ControlLostHandler GUARDED_BY(m_Control) = 0;
    ArvGc* m_Genicam GUARDED_BY(m_Control) = nullptr;  // the camera's, not owned
    // This process holds the camera's control channel.
    bool m_Controller GUARDED_BY(m_Control) = false;
    bool m_HasMaster GUARDED_BY(m_Control) = false;
    int m_Handles GUARDED_BY(m_Control) = 0;
    // The names: built under m_Control by the connecting attach, before any handle has the
    // session, and fixed from then on (a lost session attaches no more), so read without it.
    std::vector<Attribute> m_Attributes;
    std::unordered_map<std::string, size_t> m_ByName;
    std::vector<const char*> m_Names;  // PvAttrList's array
    std::deque<std::string> m_Texts;   // categories of the camera's own features

    // Capture: the stream, whether capture is started, and the counters at its start.
    StreamSlot m_Stream;
    std::atomic<bool> m_Capturing{false};
    // The stream's counters at capture start.
    StreamStatistics m_StatsBase GUARDED_BY(m_Control);
};

}  // namespace tarnix::gige
