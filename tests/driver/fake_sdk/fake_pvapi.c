/*
 * A stand-in SDK library for the driver's start-up failure paths. It exports every SDK
 * function (except PvCameraOpen when built with FAKE_WITHOUT_CAMERA_OPEN), fails to
 * initialise (starts, with no camera, when built with FAKE_STARTS), and counts link-event
 * registrations so a test can see duplicates. It has none of the simulator's controls.
 */
#define PVAPI_BUILDING
#include <pvapi.h>

#if defined(_WIN32)
#define FAKE_EXPORT __declspec(dllexport)
#else
#define FAKE_EXPORT __attribute__((visibility("default")))
#endif

#define FAKE_VERSION_MAJOR 9
#define FAKE_VERSION_MINOR 7

static uint32_t g_Registrations[3];

/* Registrations the SDK accepted for the event (1 or 2), duplicates included. */
FAKE_EXPORT uint32_t fake_registrations(uint32_t event) {
    return event < 3 ? g_Registrations[event] : 0;
}

void PVDECL PvVersion(uint32_t* major, uint32_t* minor) {
    *major = FAKE_VERSION_MAJOR;
    *minor = FAKE_VERSION_MINOR;
}
tPvErr PVDECL PvInitialize(void) {
#ifdef FAKE_STARTS
    return ePvErrSuccess;
#else
    return ePvErrResources;
#endif
}
void PVDECL PvUnInitialize(void) {}
tPvErr PVDECL PvLinkCallbackRegister(tPvLinkCallback callback, tPvLinkEvent event, void* context) {
    (void)callback;
    (void)context;
    if (event < 3) ++g_Registrations[event];
    return ePvErrSuccess;
}
tPvErr PVDECL PvLinkCallbackUnRegister(tPvLinkCallback callback, tPvLinkEvent event) {
    (void)callback;
    if (event < 3 && g_Registrations[event] > 0) --g_Registrations[event];
    return ePvErrSuccess;
}
uint32_t PVDECL PvCameraCount(void) {
    return 0;
}
uint32_t PVDECL PvCameraList(tPvCameraInfo* list, uint32_t length, uint32_t* connectedNum) {
    (void)list;
    (void)length;
    (void)connectedNum;
    return 0;
}
tPvErr PVDECL PvCameraInfoByAddr(uint32_t ipAddress, tPvCameraInfo* info,
                                 tPvIpSettings* ipSettings) {
    (void)ipAddress;
    (void)info;
    (void)ipSettings;
    return ePvErrNotFound;
}
#ifndef FAKE_WITHOUT_CAMERA_OPEN
tPvErr PVDECL PvCameraOpen(uint32_t uniqueId, uint32_t accessFlags, tPvHandle* camera) {
    (void)uniqueId;
    (void)accessFlags;
    (void)camera;
    return ePvErrNotFound;
}
#endif

/* Everything that needs a camera: there is none. */
/* clang-format off */
#define UNUSED(x) (void)(x)
tPvErr PVDECL PvCameraClose(tPvHandle c) { UNUSED(c); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrList(tPvHandle c, tPvAttrListPtr* l, uint32_t* n) { UNUSED(c); UNUSED(l); UNUSED(n); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrInfo(tPvHandle c, const char* n, tPvAttributeInfo* i) { UNUSED(c); UNUSED(n); UNUSED(i); return ePvErrBadHandle; }
tPvErr PVDECL PvCommandRun(tPvHandle c, const char* n) { UNUSED(c); UNUSED(n); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrStringGet(tPvHandle c, const char* n, char* b, uint32_t s, uint32_t* f) { UNUSED(c); UNUSED(n); UNUSED(b); UNUSED(s); UNUSED(f); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrStringSet(tPvHandle c, const char* n, const char* v) { UNUSED(c); UNUSED(n); UNUSED(v); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrEnumGet(tPvHandle c, const char* n, char* b, uint32_t s, uint32_t* f) { UNUSED(c); UNUSED(n); UNUSED(b); UNUSED(s); UNUSED(f); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrEnumSet(tPvHandle c, const char* n, const char* v) { UNUSED(c); UNUSED(n); UNUSED(v); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrRangeEnum(tPvHandle c, const char* n, char* b, uint32_t s, uint32_t* f) { UNUSED(c); UNUSED(n); UNUSED(b); UNUSED(s); UNUSED(f); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrUint32Get(tPvHandle c, const char* n, uint32_t* v) { UNUSED(c); UNUSED(n); UNUSED(v); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrUint32Set(tPvHandle c, const char* n, uint32_t v) { UNUSED(c); UNUSED(n); UNUSED(v); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrRangeUint32(tPvHandle c, const char* n, uint32_t* lo, uint32_t* hi) { UNUSED(c); UNUSED(n); UNUSED(lo); UNUSED(hi); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrFloat32Get(tPvHandle c, const char* n, float* v) { UNUSED(c); UNUSED(n); UNUSED(v); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrFloat32Set(tPvHandle c, const char* n, float v) { UNUSED(c); UNUSED(n); UNUSED(v); return ePvErrBadHandle; }
tPvErr PVDECL PvAttrRangeFloat32(tPvHandle c, const char* n, float* lo, float* hi) { UNUSED(c); UNUSED(n); UNUSED(lo); UNUSED(hi); return ePvErrBadHandle; }
tPvErr PVDECL PvCaptureStart(tPvHandle c) { UNUSED(c); return ePvErrBadHandle; }
tPvErr PVDECL PvCaptureEnd(tPvHandle c) { UNUSED(c); return ePvErrBadHandle; }
tPvErr PVDECL PvCaptureQueueFrame(tPvHandle c, tPvFrame* f, tPvFrameCallback cb) { UNUSED(c); UNUSED(f); UNUSED(cb); return ePvErrBadHandle; }
tPvErr PVDECL PvCaptureQueueClear(tPvHandle c) { UNUSED(c); return ePvErrBadHandle; }
tPvErr PVDECL PvUtilityColorInterpolate(const tPvFrame* f, void* r, void* g, void* b, uint32_t pp, uint32_t lp) { UNUSED(f); UNUSED(r); UNUSED(g); UNUSED(b); UNUSED(pp); UNUSED(lp); return ePvErrBadParameter; }
tPvErr PVDECL PvRegisterRead(tPvHandle c, uint32_t n, const uint32_t* a, uint32_t* d, uint32_t* k) { UNUSED(c); UNUSED(n); UNUSED(a); UNUSED(d); UNUSED(k); return ePvErrBadHandle; }
tPvErr PVDECL PvRegisterWrite(tPvHandle c, uint32_t n, const uint32_t* a, const uint32_t* d, uint32_t* k) { UNUSED(c); UNUSED(n); UNUSED(a); UNUSED(d); UNUSED(k); return ePvErrBadHandle; }
/* clang-format on */
