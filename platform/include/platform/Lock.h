// Re-entrant lock: a critical section on Windows, std::recursive_mutex elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

#include "platform/ThreadSafety.h"

namespace tarnix::platform {

// Meets BasicLockable/Lockable. Hold it with RecursiveLockGuard, which the thread-safety
// analysis understands. Taking it again on the thread that holds it is allowed.
class CAPABILITY("mutex") RecursiveLock {
  public:
    RecursiveLock();
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void lock() ACQUIRE();
    bool try_lock() TRY_ACQUIRE(true);
    void unlock() RELEASE();

  private:
#ifdef _WIN32
    CRITICAL_SECTION m_Section;
#else
    std::recursive_mutex m_Mutex;
#endif
};

// Holds a RecursiveLock for its scope.
class SCOPED_CAPABILITY RecursiveLockGuard {
  public:
    explicit RecursiveLockGuard(RecursiveLock& lock) ACQUIRE(lock) : m_Lock(lock) { m_Lock.lock(); }
    ~RecursiveLockGuard() RELEASE() { m_Lock.unlock(); }
    RecursiveLockGuard(const RecursiveLockGuard&) = delete;
    RecursiveLockGuard& operator=(const RecursiveLockGuard&) = delete;

  private:
    RecursiveLock& m_Lock;
};

}  // namespace tarnix::platform
