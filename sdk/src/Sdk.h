// Process-wide state of the SDK: initialisation, the simulated cameras, the open handles and
// the link-event thread.
//
// Locking: m_Lock guards the camera and handle tables and may be held while a camera's lock
// is taken, never the other way round. Nothing that waits for callbacks runs under it.
#pragma once

#include <pvsim.h>
#include <sdkcommon/LinkEvents.h>

#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "Camera.h"

namespace tarnix::sim {

class Sdk {
  public:
    // Never destroyed: threads the host left running at exit must not meet a dead object.
    static Sdk& Instance();

    tPvErr Initialize();
    void Uninitialize();

    // Enumeration.
    uint32_t CameraCount();
    uint32_t CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected);
    tPvErr CameraInfoByAddr(uint32_t address, tPvCameraInfo* info, tPvIpSettings* settings);

    // Handles. Resolve finds the camera behind an open handle (5 before initialisation, 3 for
    // a handle that is not open); the camera checks the handle again under its own lock.
    tPvErr Open(uint32_t id, uint32_t accessFlags, tPvHandle* handle);
    tPvErr Close(tPvHandle handle);
    tPvErr Resolve(tPvHandle handle, std::shared_ptr<Camera>& camera);

    // Link events; registration needs an initialised SDK.
    tPvErr RegisterLink(tPvLinkCallback callback, tPvLinkEvent event, void* context);
    tPvErr UnregisterLink(tPvLinkCallback callback, tPvLinkEvent event);
    void FlushEvents() { m_Events.Flush(); }

    // Simulator. Cameras exist whether or not the SDK is initialised.
    void Reset();
    void RemoveAll();
    uint32_t AddCamera(const tPvSimCameraDesc* desc);
    std::shared_ptr<Camera> FindCamera(uint32_t id);
    tPvErr Unplug(uint32_t id);
    tPvErr Plug(uint32_t id);

  private:
    Sdk();
    void AddDefaultsLocked();
    std::vector<std::shared_ptr<Camera>> TakeCamerasLocked();
    std::vector<std::shared_ptr<Camera>> PluggedCamerasLocked();

    std::mutex m_Lifecycle;  // one initialisation or shutdown at a time
    std::mutex m_Lock;
    bool m_Initialized = false;
    std::map<uint32_t, std::shared_ptr<Camera>> m_Cameras;
    std::unordered_map<tPvHandle, std::shared_ptr<Camera>> m_Handles;
    uint32_t m_NextId = 0;
    tPvHandle m_LastHandle = 0;  // handles are never reused within a process
    sdk::LinkEvents m_Events;
};

// Parses dotted IPv4 text into network byte order; false for anything else.
bool ParseAddress(const char* text, uint32_t& address);

}  // namespace tarnix::sim
