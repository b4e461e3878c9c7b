#include "Front.h"

#include <algorithm>
#include <system_error>

namespace tarnix::sdk {

LinkEvents& SdkLinkEvents() {
    static LinkEvents* const events = new LinkEvents;
    return *events;
}

Front& Front::Instance() {
    static Front* const front = new Front(SdkBackend(), SdkLinkEvents());
    return *front;
}

bool Front::MasterHeldLocked(uint32_t id) const {
    if (std::find(m_MasterOpening.begin(), m_MasterOpening.end(), id) != m_MasterOpening.end()) {
        return true;
    }
    // A camera that went away gave up its master: the master handle only waits to be closed.
    return std::any_of(m_Handles.begin(), m_Handles.end(), [&](const auto& entry) {
        const OpenHandle& open = entry.second;
        return open.master && open.id == id && !open.device->Lost();
    });
}

void Front::FillAccessLocked(tPvCameraInfo& info) const {
    info.PermittedAccess =
        MasterHeldLocked(info.UniqueId) ? ePvAccessMonitor : ePvAccessMonitor | ePvAccessMaster;
}

void Front::EndMasterOpeningLocked(uint32_t id) {
    m_MasterOpening.erase(std::find(m_MasterOpening.begin(), m_MasterOpening.end(), id));
}

tPvErr Front::Initialize() {
    platform::MutexLock lifecycle(m_Lifecycle);
    {
        platform::MutexLock lock(m_Lock);
        if (m_Initialized) return ePvErrSuccess;
    }
    try {
        m_Events.Start();
    } catch (const std::system_error&) {
        return ePvErrResources;
    }
    if (const tPvErr error = m_Backend.Start()) {
        m_Events.Stop();
        return error;
    }
    platform::MutexLock lock(m_Lock);
    m_Initialized = true;
    return ePvErrSuccess;
}

void Front::Uninitialize() {
    platform::MutexLock lifecycle(m_Lifecycle);
    std::unordered_map<tPvHandle, OpenHandle> handles;
    {
        platform::MutexLock lock(m_Lock);
        if (!m_Initialized) return;
        m_Initialized = false;
        handles.swap(m_Handles);
    }
    // Outside the lock: the backend keeps what it needs of every opened camera, and ending a
    // camera runs and waits for its callbacks, which may call in.
    handles.clear();
    m_Backend.Stop();
    m_Events.Stop();
    m_Backend.Finish();
}

uint32_t Front::CameraCount() {
    platform::MutexLock lock(m_Lock);
    return m_Initialized ? m_Backend.CameraCount() : 0;
}

uint32_t Front::CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected) {
    platform::MutexLock lock(m_Lock);
    if (!m_Initialized) return 0;
    const uint32_t filled = m_Backend.CameraList(list, length, connected);
    for (uint32_t i = 0; i < filled; ++i) FillAccessLocked(list[i]);
    return filled;
}

tPvErr Front::CameraInfoByAddr(uint32_t address, tPvCameraInfo* info, tPvIpSettings* settings) {
    platform::MutexLock lock(m_Lock);
    if (!m_Initialized) return ePvErrBadSequence;
    if (info == nullptr) return ePvErrBadParameter;
    if (const tPvErr error = m_Backend.CameraInfoByAddr(address, *info, settings)) return error;
    FillAccessLocked(*info);
    return ePvErrSuccess;
}

tPvErr Front::Open(uint32_t id, uint32_t accessFlags, tPvHandle* handle) {
    const bool master = (accessFlags & ePvAccessMaster) != 0;
    {
        platform::MutexLock lock(m_Lock);
        if (!m_Initialized) return ePvErrBadSequence;
        if (handle == nullptr) return ePvErrBadParameter;
        if (master && MasterHeldLocked(id)) return ePvErrAccessDenied;
        if (master) m_MasterOpening.push_back(id);
    }
    // The master's place is given back however the open ends, an exception included.
    struct Place {
        Front& front;
        uint32_t id;
        bool held;
        ~Place() {
            if (!held) return;
            platform::MutexLock lock(front.m_Lock);
            front.EndMasterOpeningLocked(id);
        }
    } place{*this, id, master};
    // Outside the lock: opening may talk to the camera.
    std::shared_ptr<BackendCamera> device;
    const tPvErr error = m_Backend.Open(id, master, device);
    platform::MutexLock lock(m_Lock);
    if (place.held) {
        place.held = false;
        EndMasterOpeningLocked(id);
    }
    if (error != ePvErrSuccess) return error;
    if (!m_Initialized) {  // shut down meanwhile
        lock.Unlock();
        m_Backend.Close(device, master);
        return ePvErrBadSequence;
    }
    const tPvHandle next = m_LastHandle + 1 == 0 ? 1 : m_LastHandle + 1;
    m_LastHandle = next;
    m_Handles[next] = {std::move(device), id, master};
    *handle = next;
    return ePvErrSuccess;
}

tPvErr Front::Close(tPvHandle handle) {
    OpenHandle entry;
    {
        platform::MutexLock lock(m_Lock);
        if (!m_Initialized) return ePvErrBadSequence;
        const auto it = m_Handles.find(handle);
        if (it == m_Handles.end()) return ePvErrBadHandle;
        entry = std::move(it->second);
        m_Handles.erase(it);
    }
    // Outside the lock: the master's capture ends and runs the cancelled records' callbacks.
    m_Backend.Close(entry.device, entry.master);
    return ePvErrSuccess;
}

tPvErr Front::Resolve(tPvHandle handle, std::shared_ptr<BackendCamera>& device, bool& master) {
    {
        platform::MutexLock lock(m_Lock);
        if (!m_Initialized) return ePvErrBadSequence;
        const auto it = m_Handles.find(handle);
        if (it == m_Handles.end()) return ePvErrBadHandle;
        device = it->second.device;
        master = it->second.master;
    }
    return device->Lost() ? ePvErrUnplugged : ePvErrSuccess;
}

tPvErr Front::RegisterLink(tPvLinkCallback callback, tPvLinkEvent event, void* context) {
    {
        platform::MutexLock lock(m_Lock);
        if (!m_Initialized) return ePvErrBadSequence;
    }
    return m_Events.Register(callback, event, context);
}

tPvErr Front::UnregisterLink(tPvLinkCallback callback, tPvLinkEvent event) {
    {
        platform::MutexLock lock(m_Lock);
        if (!m_Initialized) return ePvErrBadSequence;
    }
    return m_Events.Unregister(callback, event);
}

}  // namespace tarnix::sdk
