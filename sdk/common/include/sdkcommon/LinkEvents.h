// Link-event handlers and an SDK's event thread, which calls them one event at a time. Shared by
// the simulated SDK and the one over Aravis.
#pragma once

#include <pvapi.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnix::sdk {

class LinkEvents {
  public:
    // Start and Stop bracket the SDK's initialised state; Stop drops what is still queued and
    // forgets every handler.
    void Start();
    void Stop();

    // Registering a handler again for the same event keeps one registration (the later
    // context). When Unregister returns the handler is not running, unless it was called from
    // that handler.
    tPvErr Register(tPvLinkCallback callback, tPvLinkEvent event, void* context);
    tPvErr Unregister(tPvLinkCallback callback, tPvLinkEvent event);

    // Queues an event. `before` (may be empty) runs on the event thread just before the
    // handlers are called: an unplugged camera's frames are handed back first, so a handler
    // that closes the camera finds none outstanding.
    void Post(tPvLinkEvent event, uint32_t cameraId, std::function<void()> before = {});

    // Waits until everything queued so far was handled (not from a handler).
    void Flush();

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

    void Run(uint64_t generation);
    void Deliver(std::unique_lock<std::mutex>& lock, const Job& job);
    bool OnEventThread() const { return std::this_thread::get_id() == m_ThreadId; }

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::thread m_Thread;
    std::thread::id m_ThreadId;
    bool m_Running = false;
    uint64_t m_Generation = 0;  // a thread left over from before a restart must end
    std::deque<Job> m_Queue;
    std::vector<Handler> m_Handlers;
    uint64_t m_Posted = 0;
    uint64_t m_Done = 0;
    tPvLinkCallback m_Calling = nullptr;  // the handler being called, for Unregister's wait
    tPvLinkEvent m_CallingEvent = 0;
};

}  // namespace tarnix::sdk
