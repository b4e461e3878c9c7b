// The table of SDK functions the driver calls. The SDK library is loaded at run time (by
// ordinal on Windows, by name elsewhere), so every call goes through this table; until a
// load succeeded the table holds stand-ins that fail cleanly, so no caller has to check.
#pragma once

#include <pvapi.h>

namespace tarnix {

// Every SDK function the driver uses, with the ordinal it is imported by on Windows.
#define TARNIX_SDK_FUNCTIONS(X)       \
    X(PvVersion, 1)                   \
    X(PvUnInitialize, 3)              \
    X(PvLinkCallbackRegister, 4)      \
    X(PvLinkCallbackUnRegister, 5)    \
    X(PvInitialize, 6)                \
    X(PvCameraCount, 10)              \
    X(PvCameraList, 30)               \
    X(PvCameraOpen, 40)               \
    X(PvCameraClose, 50)              \
    X(PvCameraInfoByAddr, 80)         \
    X(PvAttrList, 110)                \
    X(PvAttrInfo, 130)                \
    X(PvAttrStringGet, 150)           \
    X(PvAttrStringSet, 151)           \
    X(PvAttrEnumGet, 152)             \
    X(PvAttrEnumSet, 153)             \
    X(PvAttrRangeEnum, 154)           \
    X(PvAttrUint32Get, 160)           \
    X(PvAttrUint32Set, 161)           \
    X(PvAttrRangeUint32, 162)         \
    X(PvAttrFloat32Get, 170)          \
    X(PvAttrFloat32Set, 171)          \
    X(PvAttrRangeFloat32, 172)        \
    X(PvCommandRun, 190)              \
    X(PvCaptureStart, 400)            \
    X(PvCaptureEnd, 410)              \
    X(PvCaptureQueueFrame, 430)       \
    X(PvCaptureQueueClear, 440)       \
    X(PvUtilityColorInterpolate, 500) \
    X(PvRegisterRead, 1010)           \
    X(PvRegisterWrite, 1011)

// One member per function, typed from its declaration (calling convention included), so a
// stand-in or a cast with the wrong signature does not compile.
struct SdkApi {
#define TARNIX_SDK_MEMBER(name, ordinal) decltype(&::name) name;
    TARNIX_SDK_FUNCTIONS(TARNIX_SDK_MEMBER)
#undef TARNIX_SDK_MEMBER
};

// Stand-ins for an SDK that is not loaded: every function that returns an error code
// returns ePvErrInternalFault, counts return 0, version and uninitialise do nothing.
const SdkApi& UnavailableSdk();

// The table in use: the loaded SDK once InstallSdk ran, the stand-ins before.
const SdkApi& Sdk();
bool SdkLoaded();

// Publishes a loaded table for the rest of the process. Only the first call counts: the
// SDK library, once loaded, stays loaded, because SDK threads and camera objects may still
// hold its code after the last shutdown.
void InstallSdk(const SdkApi& api);

}  // namespace tarnix
