#include "platform/ThreadSlot.h"

#include <pthread.h>

namespace tarnix::platform {

ThreadSlot::ThreadSlot() {
    pthread_key_t key;
    m_Valid = pthread_key_create(&key, nullptr) == 0;
    m_Key = m_Valid ? static_cast<uintptr_t>(key) : 0;
}

ThreadSlot::~ThreadSlot() {
    if (m_Valid) pthread_key_delete(static_cast<pthread_key_t>(m_Key));
}

void* ThreadSlot::Get() const {
    return m_Valid ? pthread_getspecific(static_cast<pthread_key_t>(m_Key)) : nullptr;
}

bool ThreadSlot::Set(void* value) {
    return m_Valid && pthread_setspecific(static_cast<pthread_key_t>(m_Key), value) == 0;
}

}  // namespace tarnix::platform
