#include "sdkcommon/LinkEvents.h"

#include <algorithm>

namespace tarnix::sdk {

void LinkEvents::Start() {
    platform::MutexLock lock(m_Lock);
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
        platform::MutexLock lock(m_Lock);
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
    platform::MutexLock lock(m_Lock);
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
    platform::MutexLock lock(m_Lock);
    const auto it = std::find_if(m_Handlers.begin(), m_Handlers.end(), [&](const Handler& h) {
        return h.callback == callback && h.event == event;
    });
    if (it == m_Handlers.end()) return ePvErrNotFound;
    m_Handlers.erase(it);
    if (!OnEventThread()) {
        while (m_Calling == callback && m_CallingEvent == event) m_Changed.wait(lock.Native());
    }
    return ePvErrSuccess;
}

void LinkEvents::Post(tPvLinkEvent event, uint32_t cameraId, std::function<void()> before) {
    platform::MutexLock lock(m_Lock);
    if (!m_Running) return;
    m_Queue.push_back({event, cameraId, std::move(before)});
    ++m_Posted;
    m_Changed.notify_all();
}

void LinkEvents::Flush() {
    platform::MutexLock lock(m_Lock);
    if (OnEventThread()) return;  // what is queued behind the current event cannot run now
    const uint64_t target = m_Posted;
    while (m_Done < target && m_Running) m_Changed.wait(lock.Native());
}

void LinkEvents::Run(uint64_t generation) {
    platform::MutexLock lock(m_Lock);
    while (m_Running && m_Generation == generation) {
        if (m_Queue.empty()) {
            m_Changed.wait(lock.Native());
            continue;
        }
        Job job = std::move(m_Queue.front());
        m_Queue.pop_front();
        if (job.before) {
            lock.Unlock();
            job.before();
            // Its captures (perhaps a session's last reference) go while the lock is free.
            job.before = nullptr;
            lock.Lock();
        }
        Deliver(job);
        if (m_Running && m_Generation == generation) ++m_Done;
        m_Changed.notify_all();
    }
}

void LinkEvents::Deliver(const Job& job) {
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
        m_Lock.unlock();
        handler.callback(handler.context, ePvInterfaceEthernet, job.event, job.cameraId);
        m_Lock.lock();
        m_Calling = nullptr;
        m_CallingEvent = 0;
        m_Changed.notify_all();
    }
}

}  // namespace tarnix::sdk
