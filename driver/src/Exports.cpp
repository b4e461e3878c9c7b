// The functions the host calls. Each one checks the host's pointers, lets no exception
// escape and hands the work to the driver's core.
#include <base/Diagnostics.h>
#include <tarnixdrv.h>

#include "driver/CameraList.h"
#include "driver/HostSettings.h"
#include "driver/Lifecycle.h"
#include "driver/PortOperations.h"
#include "driver/PortTable.h"

namespace {

// Runs body; any exception becomes the failure result.
template <typename Result, typename Body>
Result Guarded(Result failure, Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

int32_t AsResult(bool ok) {
    return ok ? 1 : 0;
}

}  // namespace

extern "C" {

TARNIX_API int32_t TARNIX_CALL initialize(const char* systemPath, TarnixDebugMsgProc debugProc) {
    return Guarded<int32_t>(0, [&] {
        if (systemPath != nullptr) tarnix::SetSystemPath(systemPath);
        tarnix::SetDebugProc(debugProc);
        return AsResult(tarnix::Startup());
    });
}

TARNIX_API int32_t TARNIX_CALL finalize(void) {
    return Guarded<int32_t>(0, [] {
        // Cleared first, so no line of the shutdown reaches a host that is going away.
        tarnix::SetDebugProc(nullptr);
        tarnix::SetCompleteCallback(nullptr);
        return AsResult(tarnix::Shutdown());
    });
}

TARNIX_API int32_t TARNIX_CALL setSystemPath(const char* path) {
    return Guarded<int32_t>(0, [&] {
        if (path == nullptr) return 0;
        tarnix::SetSystemPath(path);
        return 1;
    });
}

TARNIX_API intptr_t TARNIX_CALL setDebugMsgProc(TarnixDebugMsgProc debugProc) {
    tarnix::SetDebugProc(debugProc);
    return reinterpret_cast<intptr_t>(debugProc);
}

TARNIX_API int32_t TARNIX_CALL setCompleteCallback(int32_t /*ignored1*/, int32_t /*ignored2*/,
                                                   TarnixCompleteCallback callback) {
    tarnix::SetCompleteCallback(callback);
    return 1;
}

TARNIX_API int32_t TARNIX_CALL getCVLNoOfSupportedCameras(void) {
    return Guarded<int32_t>(0, [] { return tarnix::RefreshCameraList(); });
}

TARNIX_API const char* const* TARNIX_CALL getCVLCameraConfigNames(void) {
    return Guarded<const char* const*>(nullptr, [] { return tarnix::Cameras().Names(); });
}

TARNIX_API int32_t TARNIX_CALL getCVLMaxNoOfPorts(void) {
    return tarnix::PortTable::kPortCount;
}

TARNIX_API int32_t TARNIX_CALL openCVLPort(int32_t /*ignored*/, int32_t port, const char* name,
                                           uint32_t* size) {
    return Guarded<int32_t>(0, [&] {
        if (!tarnix::PortTable::IsValidPort(port) || name == nullptr || size == nullptr) return 0;
        return AsResult(tarnix::OpenPort(port, name, size));
    });
}

TARNIX_API void TARNIX_CALL closeCVLPort(int32_t /*ignored*/, int32_t port) {
    Guarded<int32_t>(0, [&] {
        tarnix::ClosePort(port);
        return 0;
    });
}

TARNIX_API int32_t TARNIX_CALL doCVLGrab(int32_t /*ignored*/, int32_t port) {
    return Guarded<int32_t>(0, [&] { return AsResult(tarnix::GrabOnPort(port)); });
}

TARNIX_API int32_t TARNIX_CALL getCVLGrabRow(int32_t /*ignored*/, int32_t port,
                                             uint8_t* destination, uint32_t row,
                                             uint32_t firstColumn, uint32_t lastColumn) {
    return Guarded<int32_t>(0, [&] {
        if (destination == nullptr) return 0;
        return AsResult(tarnix::GetRowOnPort(port, destination, row, firstColumn, lastColumn));
    });
}

TARNIX_API int32_t TARNIX_CALL getProperty(int32_t /*ignored*/, int32_t port, const char* name,
                                           uint32_t* value) {
    return Guarded<int32_t>(0, [&] {
        if (name == nullptr || value == nullptr) return 0;
        return AsResult(tarnix::GetPortProperty(port, name, *value));
    });
}

TARNIX_API int32_t TARNIX_CALL setProperty(int32_t /*ignored*/, int32_t port, const char* name,
                                           uint32_t value) {
    return Guarded<int32_t>(0, [&] {
        if (name == nullptr) return 0;
        return AsResult(tarnix::SetPortProperty(port, name, value));
    });
}

TARNIX_API int32_t TARNIX_CALL getPropertyRange(int32_t /*ignored*/) {
    return 0;
}

TARNIX_API int32_t TARNIX_CALL setHWTrigger(int32_t /*ignored*/) {
    return 0;
}

TARNIX_API int32_t TARNIX_CALL configure(int32_t /*ignored*/) {
    return 0;
}

TARNIX_API int32_t TARNIX_CALL configureCamera(int32_t /*ignored*/, const char* name) {
    return Guarded<int32_t>(0, [&] {
        if (name == nullptr) return 0;
        return AsResult(tarnix::ConfigureCameraByName(name));
    });
}

}  // extern "C"
