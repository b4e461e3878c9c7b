// Per-function call counters for the SDK functions, read by pvsim_call_count.
#pragma once

#include <sdkcommon/Calls.h>

#include <cstdint>

namespace tarnix::sim {

// The front's functions, in the same order, so that a tarnix::sdk::Call converts.
#define SIM_SDK_FUNCTIONS(X) TARNIX_SDK_CALLS(X)

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
