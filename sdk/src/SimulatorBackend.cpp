#include "SimulatorBackend.h"

#include <cstdio>
#include <cstring>

#include "Attributes.h"
#include "CallStats.h"
#include "Connection.h"
#include "Formats.h"

namespace tarnix::sdk {

Backend& SdkBackend() {
    return sim::SimulatorBackend::Instance();
}

void CountSdkCall(Call call) noexcept {
    sim::CountCall(sim::SdkFunction(uint32_t(call)));
}

}  // namespace tarnix::sdk

namespace tarnix::sim {

namespace {

constexpr uint32_t kFirstAddedId = 2001;
constexpr uint32_t kMaxSensorSize = 16384;

struct DefaultCamera {
    uint32_t id;
    tPvSimCameraDesc desc;
};

const DefaultCamera kDefaults[] = {
    {1001, {"SimMono8", "SIM-1001", "127.0.1.1", ePvFmtMono8, 1360, 1024, 8, 0}},
    {1002, {"SimMono16", "SIM-1002", "127.0.1.2", ePvFmtMono16, 1360, 1024, 12, 0}},
    {1003, {"SimBayer8", "SIM-1003", "127.0.1.3", ePvFmtBayer8, 1360, 1024, 8, 0}},
    {1004, {"SimYuv422", "SIM-1004", "127.0.1.4", ePvFmtYuv422, 1280, 960, 8, 0}},
    {1005, {"SimRgb24", "SIM-1005", "127.0.1.5", ePvFmtRgb24, 1280, 960, 8, 0}},
};

// Fills in what the description leaves out and checks the rest.
bool MakeDesc(const tPvSimCameraDesc& in, uint32_t id, CameraDesc& out) {
    char text[32];
    std::snprintf(text, sizeof text, "Sim%u", unsigned(id));
    out.displayName = in.displayName != nullptr ? in.displayName : text;
    std::snprintf(text, sizeof text, "SIM-%u", unsigned(id));
    out.serial = in.serial != nullptr ? in.serial : text;
    std::snprintf(text, sizeof text, "127.1.%u.%u", unsigned(id >> 8 & 255), unsigned(id & 255));
    out.addressText = in.address != nullptr ? in.address : text;
    out.format = in.format;
    out.width = in.width;
    out.height = in.height;
    out.bitDepth = in.bitDepth == 0 ? 8 : in.bitDepth;
    out.omit = in.omit;
    return out.displayName.size() <= 15 && out.serial.size() <= 31 &&
           ParseAddress(out.addressText.c_str(), out.address) &&
           FormatName(out.format) != nullptr && out.width >= kMinImageSize &&
           out.width <= kMaxSensorSize && out.height >= kMinImageSize &&
           out.height <= kMaxSensorSize && out.bitDepth >= 8 && out.bitDepth <= 16;
}

}  // namespace

bool ParseAddress(const char* text, uint32_t& address) {
    uint8_t bytes[4];
    const char* p = text;
    for (int i = 0; i < 4; ++i) {
        if (*p < '0' || *p > '9') {
            return false;
        }
        unsigned value = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9' && digits < 4) {
            value = value * 10 + unsigned(*p++ - '0');
            ++digits;
        }
        if (value > 255 || digits > 3) {
            return false;
        }
        bytes[i] = uint8_t(value);
        if (i < 3 && *p++ != '.') {
            return false;
        }
    }
    if (*p != '\0') {
        return false;
    }
    std::memcpy(&address, bytes, 4);
    return true;
}

SimulatorBackend& SimulatorBackend::Instance() {
    static SimulatorBackend* const backend = new SimulatorBackend;
    return *backend;
}

SimulatorBackend::SimulatorBackend() : m_Events(sdk::SdkLinkEvents()) {
    platform::MutexLock lock(m_Lock);
    AddDefaultsLocked();
}

void SimulatorBackend::AddDefaultsLocked() {
    for (const DefaultCamera& camera : kDefaults) {
        CameraDesc desc;
        MakeDesc(camera.desc, camera.id, desc);
        m_Cameras[camera.id] = std::make_shared<Camera>(camera.id, std::move(desc));
    }
    m_NextId = kFirstAddedId;
}

std::vector<std::shared_ptr<Camera>> SimulatorBackend::TakeCamerasLocked() {
    std::vector<std::shared_ptr<Camera>> cameras;
    for (auto& entry : m_Cameras) {
        cameras.push_back(std::move(entry.second));
    }
    m_Cameras.clear();
    return cameras;
}

std::vector<std::shared_ptr<Camera>> SimulatorBackend::PluggedCamerasLocked() {
    std::vector<std::shared_ptr<Camera>> cameras;
    for (auto& entry : m_Cameras) {
        if (entry.second->IsPlugged()) {
            cameras.push_back(entry.second);
        }
    }
    return cameras;
}

