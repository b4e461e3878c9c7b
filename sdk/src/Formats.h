// Pixel formats the simulated cameras can send: names, sample widths and frame sizes.
#pragma once

#include <cstdint>

namespace tarnix::sim {

constexpr uint32_t kFormatCount = 12;

// "PixelFormat" value name of a format code; nullptr for an unknown code.
const char* FormatName(uint32_t format);

// Formats whose samples are little-endian 16-bit words (Mono16, Bayer16, Rgb48).
bool IsWideFormat(uint32_t format);

// Bytes of one frame of the given size; 0 for an unknown format.
uint32_t FrameBytes(uint32_t format, uint32_t width, uint32_t height);

// Significant bits per sample as a frame record reports them.
inline uint32_t FrameBitDepth(uint32_t format, uint32_t cameraBitDepth) {
    return IsWideFormat(format) ? cameraBitDepth : 8;
}

}  // namespace tarnix::sim
