#include "base/Diagnostics.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

namespace tarnix {
namespace {

constexpr size_t kLineBufferSize = 512;

std::atomic<TarnixDebugMsgProc> g_DebugProc{nullptr};

}  // namespace

void SetDebugProc(TarnixDebugMsgProc proc) {
    g_DebugProc.store(proc);
}

TarnixDebugMsgProc GetDebugProc() {
    return g_DebugProc.load();
}

void DebugMsg(const char* format, ...) {
    const TarnixDebugMsgProc proc = g_DebugProc.load();
    if (proc == nullptr) return;
    char line[kLineBufferSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (written < 0) return;       // an encoding error leaves no line worth showing
    line[sizeof line - 1] = '\0';  // some C runtimes leave a cut line unterminated
    proc(line);
}

}  // namespace tarnix
