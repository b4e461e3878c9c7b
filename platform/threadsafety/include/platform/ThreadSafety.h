// Lock rules the compiler checks: Clang's thread-safety attributes, and mutexes and guards
// that carry them (libstdc++'s own carry none). With GCC the attributes vanish; the
// `thread-safety` preset builds everything with clang and -Wthread-safety -Werror, so a member
// read without its lock, or a call that needs a lock the caller does not hold, fails the build.
#pragma once

#include <mutex>
#include <shared_mutex>

#if defined(__clang__)
#define TARNIX_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define TARNIX_THREAD_ATTRIBUTE(x)
#endif

#define CAPABILITY(x) TARNIX_THREAD_ATTRIBUTE(capability(x))
#define SCOPED_CAPABILITY TARNIX_THREAD_ATTRIBUTE(scoped_lockable)
#define GUARDED_BY(x) TARNIX_THREAD_ATTRIBUTE(guarded_by(x))
#define PT_GUARDED_BY(x) TARNIX_THREAD_ATTRIBUTE(pt_guarded_by(x))
#define ACQUIRED_BEFORE(...) TARNIX_THREAD_ATTRIBUTE(acquired_before(__VA_ARGS__))
#define ACQUIRED_AFTER(...) TARNIX_THREAD_ATTRIBUTE(acquired_after(__VA_ARGS__))
#define REQUIRES(...) TARNIX_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
#define REQUIRES_SHARED(...) TARNIX_THREAD_ATTRIBUTE(requires_shared_capability(__VA_ARGS__))
#define ACQUIRE(...) TARNIX_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) TARNIX_THREAD_ATTRIBUTE(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) TARNIX_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
#define RELEASE_SHARED(...) TARNIX_THREAD_ATTRIBUTE(release_shared_capability(__VA_ARGS__))
#define RELEASE_GENERIC(...) TARNIX_THREAD_ATTRIBUTE(release_generic_capability(__VA_ARGS__))
#define TRY_ACQUIRE(...) TARNIX_THREAD_ATTRIBUTE(try_acquire_capability(__VA_ARGS__))
#define EXCLUDES(...) TARNIX_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
#define ASSERT_CAPABILITY(x) TARNIX_THREAD_ATTRIBUTE(assert_capability(x))
#define RETURN_CAPABILITY(x) TARNIX_THREAD_ATTRIBUTE(lock_returned(x))
#define NO_THREAD_SAFETY_ANALYSIS TARNIX_THREAD_ATTRIBUTE(no_thread_safety_analysis)

namespace tarnix::platform {

// std::mutex with the attributes.
class CAPABILITY("mutex") Mutex {
  public:
    void lock() ACQUIRE() { m_Mutex.lock(); }
    bool try_lock() TRY_ACQUIRE(true) { return m_Mutex.try_lock(); }
    void unlock() RELEASE() { m_Mutex.unlock(); }
    // For condition variables only (see MutexLock::Native).
    std::mutex& Native() { return m_Mutex; }

  private:
    std::mutex m_Mutex;
};

// Holds a Mutex for its scope; Unlock and Lock let it go and take it again inside that scope.
class SCOPED_CAPABILITY MutexLock {
  public:
    explicit MutexLock(Mutex& mutex) ACQUIRE(mutex) : m_Lock(mutex.Native()) {}
    // Takes over a mutex this thread has locked already.
    MutexLock(Mutex& mutex, std::adopt_lock_t) REQUIRES(mutex)
        : m_Lock(mutex.Native(), std::adopt_lock) {}
    ~MutexLock() RELEASE() {}
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    void Unlock() RELEASE() { m_Lock.unlock(); }
    void Lock() ACQUIRE() { m_Lock.lock(); }
    // The held lock, for std::condition_variable::wait. The analysis treats the mutex as held
    // across the wait, as the code after it may.
    std::unique_lock<std::mutex>& Native() { return m_Lock; }

  private:
    std::unique_lock<std::mutex> m_Lock;
};

// std::shared_mutex with the attributes.
class CAPABILITY("shared mutex") SharedMutex {
  public:
    void lock() ACQUIRE() { m_Mutex.lock(); }
    void unlock() RELEASE() { m_Mutex.unlock(); }
    void lock_shared() ACQUIRE_SHARED() { m_Mutex.lock_shared(); }
    void unlock_shared() RELEASE_SHARED() { m_Mutex.unlock_shared(); }

  private:
    std::shared_mutex m_Mutex;
};

// Holds a SharedMutex exclusively for its scope.
class SCOPED_CAPABILITY ExclusiveLock {
  public:
    explicit ExclusiveLock(SharedMutex& mutex) ACQUIRE(mutex) : m_Mutex(mutex) { m_Mutex.lock(); }
    ~ExclusiveLock() RELEASE() { m_Mutex.unlock(); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

  private:
    SharedMutex& m_Mutex;
};

// Holds a SharedMutex shared for its scope.
class SCOPED_CAPABILITY SharedLock {
  public:
    explicit SharedLock(SharedMutex& mutex) ACQUIRE_SHARED(mutex) : m_Mutex(mutex) {
        m_Mutex.lock_shared();
    }
    ~SharedLock() RELEASE() { m_Mutex.unlock_shared(); }
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

  private:
    SharedMutex& m_Mutex;
};

}  // namespace tarnix::platform
