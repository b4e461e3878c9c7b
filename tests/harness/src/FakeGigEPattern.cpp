#include "harness/FakeGigEPattern.h"

#include <algorithm>

namespace tarnix::test {
namespace {

enum Channel { kRed, kGreen, kBlue };

// The jet colour map over 0..255: blue rising from 132, then green, red and back down to a dark
// red, each ramp in steps of 4 and clipped at 255.
uint8_t Jet(uint32_t index, Channel channel) {
    const int i = static_cast<int>(index);
    int value = 0;
    switch (channel) {
        case kRed:
            value = std::min(4 * (i - 95), 256 - 4 * (i - 223));
            break;
        case kGreen:
            value = std::min(4 * (i - 31), 256 - 4 * (i - 159));
            break;
        case kBlue:
            value = std::min(132 + 4 * i, 256 - 4 * (i - 95));
            break;
    }
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// The channel at (x, y) under a 2 x 2 tile written row by row ("GRBG": G R over B G).
Channel TileChannel(const char* tile, uint32_t x, uint32_t y) {
    switch (tile[(y & 1u) * 2 + (x & 1u)]) {
        case 'R':
            return kRed;
        case 'B':
            return kBlue;
        default:
            return kGreen;
    }
}

}  // namespace

bool FakePatternKnows(uint32_t genicamFormat) {
    switch (genicamFormat) {
        case kGenICamMono8:
        case kGenICamBayerGR8:
        case kGenICamBayerRG8:
        case kGenICamBayerGB8:
        case kGenICamBayerBG8:
            return true;
        default:
            return false;
    }
}

uint8_t ExpectedFakePixel(uint32_t genicamFormat, uint32_t x, uint32_t y, uint64_t frameId) {
    const auto ramp = static_cast<uint32_t>((x + y + frameId) % 255);
    switch (genicamFormat) {
        case kGenICamMono8:
            return static_cast<uint8_t>(ramp);
        case kGenICamBayerGR8:
            return Jet(ramp, TileChannel("GRBG", x, y));
        case kGenICamBayerGB8:
            return Jet(ramp, TileChannel("GBRG", x, y));
        case kGenICamBayerRG8:  // red and blue swapped by the camera, see the header
            return Jet(ramp, TileChannel("BGGR", x, y));
        case kGenICamBayerBG8:
            return Jet(ramp, TileChannel("RGGB", x, y));
        default:
            return 0;
    }
}

size_t FirstFakePatternMismatch(uint32_t genicamFormat, const uint8_t* pixels, uint32_t width,
                                uint32_t height, uint64_t frameId) {
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const size_t i = size_t{y} * width + x;
            if (pixels[i] != ExpectedFakePixel(genicamFormat, x, y, frameId)) return i;
        }
    }
    return size_t{width} * height;
}

}  // namespace tarnix::test
