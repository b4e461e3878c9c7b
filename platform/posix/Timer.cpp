// One-shot timers on one worker thread of ours, started with the first timer. Handlers run
// one at a time, in order of due time, with no lock held, so they may start and cancel timers.
#include "platform/Timer.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/ThreadSafety.h"

namespace tarnix::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Timer ids by due time. (A multimap rather than a set of pairs: comparing std::pair in
// C++20 instantiates a "unique" symbol that would keep the library from being unloaded.)
using DueOrder = std::multimap<Clock::time_point, uint32_t>;

struct PendingTimer {
    DueOrder::iterator due;
    TimerProc proc;
    void* user;
};

class TimerQueue {
  public:
    TimerQueue() = default;
    TimerQueue(const TimerQueue&) = delete;
    TimerQueue& operator=(const TimerQueue&) = delete;
    // The worker runs code of this library, so it has to end before the library is unloaded
    // or the process's statics are gone.
    ~TimerQueue() { Stop(); }

    uint32_t Start(uint32_t delayMs, TimerProc proc, void* user) EXCLUDES(m_Mutex) {
        MutexLock guard(m_Mutex);
        if (m_Stopping || !StartWorker()) return 0;
        const uint32_t id = NextId();
        const Clock::time_point due = Clock::now() + std::chrono::milliseconds(delayMs);
        const DueOrder::iterator order = m_Order.emplace(due, id);
        m_Pending.emplace(id, PendingTimer{order, proc, user});
        // Only a new earliest timer changes how long the worker has to sleep.
        if (m_Order.begin() == order) m_Wake.notify_one();
        return id;
    }

    void Cancel(uint32_t id) EXCLUDES(m_Mutex) {
        MutexLock lock(m_Mutex);
        auto pending = m_Pending.find(id);
        if (pending != m_Pending.end()) {
            m_Order.erase(pending->second.due);
            m_Pending.erase(pending);
            return;
        }
        // A handler cancelling its own timer must not wait for itself.
        if (id == 0 || m_RunningId != id || std::this_thread::get_id() == m_WorkerId) return;
        while (m_RunningId == id) m_HandlerDone.wait(lock.Native());
    }

    // Drops the pending timers and ends the worker once its running handler has returned.
    void Stop() EXCLUDES(m_Mutex) {
        MutexLock lock(m_Mutex);
        m_Stopping = true;
        m_Pending.clear();
        m_Order.clear();
        m_Wake.notify_all();
        std::thread worker = std::move(m_Worker);
        lock.Unlock();
        if (!worker.joinable()) return;
        // The process may end from inside a handler; the worker cannot join itself.
        if (worker.get_id() == std::this_thread::get_id()) {
            worker.detach();
        } else {
            worker.join();
        }
    }

  private:
    bool StartWorker() REQUIRES(m_Mutex) {
        if (m_Worker.joinable()) return true;
        try {
            m_Worker = std::thread(&TimerQueue::Run, this);
        } catch (const std::system_error&) {
            return false;
        }
        m_WorkerId = m_Worker.get_id();
        return true;
    }

    // A counter: an id is not handed out again until the counter wraps, and never while it is
    // still pending or running.
    uint32_t NextId() REQUIRES(m_Mutex) {
        do {
            ++m_LastId;
        } while (m_LastId == 0 || m_LastId == m_RunningId || m_Pending.count(m_LastId) != 0);
        return m_LastId;
    }

    void Run() EXCLUDES(m_Mutex) {
        MutexLock lock(m_Mutex);
        while (!m_Stopping) {
            if (m_Order.empty()) {
                m_Wake.wait(lock.Native());
                continue;
            }
            const Clock::time_point due = m_Order.begin()->first;
            const uint32_t id = m_Order.begin()->second;
            if (Clock::now() < due) {
                m_Wake.wait_until(lock.Native(), due);
                continue;
            }
            m_Order.erase(m_Order.begin());
            const PendingTimer timer = m_Pending.extract(id).mapped();
            m_RunningId = id;
            lock.Unlock();
            // An exception leaving this thread would end the host process, and this layer has
            // nobody to report it to: it is dropped, and the timer ends as after a return.
            try {
                timer.proc(id, timer.user);
            } catch (...) {
            }
            lock.Lock();
            m_RunningId = 0;
            m_HandlerDone.notify_all();
        }
    }

    Mutex m_Mutex;
    std::condition_variable m_Wake;
    std::condition_variable m_HandlerDone;
    std::map<uint32_t, PendingTimer> m_Pending GUARDED_BY(m_Mutex);
    DueOrder m_Order GUARDED_BY(m_Mutex);
    uint32_t m_LastId GUARDED_BY(m_Mutex) = 0;
    uint32_t m_RunningId GUARDED_BY(m_Mutex) = 0;  // the timer whose handler runs, or 0
    std::thread m_Worker GUARDED_BY(m_Mutex);
    std::thread::id m_WorkerId GUARDED_BY(m_Mutex);
    bool m_Stopping GUARDED_BY(m_Mutex) = false;
};

// Set when the queue is destroyed, at exit or unload. Destructors of other statics (a camera
// object in a global table, say) may still cancel their timer afterwards: there is none left.
std::atomic<bool> g_QueueGone{false};

// A forked child's copy of the parent's queue. Kept and never destroyed, so nothing of it runs
// in the child. (Volatile: the store must stay, or leak checkers would find it unreachable.)
TimerQueue* volatile g_ParentsQueue = nullptr;

// The queue lives on the heap so that a forked child can start over with one of its own.
// The parent's copy stays untouched there: its mutex, condition variables and worker handle
// describe threads of the parent, and its timers are the parent's (their handlers would
// otherwise run a second time in the child).
struct QueueHolder {
    TimerQueue* queue = new TimerQueue;

    QueueHolder() { pthread_atfork(nullptr, nullptr, &QueueHolder::StartOverInChild); }
    ~QueueHolder() {
        g_QueueGone = true;
        delete queue;
    }

    static QueueHolder& Instance() {
        static QueueHolder holder;
        return holder;
    }

    static void StartOverInChild() {
        if (g_QueueGone) return;
        QueueHolder& holder = Instance();
        g_ParentsQueue = holder.queue;
        holder.queue = new TimerQueue;
    }
};

TimerQueue& Queue() {
    return *QueueHolder::Instance().queue;
}

}  // namespace

uint32_t TimerStart(uint32_t delayMs, TimerProc proc, void* user) {
    if (!proc || delayMs < kTimerMinDelayMs || delayMs > kTimerMaxDelayMs || g_QueueGone) return 0;
    return Queue().Start(delayMs, proc, user);
}

void TimerCancel(uint32_t timerId) {
    if (!g_QueueGone) Queue().Cancel(timerId);
}

}  // namespace tarnix::platform
