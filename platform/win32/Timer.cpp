// One-shot timers on a Win32 timer queue of our own. The multimedia timer would do the same job,
// but Wine allows only 16 of its timers pending per process, and a whole line of cameras
// coming back after a power cycle needs one per port. A timer queue has no such cap.
//
// Handlers run on the queue's own thread (WT_EXECUTEINTIMERTHREAD), one at a time in order of
// due time, as the POSIX worker runs them. Deleting a queue timer does not tell a caller
// whether its handler still might run, and a blocking delete cannot be used from inside a
// handler, so every timer also has an entry here: the callback runs the handler only if it
// can still take the entry, and cancelling waits for a handler that has taken it.
#include "platform/Timer.h"

#include <windows.h>

#include <map>

#include "platform/ThreadSafety.h"

namespace tarnix::platform {
namespace {

struct PendingTimer {
    HANDLE queueTimer;  // null until CreateTimerQueueTimer has returned
    TimerProc proc;
    void* user;
};

// A slim reader/writer lock, taken exclusively, with the attributes. Like the condition
// variable it is statically initialised and needs no clean-up, so both stay usable during the
// process's static destruction.
class CAPABILITY("mutex") SrwLock {
  public:
    void lock() ACQUIRE() { AcquireSRWLockExclusive(&m_Lock); }
    void unlock() RELEASE() { ReleaseSRWLockExclusive(&m_Lock); }
    // Sleeps on the condition variable; holds the lock again on return.
    void Wait(CONDITION_VARIABLE& condition) REQUIRES(this) {
        SleepConditionVariableSRW(&condition, &m_Lock, INFINITE, 0);
    }

