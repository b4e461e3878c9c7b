// The 128 ports. A slot owns at most one camera object, shared so that a thread that looked
// a camera up (a host call, the SDK's link-event thread) keeps it alive while it works on
// it, even if the port is closed meanwhile. The lock is held only to copy or swap slot
// contents, never while the SDK or the host is called.
#pragma once

#include <platform/ThreadSafety.h>
#include <tarnixdrv.h>

#include <array>
#include <cstdint>
#include <memory>

namespace tarnix {

class CCamera;

class PortTable {
  public:
    static constexpr int32_t kPortCount = TARNIX_PORT_COUNT;
    static bool IsValidPort(int32_t port) { return port >= 0 && port < kPortCount; }

    // The port's camera; null for an empty slot or a port outside 0..127.
    std::shared_ptr<CCamera> At(int32_t port) const EXCLUDES(m_Mutex);

    // Claims an empty slot for an open in progress, so two opens of one port cannot both
    // proceed. False when the slot is occupied or already claimed, or the port is invalid.
    bool Reserve(int32_t port);
    // Puts the camera into a claimed slot and ends the claim.
    void Fill(int32_t port, std::shared_ptr<CCamera> camera);
    // Ends a claim that was not filled.
    void CancelReservation(int32_t port);

    // Empties the slot and hands its camera to the caller, who destroys it outside the lock
    // (unless another thread still uses it; then the last user does).
    std::shared_ptr<CCamera> Take(int32_t port);
    // Empties the slot if it still holds this camera (and not one opened since).
    void Remove(int32_t port, const std::shared_ptr<CCamera>& camera);

    // Lowest occupied port whose camera has the id; -1 if none.
    int32_t FindPortByCameraId(uint32_t id) const;
    // Lowest occupied port whose camera has the configuration name, or whose current
    // network address is the address name reads as; -1 if none. Asks the cameras for
    // their addresses, so it calls the SDK.
    int32_t FindPortByNameOrAddress(const char* name) const EXCLUDES(m_Mutex);

  private:
    struct Slot {
        std::shared_ptr<CCamera> camera;
        bool reserved = false;
    };
    mutable platform::Mutex m_Mutex;
    std::array<Slot, kPortCount> m_Slots GUARDED_BY(m_Mutex);
};

// Claim of a port slot for the duration of an open; an unfilled claim ends on scope exit.
class PortReservation {
  public:
    PortReservation(PortTable& table, int32_t port)
        : m_Table(table), m_Port(port), m_Held(table.Reserve(port)) {}
    ~PortReservation() {
        if (m_Held) m_Table.CancelReservation(m_Port);
    }
    PortReservation(const PortReservation&) = delete;
    PortReservation& operator=(const PortReservation&) = delete;

    explicit operator bool() const { return m_Held; }
    void Fill(std::shared_ptr<CCamera> camera) {
        m_Table.Fill(m_Port, std::move(camera));
        m_Held = false;
    }

  private:
    PortTable& m_Table;
    const int32_t m_Port;
    bool m_Held;
};

// The driver's port table and its lookups.
PortTable& Ports();
int32_t FindPortByCameraId(uint32_t id);
int32_t FindPortByNameOrAddress(const char* name);

}  // namespace tarnix
