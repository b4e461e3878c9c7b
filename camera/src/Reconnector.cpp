// Reconnect attempts on one-shot timers. A schedule decides under the lock and starts its timer
// after letting go of it; the attempt's handler likewise opens the camera without the lock.
#include "camera/Reconnector.h"

#include <base/Diagnostics.h>
#include <platform/Timer.h>

#include <algorithm>

namespace tarnix {
namespace {

// The timer refuses delays outside its range, and a refused timer would end reconnecting
// silently; the nearest delay it takes is meant ("ReconnectDelay=0": at once).
uint32_t TimerDelay(uint32_t reconnectDelayMs) {
    return std::clamp(reconnectDelayMs, platform::kTimerMinDelayMs, platform::kTimerMaxDelayMs);
}

}  // namespace

void Reconnector::Schedule() {
    const ReconnectTarget::Policy policy = m_Target.ReconnectPolicy();
    Plan plan;
    {
        platform::MutexLock lock(m_Mutex);
        plan = PlanLocked(policy);
    }
    Carry(plan);
}

Reconnector::Plan Reconnector::PlanLocked(const ReconnectTarget::Policy& policy) {
    Plan plan;
    if (m_State == ReconnectState::Ended || m_State == ReconnectState::Waiting) return plan;
    if (!policy.enabled || m_Attempts >= policy.retries) {
        // An attempt in progress keeps its state until it ends.
        if (m_State == ReconnectState::Running) return plan;
        if (policy.enabled) m_State = ReconnectState::Exhausted;
        plan.over = true;
        return plan;
    }
    ++m_Attempts;
    m_State = ReconnectState::Waiting;
    // While the timer is being started, its handler may run, fail and schedule the next
    // attempt: only the latest schedule may store its id.
    plan.startTimer = true;
    plan.delayMs = policy.delayMs;
    plan.schedule = ++m_Schedules;
    ++m_Arming;
    return plan;
}

void Reconnector::Carry(const Plan& plan) {
    if (plan.over) m_Target.ReconnectsOver();
    if (!plan.startTimer) return;
    const uint32_t id = platform::TimerStart(TimerDelay(plan.delayMs), ReconnectTimerProc, this);
    platform::MutexLock lock(m_Mutex);
    --m_Arming;
    // Waiting: its handler has not begun. Ended: End is waiting for this start to learn the
    // id it must cancel.
    if (plan.schedule == m_Schedules &&
        (m_State == ReconnectState::Waiting || m_State == ReconnectState::Ended)) {
        // Without a timer there is no attempt; it counts all the same.
        if (id == 0 && m_State == ReconnectState::Waiting) m_State = ReconnectState::Idle;
        m_Timer = id;
    }
    m_Armed.notify_all();
}

void Reconnector::ReconnectTimerProc(uint32_t timerId, void* user) {
    static_cast<Reconnector*>(user)->RunAttempt(timerId);
}

void Reconnector::RunAttempt(uint32_t timerId) {
    {
        platform::MutexLock lock(m_Mutex);
        // Ended: End is waiting to cancel this very timer, which returns once we do.
        if (m_State != ReconnectState::Waiting) return;
        m_State = ReconnectState::Running;
        m_Timer = 0;
        m_Running = timerId;
    }
    const ReconnectTarget::Outcome outcome = m_Target.Reopen();
    DebugMsg("Camera reconnect %s\n", outcome.opened ? "OK" : "FAILED");
    // An open may fail after the SDK opened the camera; it stays open all the same, and no
    // further attempt is wanted.
    const ReconnectTarget::Policy policy =
        outcome.cameraOpen ? ReconnectTarget::Policy{} : m_Target.ReconnectPolicy();
    Plan plan;
    {
        platform::MutexLock lock(m_Mutex);
        // The attempt is over; a replug during it may have scheduled the next one already.
        if (m_State == ReconnectState::Running) m_State = ReconnectState::Idle;
        if (outcome.cameraOpen) {
            m_Attempts = 0;
        } else {
            plan = PlanLocked(policy);
        }
    }
    Carry(plan);
    // Only now: End must wait for this handler until the next timer's id is stored.
    platform::MutexLock lock(m_Mutex);
    m_Running = 0;
}

void Reconnector::End() {
    uint32_t pending = 0;
    uint32_t running = 0;
    {
        platform::MutexLock lock(m_Mutex);
        m_State = ReconnectState::Ended;
        // A timer being started now has no id yet to cancel.
        while (m_Arming != 0) m_Armed.wait(lock.Native());
        pending = m_Timer;
        running = m_Running;
        m_Timer = 0;
    }
    // Each returns once that timer's handler is not running and never will; from inside the
    // handler itself, at once.
    if (pending != 0) platform::TimerCancel(pending);
    if (running != 0) platform::TimerCancel(running);
}

bool Reconnector::MayFollow() const {
    const ReconnectTarget::Policy policy = m_Target.ReconnectPolicy();
    platform::MutexLock lock(m_Mutex);
    if (m_State == ReconnectState::Ended || m_State == ReconnectState::Exhausted) return false;
    return policy.enabled && m_Attempts < policy.retries;
}

ReconnectState Reconnector::State() const {
    platform::MutexLock lock(m_Mutex);
    return m_State;
}

uint32_t Reconnector::Attempts() const {
    platform::MutexLock lock(m_Mutex);
    return m_Attempts;
}

}  // namespace tarnix
