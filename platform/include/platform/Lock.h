// Re-entrant lock: a critical section on Windows, std::recursive_mutex elsewhere.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace tarnix::platform {

// Meets BasicLockable/Lockable, so std::lock_guard and std::unique_lock work with it.
class RecursiveLock {
  public:
    RecursiveLock();
    ~RecursiveLock();
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void lock();
    bool try_lock();
    void unlock();

  private:
#ifdef _WIN32
    CRITICAL_SECTION m_Section;
#else
    std::recursive_mutex m_Mutex;
#endif
};

}  // namespace tarnix::platform
