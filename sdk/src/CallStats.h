// Per-function call counters for the SDK functions, read by pvsim_call_count.
#pragma once

#include <cstdint>

namespace tarnix::sim {

#define SIM_SDK_FUNCTIONS(X)     \
    X(PvVersion)                 \
    X(PvInitialize)              \
    X(PvUnInitialize)            \
    X(PvLinkCallbackRegister)    \
    X(PvLinkCallbackUnRegister)  \
    X(PvCameraCount)             \
    X(PvCameraList)              \
    X(PvCameraInfoByAddr)        \
    X(PvCameraOpen)              \
    X(PvCameraClose)             \
    X(PvAttrList)                \
    X(PvAttrInfo)                \
    X(PvCommandRun)              \
    X(PvAttrStringGet)           \
    X(PvAttrStringSet)           \
    X(PvAttrEnumGet)             \
    X(PvAttrEnumSet)             \
    X(PvAttrRangeEnum)           \
    X(PvAttrUint32Get)           \
    X(PvAttrUint32Set)           \
    X(PvAttrRangeUint32)         \
    X(PvAttrFloat32Get)          \
    X(PvAttrFloat32Set)          \
    X(PvAttrRangeFloat32)        \
    X(PvCaptureStart)            \
    X(PvCaptureEnd)              \
    X(PvCaptureQueueFrame)       \
    X(PvCaptureQueueClear)       \
    X(PvUtilityColorInterpolate) \
    X(PvRegisterRead)            \
    X(PvRegisterWrite)

enum class SdkFunction : uint32_t {
#define SIM_ENUM_ENTRY(name) name,
    SIM_SDK_FUNCTIONS(SIM_ENUM_ENTRY)
#undef SIM_ENUM_ENTRY
        Count
};

void CountCall(SdkFunction function);
// Calls of the function with that name; 0 for a name that is no SDK function.
uint32_t CallCount(const char* name);
void ResetCallCounts();

}  // namespace tarnix::sim
