// The SDK's C functions over Aravis: resolve the handle, delegate to the camera's session.
// No C++ exception crosses this interface.
#include <pvapi.h>
#include <sdkcommon/Guard.h>

#include <memory>

#include "Sdk.h"
#include "Session.h"

using tarnix::gige::Sdk;
using tarnix::gige::Session;
using tarnix::sdk::Guarded;

namespace {

// Reports the SDK as 1.28, the interface version the driver was written against.
constexpr uint32_t kVersionMajor = 1;
constexpr uint32_t kVersionMinor = 28;

// Runs fn(session, master) for an open handle; the session stays alive for the call even when
// another thread closes the handle meanwhile.
template <typename Fn>
tPvErr WithSession(tPvHandle handle, Fn&& fn) {
    return Guarded([&]() -> tPvErr {
        std::shared_ptr<Session> session;
        bool master = false;
        if (const tPvErr error = Sdk::Instance().Resolve(handle, session, master)) return error;
        return fn(*session, master);
    });
}

// Capture and writes need the master handle; a lost camera answers 8 before that.
template <typename Fn>
tPvErr AsMaster(tPvHandle handle, Fn&& fn) {
    return WithSession(handle, [&](Session& session, bool master) -> tPvErr {
        if (session.Lost()) return ePvErrUnplugged;
        if (!master) return ePvErrAccessDenied;
        return fn(session);
    });
}

}  // namespace

