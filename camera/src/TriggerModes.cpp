#include "camera/TriggerModes.h"

#include <cstring>
#include <iterator>

namespace tarnix {
namespace {

constexpr const char* kTriggerModeNames[] = {"Freerun", "SyncIn1",   "SyncIn2", "SyncIn3",
                                             "SyncIn4", "FixedRate", "Software"};
static_assert(std::size(kTriggerModeNames) == kTriggerModeSoftware + 1);

}  // namespace

const char* TriggerModeName(uint32_t index) {
    return index <= kTriggerModeSoftware ? kTriggerModeNames[index] : "";
}

uint32_t TriggerModeIndex(const char* text) {
    if (text == nullptr) return kTriggerModeSoftware;
    for (uint32_t index = 0; index < kTriggerModeSoftware; ++index) {
        if (std::strcmp(text, kTriggerModeNames[index]) == 0) return index;
    }
    return kTriggerModeSoftware;
}

}  // namespace tarnix