void SimulatorBackend::Stop() {
    std::vector<std::shared_ptr<Camera>> cameras;
    {
        platform::MutexLock lock(m_Lock);
        for (auto& entry : m_Cameras) {
            cameras.push_back(entry.second);
        }
    }
    // Outside the table lock: shutting a camera down runs and waits for its callbacks.
    for (auto& camera : cameras) {
        camera->Shutdown();
    }
}

uint32_t SimulatorBackend::CameraCount() {
    platform::MutexLock lock(m_Lock);
    return uint32_t(PluggedCamerasLocked().size());
}

uint32_t SimulatorBackend::CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected) {
    platform::MutexLock lock(m_Lock);
    const auto cameras = PluggedCamerasLocked();
    uint32_t filled = 0;
    if (list != nullptr) {
        for (; filled < length && filled < cameras.size(); ++filled) {
            cameras[filled]->FillInfo(list[filled]);
        }
    }
    if (connected != nullptr) {
        *connected = uint32_t(cameras.size());
    }
    return filled;
}

tPvErr SimulatorBackend::CameraInfoByAddr(uint32_t address, tPvCameraInfo& info,
                                          tPvIpSettings* settings) {
    platform::MutexLock lock(m_Lock);
    for (const auto& camera : PluggedCamerasLocked()) {
        if (camera->Desc().address == address) {
            camera->FillInfo(info);
            if (settings != nullptr) {
                camera->FillIpSettings(*settings);
            }
            return ePvErrSuccess;
        }
    }
    return ePvErrNotFound;
}

tPvErr SimulatorBackend::Open(uint32_t id, bool, std::shared_ptr<sdk::BackendCamera>& device) {
    platform::MutexLock lock(m_Lock);
    const auto it = m_Cameras.find(id);
    if (it == m_Cameras.end()) {
        return ePvErrNotFound;
    }
    uint32_t ticket = 0;
    if (const tPvErr error = it->second->Open(ticket)) {
        return error;
    }
    device = std::make_shared<Connection>(it->second, ticket);
    return ePvErrSuccess;
}

void SimulatorBackend::Close(const std::shared_ptr<sdk::BackendCamera>& device, bool master) {
    const auto& connection = static_cast<const Connection&>(*device);
    connection.Cam().Close(connection.Ticket(), master);
}

void SimulatorBackend::Reset() {
    std::vector<std::shared_ptr<Camera>> removed;
    {
        platform::MutexLock lock(m_Lock);
        removed = TakeCamerasLocked();
        AddDefaultsLocked();
    }
    for (auto& camera : removed) {
        camera->Remove();
    }
    ResetCallCounts();
}

void SimulatorBackend::RemoveAll() {
    std::vector<std::shared_ptr<Camera>> removed;
    {
        platform::MutexLock lock(m_Lock);
        removed = TakeCamerasLocked();
    }
    for (auto& camera : removed) {
        camera->Remove();
    }
}

uint32_t SimulatorBackend::AddCamera(const tPvSimCameraDesc* desc) {
    if (desc == nullptr) {
        return 0;
    }
    uint32_t id = 0;
    {
        platform::MutexLock lock(m_Lock);
        CameraDesc full;
        if (!MakeDesc(*desc, m_NextId, full)) {
            return 0;
        }
        for (const auto& entry : m_Cameras) {
            if (entry.second->Desc().address == full.address) {
                return 0;  // two cameras cannot answer at one address
            }
        }
        id = m_NextId++;
        m_Cameras[id] = std::make_shared<Camera>(id, std::move(full));
    }
    m_Events.Post(ePvLinkAdd, id);
    return id;
}

std::shared_ptr<Camera> SimulatorBackend::FindCamera(uint32_t id) {
    platform::MutexLock lock(m_Lock);
    const auto it = m_Cameras.find(id);
    return it != m_Cameras.end() ? it->second : nullptr;
}

tPvErr SimulatorBackend::Unplug(uint32_t id) {
    const auto camera = FindCamera(id);
    if (camera == nullptr) {
        return ePvErrNotFound;
    }
    if (camera->Unplug()) {
        m_Events.Post(ePvLinkRemove, id);
    }
    return ePvErrSuccess;
}

tPvErr SimulatorBackend::Plug(uint32_t id) {
    const auto camera = FindCamera(id);
    if (camera == nullptr) {
        return ePvErrNotFound;
    }
    if (camera->Plug()) {
        m_Events.Post(ePvLinkAdd, id);
    }
    return ePvErrSuccess;
}

}  // namespace tarnix::sim