extern "C" {

PVAPI_EXPORT void PVDECL PvVersion(uint32_t* major, uint32_t* minor) {
    if (major != nullptr) *major = kVersionMajor;
    if (minor != nullptr) *minor = kVersionMinor;
}

PVAPI_EXPORT tPvErr PVDECL PvInitialize(void) {
    return Guarded([] { return Sdk::Instance().Initialize(); });
}

PVAPI_EXPORT void PVDECL PvUnInitialize(void) {
    Guarded([] {
        Sdk::Instance().Uninitialize();
        return tPvErr(ePvErrSuccess);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackRegister(tPvLinkCallback callback, tPvLinkEvent event,
                                                  void* context) {
    return Guarded([&] { return Sdk::Instance().RegisterLink(callback, event, context); });
}

PVAPI_EXPORT tPvErr PVDECL PvLinkCallbackUnRegister(tPvLinkCallback callback, tPvLinkEvent event) {
    return Guarded([&] { return Sdk::Instance().UnregisterLink(callback, event); });
}

PVAPI_EXPORT uint32_t PVDECL PvCameraCount(void) {
    uint32_t count = 0;
    Guarded([&] {
        count = Sdk::Instance().CameraCount();
        return tPvErr(ePvErrSuccess);
    });
    return count;
}

PVAPI_EXPORT uint32_t PVDECL PvCameraList(tPvCameraInfo* list, uint32_t length,
                                          uint32_t* connectedNum) {
    uint32_t filled = 0;
    Guarded([&] {
        filled = Sdk::Instance().CameraList(list, length, connectedNum);
        return tPvErr(ePvErrSuccess);
    });
    return filled;
}

PVAPI_EXPORT tPvErr PVDECL PvCameraInfoByAddr(uint32_t ipAddress, tPvCameraInfo* info,
                                              tPvIpSettings* ipSettings) {
    return Guarded([&] { return Sdk::Instance().CameraInfoByAddr(ipAddress, info, ipSettings); });
}

PVAPI_EXPORT tPvErr PVDECL PvCameraOpen(uint32_t uniqueId, uint32_t accessFlags,
                                        tPvHandle* camera) {
    return Guarded([&] { return Sdk::Instance().Open(uniqueId, accessFlags, camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvCameraClose(tPvHandle camera) {
    return Guarded([&] { return Sdk::Instance().Close(camera); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrList(tPvHandle camera, tPvAttrListPtr* list, uint32_t* length) {
    return WithSession(camera, [&](Session& s, bool) { return s.AttrList(list, length); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrInfo(tPvHandle camera, const char* name, tPvAttributeInfo* info) {
    return WithSession(camera, [&](Session& s, bool) { return s.AttrInfo(name, info); });
}

PVAPI_EXPORT tPvErr PVDECL PvCommandRun(tPvHandle camera, const char* name) {
    return WithSession(camera, [&](Session& s, bool master) { return s.CommandRun(master, name); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrStringGet(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size) {
    return WithSession(camera, [&](Session& s, bool) {
        return s.GetText(name, ePvDatatypeString, buffer, bufferSize, size);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrStringSet(tPvHandle camera, const char* name, const char* value) {
    return WithSession(camera, [&](Session& s, bool master) {
        return s.SetText(master, name, ePvDatatypeString, value);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrEnumGet(tPvHandle camera, const char* name, char* buffer,
                                         uint32_t bufferSize, uint32_t* size) {
    return WithSession(camera, [&](Session& s, bool) {
        return s.GetText(name, ePvDatatypeEnum, buffer, bufferSize, size);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrEnumSet(tPvHandle camera, const char* name, const char* value) {
    return WithSession(camera, [&](Session& s, bool master) {
        return s.SetText(master, name, ePvDatatypeEnum, value);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeEnum(tPvHandle camera, const char* name, char* buffer,
                                           uint32_t bufferSize, uint32_t* size) {
    return WithSession(
        camera, [&](Session& s, bool) { return s.RangeEnum(name, buffer, bufferSize, size); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Get(tPvHandle camera, const char* name, uint32_t* value) {
    return WithSession(camera, [&](Session& s, bool) { return s.GetUint32(name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrUint32Set(tPvHandle camera, const char* name, uint32_t value) {
    return WithSession(camera,
                       [&](Session& s, bool master) { return s.SetUint32(master, name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeUint32(tPvHandle camera, const char* name, uint32_t* min,
                                             uint32_t* max) {
    return WithSession(camera, [&](Session& s, bool) { return s.RangeUint32(name, min, max); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Get(tPvHandle camera, const char* name, float* value) {
    return WithSession(camera, [&](Session& s, bool) { return s.GetFloat32(name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrFloat32Set(tPvHandle camera, const char* name, float value) {
    return WithSession(camera,
                       [&](Session& s, bool master) { return s.SetFloat32(master, name, value); });
}

PVAPI_EXPORT tPvErr PVDECL PvAttrRangeFloat32(tPvHandle camera, const char* name, float* min,
                                              float* max) {
    return WithSession(camera, [&](Session& s, bool) { return s.RangeFloat32(name, min, max); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureStart(tPvHandle camera) {
    return AsMaster(camera, [](Session& s) { return s.CaptureStart(); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureEnd(tPvHandle camera) {
    return AsMaster(camera, [](Session& s) { return s.CaptureEnd(); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueFrame(tPvHandle camera, tPvFrame* frame,
                                               tPvFrameCallback callback) {
    return AsMaster(camera, [&](Session& s) { return s.QueueFrame(frame, callback); });
}

PVAPI_EXPORT tPvErr PVDECL PvCaptureQueueClear(tPvHandle camera) {
    return AsMaster(camera, [](Session& s) { return s.QueueClear(); });
}

PVAPI_EXPORT tPvErr PVDECL PvRegisterRead(tPvHandle camera, uint32_t numReads,
                                          const uint32_t* addressArray, uint32_t* dataArray,
                                          uint32_t* numComplete) {
    if (numComplete != nullptr) *numComplete = 0;
    return WithSession(camera, [&](Session& s, bool) {
        return s.ReadRegisters(numReads, addressArray, dataArray, numComplete);
    });
}

PVAPI_EXPORT tPvErr PVDECL PvRegisterWrite(tPvHandle camera, uint32_t numWrites,
                                           const uint32_t* addressArray, const uint32_t* dataArray,
                                           uint32_t* numComplete) {
    if (numComplete != nullptr) *numComplete = 0;
    return AsMaster(camera, [&](Session& s) {
        return s.WriteRegisters(numWrites, addressArray, dataArray, numComplete);
    });
}

}  // extern "C"
