// Small text helpers shared by the driver and the camera layer.
#pragma once

#include <cstddef>

namespace tarnix {

// Whole-text comparison without regard to ASCII letter case.
bool EqualsIgnoreCase(const char* a, const char* b);

// Whether text begins with prefix, without regard to ASCII letter case.
bool StartsWithIgnoreCase(const char* text, const char* prefix);

// Length of a text field of a fixed-size record that the SDK may have filled to the brim
// without a terminator.
size_t BoundedLength(const char* field, size_t fieldSize);

}  // namespace tarnix
