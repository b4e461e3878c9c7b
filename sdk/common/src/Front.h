// The process-wide state the C functions share whichever cameras are behind them: the
// initialised state, the open handles and their access, and link-event registration.
//
// Locking: m_Lock guards the initialised state and the handle table. It is held only for short
// steps and may be held while the backend's table lock or a camera's lock is taken (to list
// cameras, to ask whether a camera went away), never the other way round; nothing the front
// calls with it held runs user callbacks or talks to a camera. m_Lifecycle makes
// initialisation and shutdown one at a time.
#pragma once

#include <platform/ThreadSafety.h>
#include <pvapi.h>

#include <memory>
#include <unordered_map>
#include <vector>

#include "sdkcommon/Backend.h"
#include "sdkcommon/LinkEvents.h"

namespace tarnix::sdk {

class Front {
  public:
    // Never destroyed: threads the host left running at exit must not meet a dead object.
    static Front& Instance();

    tPvErr Initialize() EXCLUDES(m_Lifecycle, m_Lock);
    void Uninitialize() EXCLUDES(m_Lifecycle, m_Lock);

    uint32_t CameraCount() EXCLUDES(m_Lock);
    uint32_t CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected) EXCLUDES(m_Lock);
    tPvErr CameraInfoByAddr(uint32_t address, tPvCameraInfo* info, tPvIpSettings* settings)
        EXCLUDES(m_Lock);

    // One master handle per camera at a time, any number of monitors.
    tPvErr Open(uint32_t id, uint32_t accessFlags, tPvHandle* handle) EXCLUDES(m_Lock);
    tPvErr Close(tPvHandle handle) EXCLUDES(m_Lock);
    // The camera behind an open handle and whether the handle is the master: 5 before
    // initialisation, 3 for a handle that is not open, 8 when its camera went away. The
    // camera stays alive for the call even when another thread closes the handle meanwhile.
    tPvErr Resolve(tPvHandle handle, std::shared_ptr<BackendCamera>& device, bool& master)
        EXCLUDES(m_Lock);

    // Registration needs an initialised SDK.
    tPvErr RegisterLink(tPvLinkCallback callback, tPvLinkEvent event, void* context)
        EXCLUDES(m_Lock);
    tPvErr UnregisterLink(tPvLinkCallback callback, tPvLinkEvent event) EXCLUDES(m_Lock);

  private:
    struct OpenHandle {
        std::shared_ptr<BackendCamera> device;
        uint32_t id;
        bool master;
    };

    Front(Backend& backend, LinkEvents& events) : m_Backend(backend), m_Events(events) {}
    // A master handle whose camera is still there, or a master open under way.
    bool MasterHeldLocked(uint32_t id) const REQUIRES(m_Lock);
    void FillAccessLocked(tPvCameraInfo& info) const REQUIRES(m_Lock);
    // A master open that is over gives back the camera's master place.
    void EndMasterOpeningLocked(uint32_t id) REQUIRES(m_Lock);

    Backend& m_Backend;
    LinkEvents& m_Events;
    platform::Mutex m_Lifecycle ACQUIRED_BEFORE(m_Lock);
    platform::Mutex m_Lock;
    bool m_Initialized GUARDED_BY(m_Lock) = false;
    std::unordered_map<tPvHandle, OpenHandle> m_Handles GUARDED_BY(m_Lock);
    // Cameras whose master open talks to the backend.
    std::vector<uint32_t> m_MasterOpening GUARDED_BY(m_Lock);
    // Handles are never reused within a process.
    tPvHandle m_LastHandle GUARDED_BY(m_Lock) = 0;
};

}  // namespace tarnix::sdk
