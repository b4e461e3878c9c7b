#include "sdkcommon/CallbackScope.h"

namespace tarnix::sdk {

namespace {
thread_local CallbackScope* t_Innermost = nullptr;
}  // namespace

CallbackScope::CallbackScope(const void* owner) : m_Owner(owner), m_Outer(t_Innermost) {
    t_Innermost = this;
}

CallbackScope::~CallbackScope() {
    t_Innermost = m_Outer;
}

int CallbackScope::Depth(const void* owner) {
    int depth = 0;
    for (const CallbackScope* scope = t_Innermost; scope != nullptr; scope = scope->m_Outer) {
        depth += scope->m_Owner == owner ? 1 : 0;
    }
    return depth;
}

}  // namespace tarnix::sdk
