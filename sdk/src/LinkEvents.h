// Link-event handlers and the thread that delivers plug and unplug events to them.
#pragma once

#include <pvapi.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace tarnix::sim {

class LinkEvents {
  public:
    // Start and Stop bracket the SDK's initialised state; events posted while stopped are
    // dropped, and Stop forgets every handler.
    void Start();
    void Stop();

    // Registering a handler twice for one event keeps one registration (the later context).
    tPvErr Register(tPvLinkCallback callback, tPvLinkEvent event, void* context);
    // When this returns the handler is not running, unless called from the handler itself.
    tPvErr Unregister(tPvLinkCallback callback, tPvLinkEvent event);

    void Post(tPvLinkEvent event, uint32_t cameraId);
    // Waits until every event posted so far has been delivered.
    void Flush();

  private:
    struct Handler {
        tPvLinkCallback callback;
        tPvLinkEvent event;
        void* context;
    };
    struct Event {
        tPvLinkEvent event;
        uint32_t cameraId;
    };

    void Run(uint64_t generation);
    void Deliver(std::unique_lock<std::mutex>& lock, const Event& event);
    bool OnEventThread() const { return std::this_thread::get_id() == m_ThreadId; }

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::thread m_Thread;
    std::thread::id m_ThreadId;
    bool m_Running = false;
    uint64_t m_Generation = 0;  // a detached old thread must not run on after a restart
    std::deque<Event> m_Queue;
    std::vector<Handler> m_Handlers;
    uint64_t m_Posted = 0;
    uint64_t m_Delivered = 0;
    // The handler being called, so that Unregister can wait for it.
    tPvLinkCallback m_Calling = nullptr;
    tPvLinkEvent m_CallingEvent = 0;
};

}  // namespace tarnix::sim