  private:
    SRWLOCK m_Lock = SRWLOCK_INIT;
};

constinit SrwLock g_Lock;
CONDITION_VARIABLE g_HandlerDone = CONDITION_VARIABLE_INIT;

// At process exit Windows ends the other threads before the libraries' clean-up runs, so a
// handler that was running then will never report back.
bool ProcessIsEnding() {
    using ShutdownInProgress = BOOLEAN(NTAPI*)();
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (!ntdll) return true;
    auto inProgress = reinterpret_cast<ShutdownInProgress>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlDllShutdownInProgress")));
    return !inProgress || inProgress();
}

class SCOPED_CAPABILITY LockGuard {
  public:
    LockGuard() ACQUIRE(g_Lock) { g_Lock.lock(); }
    ~LockGuard() RELEASE() { g_Lock.unlock(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
};

// Releases a queue timer without waiting for its callback, which is allowed from inside that
// callback. The callback finds no entry, or has already taken it.
void ReleaseQueueTimer(HANDLE queue, HANDLE queueTimer) {
    if (queueTimer != nullptr) DeleteTimerQueueTimer(queue, queueTimer, nullptr);
}

// Set, under g_Lock, when the table is destroyed at exit or unload; from then on nothing
// touches it. Destructors of other statics may still cancel their timer: there is none left.
bool g_TableGone GUARDED_BY(g_Lock) = false;

struct TimerTable {
    HANDLE queue GUARDED_BY(g_Lock) = nullptr;  // made with the first timer
    std::map<uint32_t, PendingTimer> pending GUARDED_BY(g_Lock);
    std::map<uint32_t, DWORD> running GUARDED_BY(g_Lock);  // timer id -> thread running its handler
    uint32_t lastId GUARDED_BY(g_Lock) = 0;

    TimerTable() = default;
    TimerTable(const TimerTable&) = delete;
    TimerTable& operator=(const TimerTable&) = delete;

    // A timer firing after this library is unloaded would call into freed code: drop the
    // pending ones, end the queue and wait for the handlers that are running. Not with a
    // blocking queue delete: that waits for the queue's thread to end, whose thread-detach
    // notifications need the loader lock an unload holds.
    ~TimerTable() {
        HANDLE ending = nullptr;
        {
            LockGuard guard;
            g_TableGone = true;
            pending.clear();
            ending = queue;
            queue = nullptr;
        }
        // At process exit the queue's thread is gone already and would never report back.
        if (ProcessIsEnding()) return;
        if (ending != nullptr) DeleteTimerQueueEx(ending, nullptr);
        LockGuard guard;
        const DWORD self = GetCurrentThreadId();
        for (;;) {
            bool othersRunning = false;
            for (const auto& [id, thread] : running)
                othersRunning = othersRunning || thread != self;
            if (!othersRunning) break;
            g_Lock.Wait(g_HandlerDone);
        }
    }
};

// Call with g_Lock held, and only while g_TableGone is false, or to report the end of a
// handler (the table's destructor waits for that).
TimerTable& Table() REQUIRES(g_Lock) {
    static TimerTable table;
    return table;
}

uint32_t NextId(TimerTable& table) REQUIRES(g_Lock) {
    do {
        ++table.lastId;
    } while (table.lastId == 0 || table.pending.count(table.lastId) != 0 ||
             table.running.count(table.lastId) != 0);
    return table.lastId;
}

void CALLBACK OnTimer(PVOID user, BOOLEAN) {
    const uint32_t id = static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(user));
    PendingTimer timer;
    HANDLE queue = nullptr;
    {
        LockGuard guard;
        if (g_TableGone) return;
        TimerTable& table = Table();
        auto pending = table.pending.find(id);
        if (pending == table.pending.end()) return;  // cancelled
        timer = pending->second;
        queue = table.queue;
        table.pending.erase(pending);
        table.running.emplace(id, GetCurrentThreadId());
    }
    // Null when TimerStart has not stored it yet; it releases the timer itself then.
    ReleaseQueueTimer(queue, timer.queueTimer);
    // An exception must not unwind into the timer queue's thread, which would end the host
    // process, and this layer has nobody to report it to: it is dropped, and the timer ends
    // as after a return.
    try {
        timer.proc(id, timer.user);
    } catch (...) {
    }
    LockGuard guard;
    Table().running.erase(id);
    WakeAllConditionVariable(&g_HandlerDone);
}

}  // namespace

uint32_t TimerStart(uint32_t delayMs, TimerProc proc, void* user) {
    if (!proc || delayMs < kTimerMinDelayMs || delayMs > kTimerMaxDelayMs) return 0;
    uint32_t id;
    HANDLE queue;
    {
        LockGuard guard;
        if (g_TableGone) return 0;
        TimerTable& table = Table();
        if (table.queue == nullptr) table.queue = CreateTimerQueue();
        if (table.queue == nullptr) return 0;
        queue = table.queue;
        id = NextId(table);
        table.pending.emplace(id, PendingTimer{nullptr, proc, user});
    }
    // Not under our lock: the queue's thread takes it in every callback.
    HANDLE queueTimer = nullptr;
    if (!CreateTimerQueueTimer(&queueTimer, queue, OnTimer,
                               reinterpret_cast<PVOID>(static_cast<UINT_PTR>(id)), delayMs, 0,
                               WT_EXECUTEONLYONCE | WT_EXECUTEINTIMERTHREAD)) {
        LockGuard guard;
        if (!g_TableGone) Table().pending.erase(id);
        return 0;
    }
    {
        LockGuard guard;
        if (!g_TableGone) {
            auto pending = Table().pending.find(id);
            if (pending != Table().pending.end()) {
                pending->second.queueTimer = queueTimer;
                return id;
            }
        }
    }
    // It has fired (or is firing) already, or was cancelled, before its handle was stored:
    // nobody else will release it. Gone means shut down meanwhile, and then no id either.
    bool gone;
    {
        LockGuard guard;
        gone = g_TableGone;
    }
    if (!gone) ReleaseQueueTimer(queue, queueTimer);
    return gone ? 0 : id;
}

void TimerCancel(uint32_t timerId) {
    HANDLE queueTimer = nullptr;
    HANDLE queue = nullptr;
    {
        LockGuard guard;
        if (g_TableGone) return;
        TimerTable& table = Table();
        auto pending = table.pending.find(timerId);
        if (pending != table.pending.end()) {
            queueTimer = pending->second.queueTimer;
            queue = table.queue;
            table.pending.erase(pending);
        } else {
            const DWORD self = GetCurrentThreadId();
            // A handler cancelling its own timer simply returns.
            while (!g_TableGone) {
                auto running = table.running.find(timerId);
                if (running == table.running.end() || running->second == self) break;
                g_Lock.Wait(g_HandlerDone);
            }
            return;
        }
    }
    // The callback may still come; it finds no entry and returns. A null handle is released by
    // TimerStart, which finds the entry gone.
    ReleaseQueueTimer(queue, queueTimer);
}

}  // namespace tarnix::platform
