// The simulated cameras' default frame content, the ramp, as it reaches 8-bit images: frame n
// holds the samples (j + n) mod 256, so every byte is one more than the one before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarnix::test {

// Whether the bytes are one ramp, starting anywhere (the frame's number is not known to
// whoever sees only the image).
inline bool IsByteRamp(const uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != static_cast<uint8_t>(i + bytes[0])) return false;
    return true;
}
inline bool IsByteRamp(const std::vector<uint8_t>& bytes) {
    return IsByteRamp(bytes.data(), bytes.size());
}

}  // namespace tarnix::test
