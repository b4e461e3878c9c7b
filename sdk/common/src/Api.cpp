// The SDK's C functions, the same for every library: count the call, check the handle and what
// it may do, delegate to the camera behind it. No C++ exception crosses this interface.
#include <demosaic/Demosaic.h>
#include <pvapi.h>

#include <memory>

#include "Front.h"
#include "sdkcommon/Guard.h"

using tarnix::sdk::BackendCamera;
using tarnix::sdk::Call;
using tarnix::sdk::Front;
using tarnix::sdk::Guarded;

namespace {

// Reports the SDK as 1.28, the interface version the driver was written against.
constexpr uint32_t kVersionMajor = 1;
constexpr uint32_t kVersionMinor = 28;

// Counts the call; the front is made on the first one.
Front& TheFront(Call call) {
    tarnix::sdk::CountSdkCall(call);
    return Front::Instance();
}

// Runs fn(device, master) for an open handle whose camera is still there.
template <typename Fn>
tPvErr WithCamera(Call call, tPvHandle handle, Fn&& fn) {
    tarnix::sdk::CountSdkCall(call);
    return Guarded([&]() -> tPvErr {
        std::shared_ptr<BackendCamera> device;
        bool master = false;
        if (const tPvErr error = Front::Instance().Resolve(handle, device, master)) return error;
        return fn(*device, master);
    });
}

// Capture and register writes need the master handle; a camera that went away answers 8
// before that.
template <typename Fn>
tPvErr AsMaster(Call call, tPvHandle handle, Fn&& fn) {
    return WithCamera(call, handle, [&](BackendCamera& device, bool master) -> tPvErr {
        if (!master) return ePvErrAccessDenied;
        return fn(device);
    });
}

}  // namespace

