#include "CallStats.h"

#include <atomic>
#include <cstring>

namespace tarnix::sim {

namespace {

constexpr uint32_t kFunctionCount = uint32_t(SdkFunction::Count);

const char* const kNames[kFunctionCount] = {
#define SIM_NAME_ENTRY(name) #name,
    SIM_SDK_FUNCTIONS(SIM_NAME_ENTRY)
#undef SIM_NAME_ENTRY
};

std::atomic<uint32_t> g_Counts[kFunctionCount];

}  // namespace

void CountCall(SdkFunction function) {
    g_Counts[uint32_t(function)].fetch_add(1, std::memory_order_relaxed);
}

uint32_t CallCount(const char* name) {
    if (name == nullptr) {
        return 0;
    }
    for (uint32_t i = 0; i < kFunctionCount; ++i) {
        if (std::strcmp(kNames[i], name) == 0) {
            return g_Counts[i].load(std::memory_order_relaxed);
        }
    }
    return 0;
}

void ResetCallCounts() {
    for (auto& count : g_Counts) {
        count.store(0, std::memory_order_relaxed);
    }
}

}  // namespace tarnix::sim
