// The cameras over Aravis behind the SDK's front: the SDK's ids of Aravis's devices, the cameras
// present, the camera sessions the front's handles hold, the device-list and release threads,
// and the link events they post.
//
// Locking: the front's lock may be held while m_Lock is taken, never the other way round.
// m_Lock guards the tables and is held only for short steps, never over network
// traffic and never while a session's camera lock is taken (a session may take m_Lock while it
// holds its own, to report its camera lost). Aravis's global device list has a mutex of its
// own (AravisSystem). The front makes start and stop one at a time.
#pragma once

#include <arv.h>
#include <platform/ThreadSafety.h>
#include <pvapi.h>
#include <sdkcommon/Backend.h>
#include <sdkcommon/LinkEvents.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AravisSystem.h"
#include "Presence.h"
#include "Records.h"
#include "Session.h"

namespace tarnix::gige {

class GigeBackend final : public sdk::Backend {
  public:
    // Never destroyed: Aravis's and the host's threads may still call in at exit.
    static GigeBackend& Instance();

    tPvErr Start() override EXCLUDES(m_Lock);
    void Stop() override EXCLUDES(m_Lock);
    void Finish() override;

    uint32_t CameraCount() override EXCLUDES(m_Lock);
    uint32_t CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected) override
        EXCLUDES(m_Lock);
    tPvErr CameraInfoByAddr(uint32_t address, tPvCameraInfo& info, tPvIpSettings* settings) override
        EXCLUDES(m_Lock);

    // The camera's session, shared by every handle on it, made afresh when the last one was lost.
    tPvErr Open(uint32_t id, bool master, std::shared_ptr<sdk::BackendCamera>& device) override
        EXCLUDES(m_Lock);
    void Close(const std::shared_ptr<sdk::BackendCamera>& device, bool master) override
        EXCLUDES(m_Lock);

  private:
    GigeBackend() : m_Events(sdk::SdkLinkEvents()) {}
    uint32_t IdOfLocked(const std::string& deviceId) REQUIRES(m_Lock);
    void ListLoop() EXCLUDES(m_Lock);
    // Asks each camera for its user-defined name (network traffic: no lock held).
    static void ReadUserNames(std::vector<DeviceRecord>& devices);
    void ApplyDiscovery(const std::vector<DeviceRecord>& devices) EXCLUDES(m_Lock);
    // A session's camera stopped answering or lost its control connection (any thread).
    void SessionLost(uint64_t serial) EXCLUDES(m_Lock);
    // Ends a live session of a camera that is gone, and reports the unplug once.
    void LoseLocked(uint32_t id, bool unplugged) REQUIRES(m_Lock);
    void ReleaseCamera(Session& session, bool lost) EXCLUDES(m_Lock);
    void ReleaseLoop() EXCLUDES(m_Lock);
    void ReleaseRetired() EXCLUDES(m_Lock);

    platform::Mutex m_Lock;
    bool m_Initialized GUARDED_BY(m_Lock) = false;  // started and not stopped
    AravisSystem m_Aravis;
    sdk::LinkEvents& m_Events;

    // The SDK's ids, one per Aravis device id, for the life of the process: a camera that goes
    // and comes back keeps its id.
    std::map<std::string, uint32_t> m_Ids GUARDED_BY(m_Lock);
    uint32_t m_NextId GUARDED_BY(m_Lock) = 1;
    std::map<uint32_t, DeviceRecord> m_Devices GUARDED_BY(m_Lock);  // present cameras by id
    Presence m_Presence GUARDED_BY(m_Lock);

    // The live session of a camera.
    std::map<uint32_t, std::shared_ptr<Session>> m_Sessions GUARDED_BY(m_Lock);
    // How many of the front's handles hold each session, live or lost.
    std::map<std::shared_ptr<Session>, int> m_Handles GUARDED_BY(m_Lock);
    uint64_t m_NextSerial GUARDED_BY(m_Lock) = 1;
    // Cameras of lost sessions: their release waits for the network's time-outs (Aravis says
    // goodbye to the camera and waits for its heartbeat), so a thread of its own does it
    // rather than the closing caller or the device list.
    std::vector<ArvCamera*> m_Retired GUARDED_BY(m_Lock);

    // The device-list and release threads, which run while the SDK is initialised. Only Start
    // and Stop, which the front makes one at a time, touch the thread objects, so they are
    // joined without the lock.
    std::thread m_ListThread;
    std::thread m_ReleaseThread;
    std::condition_variable m_Wake;
    bool m_Stopping GUARDED_BY(m_Lock) = false;
};

}  // namespace tarnix::gige
