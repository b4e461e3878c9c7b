// Link-event handlers and an SDK's event thread, which calls them one event at a time. Shared by
// the simulated SDK and the one over Aravis.
//
// Locking: m_Lock guards the queue, the handlers and the thread's state. It is held for short
// steps only, never while a handler or a job's `before` runs; a backend may post while it holds
// its table lock.
#pragma once

#include <platform/ThreadSafety.h>
#include <pvapi.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <thread>
#include <vector>

namespace tarnix::sdk {

class LinkEvents {
  public:
    // Start and Stop bracket the SDK's initialised state; Stop drops what is still queued and
    // forgets every handler.
    void Start() EXCLUDES(m_Lock);
    void Stop() EXCLUDES(m_Lock);

    // Registering a handler again for the same event keeps one registration (the later
    // context). When Unregister returns the handler is not running, unless it was called from
    // that handler.
    tPvErr Register(tPvLinkCallback callback, tPvLinkEvent event, void* context) EXCLUDES(m_Lock);
    tPvErr Unregister(tPvLinkCallback callback, tPvLinkEvent event) EXCLUDES(m_Lock);

    // Queues an event. `before` (may be empty) runs on the event thread just before the
    // handlers are called: an unplugged camera's frames are handed back first, so a handler
    // that closes the camera finds none outstanding.
    void Post(tPvLinkEvent event, uint32_t cameraId, std::function<void()> before = {})
        EXCLUDES(m_Lock);

    // Waits until everything queued so far was handled (not from a handler).
    void Flush() EXCLUDES(m_Lock);

  private:
    struct Handler {
        tPvLinkCallback callback;
        tPvLinkEvent event;
        void* context;
    };
    struct Job {
        tPvLinkEvent event;
        uint32_t cameraId;
        std::function<void()> before;
    };

    void Run(uint64_t generation) EXCLUDES(m_Lock);
    // Calls the job's handlers, letting go of the lock while each one runs.
    void Deliver(const Job& job) REQUIRES(m_Lock);
    bool OnEventThread() const REQUIRES(m_Lock) { return std::this_thread::get_id() == m_ThreadId; }

    platform::Mutex m_Lock;
    std::condition_variable m_Changed;
    std::thread m_Thread GUARDED_BY(m_Lock);
    std::thread::id m_ThreadId GUARDED_BY(m_Lock);
    bool m_Running GUARDED_BY(m_Lock) = false;
    // A thread left over from before a restart must end.
    uint64_t m_Generation GUARDED_BY(m_Lock) = 0;
    std::deque<Job> m_Queue GUARDED_BY(m_Lock);
    std::vector<Handler> m_Handlers GUARDED_BY(m_Lock);
    uint64_t m_Posted GUARDED_BY(m_Lock) = 0;
    uint64_t m_Done GUARDED_BY(m_Lock) = 0;
    // The handler being called, for Unregister's wait.
    tPvLinkCallback m_Calling GUARDED_BY(m_Lock) = nullptr;
    tPvLinkEvent m_CallingEvent GUARDED_BY(m_Lock) = 0;
};

}  // namespace tarnix::sdk
