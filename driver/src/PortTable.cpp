#include "driver/PortTable.h"

#include <camera/Camera.h>
#include <platform/System.h>

#include "driver/CameraList.h"

namespace tarnix {
namespace {

constexpr uint32_t kNoAddress = 0xFFFFFFFFu;  // what inet_addr gives for text it rejects

}  // namespace

std::shared_ptr<CCamera> PortTable::At(int32_t port) const {
    if (!IsValidPort(port)) return nullptr;
    platform::MutexLock lock(m_Mutex);
    return m_Slots[port].camera;
}

bool PortTable::Reserve(int32_t port) {
    if (!IsValidPort(port)) return false;
    platform::MutexLock lock(m_Mutex);
    Slot& slot = m_Slots[port];
    if (slot.camera || slot.reserved) return false;
    slot.reserved = true;
    return true;
}

void PortTable::Fill(int32_t port, std::shared_ptr<CCamera> camera) {
    if (!IsValidPort(port)) return;
    platform::MutexLock lock(m_Mutex);
    m_Slots[port].camera = std::move(camera);
    m_Slots[port].reserved = false;
}

void PortTable::CancelReservation(int32_t port) {
    if (!IsValidPort(port)) return;
    platform::MutexLock lock(m_Mutex);
    m_Slots[port].reserved = false;
}

std::shared_ptr<CCamera> PortTable::Take(int32_t port) {
    if (!IsValidPort(port)) return nullptr;
    platform::MutexLock lock(m_Mutex);
    return std::move(m_Slots[port].camera);
}

void PortTable::Remove(int32_t port, const std::shared_ptr<CCamera>& camera) {
    if (!IsValidPort(port)) return;
    std::shared_ptr<CCamera> removed;  // released after the lock
    platform::MutexLock lock(m_Mutex);
    if (m_Slots[port].camera == camera) removed = std::move(m_Slots[port].camera);
}

int32_t PortTable::FindPortByCameraId(uint32_t id) const {
    // The camera record never changes after construction, so it can be compared in place.
    platform::MutexLock lock(m_Mutex);
    for (int32_t port = 0; port < kPortCount; ++port) {
        const auto& camera = m_Slots[port].camera;
        if (camera && camera->Info().UniqueId == id) return port;
    }
    return -1;
}

int32_t PortTable::FindPortByNameOrAddress(const char* name) const {
    const uint32_t address = platform::InetAddr(name);
    // A text that is no address cannot match any camera's address; skip asking the cameras.
    const bool isAddress = address != 0 && address != kNoAddress;
    for (int32_t port = 0; port < kPortCount; ++port) {
        const std::shared_ptr<CCamera> camera = At(port);
        if (!camera) continue;
        if (FormatConfigName(camera->Info()) == name) return port;
        if (isAddress && camera->GetDeviceIPAddress() == address) return port;
    }
    return -1;
}

PortTable& Ports() {
    // Never destroyed: SDK threads may still look things up while the process exits.
    static PortTable* const table = new PortTable;
    return *table;
}

int32_t FindPortByCameraId(uint32_t id) {
    return Ports().FindPortByCameraId(id);
}

int32_t FindPortByNameOrAddress(const char* name) {
    return Ports().FindPortByNameOrAddress(name);
}

}  // namespace tarnix