extern "C" {

PVAPI_EXPORT void PVDECL PvVersion(uint32_t* major, uint32_t* minor) {
    tarnix::sdk::CountSdkCall(Call::PvVersion);
    if (major != nullptr) *major = kVersionMajor;
    if (minor != nullptr) *minor = kVersionMinor;
}

PVAPI_EXPORT tPvErr PVDECL PvInitialize(void) {
    return Guarded([] { return TheFront(Call::PvInitialize).Initialize(); });
}

PVAPI_EXPORT void PVDECL PvUnInitialize(void) {
    Guarded([] {
        TheFront(Call::PvUnInitialize).Uninitialize();
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackRegister(tPvLinkCallback callback, tPvLinkEvent event,
                                                  void* context) {
    return Guarded([&] {
        return TheFront(Call::PvLinkCallbackRegister).RegisterLink(callback, event, context);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackUnRegister(tPvLinkCallback callback, tPvLinkEvent event) {
    return Guarded(
        [&] { return TheFront(Call::PvLinkCallbackUnRegister).UnregisterLink(callback, event); });
}

PVAPI_EXPORT uint32_t PVDECL PvCameraCount(void) {
    uint32_t count = 0;
    Guarded([&] {
        count = TheFront(Call::PvCameraCount).CameraCount();
        return tPvErr(ePvErrSuccess);
    });
    return count;
}

PVAPI_EXPORT uint32_t PVDECL PvCameraList(tPvCameraInfo* list, uint32_t length,
                                          uint32_t* connectedNum) {
    uint32_t filled = 0;
    Guarded([&] {
        filled = TheFront(Call::PvCameraList).CameraList(list, length, connectedNum);
        return tPvErr(ePvErrSuccess);
    });
    return filled;
}

PVAPI_EXPORT tPvErr PVDECL PvCameraInfoByAddr(uint32_t ipAddress, tPvCameraInfo* info,
                                              tPvIpSettings* ipSettings) {
    return Guarded([&] {
        return TheFront(Call::PvCameraInfoByAddr).CameraInfoByAddr(ipAddress, info, ipSettings);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvCameraOpen(uint32_t uniqueId, uint32_t accessFlags,
                                        tPvHandle* camera) {
    return Guarded(
        [&] { return TheFront(Call::PvCameraOpen).Open(uniqueId, accessFlags, camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvCameraClose(tPvHandle camera) {
    return Guarded([&] { return TheFront(Call::PvCameraClose).Close(camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrList(tPvHandle camera, tPvAttrListPtr* list, uint32_t* length) {
    return WithCamera(Call::PvAttrList, camera,
                      [&](BackendCamera& d, bool) { return d.AttrList(list, length); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrInfo(tPvHandle camera, const char* name, tPvAttributeInfo* info) {
    return WithCamera(Call::PvAttrInfo, camera,
                      [&](BackendCamera& d, bool) { return d.AttrInfo(name, info); });
}

PVAPI_EXPORT tPvErr PVDECL PvCommandRun(tPvHandle camera, const char* name) {
    return WithCamera(Call::PvCommandRun, camera,
                      [&](BackendCamera& d, bool master) { return d.CommandRun(master, name); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrStringGet(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size) {
    return WithCamera(Call::PvAttrStringGet, camera, [&](BackendCamera& d, bool) {
        return d.GetText(name, ePvDatatypeString, buffer, bufferSize, size);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrStringSet(tPvHandle camera, const char* name, const char* value) {
    return WithCamera(Call::PvAttrStringSet, camera, [&](BackendCamera& d, bool master) {
        return d.SetText(master, name, ePvDatatypeString, value);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrEnumGet(tPvHandle camera, const char* name, char* buffer,
                                         uint32_t bufferSize, uint32_t* size) {
    return WithCamera(Call::PvAttrEnumGet, camera, [&](BackendCamera& d, bool) {
        return d.GetText(name, ePvDatatypeEnum, buffer, bufferSize, size);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrEnumSet(tPvHandle camera, const char* name, const char* value) {
    return WithCamera(Call::PvAttrEnumSet, camera, [&](BackendCamera& d, bool master) {
        return d.SetText(master, name, ePvDatatypeEnum, value);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeEnum(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size) {
    return WithCamera(Call::PvAttrRangeEnum, camera, [&](BackendCamera& d, bool) {
        return d.RangeEnum(name, buffer, bufferSize, size);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Get(tPvHandle camera, const char* name, uint32_t* value) {
    return WithCamera(Call::PvAttrUint32Get, camera,
                      [&](BackendCamera& d, bool) { return d.GetUint32(name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Set(tPvHandle camera, const char* name, uint32_t value) {
    return WithCamera(Call::PvAttrUint32Set, camera, [&](BackendCamera& d, bool master) {
        return d.SetUint32(master, name, value);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeUint32(tPvHandle camera, const char* name, uint32_t* min,
                                             uint32_t* max) {
    return WithCamera(Call::PvAttrRangeUint32, camera,
                      [&](BackendCamera& d, bool) { return d.RangeUint32(name, min, max); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Get(tPvHandle camera, const char* name, float* value) {
    return WithCamera(Call::PvAttrFloat32Get, camera,
                      [&](BackendCamera& d, bool) { return d.GetFloat32(name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Set(tPvHandle camera, const char* name, float value) {
    return WithCamera(Call::PvAttrFloat32Set, camera, [&](BackendCamera& d, bool master) {
        return d.SetFloat32(master, name, value);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeFloat32(tPvHandle camera, const char* name, float* min,
                                              float* max) {
    return WithCamera(Call::PvAttrRangeFloat32, camera,
                      [&](BackendCamera& d, bool) { return d.RangeFloat32(name, min, max); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureStart(tPvHandle camera) {
    return AsMaster(Call::PvCaptureStart, camera,
                    [](BackendCamera& d) { return d.CaptureStart(); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureEnd(tPvHandle camera) {
    return AsMaster(Call::PvCaptureEnd, camera, [](BackendCamera& d) { return d.CaptureEnd(); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueFrame(tPvHandle camera, tPvFrame* frame,
                                               tPvFrameCallback callback) {
    return AsMaster(Call::PvCaptureQueueFrame, camera,
                    [&](BackendCamera& d) { return d.QueueFrame(frame, callback); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueClear(tPvHandle camera) {
    return AsMaster(Call::PvCaptureQueueClear, camera,
                    [](BackendCamera& d) { return d.QueueClear(); });
}

PVAPI_EXPORT tPvErr PVDECL PvRegisterRead(tPvHandle camera, uint32_t numReads,
                                          const uint32_t* addressArray, uint32_t* dataArray,
                                          uint32_t* numComplete) {
    if (numComplete != nullptr) *numComplete = 0;
    return WithCamera(Call::PvRegisterRead, camera, [&](BackendCamera& d, bool) {
        return d.ReadRegisters(numReads, addressArray, dataArray, numComplete);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvRegisterWrite(tPvHandle camera, uint32_t numWrites,
                                           const uint32_t* addressArray, const uint32_t* dataArray,
                                           uint32_t* numComplete) {
    if (numComplete != nullptr) *numComplete = 0;
    return AsMaster(Call::PvRegisterWrite, camera, [&](BackendCamera& d) {
        return d.WriteRegisters(numWrites, addressArray, dataArray, numComplete);
    });
}

// The colour interpolation needs no camera and no initialisation: the demosaic library checks
// the frame and interpolates.
PVAPI_EXPORT tPvErr PVDECL PvUtilityColorInterpolate(const tPvFrame* frame, void* bufferRed,
                                                     void* bufferGreen, void* bufferBlue,
                                                     uint32_t pixelPadding, uint32_t linePadding) {
    tarnix::sdk::CountSdkCall(Call::PvUtilityColorInterpolate);
    return tarnix::sim::InterpolateFrame(frame, bufferRed, bufferGreen, bufferBlue, pixelPadding,
                                         linePadding);
}

}  // extern "C"
