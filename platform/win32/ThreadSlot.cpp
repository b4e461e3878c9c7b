#include "platform/ThreadSlot.h"

#include <windows.h>

namespace tarnix::platform {

ThreadSlot::ThreadSlot() {
    const DWORD index = TlsAlloc();
    m_Valid = index != TLS_OUT_OF_INDEXES;
    m_Key = index;
}

ThreadSlot::~ThreadSlot() {
    if (m_Valid) TlsFree(static_cast<DWORD>(m_Key));
}

void* ThreadSlot::Get() const {
    return m_Valid ? TlsGetValue(static_cast<DWORD>(m_Key)) : nullptr;
}

bool ThreadSlot::Set(void* value) {
    return m_Valid && TlsSetValue(static_cast<DWORD>(m_Key), value) != 0;
}

}  // namespace tarnix::platform
