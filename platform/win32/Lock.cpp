#include "platform/Lock.h"

namespace tarnix::platform {

RecursiveLock::RecursiveLock() {
    InitializeCriticalSection(&m_Section);
}
RecursiveLock::~RecursiveLock() {
    DeleteCriticalSection(&m_Section);
}

void RecursiveLock::lock() {
    EnterCriticalSection(&m_Section);
}
bool RecursiveLock::try_lock() {
    return TryEnterCriticalSection(&m_Section) != FALSE;
}
void RecursiveLock::unlock() {
    LeaveCriticalSection(&m_Section);
}

}  // namespace tarnix::platform
