// Names of the camera's frame-start trigger modes, by index 0..6.
#pragma once

#include <cstdint>

namespace tarnix {

enum : uint32_t { kTriggerModeSoftware = 6 };

// The mode's name, or the empty text for an index above 6.
const char* TriggerModeName(uint32_t index);

// Index of the first of "Freerun" .. "FixedRate" equal to text (case-sensitive); any other
// text, "Software" included, gives 6.
uint32_t TriggerModeIndex(const char* text);

}  // namespace tarnix
