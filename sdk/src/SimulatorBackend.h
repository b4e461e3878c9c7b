// The simulated cameras behind the SDK's front: the camera table and its enumeration, opening
// and closing, the simulator's controls and the link events they post.
//
// Locking: m_Lock guards the camera table and may be held while a camera's lock is taken,
// never the other way round; the front's lock may be held while it is taken. Nothing that
// waits for callbacks runs under it.
#pragma once

#include <platform/ThreadSafety.h>
#include <pvsim.h>
#include <sdkcommon/Backend.h>
#include <sdkcommon/LinkEvents.h>

#include <map>
#include <memory>
#include <vector>

#include "Camera.h"

namespace tarnix::sim {

class SimulatorBackend final : public sdk::Backend {
  public:
    // Never destroyed: threads the host left running at exit must not meet a dead object.
    static SimulatorBackend& Instance();

    tPvErr Start() override { return ePvErrSuccess; }
    void Stop() override EXCLUDES(m_Lock);

    uint32_t CameraCount() override EXCLUDES(m_Lock);
    uint32_t CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected) override
        EXCLUDES(m_Lock);
    tPvErr CameraInfoByAddr(uint32_t address, tPvCameraInfo& info, tPvIpSettings* settings) override
        EXCLUDES(m_Lock);

    tPvErr Open(uint32_t id, bool master, std::shared_ptr<sdk::BackendCamera>& device) override
        EXCLUDES(m_Lock);
    void Close(const std::shared_ptr<sdk::BackendCamera>& device, bool master) override;

    void FlushEvents() { m_Events.Flush(); }

    // Simulator. Cameras exist whether or not the SDK is initialised.
    void Reset() EXCLUDES(m_Lock);
    void RemoveAll() EXCLUDES(m_Lock);
    uint32_t AddCamera(const tPvSimCameraDesc* desc) EXCLUDES(m_Lock);
    std::shared_ptr<Camera> FindCamera(uint32_t id) EXCLUDES(m_Lock);
    tPvErr Unplug(uint32_t id) EXCLUDES(m_Lock);
    tPvErr Plug(uint32_t id) EXCLUDES(m_Lock);

  private:
    SimulatorBackend();
    void AddDefaultsLocked() REQUIRES(m_Lock);
    std::vector<std::shared_ptr<Camera>> TakeCamerasLocked() REQUIRES(m_Lock);
    std::vector<std::shared_ptr<Camera>> PluggedCamerasLocked() REQUIRES(m_Lock);

    platform::Mutex m_Lock;
    std::map<uint32_t, std::shared_ptr<Camera>> m_Cameras GUARDED_BY(m_Lock);
    uint32_t m_NextId GUARDED_BY(m_Lock) = 0;
    sdk::LinkEvents& m_Events;
};

// Parses dotted IPv4 text into network byte order; false for anything else.
bool ParseAddress(const char* text, uint32_t& address);

}  // namespace tarnix::sim
