// What the SDK's C front (sdk/common/src/Api.cpp) asks of the cameras behind it. The front owns
// the rules every camera shares: the initialised state, the handles and what each may do (one
// master per camera, monitors only read, a handle whose camera went away answers
// ePvErrUnplugged), link-event registration and the exception guard. A backend (the simulated
// cameras, the cameras over Aravis) owns enumeration, the cameras themselves and their threads.
#pragma once

#include <pvapi.h>

#include <cstdint>
#include <memory>

#include "sdkcommon/Calls.h"

namespace tarnix::sdk {

class LinkEvents;

// Attribute writes and commands need the master handle. Checked by the backend once the name
// resolved, so that an unknown, mistyped or read-only name answers the same to every handle.
inline tPvErr WriteAccess(bool master) {
    return master ? ePvErrSuccess : ePvErrAccessDenied;
}

// One camera as the handles opened on it see it. Several handles may share one; a camera that
// goes away and comes back is a new one. Every call may come from any thread, also from inside
// one of this camera's frame callbacks; the front has checked Lost() just before.
class BackendCamera {
  public:
    virtual ~BackendCamera() = default;

    // The camera went away under this object (unplugged, removed, stopped answering): every
    // call but close answers ePvErrUnplugged from now on.
    virtual bool Lost() const = 0;

    virtual tPvErr AttrList(tPvAttrListPtr* list, uint32_t* length) = 0;
    virtual tPvErr AttrInfo(const char* name, tPvAttributeInfo* info) = 0;
    virtual tPvErr CommandRun(bool master, const char* name) = 0;
    virtual tPvErr GetText(const char* name, tPvDatatype type, char* buffer, uint32_t bufferSize,
                           uint32_t* size) = 0;
    virtual tPvErr SetText(bool master, const char* name, tPvDatatype type, const char* value) = 0;
    virtual tPvErr RangeEnum(const char* name, char* buffer, uint32_t bufferSize,
                             uint32_t* size) = 0;
    virtual tPvErr GetUint32(const char* name, uint32_t* value) = 0;
    virtual tPvErr SetUint32(bool master, const char* name, uint32_t value) = 0;
    virtual tPvErr RangeUint32(const char* name, uint32_t* min, uint32_t* max) = 0;
    virtual tPvErr GetFloat32(const char* name, float* value) = 0;
    virtual tPvErr SetFloat32(bool master, const char* name, float value) = 0;
    virtual tPvErr RangeFloat32(const char* name, float* min, float* max) = 0;

    // Capture and register writes: the front lets only the master handle through.
    virtual tPvErr CaptureStart() = 0;
    virtual tPvErr CaptureEnd() = 0;
    virtual tPvErr QueueFrame(tPvFrame* frame, tPvFrameCallback callback) = 0;
    virtual tPvErr QueueClear() = 0;

    // *completed (set to 0 by the front) counts the transferred registers.
    virtual tPvErr ReadRegisters(uint32_t count, const uint32_t* addresses, uint32_t* values,
                                 uint32_t* completed) = 0;
    virtual tPvErr WriteRegisters(uint32_t count, const uint32_t* addresses, const uint32_t* values,
                                  uint32_t* completed) = 0;
};

class Backend {
  public:
    virtual ~Backend() = default;

    // Start brackets the initialised state with Stop, one at a time, with the event thread
    // running. Stop ends every camera (capture stops, queued records are cancelled) and the
    // backend's threads; the front has forgotten its handles already. Finish runs after the
    // event thread stopped, when no queued job holds on to a camera any more.
    virtual tPvErr Start() = 0;
    virtual void Stop() = 0;
    virtual void Finish() {}

    // Enumeration, only while started. The front fills in PermittedAccess from its handles.
    virtual uint32_t CameraCount() = 0;
    virtual uint32_t CameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connected) = 0;
    // ePvErrNotFound when no camera present answers at the address.
    virtual tPvErr CameraInfoByAddr(uint32_t address, tPvCameraInfo& info,
                                    tPvIpSettings* settings) = 0;

    // A new handle on camera `id`: the front has checked that a master handle is the only one
    // (it holds the camera's master place meanwhile). The backend may still refuse with
    // ePvErrAccessDenied when the camera is held from elsewhere. May talk to the camera, so no
    // lock of the front is held.
    virtual tPvErr Open(uint32_t id, bool master, std::shared_ptr<BackendCamera>& device) = 0;
    // A handle went: the front has taken it out of its table. The master's capture ends.
    virtual void Close(const std::shared_ptr<BackendCamera>& device, bool master) = 0;
};

// The event thread and link-event handlers of the library, created at the first use and never
// destroyed; a backend posts its plug and unplug events to it.
LinkEvents& SdkLinkEvents();

// Defined by each library: counts a call of a C function, before anything else is done (the
// simulator reports the counts; the SDK over Aravis keeps none).
void CountSdkCall(Call call) noexcept;

// Defined by each library (the simulator, the SDK over Aravis): its one backend, created at the
// first call and never destroyed (threads the host left running may call in at exit).
Backend& SdkBackend();

}  // namespace tarnix::sdk
