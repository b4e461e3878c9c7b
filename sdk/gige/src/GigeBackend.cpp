#include "GigeBackend.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <system_error>

#include "UserName.h"

namespace tarnix::sdk {

Backend& SdkBackend() {
    return gige::GigeBackend::Instance();
}

void CountSdkCall(Call) noexcept {}

}  // namespace tarnix::sdk

namespace tarnix::gige {
namespace {

// Pause between two discoveries; each discovery itself waits a second for answers, so the
// device list is refreshed about every 1.5 s.
constexpr std::chrono::milliseconds kListPause{500};

}  // namespace

GigeBackend& GigeBackend::Instance() {
    static GigeBackend* const backend = new GigeBackend;
    return *backend;
}

uint32_t GigeBackend::IdOfLocked(const std::string& deviceId) {
    const auto [it, inserted] = m_Ids.try_emplace(deviceId, m_NextId);
    if (inserted) ++m_NextId;
    return it->second;
}

tPvErr GigeBackend::Start() {
    // The cameras already on the network are listed when this returns; their arrival is no
    // link event.
    std::vector<DeviceRecord> devices = m_Aravis.Discover();
    ReadUserNames(devices);
    try {
        platform::MutexLock lock(m_Lock);
        std::vector<std::string> listed;
        m_Devices.clear();
        for (const DeviceRecord& device : devices) {
            listed.push_back(device.deviceId);
            m_Devices[IdOfLocked(device.deviceId)] = device;
        }
        m_Presence.Reset(listed);
        m_Stopping = false;
        m_ListThread = std::thread([this] { ListLoop(); });
        m_ReleaseThread = std::thread([this] { ReleaseLoop(); });
        m_Initialized = true;
    } catch (const std::system_error&) {
        {
            platform::MutexLock lock(m_Lock);
            m_Stopping = true;
            m_Wake.notify_all();
        }
        if (m_ListThread.joinable()) m_ListThread.join();
        return ePvErrResources;
    }
    return ePvErrSuccess;
}

void GigeBackend::Stop() {
    std::map<std::shared_ptr<Session>, int> handles;
    std::map<uint32_t, std::shared_ptr<Session>> sessions;
    {
        platform::MutexLock lock(m_Lock);
        if (!m_Initialized) return;
        m_Initialized = false;
        m_Stopping = true;
        m_Wake.notify_all();
        handles.swap(m_Handles);
        sessions.swap(m_Sessions);
        m_Devices.clear();
    }
    if (m_ListThread.joinable()) m_ListThread.join();
    if (m_ReleaseThread.joinable()) m_ReleaseThread.join();
    // Every session, live or lost, that a handle or the table still holds.
    std::set<std::shared_ptr<Session>> ending;
    for (auto& entry : handles) ending.insert(entry.first);
    for (auto& entry : sessions) ending.insert(entry.second);
    handles.clear();
    sessions.clear();
    for (const auto& session : ending) {
        session->Shutdown();  // runs the cancelled records' callbacks: no lock held here
        if (ArvCamera* camera = session->TakeCamera()) g_object_unref(camera);
    }
    ending.clear();
    ReleaseRetired();
}

void GigeBackend::Finish() {
    m_Aravis.Shutdown();
}

uint32_t GigeBackend::CameraCount() {
    platform::MutexLock lock(m_Lock);
    return m_Initialized ? uint32_t(m_Devices.size()) : 0;
}

uint32_t GigeBackend::CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected) {
    platform::MutexLock lock(m_Lock);
    if (!m_Initialized) return 0;
    uint32_t filled = 0;
    if (list != nullptr) {
        for (const auto& [id, device] : m_Devices) {
            if (filled == length) break;
            FillCameraInfo(device, id, false, list[filled++]);
        }
    }
    if (connected != nullptr) *connected = uint32_t(m_Devices.size());
    return filled;
}

tPvErr GigeBackend::CameraInfoByAddr(uint32_t address, tPvCameraInfo& info,
                                     tPvIpSettings* settings) {
    platform::MutexLock lock(m_Lock);
    if (!m_Initialized) return ePvErrBadSequence;
    for (const auto& [id, device] : m_Devices) {
        if (device.address != address) continue;
        FillCameraInfo(device, id, false, info);
        if (settings != nullptr) FillIpSettings(device, *settings);
        return ePvErrSuccess;
    }
    return ePvErrNotFound;
}

tPvErr GigeBackend::Open(uint32_t id, bool master, std::shared_ptr<sdk::BackendCamera>& device) {
    // A session found just as its last handle closed is finished; the second try makes a
    // fresh one.
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::shared_ptr<Session> session;
        {
            platform::MutexLock lock(m_Lock);
            if (!m_Initialized) return ePvErrBadSequence;
            const auto found = m_Devices.find(id);
            if (found == m_Devices.end()) return ePvErrNotFound;
            auto& live = m_Sessions[id];
            if (live == nullptr || live->Lost()) {
                live = std::make_shared<Session>(m_NextSerial++, id, found->second,
                                                 [this](uint64_t serial) { SessionLost(serial); });
            }
            session = live;
        }
        // Outside the table lock: connecting talks to the camera.
        const tPvErr error = session->Attach(master);
        platform::MutexLock lock(m_Lock);
        if (error != ePvErrSuccess) {
            const bool unused = m_Handles.count(session) == 0;
            const auto live = m_Sessions.find(id);
            if (unused && live != m_Sessions.end() && live->second == session) {
                m_Sessions.erase(live);
            }
            lock.Unlock();  // a session dropped here releases its camera outside the lock
            if (error == ePvErrNotFound && session->Lost() && attempt == 0) continue;
            return error;
        }
        if (!m_Initialized) {  // shut down meanwhile
            lock.Unlock();
            session->Detach(master);
            return ePvErrBadSequence;
        }
        ++m_Handles[session];
        device = std::move(session);
        return ePvErrSuccess;
    }
    return ePvErrNotFound;
}

