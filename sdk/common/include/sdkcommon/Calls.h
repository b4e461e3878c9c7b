// The C functions of pvapi.h the front defines, for the backends that count calls.
#pragma once

#include <cstdint>

namespace tarnix::sdk {

#define TARNIX_SDK_CALLS(X)     \
    X(PvVersion)                \
    X(PvInitialize)             \
    X(PvUnInitialize)           \
    X(PvLinkCallbackRegister)   \
    X(PvLinkCallbackUnRegister) \
    X(PvCameraCount)            \
    X(PvCameraList)             \
    X(PvCameraInfoByAddr)       \
    X(PvCameraOpen)             \
    X(PvCameraClose)            \
    X(PvAttrList)               \
    X(PvAttrInfo)               \
    X(PvCommandRun)             \
    X(PvAttrStringGet)          \
    X(PvAttrStringSet)          \
    X(PvAttrEnumGet)            \
    X(PvAttrEnumSet)            \
    X(PvAttrRangeEnum)          \
    X(PvAttrUint32Get)          \
    X(PvAttrUint32Set)          \
    X(PvAttrRangeUint32)        \
    X(PvAttrFloat32Get)         \
    X(PvAttrFloat32Set)         \
    X(PvAttrRangeFloat32)       \
    X(PvCaptureStart)           \
    X(PvCaptureEnd)             \
    X(PvCaptureQueueFrame)      \
    X(PvCaptureQueueClear)      \
    X(PvRegisterRead)           \
    X(PvRegisterWrite)          \
    X(PvUtilityColorInterpolate)

enum class Call : uint32_t {
#define TARNIX_SDK_CALL_ENTRY(name) name,
    TARNIX_SDK_CALLS(TARNIX_SDK_CALL_ENTRY)
#undef TARNIX_SDK_CALL_ENTRY
        Count
};

}  // namespace tarnix::sdk
