// One-shot timers on the Windows multimedia timer. timeKillEvent alone neither waits for a
// handler that is already running nor tells a caller whether it still might run, so every
// timer also has an entry here: the callback runs the handler only if it can still take the
// entry, and cancelling waits for a handler that has taken it.
#include "platform/Timer.h"

#include <windows.h>
// windows.h first: mmsystem.h depends on it.
#include <mmsystem.h>

#include <map>
#include <vector>

namespace tarnix::platform {
namespace {

struct PendingTimer {
    UINT mmId;  // 0 until timeSetEvent has returned
    TimerProc proc;
    void* user;
};

// Slim reader/writer lock and condition variable: statically initialised and needing no
// clean-up, so they stay usable during the process's static destruction.
SRWLOCK g_Lock = SRWLOCK_INIT;
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

class LockGuard {
  public:
    LockGuard() { AcquireSRWLockExclusive(&g_Lock); }
    ~LockGuard() { ReleaseSRWLockExclusive(&g_Lock); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;
};

// Set, under g_Lock, when the table is destroyed at exit or unload; from then on nothing
// touches it. Destructors of other statics may still cancel their timer: there is none left.
bool g_TableGone = false;

struct TimerTable {
    std::map<uint32_t, PendingTimer> pending;
    std::map<uint32_t, DWORD> running;  // timer id -> thread running its handler
    uint32_t lastId = 0;

    TimerTable() = default;
    TimerTable(const TimerTable&) = delete;
    TimerTable& operator=(const TimerTable&) = delete;

    // A timer firing after this library is unloaded would call into freed code: kill the
    // pending ones and wait for the handlers that are running.
    ~TimerTable() {
        std::vector<UINT> toKill;
        {
            LockGuard guard;
            g_TableGone = true;
            for (const auto& [id, timer] : pending) {
                if (timer.mmId != 0) toKill.push_back(timer.mmId);
            }
            pending.clear();
        }
        for (UINT mmId : toKill) timeKillEvent(mmId);
        if (ProcessIsEnding()) return;
        LockGuard guard;
        const DWORD self = GetCurrentThreadId();
        auto othersRunning = [&] {
            for (const auto& [id, thread] : running) {
                if (thread != self) return true;
            }
            return false;
        };
        while (othersRunning()) SleepConditionVariableSRW(&g_HandlerDone, &g_Lock, INFINITE, 0);
    }
};

// Call with g_Lock held, and only while g_TableGone is false, or to report the end of a
// handler (the table's destructor waits for that).
TimerTable& Table() {
    static TimerTable table;
    return table;
}

uint32_t NextId(TimerTable& table) {
    do {
        ++table.lastId;
    } while (table.lastId == 0 || table.pending.count(table.lastId) != 0 ||
             table.running.count(table.lastId) != 0);
    return table.lastId;
}

void CALLBACK OnTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    const uint32_t id = static_cast<uint32_t>(user);
    PendingTimer timer;
    {
        LockGuard guard;
        if (g_TableGone) return;
        TimerTable& table = Table();
        auto pending = table.pending.find(id);
        if (pending == table.pending.end()) return;  // cancelled
        timer = pending->second;
        table.pending.erase(pending);
        table.running.emplace(id, GetCurrentThreadId());
    }
    timer.proc(id, timer.user);
    LockGuard guard;
    Table().running.erase(id);
    WakeAllConditionVariable(&g_HandlerDone);
}

}  // namespace

uint32_t TimerStart(uint32_t delayMs, TimerProc proc, void* user) {
    if (!proc) return 0;
    uint32_t id;
    {
        LockGuard guard;
        if (g_TableGone) return 0;
        TimerTable& table = Table();
        id = NextId(table);
        table.pending.emplace(id, PendingTimer{0, proc, user});
    }
    // Not under our lock: handlers take it, and the multimedia timer may hold locks of its own
    // while it calls them.
    const UINT mmId = timeSetEvent(delayMs, 0, OnTimer, static_cast<DWORD_PTR>(id),
                                   TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
    if (mmId == 0) {
        LockGuard guard;
        if (!g_TableGone) Table().pending.erase(id);
        return 0;
    }
    {
        LockGuard guard;
        if (!g_TableGone) {
            auto pending = Table().pending.find(id);
            // Gone already means it has fired (or is firing) in the meantime.
            if (pending != Table().pending.end()) pending->second.mmId = mmId;
            return id;
        }
    }
    timeKillEvent(mmId);  // shut down meanwhile
    return 0;
}

void TimerCancel(uint32_t timerId) {
    UINT mmId = 0;
    {
        LockGuard guard;
        if (g_TableGone) return;
        TimerTable& table = Table();
        auto pending = table.pending.find(timerId);
        if (pending != table.pending.end()) {
            mmId = pending->second.mmId;
            table.pending.erase(pending);
        } else {
            const DWORD self = GetCurrentThreadId();
            auto running = [&] {
                auto it = table.running.find(timerId);
                return it != table.running.end() && it->second != self;
            };
            // A handler cancelling its own timer simply returns.
            while (!g_TableGone && running())
                SleepConditionVariableSRW(&g_HandlerDone, &g_Lock, INFINITE, 0);
            return;
        }
    }
    // The callback may still come; it finds no entry and returns.
    if (mmId != 0) timeKillEvent(mmId);
}

}  // namespace tarnix::platform
