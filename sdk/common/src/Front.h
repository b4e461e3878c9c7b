// The process-wide state the C functions share whichever cameras are behind them: the
// initialised state, the open handles and their access, and link-event registration.
//
// Locking: m_Lock guards the initialised state and the handle table. It is held only for short
// steps and may be held while the backend's table lock or a camera's lock is taken (to list
// cameras, to ask whether a camera went away), never the other way round; nothing the front
// calls with it held runs user callbacks or talks to a camera. m_Lifecycle makes
// initialisation and shutdown one at a time.
#pragma once

#include <pvapi.h>

#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "sdkcommon/Backend.h"
#include "sdkcommon/LinkEvents.h"

namespace tarnix::sdk {

class Front {
  public:
    // Never destroyed: threads the host left running at exit must not meet a dead object.
    static Front& Instance();

    tPvErr Initialize();
    void Uninitialize();

    uint32_t CameraCount();
    uint32_t CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected);
    tPvErr CameraInfoByAddr(uint32_t address, tPvCameraInfo* info, tPvIpSettings* settings);

    // One master handle per camera at a time, any number of monitors.
    tPvErr Open(uint32_t id, uint32_t accessFlags, tPvHandle* handle);
    tPvErr Close(tPvHandle handle);
    // The camera behind an open handle and whether the handle is the master: 5 before
    // initialisation, 3 for a handle that is not open, 8 when its camera went away. The
    // camera stays alive for the call even when another thread closes the handle meanwhile.
    tPvErr Resolve(tPvHandle handle, std::shared_ptr<BackendCamera>& device, bool& master);

    // Registration needs an initialised SDK.
    tPvErr RegisterLink(tPvLinkCallback callback, tPvLinkEvent event, void* context);
    tPvErr UnregisterLink(tPvLinkCallback callback, tPvLinkEvent event);

  private:
    struct OpenHandle {
        std::shared_ptr<BackendCamera> device;
        uint32_t id;
        bool master;
    };

    Front(Backend& backend, LinkEvents& events) : m_Backend(backend), m_Events(events) {}
    // A master handle whose camera is still there, or a master open under way.
    bool MasterHeldLocked(uint32_t id) const;
    void FillAccessLocked(tPvCameraInfo& info) const;

    Backend& m_Backend;
    LinkEvents& m_Events;
    std::mutex m_Lifecycle;
    std::mutex m_Lock;
    bool m_Initialized = false;
    std::unordered_map<tPvHandle, OpenHandle> m_Handles;
    std::vector<uint32_t> m_MasterOpening;  // cameras whose master open talks to the backend
    tPvHandle m_LastHandle = 0;             // handles are never reused within a process
};

}  // namespace tarnix::sdk
