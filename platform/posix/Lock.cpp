#include "platform/Lock.h"

namespace tarnix::platform {

RecursiveLock::RecursiveLock() = default;
RecursiveLock::~RecursiveLock() = default;

void RecursiveLock::lock() {
    m_Mutex.lock();
}
bool RecursiveLock::try_lock() {
    return m_Mutex.try_lock();
}
void RecursiveLock::unlock() {
    m_Mutex.unlock();
}

}  // namespace tarnix::platform
