#include "LinkEvents.h"

#include <algorithm>

namespace tarnix::sim {

void LinkEvents::Start() {
    std::lock_guard lock(m_Lock);
    if (m_Running) {
        return;
    }
    m_Running = true;
    const uint64_t generation = ++m_Generation;
    m_Thread = std::thread([this, generation] { Run(generation); });
    m_ThreadId = m_Thread.get_id();
}

void LinkEvents::Stop() {
    std::thread thread;
    {
        std::lock_guard lock(m_Lock);
        if (!m_Running) {
            return;
        }
        m_Running = false;
        m_Queue.clear();
        m_Handlers.clear();
        m_Delivered = m_Posted;
        ++m_Generation;
        m_ThreadId = std::thread::id();
        thread = std::move(m_Thread);
        m_Changed.notify_all();
    }
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();  // stopped from inside a handler: the loop ends by itself
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
    if (it == m_Handlers.end()) {
        return ePvErrNotFound;
    }
    m_Handlers.erase(it);
    if (!OnEventThread()) {
        m_Changed.wait(lock, [&] { return m_Calling != callback || m_CallingEvent != event; });
    }
    return ePvErrSuccess;
}

void LinkEvents::Post(tPvLinkEvent event, uint32_t cameraId) {
    std::lock_guard lock(m_Lock);
    if (!m_Running) {
        return;
    }
    m_Queue.push_back({event, cameraId});
    ++m_Posted;
    m_Changed.notify_all();
}

void LinkEvents::Flush() {
    std::unique_lock lock(m_Lock);
    if (OnEventThread()) {
        return;  // the events behind the current one cannot be delivered while we wait
    }
    const uint64_t target = m_Posted;
    m_Changed.wait(lock, [&] { return m_Delivered >= target || !m_Running; });
}

void LinkEvents::Run(uint64_t generation) {
    std::unique_lock lock(m_Lock);
    while (m_Running && m_Generation == generation) {
        if (m_Queue.empty()) {
            m_Changed.wait(lock);
            continue;
        }
        const Event event = m_Queue.front();
        m_Queue.pop_front();
        Deliver(lock, event);
        if (m_Running && m_Generation == generation) {
            ++m_Delivered;
        }
        m_Changed.notify_all();
    }
}

void LinkEvents::Deliver(std::unique_lock<std::mutex>& lock, const Event& event) {
    // Handlers may register or unregister while we call them, so each next handler is
    // looked up afresh: the one after the last called, among those still registered.
    std::vector<tPvLinkCallback> called;
    for (;;) {
        const auto next = std::find_if(m_Handlers.begin(), m_Handlers.end(), [&](const Handler& h) {
            return h.event == event.event &&
                   std::find(called.begin(), called.end(), h.callback) == called.end();
        });
        if (next == m_Handlers.end() || !m_Running) {
            return;
        }
        const Handler handler = *next;
        called.push_back(handler.callback);
        m_Calling = handler.callback;
        m_CallingEvent = handler.event;
        lock.unlock();
        handler.callback(handler.context, ePvInterfaceEthernet, event.event, event.cameraId);
        lock.lock();
        m_Calling = nullptr;
        m_CallingEvent = 0;
        m_Changed.notify_all();
    }
}

}  // namespace tarnix::sim
