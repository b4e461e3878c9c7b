#include "base/SdkApi.h"

#include <atomic>

namespace tarnix {
namespace {

constexpr tPvErr kUnavailable = ePvErrInternalFault;

void PVDECL NoVersion(uint32_t*, uint32_t*) {}
tPvErr PVDECL NoInitialize() {
    return kUnavailable;
}
void PVDECL NoUnInitialize() {}
tPvErr PVDECL NoLinkRegister(tPvLinkCallback, tPvLinkEvent, void*) {
    return kUnavailable;
}
tPvErr PVDECL NoLinkUnRegister(tPvLinkCallback, tPvLinkEvent) {
    return kUnavailable;
}
uint32_t PVDECL NoCameraCount() {
    return 0;
}
uint32_t PVDECL NoCameraList(tPvCameraInfo*, uint32_t, uint32_t*) {
    return 0;
}
tPvErr PVDECL NoCameraOpen(uint32_t, uint32_t, tPvHandle*) {
    return kUnavailable;
}
tPvErr PVDECL NoHandleCall(tPvHandle) {
    return kUnavailable;
}
tPvErr PVDECL NoInfoByAddr(uint32_t, tPvCameraInfo*, tPvIpSettings*) {
    return kUnavailable;
}
tPvErr PVDECL NoAttrList(tPvHandle, tPvAttrListPtr*, uint32_t*) {
    return kUnavailable;
}
tPvErr PVDECL NoAttrInfo(tPvHandle, const char*, tPvAttributeInfo*) {
    return kUnavailable;
}
tPvErr PVDECL NoNameCall(tPvHandle, const char*) {
    return kUnavailable;
}
tPvErr PVDECL NoTextGet(tPvHandle, const char*, char*, uint32_t, uint32_t*) {
    return kUnavailable;
}
tPvErr PVDECL NoTextSet(tPvHandle, const char*, const char*) {
    return kUnavailable;
}
tPvErr PVDECL NoUint32Get(tPvHandle, const char*, uint32_t*) {
    return kUnavailable;
}
tPvErr PVDECL NoUint32Set(tPvHandle, const char*, uint32_t) {
    return kUnavailable;
}
tPvErr PVDECL NoUint32Range(tPvHandle, const char*, uint32_t*, uint32_t*) {
    return kUnavailable;
}
tPvErr PVDECL NoFloatGet(tPvHandle, const char*, float*) {
    return kUnavailable;
}
tPvErr PVDECL NoFloatSet(tPvHandle, const char*, float) {
    return kUnavailable;
}
tPvErr PVDECL NoFloatRange(tPvHandle, const char*, float*, float*) {
    return kUnavailable;
}
tPvErr PVDECL NoQueueFrame(tPvHandle, tPvFrame*, tPvFrameCallback) {
    return kUnavailable;
}
tPvErr PVDECL NoInterpolate(const tPvFrame*, void*, void*, void*, uint32_t, uint32_t) {
    return kUnavailable;
}
tPvErr PVDECL NoRegisterRead(tPvHandle, uint32_t, const uint32_t*, uint32_t*, uint32_t*) {
    return kUnavailable;
}
tPvErr PVDECL NoRegisterWrite(tPvHandle, uint32_t, const uint32_t*, const uint32_t*, uint32_t*) {
    return kUnavailable;
}

const SdkApi kUnavailableSdk = {
    .PvVersion = NoVersion,
    .PvUnInitialize = NoUnInitialize,
    .PvLinkCallbackRegister = NoLinkRegister,
    .PvLinkCallbackUnRegister = NoLinkUnRegister,
    .PvInitialize = NoInitialize,
    .PvCameraCount = NoCameraCount,
    .PvCameraList = NoCameraList,
    .PvCameraOpen = NoCameraOpen,
    .PvCameraClose = NoHandleCall,
    .PvCameraInfoByAddr = NoInfoByAddr,
    .PvAttrList = NoAttrList,
    .PvAttrInfo = NoAttrInfo,
    .PvAttrStringGet = NoTextGet,
    .PvAttrStringSet = NoTextSet,
    .PvAttrEnumGet = NoTextGet,
    .PvAttrEnumSet = NoTextSet,
    .PvAttrRangeEnum = NoTextGet,
    .PvAttrUint32Get = NoUint32Get,
    .PvAttrUint32Set = NoUint32Set,
    .PvAttrRangeUint32 = NoUint32Range,
    .PvAttrFloat32Get = NoFloatGet,
    .PvAttrFloat32Set = NoFloatSet,
    .PvAttrRangeFloat32 = NoFloatRange,
    .PvCommandRun = NoNameCall,
    .PvCaptureStart = NoHandleCall,
    .PvCaptureEnd = NoHandleCall,
    .PvCaptureQueueFrame = NoQueueFrame,
    .PvCaptureQueueClear = NoHandleCall,
    .PvUtilityColorInterpolate = NoInterpolate,
    .PvRegisterRead = NoRegisterRead,
    .PvRegisterWrite = NoRegisterWrite,
};

SdkApi g_LoadedSdk;
std::atomic<const SdkApi*> g_CurrentSdk{&kUnavailableSdk};

}  // namespace

const SdkApi& UnavailableSdk() {
    return kUnavailableSdk;
}

const SdkApi& Sdk() {
    return *g_CurrentSdk.load(std::memory_order_acquire);
}

bool SdkLoaded() {
    return g_CurrentSdk.load(std::memory_order_acquire) == &g_LoadedSdk;
}

// Called under the driver's start-up lock, so two installs never race.
void InstallSdk(const SdkApi& api) {
    if (SdkLoaded()) return;
    g_LoadedSdk = api;
    g_CurrentSdk.store(&g_LoadedSdk, std::memory_order_release);
}

}  // namespace tarnix
