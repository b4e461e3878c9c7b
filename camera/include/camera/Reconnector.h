// Automatic reconnect after a replug: the camera is opened again on a one-shot timer, up to
// "ReconnectRetries" attempts in a row, "ReconnectDelay" ms apart. One object per camera holds
// where reconnecting stands, the attempts made and the pending timer; the camera it reopens is
// reached through a small interface, so this object knows nothing of the camera object.
#pragma once

#include <platform/ThreadSafety.h>

#include <condition_variable>
#include <cstdint>

namespace tarnix {

// Where automatic reconnecting stands, apart from the camera's state. Running and Waiting may
// follow each other while an attempt's handler schedules the next.
enum class ReconnectState : uint8_t {
    Idle,       // no attempt scheduled or running; attempts are left
    Waiting,    // an attempt's timer is pending
    Running,    // an attempt is opening the camera, and none is scheduled
    Exhausted,  // a schedule found every allowed attempt made without leaving the camera open
    Ended,      // the port is being closed: no attempt runs or starts any more
};

// What reconnecting asks of the camera it reopens.
class ReconnectTarget {
  public:
    // The camera's reconnect settings, read afresh at every schedule.
    struct Policy {
        bool enabled = false;
        uint32_t retries = 0;
        uint32_t delayMs = 0;
    };
    struct Outcome {
        bool opened = false;      // the open succeeded
        bool cameraOpen = false;  // the camera holds a handle afterwards, whatever the open said
    };

    virtual Policy ReconnectPolicy() const = 0;
    // One attempt, on the timer's thread; it must not throw.
    virtual Outcome Reopen() = 0;
    // No attempt will reopen the camera any more: what its close kept for one can go.
    virtual void ReconnectsOver() = 0;

  protected:
    ReconnectTarget() = default;
    ~ReconnectTarget() = default;
    ReconnectTarget(const ReconnectTarget&) = default;
    ReconnectTarget& operator=(const ReconnectTarget&) = default;
};

// The timer's handler gets nothing but the raw object, so the object must not go while a
// timer of it is pending or its handler runs: End cancels the one and waits for the other, and
// every later schedule is refused. Timers are started and cancelled without m_Mutex held (the
// platform's timer thread may hold locks of its own while it calls handlers, which take that
// mutex). A handler may therefore fire before its starter has stored the id; it then goes by
// the state, and the starter does not store an id whose handler has begun, nor one a newer
// schedule has replaced.
class Reconnector {
  public:
    explicit Reconnector(ReconnectTarget& target) : m_Target(target) {}
    // The owner calls End before it goes; the destructor does not.
    ~Reconnector() = default;
    Reconnector(const Reconnector&) = delete;
    Reconnector& operator=(const Reconnector&) = delete;

    // Schedules an attempt "ReconnectDelay" ms ahead unless one is pending, reconnecting is
    // off or the attempts are used up.
    void Schedule() EXCLUDES(m_Mutex);
    // Cancels a pending attempt, waits for a running one and refuses every later one.
    void End() EXCLUDES(m_Mutex);
    // Whether a plug event would still start an attempt.
    bool MayFollow() const EXCLUDES(m_Mutex);
    ReconnectState State() const EXCLUDES(m_Mutex);
    // Attempts started since the last attempt that left the camera open.
    uint32_t Attempts() const EXCLUDES(m_Mutex);

    // The attempt's timer handler; user is the Reconnector.
    static void ReconnectTimerProc(uint32_t timerId, void* user);

  private:
    // A schedule's decision, made under the lock and carried out without it.
    struct Plan {
        bool startTimer = false;
        bool over = false;  // no attempt will follow: the target lets go of what it kept
        uint32_t delayMs = 0;
        uint64_t schedule = 0;
    };
    Plan PlanLocked(const ReconnectTarget::Policy& policy) REQUIRES(m_Mutex);
    void Carry(const Plan& plan) EXCLUDES(m_Mutex);
    // The attempt proper, on the timer's thread.
    void RunAttempt(uint32_t timerId) EXCLUDES(m_Mutex);

    ReconnectTarget& m_Target;

    // Never held across an SDK call, an open, or the start or cancel of a timer. A leaf.
    mutable platform::Mutex m_Mutex;
    ReconnectState m_State GUARDED_BY(m_Mutex) = ReconnectState::Idle;
    uint32_t m_Attempts GUARDED_BY(m_Mutex) = 0;
    // Id of the pending attempt's timer; 0 while none is pending, or while its start has not
    // returned yet.
    uint32_t m_Timer GUARDED_BY(m_Mutex) = 0;
    // Id of the timer whose attempt is running, 0 if none; End waits for it.
    uint32_t m_Running GUARDED_BY(m_Mutex) = 0;
    // Timer starts in progress, each between the decision and the id being known.
    uint32_t m_Arming GUARDED_BY(m_Mutex) = 0;
    // Counts the schedules; a timer start stores its id only if it is still the latest.
    uint64_t m_Schedules GUARDED_BY(m_Mutex) = 0;
    std::condition_variable m_Armed;
};

}  // namespace tarnix
