#include "driver/HostSettings.h"

#include <base/TextUtil.h>
#include <platform/ThreadSafety.h>

#include <atomic>

namespace tarnix {
namespace {

platform::Mutex g_SystemPathMutex;
std::string g_SystemPath GUARDED_BY(g_SystemPathMutex);
std::atomic<TarnixCompleteCallback> g_CompleteCallback{nullptr};

}  // namespace

void SetSystemPath(const char* path) {
    // Never read past the kept length, whatever the host's text is.
    std::string cut(path, BoundedLength(path, kSystemPathMaxLength));
    platform::MutexLock lock(g_SystemPathMutex);
    g_SystemPath.swap(cut);
}

std::string SystemPath() {
    platform::MutexLock lock(g_SystemPathMutex);
    return g_SystemPath;
}

void SetCompleteCallback(TarnixCompleteCallback callback) {
    g_CompleteCallback.store(callback);
}

TarnixCompleteCallback GetCompleteCallback() {
    return g_CompleteCallback.load();
}

void NotifyComplete(int32_t port) {
    const TarnixCompleteCallback callback = g_CompleteCallback.load();
    if (callback != nullptr) callback(0, port);
}

}  // namespace tarnix
