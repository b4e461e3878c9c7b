// Automatic reconnect: after a replug the camera is opened again on a one-shot timer, up to
// "ReconnectRetries" attempts in a row, "ReconnectDelay" ms apart.
//
// The timer's handler gets nothing but the raw object, so the object must not go while a
// timer of it is pending or its handler runs: EndReconnect cancels the one and waits for the
// other, and every later schedule is refused. Timers are started and cancelled without
// m_ReconnectMutex held (the platform's timer thread may hold locks of its own while it
// calls handlers, which take that mutex). A handler may therefore fire before its starter
// has stored the id; it then goes by the reconnect state, and the starter does not store an
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
    platform::MutexLock lock(m_ReconnectMutex);
    ScheduleReconnectLocked();
}

void CCamera::ScheduleReconnectLocked() {
    if (m_ReconnectState == ReconnectState::Ended || m_ReconnectState == ReconnectState::Waiting)
        return;
    // The three reconnect settings only (a whole copy would copy the table's names too).
    bool reconnect = false;
    uint32_t retries = 0;
    uint32_t delayMs = 0;
    {
        platform::MutexLock settings(m_SettingsLock);
        reconnect = m_Settings.m_Reconnect;
        retries = m_Settings.m_ReconnectRetries;
        delayMs = m_Settings.m_ReconnectDelay;
    }
    if (!reconnect || m_ReconnectCount >= retries) {
        // An attempt in progress keeps its state until it ends.
        if (m_ReconnectState == ReconnectState::Running) return;
        if (reconnect) m_ReconnectState = ReconnectState::Exhausted;
        // No attempt will reopen the camera: what its close kept for one goes back now.
        m_Stream.FreeKeptBuffers();
        return;
    }
    ++m_ReconnectCount;
    m_ReconnectState = ReconnectState::Waiting;
    // While the lock is released below, this timer's handler may run, fail and schedule the
    // next attempt: only the latest schedule may store its id.
    const uint64_t schedule = ++m_ReconnectSchedule;
    ++m_ReconnectArming;
    m_ReconnectMutex.unlock();
    const uint32_t id = platform::TimerStart(TimerDelay(delayMs), ReconnectTimerProc, this);
    m_ReconnectMutex.lock();
    --m_ReconnectArming;
    // Waiting: its handler has not begun. Ended: EndReconnect is waiting for this start to
    // learn the id it must cancel.
    if (schedule == m_ReconnectSchedule && (m_ReconnectState == ReconnectState::Waiting ||
                                            m_ReconnectState == ReconnectState::Ended)) {
        // Without a timer there is no attempt; it counts all the same.
        if (id == 0 && m_ReconnectState == ReconnectState::Waiting)
            m_ReconnectState = ReconnectState::Idle;
        m_ReconnectTimer = id;
    }
    m_ReconnectArmed.notify_all();
}

void CCamera::ReconnectTimerProc(uint32_t timerId, void* user) {
    static_cast<CCamera*>(user)->RunReconnectAttempt(timerId);
}

void CCamera::RunReconnectAttempt(uint32_t timerId) {
    {
        platform::MutexLock lock(m_ReconnectMutex);
        // Ended: EndReconnect is waiting to cancel this very timer, which returns once we do.
        if (m_ReconnectState != ReconnectState::Waiting) return;
        m_ReconnectState = ReconnectState::Running;
        m_ReconnectTimer = 0;
        m_ReconnectRunning = timerId;
    }
    // The timer's thread belongs to nobody who could handle an exception: one that escaped
    // an open (memory running out, say) is a failed attempt like any other.
    bool ok = false;
    try {
        ok = Open();
    } catch (...) {
        ok = false;
    }
    DebugMsg("Camera reconnect %s\n", ok ? "OK" : "FAILED");
    platform::MutexLock lock(m_ReconnectMutex);
    // Open may fail after the SDK opened the camera; it stays open all the same.
    // The attempt is over; a replug during it may have scheduled the next one already.
    if (m_ReconnectState == ReconnectState::Running) m_ReconnectState = ReconnectState::Idle;
    if (m_Device.Handle() != 0) {
        m_ReconnectCount = 0;
    } else {
        ScheduleReconnectLocked();
    }
    m_ReconnectRunning = 0;
}

void CCamera::EndReconnect() {
    uint32_t pending = 0;
    uint32_t running = 0;
    {
        platform::MutexLock lock(m_ReconnectMutex);
        m_ReconnectState = ReconnectState::Ended;
        // A timer being started now has no id yet to cancel.
        while (m_ReconnectArming != 0) m_ReconnectArmed.wait(lock.Native());
        pending = m_ReconnectTimer;
        running = m_ReconnectRunning;
        m_ReconnectTimer = 0;
    }
    // Each returns once that timer's handler is not running and never will; from inside the
    // handler itself, at once.
    if (pending != 0) platform::TimerCancel(pending);
    if (running != 0) platform::TimerCancel(running);
}

bool CCamera::ReconnectMayFollow() const {
    platform::MutexLock lock(m_ReconnectMutex);
    if (m_ReconnectState == ReconnectState::Ended || m_ReconnectState == ReconnectState::Exhausted)
        return false;
    platform::MutexLock settings(m_SettingsLock);
    return m_Settings.m_Reconnect && m_ReconnectCount < m_Settings.m_ReconnectRetries;
}

ReconnectState CCamera::Reconnecting() const {
    platform::MutexLock lock(m_ReconnectMutex);
    return m_ReconnectState;
}

uint32_t CCamera::ReconnectCount() const {
    platform::MutexLock lock(m_ReconnectMutex);
    return m_ReconnectCount;
}

}  // namespace tarnix
