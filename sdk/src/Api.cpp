// The SDK's C functions: count the call, find the camera behind the handle, delegate.
#include <pvapi.h>
#include <sdkcommon/Guard.h>

#include <memory>

#include "CallStats.h"
#include "Camera.h"
#include "Sdk.h"

using tarnix::sdk::Guarded;
using tarnix::sim::Camera;
using tarnix::sim::CountCall;
using tarnix::sim::Sdk;
using tarnix::sim::SdkFunction;

namespace {

constexpr uint32_t kVersionMajor = 1;
constexpr uint32_t kVersionMinor = 28;

template <typename Fn>
tPvErr WithCamera(tPvHandle handle, Fn&& fn) {
    return Guarded([&]() -> tPvErr {
        std::shared_ptr<Camera> camera;
        if (const tPvErr error = Sdk::Instance().Resolve(handle, camera)) {
            return error;
        }
        return fn(*camera);
    });
}

}  // namespace

extern "C" {

PVAPI_EXPORT void PVDECL PvVersion(uint32_t* major, uint32_t* minor) {
    CountCall(SdkFunction::PvVersion);
    if (major != nullptr) {
        *major = kVersionMajor;
    }
    if (minor != nullptr) {
        *minor = kVersionMinor;
    }
}

PVAPI_EXPORT tPvErr PVDECL PvInitialize(void) {
    CountCall(SdkFunction::PvInitialize);
    return Guarded([] { return Sdk::Instance().Initialize(); });
}

PVAPI_EXPORT void PVDECL PvUnInitialize(void) {
    CountCall(SdkFunction::PvUnInitialize);
    Guarded([] {
        Sdk::Instance().Uninitialize();
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackRegister(tPvLinkCallback callback, tPvLinkEvent event,
                                                  void* context) {
    CountCall(SdkFunction::PvLinkCallbackRegister);
    return Guarded([&] { return Sdk::Instance().RegisterLink(callback, event, context); });
}

PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackUnRegister(tPvLinkCallback callback, tPvLinkEvent event) {
    CountCall(SdkFunction::PvLinkCallbackUnRegister);
    return Guarded([&] { return Sdk::Instance().UnregisterLink(callback, event); });
}

PVAPI_EXPORT uint32_t PVDECL PvCameraCount(void) {
    CountCall(SdkFunction::PvCameraCount);
    uint32_t count = 0;
    Guarded([&] {
        count = Sdk::Instance().CameraCount();
        return tPvErr(ePvErrSuccess);
    });
    return count;
}

PVAPI_EXPORT uint32_t PVDECL PvCameraList(tPvCameraInfo* list, uint32_t length,
                                          uint32_t* connectedNum) {
    CountCall(SdkFunction::PvCameraList);
    uint32_t filled = 0;
    Guarded([&] {
        filled = Sdk::Instance().CameraList(list, length, connectedNum);
        return tPvErr(ePvErrSuccess);
    });
    return filled;
}

PVAPI_EXPORT tPvErr PVDECL PvCameraInfoByAddr(uint32_t ipAddress, tPvCameraInfo* info,
                                              tPvIpSettings* ipSettings) {
    CountCall(SdkFunction::PvCameraInfoByAddr);
    return Guarded([&] { return Sdk::Instance().CameraInfoByAddr(ipAddress, info, ipSettings); });
}

PVAPI_EXPORT tPvErr PVDECL PvCameraOpen(uint32_t uniqueId, uint32_t accessFlags,
                                        tPvHandle* camera) {
    CountCall(SdkFunction::PvCameraOpen);
    return Guarded([&] { return Sdk::Instance().Open(uniqueId, accessFlags, camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvCameraClose(tPvHandle camera) {
    CountCall(SdkFunction::PvCameraClose);
    return Guarded([&] { return Sdk::Instance().Close(camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrList(tPvHandle camera, tPvAttrListPtr* list, uint32_t* length) {
    CountCall(SdkFunction::PvAttrList);
    return WithCamera(camera, [&](Camera& c) { return c.AttrList(camera, list, length); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrInfo(tPvHandle camera, const char* name, tPvAttributeInfo* info) {
    CountCall(SdkFunction::PvAttrInfo);
    return WithCamera(camera, [&](Camera& c) { return c.AttrInfo(camera, name, info); });
}

PVAPI_EXPORT tPvErr PVDECL PvCommandRun(tPvHandle camera, const char* name) {
    CountCall(SdkFunction::PvCommandRun);
    return WithCamera(camera, [&](Camera& c) { return c.CommandRun(camera, name); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrStringGet(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size) {
    CountCall(SdkFunction::PvAttrStringGet);
    return WithCamera(camera, [&](Camera& c) {
        return c.GetText(camera, name, ePvDatatypeString, buffer, bufferSize, size);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrStringSet(tPvHandle camera, const char* name, const char* value) {
    CountCall(SdkFunction::PvAttrStringSet);
    return WithCamera(camera,
                      [&](Camera& c) { return c.SetText(camera, name, ePvDatatypeString, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrEnumGet(tPvHandle camera, const char* name, char* buffer,
                                         uint32_t bufferSize, uint32_t* size) {
    CountCall(SdkFunction::PvAttrEnumGet);
    return WithCamera(camera, [&](Camera& c) {
        return c.GetText(camera, name, ePvDatatypeEnum, buffer, bufferSize, size);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrEnumSet(tPvHandle camera, const char* name, const char* value) {
    CountCall(SdkFunction::PvAttrEnumSet);
    return WithCamera(camera,
                      [&](Camera& c) { return c.SetText(camera, name, ePvDatatypeEnum, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeEnum(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size) {
    CountCall(SdkFunction::PvAttrRangeEnum);
    return WithCamera(
        camera, [&](Camera& c) { return c.RangeEnum(camera, name, buffer, bufferSize, size); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Get(tPvHandle camera, const char* name, uint32_t* value) {
    CountCall(SdkFunction::PvAttrUint32Get);
    return WithCamera(camera, [&](Camera& c) { return c.GetUint32(camera, name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Set(tPvHandle camera, const char* name, uint32_t value) {
    CountCall(SdkFunction::PvAttrUint32Set);
    return WithCamera(camera, [&](Camera& c) { return c.SetUint32(camera, name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeUint32(tPvHandle camera, const char* name, uint32_t* min,
                                             uint32_t* max) {
    CountCall(SdkFunction::PvAttrRangeUint32);
    return WithCamera(camera, [&](Camera& c) { return c.RangeUint32(camera, name, min, max); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Get(tPvHandle camera, const char* name, float* value) {
    CountCall(SdkFunction::PvAttrFloat32Get);
    return WithCamera(camera, [&](Camera& c) { return c.GetFloat32(camera, name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Set(tPvHandle camera, const char* name, float value) {
    CountCall(SdkFunction::PvAttrFloat32Set);
    return WithCamera(camera, [&](Camera& c) { return c.SetFloat32(camera, name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeFloat32(tPvHandle camera, const char* name, float* min,
                                              float* max) {
    CountCall(SdkFunction::PvAttrRangeFloat32);
    return WithCamera(camera, [&](Camera& c) { return c.RangeFloat32(camera, name, min, max); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureStart(tPvHandle camera) {
    CountCall(SdkFunction::PvCaptureStart);
    return WithCamera(camera, [&](Camera& c) { return c.CaptureStart(camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureEnd(tPvHandle camera) {
    CountCall(SdkFunction::PvCaptureEnd);
    return WithCamera(camera, [&](Camera& c) { return c.CaptureEnd(camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueFrame(tPvHandle camera, tPvFrame* frame,
                                               tPvFrameCallback callback) {
    CountCall(SdkFunction::PvCaptureQueueFrame);
    return WithCamera(camera, [&](Camera& c) { return c.QueueFrame(camera, frame, callback); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueClear(tPvHandle camera) {
    CountCall(SdkFunction::PvCaptureQueueClear);
    return WithCamera(camera, [&](Camera& c) { return c.QueueClear(camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvRegisterRead(tPvHandle camera, uint32_t numReads,
                                          const uint32_t* addressArray, uint32_t* dataArray,
                                          uint32_t* numComplete) {
    CountCall(SdkFunction::PvRegisterRead);
    if (numComplete != nullptr) {
        *numComplete = 0;
    }
    return WithCamera(camera, [&](Camera& c) {
        return c.ReadRegisters(camera, numReads, addressArray, dataArray, numComplete);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvRegisterWrite(tPvHandle camera, uint32_t numWrites,
                                           const uint32_t* addressArray, const uint32_t* dataArray,
                                           uint32_t* numComplete) {
    CountCall(SdkFunction::PvRegisterWrite);
    if (numComplete != nullptr) {
        *numComplete = 0;
    }
    return WithCamera(camera, [&](Camera& c) {
        return c.WriteRegisters(camera, numWrites, addressArray, dataArray, numComplete);
    });
}

}  // extern "C"
