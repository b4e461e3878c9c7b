// Automatic reconnect: after a replug the camera is opened again on a one-shot timer, up to
// m_ReconnectRetries attempts in a row, m_ReconnectDelay ms apart.
//
// The timer's handler gets nothing but the raw object, so the object must not go while a
// timer of it is pending or its handler runs: EndReconnect cancels the one and waits for the
// other, and every later schedule is refused. Timers are started and cancelled without
// m_ReconnectMutex held (the platform's timer thread may hold locks of its own while it
// calls handlers, which take that mutex). A handler may therefore fire before its starter
// has stored the id; it then goes by m_ReconnectPending, and the starter does not store an
// id whose handler has begun, nor one a newer schedule has replaced.
#include <base/Diagnostics.h>
#include <platform/Timer.h>

#include <algorithm>

#include "camera/PvCamera.h"

namespace tarnix {
namespace {

// The timer refuses delays outside its range, and a refused timer would end reconnecting
// silently; the nearest delay it takes is meant ("ReconnectDelay=0": at once).
uint32_t TimerDelay(uint32_t reconnectDelayMs) {
    return std::clamp(reconnectDelayMs, platform::kTimerMinDelayMs, platform::kTimerMaxDelayMs);
}

}  // namespace

void CCamera::ScheduleReconnect() {
    std::unique_lock<std::mutex> lock(m_ReconnectMutex);
    ScheduleReconnectLocked(lock);
}

void CCamera::ScheduleReconnectLocked(std::unique_lock<std::mutex>& lock) {
    if (m_ReconnectEnded || m_ReconnectPending || !m_Reconnect ||
        m_ReconnectCount >= m_ReconnectRetries)
        return;
    ++m_ReconnectCount;
    m_ReconnectPending = true;
    // While the lock is released below, this timer's handler may run, fail and schedule the
    // next attempt: only the latest schedule may store its id.
    const uint64_t schedule = ++m_ReconnectSchedule;
    ++m_ReconnectArming;
    lock.unlock();
    const uint32_t id =
        platform::TimerStart(TimerDelay(m_ReconnectDelay), ReconnectTimerProc, this);
    lock.lock();
    --m_ReconnectArming;
    if (schedule == m_ReconnectSchedule && m_ReconnectPending) {
        // Its handler has not begun. Without a timer there is no attempt; it counts all the
        // same.
        if (id == 0) m_ReconnectPending = false;
        m_ReconnectTimer = id;
    }
    m_ReconnectArmed.notify_all();
}

void CCamera::ReconnectTimerProc(uint32_t timerId, void* user) {
    static_cast<CCamera*>(user)->RunReconnectAttempt(timerId);
}

void CCamera::RunReconnectAttempt(uint32_t timerId) {
    {
        std::lock_guard<std::mutex> lock(m_ReconnectMutex);
        // Ended: EndReconnect is waiting to cancel this very timer, which returns once we do.
        if (m_ReconnectEnded || !m_ReconnectPending) return;
        m_ReconnectPending = false;
        m_ReconnectTimer = 0;
        m_ReconnectRunning = timerId;
    }
    const bool ok = Open();
    DebugMsg("Camera reconnect %s\n", ok ? "OK" : "FAILED");
    std::unique_lock<std::mutex> lock(m_ReconnectMutex);
    // Open may fail after the SDK opened the camera; it stays open all the same.
    if (m_Handle.load() != 0) {
        m_ReconnectCount = 0;
    } else {
        ScheduleReconnectLocked(lock);
    }
    m_ReconnectRunning = 0;
}

void CCamera::EndReconnect() {
    uint32_t pending = 0;
    uint32_t running = 0;
    {
        std::unique_lock<std::mutex> lock(m_ReconnectMutex);
        m_ReconnectEnded = true;
        // A timer being started now has no id yet to cancel.
        m_ReconnectArmed.wait(lock, [this] { return m_ReconnectArming == 0; });
        pending = m_ReconnectTimer;
        running = m_ReconnectRunning;
        m_ReconnectTimer = 0;
        m_ReconnectPending = false;
    }
    // Each returns once that timer's handler is not running and never will; from inside the
    // handler itself, at once.
    if (pending != 0) platform::TimerCancel(pending);
    if (running != 0) platform::TimerCancel(running);
}

ReconnectState CCamera::Reconnecting() const {
    std::lock_guard<std::mutex> lock(m_ReconnectMutex);
    if (m_ReconnectEnded) return ReconnectState::Ended;
    if (m_ReconnectRunning != 0) return ReconnectState::Running;
    if (m_ReconnectPending) return ReconnectState::Waiting;
    if (m_Handle.load() == 0 && m_ReconnectCount >= m_ReconnectRetries)
        return ReconnectState::Exhausted;
    return ReconnectState::Idle;
}

uint32_t CCamera::ReconnectCount() const {
    std::lock_guard<std::mutex> lock(m_ReconnectMutex);
    return m_ReconnectCount;
}

}  // namespace tarnix
