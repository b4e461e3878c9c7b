#include "driver/Lifecycle.h"

#include <platform/System.h>
#include <platform/ThreadSafety.h>

#include <string>

#ifdef _WIN32
#include <objbase.h>
#endif

#include <base/Diagnostics.h>
#include <base/ModuleFolder.h>
#include <base/SdkApi.h>
#include <base/SdkLoader.h>
#include <camera/Camera.h>

#include "driver/CameraList.h"
#include "driver/LinkEvents.h"

namespace tarnix {
namespace {

constexpr const char* kMessageCaption = "Tarnix";

// Start-up and shutdown may be called from several host threads; they run one at a time.
// Nothing the SDK's threads run takes this lock, so holding it across the SDK's
// initialise and uninitialise (which wait for those threads) cannot deadlock; the host is
// never called while it is held.
platform::Mutex g_LifecycleMutex;
int32_t g_StartupCount GUARDED_BY(g_LifecycleMutex) = 0;
bool g_ProcessStarted GUARDED_BY(g_LifecycleMutex) = false;

void StartComponentServices() {
#ifdef _WIN32
    // The configuration dialog's common controls need the calling thread's COM apartment.
    (void)CoInitialize(nullptr);
#endif
}

// Nothing to start: the configuration sheet's toolkit starts only when a sheet is first
// shown (ui::ShowConfigSheet), so a host that never configures a camera never loads it.
void StartUiFramework(void* /*module*/) {}

void ShowDriverMessage(const char* text) {
    try {
        platform::ShowMessageBox(text, kMessageCaption);
    } catch (...) {
        // Nothing is left to tell the host through.
    }
}

// What a start-up has to tell the host. It is written only after the start-up lock is
// released, so the host's debug procedure and the modal message box never run under it.
struct StartupReport {
    std::string problem;  // the SDK could not be loaded
    bool version = false;
    uint32_t major = 0;
    uint32_t minor = 0;
    bool banner = false;
    bool exception = false;
};

void Tell(const StartupReport& report) {
    if (!report.problem.empty()) DebugMsg("%s\n", report.problem.c_str());
    if (report.version) {
        DebugMsg("PVApi %d.%d\n", static_cast<int>(report.major), static_cast<int>(report.minor));
    }
    if (report.banner) DebugMsg("TarnixNoBroadcast 1.1.0.17\n");
    if (report.exception) ShowDriverMessage("Exception initializing!");
}

void StartOncePerProcess(StartupReport& report) REQUIRES(g_LifecycleMutex) {
    if (g_ProcessStarted) return;
    StartComponentServices();
    StartUiFramework(DriverModule());
    Sdk().PvVersion(&report.major, &report.minor);
    report.version = true;
    g_ProcessStarted = true;
}

// Returns whether the driver is started afterwards.
bool StartUnderLifecycleLock(StartupReport& report) EXCLUDES(g_LifecycleMutex) {
    platform::MutexLock lock(g_LifecycleMutex);
    try {
        if (!EnsureSdkLoaded(report.problem)) return g_StartupCount > 0;
        StartOncePerProcess(report);
        if (g_StartupCount == 0) {
            if (Sdk().PvInitialize() == ePvErrSuccess) g_StartupCount = 1;
            // Announced and registered even when the SDK did not start, so a host sees which
            // driver it talks to; the registration is tracked so it never happens twice.
            report.banner = true;
            RegisterLinkEvents();
        } else {
            ++g_StartupCount;
        }
    } catch (...) {
        report.exception = true;
    }
    return g_StartupCount > 0;
}

// Returns whether no start-up remains afterwards.
bool ShutDownUnderLifecycleLock(bool& exception) EXCLUDES(g_LifecycleMutex) {
    platform::MutexLock lock(g_LifecycleMutex);
    try {
        if (g_StartupCount == 0) return true;
        --g_StartupCount;
        if (g_StartupCount == 0) {
            UnregisterLinkEvents();
            Sdk().PvUnInitialize();
        }
        FreeCameraList();
    } catch (...) {
        exception = true;
    }
    return g_StartupCount == 0;
}

}  // namespace

bool Startup() {
    StartupReport report;
    const bool started = StartUnderLifecycleLock(report);
    try {
        Tell(report);
    } catch (...) {
        // A failing debug procedure does not undo the start-up.
    }
    return started;
}

bool Shutdown() {
    bool exception = false;
    const bool stopped = ShutDownUnderLifecycleLock(exception);
    if (exception) ShowDriverMessage("Exception finalize!");
    return stopped;
}

int32_t StartupCount() {
    platform::MutexLock lock(g_LifecycleMutex);
    return g_StartupCount;
}

}  // namespace tarnix
