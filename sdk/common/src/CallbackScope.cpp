#include "sdkcommon/CallbackScope.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarnix::sdk {

namespace {

// The innermost scope of the calling thread. Its storage must come with the thread: the
// library is loaded at run time, where a thread_local is allocated at a thread's first use,
// and a process at the end of its address space ends there. ELF: initial-exec TLS, placed in
// the block every thread gets at its start; Windows: a TLS index, whose first slots come with
// every thread (GCC's emulated TLS allocates).
#ifdef _WIN32
class Innermost {
  public:
    Innermost() : m_Index(TlsAlloc()) {}
    ~Innermost() {
        if (m_Index != TLS_OUT_OF_INDEXES) TlsFree(m_Index);
    }
    CallbackScope* Get() const {
        return m_Index != TLS_OUT_OF_INDEXES ? static_cast<CallbackScope*>(TlsGetValue(m_Index))
                                             : nullptr;
    }
    void Set(CallbackScope* scope) {
        if (m_Index != TLS_OUT_OF_INDEXES) TlsSetValue(m_Index, scope);
    }

  private:
    DWORD m_Index;
};
Innermost g_Innermost;
CallbackScope* InnermostScope() {
    return g_Innermost.Get();
}
void SetInnermostScope(CallbackScope* scope) {
    g_Innermost.Set(scope);
}
#else
__attribute__((tls_model("initial-exec"))) thread_local CallbackScope* t_Innermost = nullptr;
CallbackScope* InnermostScope() {
    return t_Innermost;
}
void SetInnermostScope(CallbackScope* scope) {
    t_Innermost = scope;
}
#endif

}  // namespace

CallbackScope::CallbackScope(const void* owner) : m_Owner(owner), m_Outer(InnermostScope()) {
    SetInnermostScope(this);
}

CallbackScope::~CallbackScope() {
    SetInnermostScope(m_Outer);
}

int CallbackScope::Depth(const void* owner) {
    int depth = 0;
    for (const CallbackScope* scope = InnermostScope(); scope != nullptr; scope = scope->m_Outer) {
        depth += scope->m_Owner == owner ? 1 : 0;
    }
    return depth;
}

}  // namespace tarnix::sdk
