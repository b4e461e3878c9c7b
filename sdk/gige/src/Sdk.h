// Process-wide state of the SDK: initialisation, the SDK's ids of Aravis's devices, the
// cameras present, the open handles and their camera sessions, the device-list thread and the
// link events.
//
// Locking: m_Lock guards the tables and is held only for short steps, never over network
// traffic and never while a session's camera lock is taken (a session may take m_Lock while it
// holds its own, to report its camera lost). Aravis's global device list has a mutex of its
// own (AravisSystem). m_Lifecycle makes initialisation and shutdown one at a time.
#pragma once

#include <arv.h>
#include <pvapi.h>
#include <sdkcommon/LinkEvents.h>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "AravisSystem.h"
#include "Presence.h"
#include "Records.h"
#include "Session.h"

namespace tarnix::gige {

class Sdk {
  public:
    // Never destroyed: Aravis's and the host's threads may still call in at exit.
    static Sdk& Instance();

    tPvErr Initialize();
    void Uninitialize();

    uint32_t CameraCount();
    uint32_t CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected);
    tPvErr CameraInfoByAddr(uint32_t address, tPvCameraInfo* info, tPvIpSettings* settings);

    tPvErr Open(uint32_t id, uint32_t accessFlags, tPvHandle* handle);
    tPvErr Close(tPvHandle handle);
    // The session behind an open handle and whether the handle is the master: 5 before
    // initialisation, 3 for a handle that is not open.
    tPvErr Resolve(tPvHandle handle, std::shared_ptr<Session>& session, bool& master);

    tPvErr RegisterLink(tPvLinkCallback callback, tPvLinkEvent event, void* context);
    tPvErr UnregisterLink(tPvLinkCallback callback, tPvLinkEvent event);
    // Waits until the link events posted so far were handled.
    void FlushEvents() { m_Events.Flush(); }

  private:
    struct OpenHandle {
        std::shared_ptr<Session> session;
        bool master;
    };

    Sdk() = default;
    uint32_t IdOfLocked(const std::string& deviceId);
    bool MasterHeldLocked(uint32_t id) const;
    size_t HandlesOfLocked(const Session& session) const;
    void ListLoop();
    // Asks each camera for its user-defined name (network traffic: no lock held).
    static void ReadUserNames(std::vector<DeviceRecord>& devices);
    void ApplyDiscovery(const std::vector<DeviceRecord>& devices);
    // A session's camera stopped answering or lost its control connection (any thread).
    void SessionLost(uint64_t serial);
    // Ends a live session of a camera that is gone, and reports the unplug once.
    void LoseLocked(uint32_t id, bool unplugged);
    void ReleaseCamera(Session& session, bool lost);
    void ReleaseLoop();
    void ReleaseRetired();

    std::mutex m_Lifecycle;
    std::mutex m_Lock;
    bool m_Initialized = false;
    AravisSystem m_Aravis;
    sdk::LinkEvents m_Events;

    // The SDK's ids, one per Aravis device id, for the life of the process: a camera that goes
    // and comes back keeps its id.
    std::map<std::string, uint32_t> m_Ids;
    uint32_t m_NextId = 1;
    std::map<uint32_t, DeviceRecord> m_Devices;  // present cameras by id
    Presence m_Presence;

    std::map<uint32_t, std::shared_ptr<Session>> m_Sessions;  // the live session of a camera
    std::unordered_map<tPvHandle, OpenHandle> m_Handles;
    tPvHandle m_LastHandle = 0;  // handles are never reused within a process
    uint64_t m_NextSerial = 1;
    // Cameras of lost sessions: their release waits for the network's time-outs (Aravis says
    // goodbye to the camera and waits for its heartbeat), so a thread of its own does it
    // rather than the closing caller or the device list.
    std::vector<ArvCamera*> m_Retired;

    // The device-list and release threads, which run while the SDK is initialised.
    std::thread m_ListThread;
    std::thread m_ReleaseThread;
    std::condition_variable m_Wake;
    bool m_Stopping = false;
};

}  // namespace tarnix::gige
