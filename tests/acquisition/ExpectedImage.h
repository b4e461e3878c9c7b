// What the driver must hand out for a frame of the simulator's ramp, worked out here from the
// ramp's definition and the conversion rules, without the driver's code: frame n holds the
// samples (j + n) mod 2^bits, bytes for 8-bit formats and little-endian words for Mono16,
// Bayer16 and Rgb48.
#pragma once

#include <pvapi.h>

#include <cstdint>
#include <vector>

namespace tarnix::test {

struct ExpectedImage {
    std::vector<uint8_t> bytes;  // width x height pixels, row after row
    uint32_t bytesPerPixel = 0;  // 1 for Mono8 and Mono16, else 3
    // Leading pixels the frame supplies. YUV pixel counts that end inside a group leave the
    // last pixels without all their bytes; the driver does not touch those.
    uint32_t pixelsWritten = 0;
};

ExpectedImage ExpectRamp(tPvImageFormat format, uint32_t width, uint32_t height, uint32_t bitDepth,
                         uint32_t n);

// One studio-range YUV pixel as blue, green, red.
void ExpectYuv(uint8_t y, uint8_t u, uint8_t v, uint8_t* bgr);

}  // namespace tarnix::test