void GigeBackend::Close(const std::shared_ptr<sdk::BackendCamera>& device, bool master) {
    const auto session = std::static_pointer_cast<Session>(device);
    bool last = false;
    {
        platform::MutexLock lock(m_Lock);
        const auto count = m_Handles.find(session);
        // None after a stop: the session was ended with the others, and this is its last handle.
        last = count == m_Handles.end() || --count->second == 0;
        if (count != m_Handles.end() && last) m_Handles.erase(count);
        const auto live = m_Sessions.find(session->Id());
        if (last && live != m_Sessions.end() && live->second == session) {
            m_Sessions.erase(live);
        }
    }
    session->Detach(master);
    if (last) {
        const bool lost = session->Lost();
        session->MarkLost();  // finished: an open racing this one makes a new session
        ReleaseCamera(*session, lost);
    }
}

void GigeBackend::ReleaseCamera(Session& session, bool lost) {
    ArvCamera* camera = session.TakeCamera();
    if (camera == nullptr) return;
    if (lost) {
        platform::MutexLock lock(m_Lock);
        if (m_Initialized) {
            m_Retired.push_back(camera);
            m_Wake.notify_all();
            return;
        }
    }
    g_object_unref(camera);  // a live camera is told at once that we leave it
}

void GigeBackend::ReleaseLoop() {
    platform::MutexLock lock(m_Lock);
    for (;;) {
        while (!m_Stopping && m_Retired.empty()) m_Wake.wait(lock.Native());
        if (m_Stopping) return;  // what is left goes at the shutdown
        std::vector<ArvCamera*> retired;
        retired.swap(m_Retired);
        lock.Unlock();
        for (ArvCamera* camera : retired) g_object_unref(camera);
        lock.Lock();
    }
}

void GigeBackend::ReleaseRetired() {
    std::vector<ArvCamera*> retired;
    {
        platform::MutexLock lock(m_Lock);
        retired.swap(m_Retired);
    }
    for (ArvCamera* camera : retired) g_object_unref(camera);
}

void GigeBackend::ListLoop() {
    for (;;) {
        {
            platform::MutexLock lock(m_Lock);
            const auto deadline = std::chrono::steady_clock::now() + kListPause;
            while (!m_Stopping) {
                if (m_Wake.wait_until(lock.Native(), deadline) == std::cv_status::timeout) break;
            }
            if (m_Stopping) return;
        }
        std::vector<DeviceRecord> devices = m_Aravis.Discover();
        ReadUserNames(devices);
        ApplyDiscovery(devices);
    }
}

void GigeBackend::ReadUserNames(std::vector<DeviceRecord>& devices) {
    for (DeviceRecord& device : devices) {
        device.userNameKnown = ReadUserDefinedName(device.address, device.userName);
    }
}

void GigeBackend::ApplyDiscovery(const std::vector<DeviceRecord>& devices) {
    platform::MutexLock lock(m_Lock);
    if (!m_Initialized || m_Stopping) return;
    std::vector<std::string> listed;
    for (const DeviceRecord& device : devices) listed.push_back(device.deviceId);
    const Presence::Changes changes = m_Presence.Update(listed);
    for (const DeviceRecord& device : devices) {
        if (!m_Presence.IsPresent(device.deviceId)) continue;
        DeviceRecord& record = m_Devices[IdOfLocked(device.deviceId)];
        // A camera that did not answer this time keeps the name it told before: its
        // display name, and with it the driver's name for it, does not flicker.
        const std::string userName = record.userName;
        record = device;
        if (!device.userNameKnown) record.userName = userName;
    }
    for (const std::string& deviceId : changes.unplugged) {
        const uint32_t id = IdOfLocked(deviceId);
        m_Devices.erase(id);
        LoseLocked(id, true);
    }
    for (const std::string& deviceId : changes.plugged) {
        m_Events.Post(ePvLinkAdd, IdOfLocked(deviceId));
    }
}

void GigeBackend::SessionLost(uint64_t serial) {
    platform::MutexLock lock(m_Lock);
    if (!m_Initialized) return;
    const auto it = std::find_if(m_Sessions.begin(), m_Sessions.end(), [&](const auto& entry) {
        return entry.second->Serial() == serial;
    });
    if (it == m_Sessions.end()) return;  // closed already, or reported before
    const uint32_t id = it->first;
    const auto device = m_Devices.find(id);
    const bool unplugged =
        device != m_Devices.end() && m_Presence.MarkLost(device->second.deviceId);
    if (unplugged) m_Devices.erase(device);
    LoseLocked(id, unplugged);
}

void GigeBackend::LoseLocked(uint32_t id, bool unplugged) {
    std::shared_ptr<Session> session;
    const auto live = m_Sessions.find(id);
    if (live != m_Sessions.end()) {
        session = std::move(live->second);
        m_Sessions.erase(live);
        session->MarkLost();
    }
    // The camera's queued records go back (status 8) on the event thread, before the
    // handlers hear of the unplug; a plug that comes later has no records to wait for.
    std::function<void()> before;
    if (session) before = [session] { session->CompleteLostFrames(); };
    if (unplugged || before) m_Events.Post(unplugged ? ePvLinkRemove : 0, id, std::move(before));
}

}  // namespace tarnix::gige
