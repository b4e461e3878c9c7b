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
#include <pvapi.h>
#include <sdkcommon/Backend.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
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
    tPvErr Attach(bool master);
    // A handle goes. The master's capture ends (stream destroyed, queued records cancelled,
    // acquisition stopped) and control is given up.
    void Detach(bool master);

    bool Lost() const override { return m_Lost.load(); }
    // The camera is gone, or the session is finished: every call but close fails with
    // ePvErrUnplugged from now on, and no handle attaches any more.
    void MarkLost() { m_Lost.store(true); }
    // Ends everything at the SDK's shutdown: capture and acquisition stop, queued records are
    // cancelled, later calls fail.
    void Shutdown();
    // Hands the queued records back with ePvErrUnplugged (the event thread, after MarkLost).
    void CompleteLostFrames();
    // Hands the camera over for release (null when there is none). Releasing a lost camera
    // waits for the network's time-outs, so the caller chooses the thread.
    ArvCamera* TakeCamera();

    // Attributes. `master` tells whether the calling handle may write.
    tPvErr AttrList(tPvAttrListPtr* list, uint32_t* length) override;
    tPvErr AttrInfo(const char* name, tPvAttributeInfo* info) override;
    tPvErr CommandRun(bool master, const char* name) override;
    tPvErr GetText(const char* name, tPvDatatype type, char* buffer, uint32_t bufferSize,
                   uint32_t* size) override;
    tPvErr SetText(bool master, const char* name, tPvDatatype type, const char* value) override;
    tPvErr RangeEnum(const char* name, char* buffer, uint32_t bufferSize, uint32_t* size) override;
    tPvErr GetUint32(const char* name, uint32_t* value) override;
    tPvErr SetUint32(bool master, const char* name, uint32_t value) override;
    tPvErr RangeUint32(const char* name, uint32_t* min, uint32_t* max) override;
    tPvErr GetFloat32(const char* name, float* value) override;
    tPvErr SetFloat32(bool master, const char* name, float value) override;
    tPvErr RangeFloat32(const char* name, float* min, float* max) override;

    // Capture (master only).
    tPvErr CaptureStart() override;
    tPvErr CaptureEnd() override;
    tPvErr QueueFrame(tPvFrame* frame, tPvFrameCallback callback) override;
    tPvErr QueueClear() override;

    // Registers; *completed counts the transferred ones.
    tPvErr ReadRegisters(uint32_t count, const uint32_t* addresses, uint32_t* values,
                         uint32_t* completed) override;
    tPvErr WriteRegisters(uint32_t count, const uint32_t* addresses, const uint32_t* values,
                          uint32_t* completed) override;

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
    tPvErr ConnectLocked(bool master);
    void BuildAttributesLocked();
    void AddMappedLocked(const MappedName& entry);
    void AddOwnFeaturesLocked(ArvGcNode* category, const std::string& path);
    bool TakeControlLocked();
    void LeaveControlLocked();
    bool LinesFromZeroLocked();
    // Whether the frame stream kept from an earlier capture is too small for the image now.
    bool StreamTooSmallLocked();

    // The camera's answer: a time-out or a lost connection makes the camera lost.
    tPvErr Check(tPvErr error);
    tPvErr Lookup(const char* name, tPvDatatype type, Access access, bool master,
                  const Attribute*& attribute);

    // Conversions (m_Control held).
    tPvErr SelectFrameStartLocked(const Attribute& attribute);
    tPvErr ReadTextLocked(const Attribute& attribute, std::string& text);
    tPvErr WriteTextLocked(const Attribute& attribute, const char* value);
    tPvErr RangeEnumLocked(const Attribute& attribute, std::string& values);
    tPvErr ReadUint32Locked(const Attribute& attribute, uint32_t& value);
    tPvErr RangeUint32Locked(const Attribute& attribute, uint32_t& min, uint32_t& max);
    tPvErr WriteUint32Locked(const Attribute& attribute, uint32_t value);
    tPvErr ReadFloatLocked(const Attribute& attribute, float& value);
    tPvErr RangeFloatLocked(const Attribute& attribute, float& min, float& max);
    tPvErr WriteFloatLocked(const Attribute& attribute, float value);
    tPvErr RunCommandLocked(const Attribute& attribute);
    tPvErr TriggerModeLocked(std::string& mode);
    tPvErr TriggerModeRangeLocked(std::vector<std::string>& modes);
    tPvErr SetTriggerModeLocked(const char* mode);
    tPvErr PixelFormatLocked(std::string& name);
    tPvErr PixelFormatRangeLocked(std::vector<std::string>& names);
    tPvErr SetPixelFormatLocked(const char* name);
    tPvErr SensorBitsLocked(uint32_t& bits);
    uint32_t StreamCounter(Conversion which);

    const uint64_t m_Serial;
    const uint32_t m_Id;
    const DeviceRecord m_Device;
    const std::function<void(uint64_t)> m_OnLost;
    std::atomic<bool> m_Lost{false};
    std::atomic<bool> m_LostReported{false};

    std::mutex m_Control;
    ArvCamera* m_Camera = nullptr;
    ArvDevice* m_ArvDevice = nullptr;  // the camera's, not owned
    gulong m_ControlLostHandler = 0;
    ArvGc* m_Genicam = nullptr;  // the camera's, not owned
    bool m_Controller = false;   // this process holds the camera's control channel
    bool m_HasMaster = false;
    int m_Handles = 0;
    std::vector<Attribute> m_Attributes;
    std::unordered_map<std::string, size_t> m_ByName;
    std::vector<const char*> m_Names;  // PvAttrList's array
    std::deque<std::string> m_Texts;   // categories of the camera's own features

    // Capture: the stream, whether capture is started, and the counters at its start.
    StreamSlot m_Stream;
    std::atomic<bool> m_Capturing{false};
    StreamStatistics m_StatsBase;  // under m_Control: the stream's counters at capture start
};

}  // namespace tarnix::gige
