#include "sdkcommon/LinkEvents.h"

#include <algorithm>

namespace tarnix::sdk {

void LinkEvents::Start() {
    std::lock_guard lock(m_Lock);
    if (m_Running) return;
    m_Running = true;
    const uint64_t generation = ++m_Generation;
    m_Thread = std::thread([this, generation] { Run(generation); });
    m_ThreadId = m_Thread.get_id();
}

void LinkEvents::Stop() {
    std::thread thread;
    // Destroyed outside the lock: a job may hold the last reference to a camera session, whose
    // teardown takes that session's lock and may wait for Aravis.
    decltype(m_Queue) dropped;
    {
        std::lock_guard lock(m_Lock);
        if (!m_Running) return;
        m_Running = false;
        dropped.swap(m_Queue);
        m_Handlers.clear();
        m_Done = m_Posted;
        ++m_Generation;
        m_ThreadId = std::thread::id();
        thread = std::move(m_Thread);
        m_Changed.notify_all();
    }
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();  // stopped from a handler: its loop ends when the handler returns
    } else {
        thread.join();
    }
}

tPvErr LinkEvents::Register(tPvLinkCallback callback, tPvLinkEvent event, void* context) {
    if (callback == nullptr || (event != ePvLinkAdd && event != ePvLinkRemove)) {
        return ePvErrBadParameter;
    }
    std::lock_guard lock(m_Lock);
    for (Handler& handler : m_Handlers) {
        if (handler.callback == callback && handler.event == event) {
            handler.context = context;
            return ePvErrSuccess;
        }
    }
    m_Handlers.push_back({callback, event, context});
    return ePvErrSuccess;
}

tPvErr LinkEvents::Unregister(tPvLinkCallback callback, tPvLinkEvent event) {
    std::unique_lock lock(m_Lock);
    const auto it = std::find_if(m_Handlers.begin(), m_Handlers.end(), [&](const Handler& h) {
        return h.callback == callback && h.event == event;
    });
    if (it == m_Handlers.end()) return ePvErrNotFound;
    m_Handlers.erase(it);
    if (!OnEventThread()) {
        m_Changed.wait(lock, [&] { return m_Calling != callback || m_CallingEvent != event; });
    }
    return ePvErrSuccess;
}

void LinkEvents::Post(tPvLinkEvent event, uint32_t cameraId, std::function<void()> before) {
    std::lock_guard lock(m_Lock);
    if (!m_Running) return;
    m_Queue.push_back({event, cameraId, std::move(before)});
    ++m_Posted;
    m_Changed.notify_all();
}

void LinkEvents::Flush() {
    std::unique_lock lock(m_Lock);
    if (OnEventThread()) return;  // what is queued behind the current event cannot run now
    const uint64_t target = m_Posted;
    m_Changed.wait(lock, [&] { return m_Done >= target || !m_Running; });
}

void LinkEvents::Run(uint64_t generation) {
    std::unique_lock lock(m_Lock);
    while (m_Running && m_Generation == generation) {
        if (m_Queue.empty()) {
            m_Changed.wait(lock);
            continue;
        }
        Job job = std::move(m_Queue.front());
        m_Queue.pop_front();
        if (job.before) {
            lock.unlock();
            job.before();
            // Its captures (perhaps a session's last reference) go while the lock is free.
            job.before = nullptr;
            lock.lock();
        }
        Deliver(lock, job);
        if (m_Running && m_Generation == generation) ++m_Done;
        m_Changed.notify_all();
    }
}

void LinkEvents::Deliver(std::unique_lock<std::mutex>& lock, const Job& job) {
    // Handlers may register or unregister while we call them, so the next one is looked up
    // afresh each time: the first still registered for the event and not yet called.
    std::vector<tPvLinkCallback> called;
    for (;;) {
        const auto next = std::find_if(m_Handlers.begin(), m_Handlers.end(), [&](const Handler& h) {
            return h.event == job.event &&
                   std::find(called.begin(), called.end(), h.callback) == called.end();
        });
        if (next == m_Handlers.end() || !m_Running) return;
        const Handler handler = *next;
        called.push_back(handler.callback);
        m_Calling = handler.callback;
        m_CallingEvent = handler.event;
        lock.unlock();
        handler.callback(handler.context, ePvInterfaceEthernet, job.event, job.cameraId);
        lock.lock();
        m_Calling = nullptr;
        m_CallingEvent = 0;
        m_Changed.notify_all();
    }
}

}  // namespace tarnix::sdk
