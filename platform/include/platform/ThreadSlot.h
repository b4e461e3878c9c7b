// One pointer per thread that never has to be allocated when a thread first touches it.
// Thread-local variables of a library loaded at run time get their storage lazily, at a
// thread's first use (glibc's dynamic TLS; GCC's emulated TLS on Windows), and when that
// allocation fails the process ends on the spot. A host at the end of its address space calls
// the driver on fresh SDK threads, so the driver's per-thread values live here instead: a
// POSIX thread key or a Win32 TLS index, whose first slots come with every thread.
#pragma once

#include <cstdint>

namespace tarnix::platform {

class ThreadSlot {
  public:
    ThreadSlot();
    ~ThreadSlot();
    ThreadSlot(const ThreadSlot&) = delete;
    ThreadSlot& operator=(const ThreadSlot&) = delete;

    // The calling thread's value; null until it sets one.
    void* Get() const;
    // False when the system could not store it (memory for a slot beyond the first ones); the
    // value then stays as it was.
    bool Set(void* value);

  private:
    uintptr_t m_Key = 0;
    bool m_Valid = false;
};

}  // namespace tarnix::platform
